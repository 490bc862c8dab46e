#version 110
// The fields plus this step's user sources (not scaled by dt) plus dt times the
// body forces: vorticity confinement from the curl and its normalised gradient,
// and buoyancy from the density. On grids finer than 201 cells across the
// confinement shrinks with the cell size, as the software solver's does: the curl of
// a one-cell wiggle grows as the cells shrink, and an unscaled force would amplify it.
uniform sampler2D userSources;
uniform sampler2D fields;
uniform sampler2D curls;
uniform sampler2D normCurlGrads;
uniform float dt;
uniform float dx;
uniform float dy;

const float VORTICITY_STRENGTH = 0.1;
const float BUOYANCY = 0.002;

void main() {
    vec2 st = gl_TexCoord[0].st;
    vec2 size = floor(1.0 / vec2(dx, dy) + 0.5);
    vec2 cell = floor(st * size);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec4 current = texture2D(fields, st);
    // A solid cell (blue 1) holds zero and keeps its mark.
    if (current.b > 0.5) {
        gl_FragColor = vec4(0.0, 0.0, 1.0, 0.0);
        return;
    }
    vec2 n = texture2D(normCurlGrads, st).rg;
    float curl = texture2D(curls, st).r;
    vec2 buoyancy = vec2(0.0, BUOYANCY * current.a);
    float finest = max(size.x, size.y) - 2.0;
    float scale = finest <= 201.0 ? 1.0 : 201.0 / finest;
    vec2 confinement = vec2(n.y, -n.x) * (VORTICITY_STRENGTH * scale * curl);
    vec4 sources = texture2D(userSources, st) + vec4(dt * (buoyancy + confinement), 0.0, 0.0);
    gl_FragColor = current + sources;
}
