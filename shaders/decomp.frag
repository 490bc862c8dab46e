#version 110
// One Jacobi iteration of the projection's height equation: the next height (in
// red) from the divergence of the velocity and the current heights around. A solid
// cell (blue of "fields" 1) keeps height zero, and its faces reflect: beside it a
// cell counts the solid's height as its own, which leaves the solid's weight out
// of the equation.
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
    if (texture2D(fields, st).b > 0.5) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 h = 1.0 / (size - 2.0);
    vec4 east = texture2D(fields, st + vec2(dx, 0.0));
    vec4 west = texture2D(fields, st - vec2(dx, 0.0));
    vec4 northern = texture2D(fields, st + vec2(0.0, dy));
    vec4 southern = texture2D(fields, st - vec2(0.0, dy));
    float right = east.x;
    float left = west.x;
    float up = northern.y;
    float down = southern.y;
    // Fluid neighbours across and up; a solid one's height is zero here.
    float openX = 2.0 - step(0.5, east.b) - step(0.5, west.b);
    float openY = 2.0 - step(0.5, northern.b) - step(0.5, southern.b);
    float westEast = texture2D(heights, st - vec2(dx, 0.0)).r + texture2D(heights, st + vec2(dx, 0.0)).r;
    float south = texture2D(heights, st - vec2(0.0, dy)).r;
    float north = texture2D(heights, st + vec2(0.0, dy)).r;
    float next;
    if (h.x == h.y) {
        // Square cells: the equation scaled by h squared.
        float divergence = -(h.x * 0.5 * (right - left) + h.y * 0.5 * (up - down));
        float open = openX + openY;
        next = (((westEast + south) + north) + divergence) * (open == 4.0 ? 0.25 : open > 0.0 ? 1.0 / open : 0.0);
    } else {
        // Cells h.x wide and h.y high: the anisotropic 5-point equation.
        float divergence = -((right - left) / (2.0 * h.x) + (up - down) / (2.0 * h.y));
        vec2 h2 = h * h;
        float weights = openX + openY == 4.0 ? 2.0 * (h2.x + h2.y) : h2.y * openX + h2.x * openY;
        next = weights > 0.0 ? (h2.y * westEast + h2.x * (south + north) + h2.x * h2.y * divergence) / weights : 0.0;
    }
    gl_FragColor = vec4(next, 0.0, 0.0, 0.0);
}
