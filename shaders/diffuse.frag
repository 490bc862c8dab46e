#version 110
// One Jacobi iteration of implicit diffusion on every channel: the next iterate
// from the fields before diffusion and the four neighbours of the current one.
uniform sampler2D fields;
uniform sampler2D newFields;
uniform float dt;
uniform float dx;
uniform float dy;

const float DIFFUSION_RATE = 10.0;

void main() {
    vec2 st = gl_TexCoord[0].st;
    vec2 size = floor(1.0 / vec2(dx, dy) + 0.5);
    vec2 cell = floor(st * size);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec4 own = texture2D(fields, st);
    // A solid cell (blue 1) holds zero and keeps its mark; every cell keeps its blue.
    if (own.b > 0.5) {
        gl_FragColor = vec4(0.0, 0.0, 1.0, 0.0);
        return;
    }
    float a = dt * DIFFUSION_RATE;
    vec4 neighbours = ((texture2D(newFields, st + vec2(dx, 0.0)) + texture2D(newFields, st - vec2(dx, 0.0)))
                       + texture2D(newFields, st - vec2(0.0, dy))) + texture2D(newFields, st + vec2(0.0, dy));
    vec4 next = (own + a * neighbours) / (1.0 + 4.0 * a);
    next.b = own.b;
    gl_FragColor = next;
}
