#include "tests/cpu/reference/IndependentSolver.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace independent {

namespace {

constexpr double kSplatRadius = 0.05;
constexpr double kSplatCore = 0.2;
constexpr double kDensityCap = 130.0000011920929;
constexpr double kStrokeRadius = 0.2;
constexpr double kStrokeCore = 0.1;

}  // namespace

Solver::Solver(unsigned resI, unsigned resJ) : mResI(resI), mResJ(resJ), mFields(resI, resJ), mSources(resI, resJ) {}

Solver::Point Solver::cellCentre(long i, long j) const {
    // Border cells (index 0 or res+1) sit half a cell outside the world.
    return {(double(i) - 0.5) / double(mResI), (double(j) - 0.5) / double(mResJ)};
}

Solver::Point Solver::toGrid(Point world) const {
    return {world.x * double(mResI) + 0.5, world.y * double(mResJ) + 0.5};
}

Solver::Point Solver::clampToWorld(Point p) {
    return {std::clamp(p.x, 0.0, 1.0), std::clamp(p.y, 0.0, 1.0)};  // the world is the unit square
}

double Solver::falloff(double t, double core) {
    if (t <= core) return 1.0;
    const double u = std::min((t - core) / (1.0 - core), 1.0);
    return 1.0 - u * u;
}

void Solver::splatDensity(double amount, unsigned i, unsigned j) {
    const double current = mFields(i, j, 3);
    double a = amount;
    // Only the centre cell's total is capped; its neighbours get a share of whatever remains.
    if (amount + current > kDensityCap) a = kDensityCap - current;
    if (a <= 0.0) return;

    const Point centre = cellCentre(i, j);
    const Point lo = toGrid(clampToWorld({centre.x - kSplatRadius, centre.y - kSplatRadius}));
    const Point hi = toGrid(clampToWorld({centre.x + kSplatRadius, centre.y + kSplatRadius}));
    for (long ci = long(std::floor(lo.x)); ci <= long(std::floor(hi.x)) + 1; ++ci)
        for (long cj = long(std::floor(lo.y)); cj <= long(std::floor(hi.y)) + 1; ++cj) {
            const Point w = cellCentre(ci, cj);
            const double dist = std::hypot(w.x - centre.x, w.y - centre.y);
            mSources(unsigned(ci), unsigned(cj), 3) += falloff(dist / kSplatRadius, kSplatCore) * a;
        }
}

void Solver::dragVelocity(double strength, double fromX, double fromY, double toX, double toY) {
    const double dx = toX - fromX, dy = toY - fromY, len = std::sqrt(dx * dx + dy * dy);
    // A stroke without length has no direction to push along.
    if (len == 0.0) return;

    const Point a = clampToWorld({fromX, fromY});
    const Point b = clampToWorld({toX, toY});
    const Point boxLo = clampToWorld({std::min(a.x, b.x) - kStrokeRadius, std::min(a.y, b.y) - kStrokeRadius});
    const Point boxHi = clampToWorld({std::max(a.x, b.x) + kStrokeRadius, std::max(a.y, b.y) + kStrokeRadius});
    // The box corners select the cell whose square contains them (nearest centre).
    const Point gLo = toGrid(boxLo), gHi = toGrid(boxHi);
    for (long ci = long(std::floor(gLo.x + 0.5)); ci <= long(std::floor(gHi.x + 0.5)); ++ci)
        for (long cj = long(std::floor(gLo.y + 0.5)); cj <= long(std::floor(gHi.y + 0.5)); ++cj) {
            const Point w = cellCentre(ci, cj);
            const double qx = w.x - fromX, qy = w.y - fromY, along = (qx * dx + qy * dy) / len;
            const double dist = along < 0.0   ? std::hypot(qx, qy)
                                : along > len ? std::hypot(w.x - toX, w.y - toY)
                                              : std::hypot(qx - along / len * dx, qy - along / len * dy);
            const double k = falloff(dist / kStrokeRadius, kStrokeCore) * strength;
            mSources(unsigned(ci), unsigned(cj), 0) += dx / len * k;
            mSources(unsigned(ci), unsigned(cj), 1) += dy / len * k;
        }
}

void Solver::step(double dt) {
    // The software solver's method: Gauss-Seidel sweeps, density carried by the final velocity.
    mFields = modelStep(mFields, mSources, float(dt),
                        {diffuseEnabled, advectEnabled, projectEnabled, ::Solver::GaussSeidel, true});
}

void Solver::clearSources() { mSources = Texels(mResI, mResJ); }

void Solver::reset() {
    mFields = Texels(mResI, mResJ);
    clearSources();
}

}  // namespace independent
