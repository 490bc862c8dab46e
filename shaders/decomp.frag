#version 110
// One Jacobi iteration of the projection's height equation: the next height (in
// red) from the divergence of the velocity and the current heights around.
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
    vec2 h = 1.0 / (size - 2.0);
    float right = texture2D(fields, st + vec2(dx, 0.0)).x;
    float left = texture2D(fields, st - vec2(dx, 0.0)).x;
    float up = texture2D(fields, st + vec2(0.0, dy)).y;
    float down = texture2D(fields, st - vec2(0.0, dy)).y;
    float westEast = texture2D(heights, st - vec2(dx, 0.0)).r + texture2D(heights, st + vec2(dx, 0.0)).r;
    float south = texture2D(heights, st - vec2(0.0, dy)).r;
    float north = texture2D(heights, st + vec2(0.0, dy)).r;
    float next;
    if (h.x == h.y) {
        // Square cells: the equation scaled by h squared.
        float divergence = -(h.x * 0.5 * (right - left) + h.y * 0.5 * (up - down));
        next = (((westEast + south) + north) + divergence) * 0.25;
    } else {
        // Cells h.x wide and h.y high: the anisotropic 5-point equation.
        float divergence = -((right - left) / (2.0 * h.x) + (up - down) / (2.0 * h.y));
        vec2 h2 = h * h;
        next = (h2.y * westEast + h2.x * (south + north) + h2.x * h2.y * divergence) / (2.0 * (h2.x + h2.y));
    }
    gl_FragColor = vec4(next, 0.0, 0.0, 0.0);
}
