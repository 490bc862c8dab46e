#include "sim/FluidSim2D.h"

#include <cmath>

namespace {

constexpr float SPLAT_RADIUS = 0.05f;
constexpr float SPLAT_CORE = 0.2f;
// 130 as a float, widened with a hair of headroom so a cell at exactly 130 still
// gets a tiny positive amount (the scan runs, the cell barely changes).
constexpr double DENSITY_CAP = 130.0000011920929;

// Weight of a cell at normalised distance t from a disc with core fraction c:
// 1 inside the core, falling as 1 - u^2 to 0 at the rim, 0 beyond it.
double discFalloff(float t, float c) {
    if (t <= c) return 1.0;
    float u = float((double(t) - double(c)) / (1.0 - double(c)));
    if (u > 1.0f) u = 1.0f;
    return 1.0 - double(u) * double(u);
}

// Moves both coordinates of p by the same signed amount, in double precision.
Vec2 offset(Vec2 p, float amount) { return {float(double(p.x) + double(amount)), float(double(p.y) + double(amount))}; }

float length(double dx, double dy) {
    const float squares = float(dx * dx + dy * dy);
    return float(std::sqrt(double(squares)));
}

float distance(Vec2 a, Vec2 b) { return length(double(a.x) - double(b.x), double(a.y) - double(b.y)); }

}  // namespace

FluidSim2D::FluidSim2D(uint32_t resI_, uint32_t resJ_)
    : resI(resI_),
      resJ(resJ_),
      gridRect(Rect::fromCorners({0.5f, 0.5f}, {float(resI_ + 0.5), float(resJ_ + 0.5)})),
      worldRect(Rect::fromCorners({0.0f, 0.0f}, {1.0f, 1.0f})) {}

SolidCells solidCellsOf(const FluidSim2D& grid, const std::vector<SolidShape>& shapes) {
    return SolidCells(grid.resI, grid.resJ, shapes, [&](uint32_t i, uint32_t j) { return grid.cellToWorld(i, j); });
}

Vec2 FluidSim2D::cellToWorld(uint32_t i, uint32_t j) const { return mapPoint(float(i), float(j), gridRect, worldRect); }

CellCoord FluidSim2D::worldToCell(Vec2 p) const {
    if (!worldRect.contains(p)) return {0, 0, false};
    const Vec2 g = mapPoint(p, worldRect, gridRect);
    return {uint32_t(double(g.x) + 0.5), uint32_t(double(g.y) + 0.5), true};
}

CellCoord FluidSim2D::worldToCellFloor(Vec2 p) const {
    if (!worldRect.contains(p)) return {0, 0, false};
    const Vec2 g = mapPoint(p, worldRect, gridRect);
    return {uint32_t(g.x), uint32_t(g.y), true};
}

void FluidSim2D::splatDensity(float amount, uint32_t i, uint32_t j) {
    const float current = getDensity(i, j);
    float a = amount;
    if (double(amount) + double(current) > DENSITY_CAP) a = float(DENSITY_CAP - double(current));
    if (!(a > 0.0f)) return;

    const Vec2 centre = cellToWorld(i, j);
    const CellCoord lo = worldToCellFloor(clampToRect(offset(centre, -SPLAT_RADIUS), worldRect));
    const CellCoord hi = worldToCellFloor(clampToRect(offset(centre, SPLAT_RADIUS), worldRect));

    for (uint32_t ci = lo.i; ci <= hi.i + 1; ++ci) {
        for (uint32_t cj = lo.j; cj <= hi.j + 1; ++cj) {
            const float dist = distance(cellToWorld(ci, cj), centre);
            const float t = float(double(dist) / double(SPLAT_RADIUS));
            const float value = t <= SPLAT_CORE ? a : float(discFalloff(t, SPLAT_CORE) * double(a));
            addDensity(ci, cj, value);
        }
    }
}

StrokeFootprint FluidSim2D::strokeFootprint(float strength, const Vec2& from, const Vec2& to) const {
    const Vec2 a = clampToRect(from, worldRect);
    const Vec2 b = clampToRect(to, worldRect);
    const Vec2 lower{std::fmin(a.x, b.x), std::fmin(a.y, b.y)};
    const Vec2 upper{std::fmax(a.x, b.x), std::fmax(a.y, b.y)};
    StrokeFootprint f{};
    f.lo = worldToCell(clampToRect(offset(lower, -STROKE_RADIUS), worldRect));
    f.hi = worldToCell(clampToRect(offset(upper, STROKE_RADIUS), worldRect));
    f.from = from;
    f.to = to;
    f.d = {float(double(to.x) - double(from.x)), float(double(to.y) - double(from.y))};
    f.len = length(f.d.x, f.d.y);
    f.strength = strength;
    // A stroke without length has no direction; it stirs nothing rather than
    // writing 0/0 into the sources.
    f.stirs = f.len > 0.0f && std::isfinite(f.len) && f.lo.i <= f.hi.i;
    if (f.stirs) f.direction = {float(double(f.d.x) / double(f.len)), float(double(f.d.y) / double(f.len))};
    return f;
}

Vec2 strokeIncrement(const StrokeFootprint& f, Vec2 w) {
    const Vec2 q{float(double(w.x) - double(f.from.x)), float(double(w.y) - double(f.from.y))};
    const float dot = float(double(q.x) * double(f.d.x) + double(q.y) * double(f.d.y));
    const float proj = float(double(dot) / double(f.len));
    float dist;
    if (proj < 0.0f) {
        dist = length(q.x, q.y);
    } else if (f.len < proj) {
        dist = distance(w, f.to);
    } else {
        const float s = float(double(dot) / (double(f.len) * double(f.len)));
        dist = length(double(q.x) - double(s) * double(f.d.x), double(q.y) - double(s) * double(f.d.y));
    }
    const float t = float(double(dist) / double(STROKE_RADIUS));
    const float weight = float(discFalloff(t, STROKE_CORE));
    const float k = float(double(weight) * double(f.strength));
    return {float(double(f.direction.x) * double(k)), float(double(f.direction.y) * double(k))};
}

void FluidSim2D::dragVelocity(float strength, const Vec2& from, const Vec2& to) {
    const StrokeFootprint f = strokeFootprint(strength, from, to);
    if (!f.stirs) return;
    for (uint32_t ci = f.lo.i; ci <= f.hi.i; ++ci) {
        for (uint32_t cj = f.lo.j; cj <= f.hi.j; ++cj) {
            const Vec2 v = strokeIncrement(f, cellToWorld(ci, cj));
            addVelocity(ci, cj, v.x, v.y);
        }
    }
}
