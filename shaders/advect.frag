#version 110
// Semi-Lagrangian transport of every channel: each cell centre is traced back
// along its velocity (world units per second) and the fields are interpolated
// bilinearly there. The textures filter to the nearest texel, so the four
// surrounding texels are read and weighed here.
uniform sampler2D fields;
uniform int resI;
uniform int resJ;
uniform float dt;
uniform float dx;
uniform float dy;

void main() {
    vec2 st = gl_TexCoord[0].st;
    vec2 cells = vec2(float(resI), float(resJ));
    vec2 cell = floor(st * (cells + 2.0));
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, cells))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 texel = vec2(dx, dy);
    vec4 own = texture2D(fields, st);
    // A solid cell (blue 1) holds zero and keeps its mark; every cell keeps its blue.
    if (own.b > 0.5) {
        gl_FragColor = vec4(0.0, 0.0, 1.0, 0.0);
        return;
    }
    vec2 centre = (cell - 0.5) / cells;
    vec2 back = clamp(centre - own.xy * dt, 0.0, 1.0);
    vec2 g = back * cells + 0.5;
    vec2 base = floor(g);
    vec2 f = g - base;
    vec4 q00 = texture2D(fields, (base + vec2(0.5, 0.5)) * texel);
    vec4 q10 = texture2D(fields, (base + vec2(1.5, 0.5)) * texel);
    vec4 q01 = texture2D(fields, (base + vec2(0.5, 1.5)) * texel);
    vec4 q11 = texture2D(fields, (base + vec2(1.5, 1.5)) * texel);
    vec4 bottom = q00 + (q10 - q00) * f.x;
    vec4 top = q01 + (q11 - q01) * f.x;
    vec4 carried = bottom + (top - bottom) * f.y;
    carried.b = own.b;
    gl_FragColor = carried;
}
