#version 110
// The velocity minus the gradient of the heights (red of "heights"); the other
// channels, density among them, pass through. A solid cell (blue 1) holds zero, and
// a solid neighbour reflects: its height counts as the cell's own.
uniform sampler2D fields;
uniform sampler2D heights;
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
    vec4 result = texture2D(fields, st);
    if (result.b > 0.5) {
        gl_FragColor = vec4(0.0, 0.0, 1.0, 0.0);
        return;
    }
    vec2 h = 1.0 / (size - 2.0);
    float own = texture2D(heights, st).r;
    float right = texture2D(fields, st + vec2(dx, 0.0)).b > 0.5 ? own : texture2D(heights, st + vec2(dx, 0.0)).r;
    float left = texture2D(fields, st - vec2(dx, 0.0)).b > 0.5 ? own : texture2D(heights, st - vec2(dx, 0.0)).r;
    float up = texture2D(fields, st + vec2(0.0, dy)).b > 0.5 ? own : texture2D(heights, st + vec2(0.0, dy)).r;
    float down = texture2D(fields, st - vec2(0.0, dy)).b > 0.5 ? own : texture2D(heights, st - vec2(0.0, dy)).r;
    result.x = result.x - (right - left) / (2.0 * h.x);
    result.y = result.y - (up - down) / (2.0 * h.y);
    gl_FragColor = result;
}
