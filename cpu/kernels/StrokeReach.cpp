#include "cpu/kernels/StrokeReach.h"

#include <algorithm>
#include <cmath>

namespace {

struct Span {
    double low;
    double high;
    bool empty() const { return !(low <= high); }
};

Span intersect(Span a, Span b) { return {std::max(a.low, b.low), std::min(a.high, b.high)}; }
Span hull(Span a, Span b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.low, b.low), std::max(a.high, b.high)};
}

// x with low <= slope × x + offset <= high.
Span solve(double slope, double offset, double low, double high) {
    if (slope == 0.0) return offset >= low && offset <= high ? Span{-HUGE_VAL, HUGE_VAL} : Span{1.0, 0.0};
    const double a = (low - offset) / slope, b = (high - offset) / slope;
    return {std::min(a, b), std::max(a, b)};
}

// Where the line at height y crosses the disc of radius r around (cx, cy).
Span discCrossing(double cx, double cy, double r, double y) {
    const double h = r * r - (y - cy) * (y - cy);
    if (h < 0.0) return {1.0, 0.0};
    return {cx - std::sqrt(h), cx + std::sqrt(h)};
}

}  // namespace

void strokeRowReach(const StrokeFootprint& f, const float* centreX, const float* centreY, uint32_t* first,
                    uint32_t* last) {
    const double ax = f.from.x, ay = f.from.y, bx = f.to.x, by = f.to.y;
    const double len = std::hypot(bx - ax, by - ay);
    const double ux = (bx - ax) / len, uy = (by - ay) / len;
    const double reach = double(STROKE_RADIUS) * 1.01 + 1e-6;
    const bool increasing = f.lo.i < f.hi.i ? centreX[f.lo.i] < centreX[f.hi.i] : true;
    // With a strength that is not finite even a zero weight gives NaN: every cell counts.
    const bool prune = std::isfinite(f.strength) && std::isfinite(len) && len > 0.0 && increasing;
    for (uint32_t j = f.lo.j; j <= f.hi.j; ++j) {
        first[j] = f.lo.i;
        last[j] = f.hi.i;
        if (!prune) continue;
        const double y = centreY[j];
        // Projections onto the stroke between its ends, within reach of its line.
        const Span band =
            intersect(solve(ux, (y - ay) * uy - ax * ux, 0.0, len), solve(-uy, (y - ay) * ux + ax * uy, -reach, reach));
        const Span span = hull(band, hull(discCrossing(ax, ay, reach, y), discCrossing(bx, by, reach, y)));
        uint32_t i0 = f.lo.i, i1 = f.hi.i;
        while (i0 <= i1 && (span.empty() || centreX[i0] < span.low)) ++i0;
        while (i1 >= i0 && i1 > 0 && centreX[i1] > span.high) --i1;
        first[j] = i0;
        last[j] = i0 <= i1 ? i1 : i0 - 1;
    }
}
