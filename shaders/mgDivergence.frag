#version 110
// The converged projection's right-hand side on level 0 (in red): minus the
// velocity's central divergence, weighted as the normalised height equation of
// mgRelax.frag has it, ax (x east - x west) + ay (y north - y south).
uniform sampler2D fields;
uniform vec2 size;
uniform vec2 divergenceWeights;

void main() {
    vec2 cell = floor(gl_FragCoord.xy);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 st = gl_FragCoord.xy / size;
    vec2 texel = 1.0 / size;
    float du = texture2D(fields, st + vec2(texel.x, 0.0)).x - texture2D(fields, st - vec2(texel.x, 0.0)).x;
    float dv = texture2D(fields, st + vec2(0.0, texel.y)).y - texture2D(fields, st - vec2(0.0, texel.y)).y;
    gl_FragColor = vec4(-(divergenceWeights.x * du + divergenceWeights.y * dv), 0.0, 0.0, 0.0);
}
