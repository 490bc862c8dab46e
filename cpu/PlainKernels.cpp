#include "cpu/PlainKernels.h"

#include <cmath>

#include "cpu/CPUSim.h"
#include "cpu/HeightFactors.h"

namespace {

// The Gauss-Seidel sweeps read neighbours already updated in the same sweep, so
// this visiting order is part of their result.
template <class T, class F>
void forEachInteriorCell(const Field<T>& field, F&& visit) {
    for (uint32_t i = 1; i <= field.resI(); ++i)
        for (uint32_t j = 1; j <= field.resJ(); ++j) visit(i, j);
}

// Every interior cell in that order gets value(i, j), but a solid one zero, as the
// border ring holds.
template <class T, class Value>
void updateEachCell(Field<T>& out, const SolidCells& solids, Value&& value) {
    forEachInteriorCell(out, [&](uint32_t i, uint32_t j) { out(i, j) = solids(i, j) ? T{} : value(i, j); });
}

template <class T>
void addSourcesKernel(Field<T>& out, const Field<T>& in, const Field<T>& sources, const SolidCells& solids) {
    updateEachCell(out, solids, [&](uint32_t i, uint32_t j) { return in(i, j) + sources(i, j); });
}

template <class T>
void diffuseKernel(Field<T>& out, const Field<T>& in, float a, const SolidCells& solids) {
    out.fill(T{});
    for (int sweep = 0; sweep < SOLVER_SWEEPS; ++sweep) {
        updateEachCell(out, solids, [&](uint32_t i, uint32_t j) {
            const T s = ((out(i + 1, j) + out(i - 1, j)) + out(i, j - 1)) + out(i, j + 1);
            return (in(i, j) + a * s) / (1.0f + 4.0f * a);
        });
    }
}

template <class T>
void advectKernel(Field<T>& out, const Field<T>& in, const VectorField& velocity, const FluidSim2D& grid, float t,
                  const SolidCells& solids) {
    updateEachCell(out, solids, [&](uint32_t i, uint32_t j) {
        const Vec2 v = velocity(i, j);
        const Vec2 p = mapPoint(float(i), float(j), grid.gridRect, grid.worldRect);
        const Vec2 back = clampToRect(p - v * t, grid.worldRect);
        const CellCoord c = grid.worldToCellFloor(back);
        const Vec2 g = mapPoint(back, grid.worldRect, grid.gridRect);
        const float fx = g.x - std::floor(g.x);
        const float fy = g.y - std::floor(g.y);
        const T& q00 = in(c.i, c.j);
        const T& q10 = in(c.i + 1, c.j);
        const T& q11 = in(c.i + 1, c.j + 1);
        const T& q01 = in(c.i, c.j + 1);
        const T bottom = q00 + (q10 - q00) * fx;
        const T top = q01 + (q11 - q01) * fx;
        return bottom + (top - bottom) * fy;
    });
}

}  // namespace

void PlainKernels::addSources(VectorField& out, const VectorField& in, const VectorField& sources) {
    addSourcesKernel(out, in, sources, mSolids);
}
void PlainKernels::addSources(ScalarField& out, const ScalarField& in, const ScalarField& sources) {
    addSourcesKernel(out, in, sources, mSolids);
}
void PlainKernels::diffuse(VectorField& out, const VectorField& in, float a) { diffuseKernel(out, in, a, mSolids); }
void PlainKernels::diffuse(ScalarField& out, const ScalarField& in, float a) { diffuseKernel(out, in, a, mSolids); }

void PlainKernels::advect(VectorField& out, const VectorField& in, const VectorField& velocity,
                          const FluidSim2D& grid, float t) {
    advectKernel(out, in, velocity, grid, t, mSolids);
}
void PlainKernels::advect(ScalarField& out, const ScalarField& in, const VectorField& velocity,
                          const FluidSim2D& grid, float t) {
    advectKernel(out, in, velocity, grid, t, mSolids);
}

void PlainKernels::project(VectorField& out, const VectorField& in, ScalarField& h, float hx, float hy) {
    // Non-square cells: the anisotropic equation divided through by 2 (hx² + hy²), its
    // weights rounded once from double.
    const double x = hx, y = hy, scale = 2.0 * (x * x + y * y);
    const float westEast = float(y * y / scale), southNorth = float(x * x / scale);
    const float ax = float(x * y * y / (2.0 * scale)), ay = float(x * x * y / (2.0 * scale));
    if (mSolids.any() && (hx != mFactorsHx || hy != mFactorsHy || mFactors.empty())) {
        mFactors = heightFactors(mSolids, out.resI(), out.resJ(), hx, hy);
        mFactorsHx = hx;
        mFactorsHy = hy;
    }
    h.fill(0.0f);
    for (int sweep = 0; sweep < SOLVER_SWEEPS; ++sweep) {
        forEachInteriorCell(h, [&](uint32_t i, uint32_t j) {
            const float du = in(i + 1, j).x - in(i - 1, j).x, dv = in(i, j + 1).y - in(i, j - 1).y;
            // Beside a solid its own factor, 0 in it (its neighbours read its height
            // as zero); elsewhere 1/4 or 1.
            const float factor = mSolids.any() ? mFactors[cellNumber(i, j, out.resI())] : hx == hy ? 0.25f : 1.0f;
            if (hx == hy) {
                const float div = -(hx * 0.5f * du + hy * 0.5f * dv);
                h(i, j) = ((((h(i - 1, j) + h(i + 1, j)) + h(i, j - 1)) + h(i, j + 1)) + div) * factor;
                return;
            }
            const float div = -(ax * du + ay * dv);
            const float sum = (westEast * (h(i - 1, j) + h(i + 1, j)) + southNorth * (h(i, j - 1) + h(i, j + 1))) + div;
            h(i, j) = mSolids.any() ? sum * factor : sum;
        });
    }
    // A solid neighbour reflects: its height counts as the cell's own.
    auto beside = [&](uint32_t i, uint32_t j, uint32_t ownI, uint32_t ownJ) {
        return mSolids(i, j) ? h(ownI, ownJ) : h(i, j);
    };
    updateEachCell(out, mSolids, [&](uint32_t i, uint32_t j) {
        return Vec2{in(i, j).x - (beside(i + 1, j, i, j) - beside(i - 1, j, i, j)) / (2.0f * hx),
                    in(i, j).y - (beside(i, j + 1, i, j) - beside(i, j - 1, i, j)) / (2.0f * hy)};
    });
}

void PlainKernels::addBodyForces(const BodyForceFields& f, float hx, float hy, float t, float confinement) {
    const VectorField& v = f.velocity;
    f.curls.fill(0.0f);
    updateEachCell(f.curls, mSolids, [&](uint32_t i, uint32_t j) {
        return (v(i + 1, j).y - v(i - 1, j).y) / (2.0f * hx) - (v(i, j + 1).x - v(i, j - 1).x) / (2.0f * hy);
    });

    const ScalarField& w = f.curls;
    f.normCurlGrads.fill({0.0f, 0.0f});
    updateEachCell(f.normCurlGrads, mSolids, [&](uint32_t i, uint32_t j) {
        const Vec2 g{(std::fabs(w(i + 1, j)) - std::fabs(w(i - 1, j))) / (2.0f * hx),
                     (std::fabs(w(i, j + 1)) - std::fabs(w(i, j - 1))) / (2.0f * hy)};
        const float length = std::sqrt(g.x * g.x + g.y * g.y);
        // A gradient this short has no reliable direction: it stays raw, which
        // also avoids dividing by zero on a flat curl.
        return length >= GRADIENT_EPSILON ? g / length : g;
    });

    forEachInteriorCell(v, [&](uint32_t i, uint32_t j) {
        const Vec2 n = f.normCurlGrads(i, j);
        const Vec2 buoyancy{0.0f, BUOYANCY * f.density(i, j)};
        const Vec2 push = Vec2{n.y, -n.x} * (confinement * w(i, j));
        f.velocitySources(i, j) += t * (buoyancy + push);
    });
}

// As the solvers' common stroke does it, with this solver's sources as the sink.
void PlainKernels::addStroke(VectorField& sources, const FluidSim2D& grid, const StrokeFootprint& stroke) {
    for (uint32_t ci = stroke.lo.i; ci <= stroke.hi.i; ++ci)
        for (uint32_t cj = stroke.lo.j; cj <= stroke.hi.j; ++cj)
            sources(ci, cj) += strokeIncrement(stroke, grid.cellToWorld(ci, cj));
}

void PlainKernels::clearSources(VectorField& velocitySources, ScalarField& densitySources) {
    velocitySources.fill({0.0f, 0.0f});
    densitySources.fill(0.0f);
}

std::unique_ptr<CPUSim> makePlainCpuSim(uint32_t resI, uint32_t resJ) {
    return std::make_unique<CPUSim>(resI, resJ, std::make_unique<PlainKernels>());
}
