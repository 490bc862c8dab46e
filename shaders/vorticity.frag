#version 110
// The curl of the velocity at each interior cell, by central differences, in red.
uniform sampler2D fields;
uniform float dx;
uniform float dy;

void main() {
    vec2 st = gl_TexCoord[0].st;
    vec2 size = floor(1.0 / vec2(dx, dy) + 0.5);
    vec2 cell = floor(st * size);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    // A solid cell (blue of "fields" 1) has no curl, as the border has none.
    if (texture2D(fields, st).b > 0.5) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 h = 1.0 / (size - 2.0);
    vec2 right = texture2D(fields, st + vec2(dx, 0.0)).xy;
    vec2 left = texture2D(fields, st - vec2(dx, 0.0)).xy;
    vec2 up = texture2D(fields, st + vec2(0.0, dy)).xy;
    vec2 down = texture2D(fields, st - vec2(0.0, dy)).xy;
    float curl = (right.y - left.y) / (2.0 * h.x) - (up.x - down.x) / (2.0 * h.y);
    gl_FragColor = vec4(curl, 0.0, 0.0, 0.0);
}
