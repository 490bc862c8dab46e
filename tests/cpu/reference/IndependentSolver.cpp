#include "IndependentSolver.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace independent {

namespace {

constexpr double kDiffusionRate = 10.0;
constexpr int kSweeps = 10;
constexpr double kVorticityStrength = 0.1;
constexpr double kBuoyancy = 0.002;
constexpr double kGradientEpsilon = 1e-5;

constexpr double kSplatRadius = 0.05;
constexpr double kSplatCore = 0.2;
constexpr double kDensityCap = 130.0000011920929;
constexpr double kStrokeRadius = 0.2;
constexpr double kStrokeCore = 0.1;

}  // namespace

Solver::Solver(unsigned resI, unsigned resJ)
    : mResI(resI),
      mResJ(resJ),
      mCount((std::size_t(resI) + 2) * (std::size_t(resJ) + 2)),
      mVelX(mCount),
      mVelY(mCount),
      mDensity(mCount),
      mVelSrcX(mCount),
      mVelSrcY(mCount),
      mDensitySrc(mCount) {}

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
    const double current = mDensity[cell(i, j)];
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
            mDensitySrc[cell(unsigned(ci), unsigned(cj))] += falloff(dist / kSplatRadius, kSplatCore) * a;
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
            mVelSrcX[cell(unsigned(ci), unsigned(cj))] += dx / len * k;
            mVelSrcY[cell(unsigned(ci), unsigned(cj))] += dy / len * k;
        }
}

void Solver::applyVorticity(double dt) {
    const double hx = 1.0 / double(mResI), hy = 1.0 / double(mResJ);
    const std::size_t row = std::size_t(mResI) + 2;
    Array curl(mCount);
    forEachInterior([&](std::size_t c) {
        curl[c] = (mVelY[c + 1] - mVelY[c - 1]) / (2.0 * hx) - (mVelX[c + row] - mVelX[c - row]) / (2.0 * hy);
    });

    Array nx(mCount), ny(mCount);
    forEachInterior([&](std::size_t c) {
        double gx = (std::abs(curl[c + 1]) - std::abs(curl[c - 1])) / (2.0 * hx);
        double gy = (std::abs(curl[c + row]) - std::abs(curl[c - row])) / (2.0 * hy);
        const double length = std::sqrt(gx * gx + gy * gy);
        // A gradient this short is left raw, so a flat curl never divides by zero.
        if (length >= kGradientEpsilon) {
            gx /= length;
            gy /= length;
        }
        nx[c] = gx;
        ny[c] = gy;
    });

    forEachInterior([&](std::size_t c) {
        const double confinement = kVorticityStrength * curl[c];
        mVelSrcX[c] += dt * (ny[c] * confinement);
        mVelSrcY[c] += dt * (kBuoyancy * mDensity[c] - nx[c] * confinement);
    });
}

void Solver::addSources(Array& out, const Array& in, const Array& src) const {
    forEachInterior([&](std::size_t c) { out[c] = in[c] + src[c]; });
}

void Solver::diffuse(Array& out, const Array& in, double dt) const {
    const double a = dt * kDiffusionRate;
    const std::size_t row = std::size_t(mResI) + 2;
    std::fill(out.begin(), out.end(), 0.0);
    for (int sweep = 0; sweep < kSweeps; ++sweep) {
        // In place: cells earlier in the sweep already carry this sweep's values.
        forEachInterior([&](std::size_t c) {
            const double s = out[c + 1] + out[c - 1] + out[c - row] + out[c + row];
            out[c] = (in[c] + a * s) / (1.0 + 4.0 * a);
        });
    }
}

void Solver::project(Array& outX, Array& outY, const Array& inX, const Array& inY) {
    const double hx = 1.0 / double(mResI), hy = 1.0 / double(mResJ);
    const std::size_t row = std::size_t(mResI) + 2;
    Array div(mCount);
    forEachInterior([&](std::size_t c) {
        div[c] = -((inX[c + 1] - inX[c - 1]) / (2.0 * hx) + (inY[c + row] - inY[c - row]) / (2.0 * hy));
    });

    // The 5-point Poisson equation for cells hx wide and hy high.
    const double hx2 = hx * hx, hy2 = hy * hy;
    Array p(mCount);
    for (int sweep = 0; sweep < kSweeps; ++sweep)
        forEachInterior([&](std::size_t c) {
            p[c] = (hy2 * (p[c - 1] + p[c + 1]) + hx2 * (p[c - row] + p[c + row]) + hx2 * hy2 * div[c]) /
                   (2.0 * (hx2 + hy2));
        });

    forEachInterior([&](std::size_t c) {
        outX[c] = inX[c] - (p[c + 1] - p[c - 1]) / (2.0 * hx);
        outY[c] = inY[c] - (p[c + row] - p[c - row]) / (2.0 * hy);
    });
}

void Solver::advect(Array& out, const Array& in, const Array& velX, const Array& velY, double dt) const {
    for (unsigned i = 1; i <= mResI; ++i)
        for (unsigned j = 1; j <= mResJ; ++j) {
            const std::size_t c = cell(i, j);
            const Point centre = cellCentre(i, j);
            // The clamp keeps g within [0.5, res + 0.5], so both lookup corners exist.
            const Point g = toGrid(clampToWorld({centre.x - velX[c] * dt, centre.y - velY[c] * dt}));
            const unsigned i0 = unsigned(std::floor(g.x)), j0 = unsigned(std::floor(g.y));
            const double fx = g.x - i0, fy = g.y - j0;
            const double bottom = in[cell(i0, j0)] + (in[cell(i0 + 1, j0)] - in[cell(i0, j0)]) * fx;
            const double top = in[cell(i0, j0 + 1)] + (in[cell(i0 + 1, j0 + 1)] - in[cell(i0, j0 + 1)]) * fx;
            out[c] = bottom + (top - bottom) * fy;
        }
}

void Solver::velocityStep(double dt) {
    Array nextX(mCount), nextY(mCount);
    auto commit = [&] {
        std::swap(mVelX, nextX);
        std::swap(mVelY, nextY);
    };

    addSources(nextX, mVelX, mVelSrcX);
    addSources(nextY, mVelY, mVelSrcY);
    commit();
    if (diffuseEnabled) {
        diffuse(nextX, mVelX, dt);
        diffuse(nextY, mVelY, dt);
        commit();
    }
    if (projectEnabled) {
        project(nextX, nextY, mVelX, mVelY);
        commit();
    }
    // Both components are traced with the velocity as it was before this stage.
    if (advectEnabled) {
        advect(nextX, mVelX, mVelX, mVelY, dt);
        advect(nextY, mVelY, mVelX, mVelY, dt);
        commit();
    }
    if (projectEnabled) {
        project(nextX, nextY, mVelX, mVelY);
        commit();
    }
}

void Solver::densityStep(double dt) {
    Array next(mCount);
    addSources(next, mDensity, mDensitySrc);
    std::swap(mDensity, next);
    if (diffuseEnabled) {
        diffuse(next, mDensity, dt);
        std::swap(mDensity, next);
    }
    // Carried by the velocity that this step has just produced.
    if (advectEnabled) {
        advect(next, mDensity, mVelX, mVelY, dt);
        std::swap(mDensity, next);
    }
}

void Solver::step(double dt) {
    velocityStep(dt);
    densityStep(dt);
}

void Solver::clearSources() {
    for (Array* a : {&mVelSrcX, &mVelSrcY, &mDensitySrc}) std::fill(a->begin(), a->end(), 0.0);
}

void Solver::reset() {
    for (Array* a : {&mVelX, &mVelY, &mDensity}) std::fill(a->begin(), a->end(), 0.0);
    clearSources();
}

}  // namespace independent
