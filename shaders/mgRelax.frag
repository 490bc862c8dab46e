#version 110
// One colour of a red-black Gauss-Seidel sweep of a multigrid level (in red): the
// cells with i + j of the pass's colour take
//   (westEast (x west + x east) + southNorth (x south + x north) + f) x scale,
// the others keep their value. The scale is 1 but in the last column and row, where
// the walls of a coarser level lie nearer or farther than one cell. With `solids`
// (level 0 beside solids), a solid cell (blue 1 in the fields) stays zero and a
// fluid one divides by its fluid neighbours' weights instead: a solid's height, zero,
// then counts as the cell's own, so its faces reflect.
uniform sampler2D iterate;
uniform sampler2D rhs;
uniform sampler2D fields;
uniform float solids;
uniform vec2 size;
uniform float colour;
uniform vec2 weights;
uniform vec3 edgeScales;  // the last column's, the last row's, their corner's

float at(sampler2D values, vec2 cell) { return texture2D(values, (cell + 0.5) / size).r; }

float fluidAt(vec2 cell) { return texture2D(fields, (cell + 0.5) / size).b > 0.5 ? 0.0 : 1.0; }

// The cell's own scale: the walls', or beside solids its fluid neighbours'.
float scaleOf(vec2 cell) {
    if (solids > 0.5) {
        if (fluidAt(cell) == 0.0) return 0.0;
        float open = weights.x * (fluidAt(cell - vec2(1.0, 0.0)) + fluidAt(cell + vec2(1.0, 0.0))) +
                     weights.y * (fluidAt(cell - vec2(0.0, 1.0)) + fluidAt(cell + vec2(0.0, 1.0)));
        return open > 0.0 ? 1.0 / open : 0.0;
    }
    bool lastColumn = cell.x == size.x - 2.0, lastRow = cell.y == size.y - 2.0;
    if (lastColumn && lastRow) return edgeScales.z;
    if (lastRow) return edgeScales.y;
    if (lastColumn) return edgeScales.x;
    return 1.0;
}

void main() {
    vec2 cell = floor(gl_FragCoord.xy);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    float own = at(iterate, cell);
    if (mod(cell.x + cell.y, 2.0) != colour) {
        gl_FragColor = vec4(own, 0.0, 0.0, 0.0);
        return;
    }
    float westEast = at(iterate, cell - vec2(1.0, 0.0)) + at(iterate, cell + vec2(1.0, 0.0));
    float southNorth = at(iterate, cell - vec2(0.0, 1.0)) + at(iterate, cell + vec2(0.0, 1.0));
    float relaxed = (weights.x * westEast + weights.y * southNorth) + at(rhs, cell);
    gl_FragColor = vec4(relaxed * scaleOf(cell), 0.0, 0.0, 0.0);
}
