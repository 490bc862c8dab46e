#version 110
// A level's iterate plus the next coarser level's correction (in red), interpolated
// bilinearly; beyond the coarser level's last column and row the correction is
// extrapolated to the walls (ghost times the last value), at node 0 it is zero.
// With `solids` (onto level 0 beside solids), a solid cell (blue 1) stays zero.
uniform sampler2D iterate;
uniform sampler2D coarse;
uniform sampler2D fields;
uniform float solids;
uniform vec2 size;
uniform vec2 coarseSize;
uniform vec2 halved;
uniform vec2 ghost;

float coarseAt(vec2 node) {
    vec2 last = coarseSize - 2.0;
    if (node.x < 1.0 || node.y < 1.0) return 0.0;
    float value = texture2D(coarse, (min(node, last) + 0.5) / coarseSize).r;
    if (node.x > last.x) value *= ghost.x;
    if (node.y > last.y) value *= ghost.y;
    return value;
}

// Along x at coarse row y: on a node, or halfway between two.
float across(float x, float between, float y) {
    float value = coarseAt(vec2(x, y));
    return between > 0.0 ? (value + coarseAt(vec2(x + 1.0, y))) * 0.5 : value;
}

void main() {
    vec2 cell = floor(gl_FragCoord.xy);
    if (any(lessThan(cell, vec2(1.0))) || any(greaterThan(cell, size - 2.0))) {
        gl_FragColor = vec4(0.0);
        return;
    }
    if (solids > 0.5 && texture2D(fields, gl_FragCoord.xy / size).b > 0.5) {
        gl_FragColor = vec4(0.0);
        return;
    }
    vec2 node = mix(cell, cell * 0.5, halved);
    vec2 low = floor(node), between = node - low;
    float correction = across(low.x, between.x, low.y);
    if (between.y > 0.0) correction = (correction + across(low.x, between.x, low.y + 1.0)) * 0.5;
    gl_FragColor = vec4(texture2D(iterate, gl_FragCoord.xy / size).r + correction, 0.0, 0.0, 0.0);
}
