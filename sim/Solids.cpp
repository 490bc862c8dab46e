#include "sim/Solids.h"

#include <algorithm>

SolidShape SolidShape::circle(Vec2 centre, float radius) {
    SolidShape s;
    s.kind = Kind::Circle;
    s.centre = centre;
    s.radius = radius;
    return s;
}

SolidShape SolidShape::box(Vec2 a, Vec2 b) {
    SolidShape s;
    s.kind = Kind::Box;
    s.lower = {std::min(a.x, b.x), std::min(a.y, b.y)};
    s.upper = {std::max(a.x, b.x), std::max(a.y, b.y)};
    return s;
}

// In double precision, so that a centre on the rim is inside or not alike everywhere.
bool SolidShape::contains(Vec2 p) const {
    if (kind == Kind::Box) return p.x >= lower.x && p.x <= upper.x && p.y >= lower.y && p.y <= upper.y;
    const double dx = double(p.x) - centre.x, dy = double(p.y) - centre.y;
    return dx * dx + dy * dy <= double(radius) * radius;
}

std::vector<SolidCells::Run> SolidCells::runs() const {
    std::vector<Run> result;
    if (!any()) return result;
    for (uint32_t j = 1; j <= mResJ; ++j)
        for (uint32_t i = 1; i <= mResI; ++i) {
            if (!(*this)(i, j)) continue;
            if (!result.empty() && result.back().j == j && result.back().lastI + 1 == i)
                result.back().lastI = i;
            else
                result.push_back({j, i, i});
        }
    return result;
}
