#version 110
// A coarser level's right-hand side (in red): the finer level's residual, full-weighted
// (1/4, 1/2, 1/4 along each halved axis) about the node this cell shares with it.
// The finer level's last column and row weigh `fold` times as much when they lie
// between this level's last node and the wall.
uniform sampler2D residual;
uniform vec2 size;
uniform vec2 fineSize;
uniform vec2 halved;
uniform vec2 fold;
uniform float rhsScale;

float weightAlong(float offset, float fine, float halvedAxis, float lastFine, float foldAxis) {
    float w = halvedAxis > 0.5 ? (offset == 0.0 ? 0.5 : 0.25) : (offset == 0.0 ? 1.0 : 0.0);
    return fine == lastFine ? w * foldAxis : w;
}

void main() {
    vec2 cell = floor(gl_FragCoord.xy);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 centre = mix(cell, 2.0 * cell, halved);
    float sum = 0.0;
    for (int b = -1; b <= 1; ++b) {
        for (int a = -1; a <= 1; ++a) {
            vec2 fine = centre + vec2(float(a), float(b));
            float w = weightAlong(float(a), fine.x, halved.x, fineSize.x - 2.0, fold.x) *
                      weightAlong(float(b), fine.y, halved.y, fineSize.y - 2.0, fold.y);
            if (w != 0.0) sum += w * texture2D(residual, (fine + 0.5) / fineSize).r;
        }
    }
    gl_FragColor = vec4(sum * rhsScale, 0.0, 0.0, 0.0);
}
