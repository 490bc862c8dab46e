#version 110
// The gradient of the curl's magnitude (curl in red of "curls"), by central
// differences, in red and green; scaled to unit length unless it is too short to
// have a reliable direction.
uniform sampler2D curls;
uniform float dx;
uniform float dy;

const float GRADIENT_EPSILON = 0.00001;

void main() {
    vec2 st = gl_TexCoord[0].st;
    vec2 size = floor(1.0 / vec2(dx, dy) + 0.5);
    vec2 cell = floor(st * size);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 h = 1.0 / (size - 2.0);
    float right = abs(texture2D(curls, st + vec2(dx, 0.0)).r);
    float left = abs(texture2D(curls, st - vec2(dx, 0.0)).r);
    float up = abs(texture2D(curls, st + vec2(0.0, dy)).r);
    float down = abs(texture2D(curls, st - vec2(0.0, dy)).r);
    vec2 gradient = vec2((right - left) / (2.0 * h.x), (up - down) / (2.0 * h.y));
    float len = sqrt(gradient.x * gradient.x + gradient.y * gradient.y);
    if (len >= GRADIENT_EPSILON) gradient = gradient / len;
    gl_FragColor = vec4(gradient, 0.0, 0.0);
}
