#version 110
// The residual of a multigrid level's equation (in red): what the relaxation of
// mgRelax.frag would add, times the cell's own weight (the reciprocal of its scale).
// With `solids` (level 0 beside solids), the difference mgRelax.frag's relaxation
// would make: zero in a solid cell.
uniform sampler2D iterate;
uniform sampler2D rhs;
uniform sampler2D fields;
uniform float solids;
uniform vec2 size;
uniform vec2 weights;
uniform vec3 edgeWeights;  // the last column's, the last row's, their corner's

float at(sampler2D values, vec2 cell) { return texture2D(values, (cell + 0.5) / size).r; }

float fluidAt(vec2 cell) { return texture2D(fields, (cell + 0.5) / size).b > 0.5 ? 0.0 : 1.0; }

float weightOf(vec2 cell) {
    bool lastColumn = cell.x == size.x - 2.0, lastRow = cell.y == size.y - 2.0;
    if (lastColumn && lastRow) return edgeWeights.z;
    if (lastRow) return edgeWeights.y;
    if (lastColumn) return edgeWeights.x;
    return 1.0;
}

void main() {
    vec2 cell = floor(gl_FragCoord.xy);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    float westEast = at(iterate, cell - vec2(1.0, 0.0)) + at(iterate, cell + vec2(1.0, 0.0));
    float southNorth = at(iterate, cell - vec2(0.0, 1.0)) + at(iterate, cell + vec2(0.0, 1.0));
    float relaxed = (weights.x * westEast + weights.y * southNorth) + at(rhs, cell);
    if (solids > 0.5) {
        float open = weights.x * (fluidAt(cell - vec2(1.0, 0.0)) + fluidAt(cell + vec2(1.0, 0.0))) +
                     weights.y * (fluidAt(cell - vec2(0.0, 1.0)) + fluidAt(cell + vec2(0.0, 1.0)));
        bool held = fluidAt(cell) == 0.0 || open == 0.0;
        gl_FragColor = vec4(held ? 0.0 : relaxed * (1.0 / open) - at(iterate, cell), 0.0, 0.0, 0.0);
        return;
    }
    gl_FragColor = vec4(relaxed - at(iterate, cell) * weightOf(cell), 0.0, 0.0, 0.0);
}
