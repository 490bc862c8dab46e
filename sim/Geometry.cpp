#include "sim/Geometry.h"

Vec2 mapPoint(float px, float py, const Rect& from, const Rect& to) {
    const double x = (double(to.width) / double(from.width)) * (double(px) - double(from.x)) + double(to.x);
    const double y = (double(py) - double(from.y)) * (double(to.height) / double(from.height)) + double(to.y);
    return {float(x), float(y)};
}

Vec2 mapPoint(Vec2 p, const Rect& from, const Rect& to) { return mapPoint(p.x, p.y, from, to); }

static float clampAxis(float v, float lower, float upper) {
    if (v < lower) return lower;
    if (v > upper) return upper;
    return v;
}

Vec2 clampToRect(Vec2 p, const Rect& r) { return {clampAxis(p.x, r.x, r.right()), clampAxis(p.y, r.y, r.top())}; }
