#pragma once
// Vorticity confinement and buoyancy. The forces need the curl of the rows on both
// sides, so every member's curls are in place before any forces are computed; the
// normalised curl gradient is computed and used in the same pass.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

// `fluid` (Solid only): fluid bits by cell.
template <class Lanes, bool Solid>
void addForces(const kernels::BodyForceArrays& f, GridSize grid, float hx, float hy, float t,
               const kernels::BodyForceConstants& k, const float* fluid, const kernels::Crew& crew) {
    const size_t width = rowWidth(grid);
    const float twoHx = 2.0f * hx, twoHy = 2.0f * hy;
    auto curl = [&](auto lanes, uint32_t i, uint32_t j) {
        using L = decltype(lanes);
        const size_t o = cellAt(grid, i, j);
        const auto dy = L::odds(f.velocity + 2 * (o + 1)) - L::odds(f.velocity + 2 * (o - 1));
        const auto dx = L::evens(f.velocity + 2 * (o + width)) - L::evens(f.velocity + 2 * (o - width));
        const auto w = dy / L::set1(twoHx) - dx / L::set1(twoHy);
        if constexpr (Solid) {
            L::store(f.curls + o, keepFluid<L>(fluid, o, w));
        } else {
            L::store(f.curls + o, w);
        }
    };
    auto force = [&](auto lanes, uint32_t i, uint32_t j) {
        using L = decltype(lanes);
        const size_t o = cellAt(grid, i, j);
        const float* w = f.curls;
        const auto gx = (L::abs(L::load(w + o + 1)) - L::abs(L::load(w + o - 1))) / L::set1(twoHx);
        const auto gy = (L::abs(L::load(w + o + width)) - L::abs(L::load(w + o - width))) / L::set1(twoHy);
        const auto length = L::sqrt(gx * gx + gy * gy);
        // A gradient this short has no reliable direction: it stays raw.
        const auto directed = L::atLeast(length, L::set1(k.gradientEpsilon));
        auto nx = L::select(directed, gx / length, gx);
        auto ny = L::select(directed, gy / length, gy);
        if constexpr (Solid) {
            nx = keepFluid<L>(fluid, o, nx);
            ny = keepFluid<L>(fluid, o, ny);
        }
        L::storeInterleaved(f.normCurlGrads + 2 * o, nx, ny);
        const auto strength = L::set1(k.vorticityStrength) * L::load(w + o);
        const auto pushX = L::set1(0.0f) + ny * strength;
        const auto pushY = L::set1(k.buoyancy) * L::load(f.density + o) + (-nx) * strength;
        float* s = f.velocitySources + 2 * o;
        const auto sx = L::evens(s) + L::set1(t) * pushX;
        const auto sy = L::odds(s) + L::set1(t) * pushY;
        L::storeInterleaved(s, sx, sy);
    };
    if (crew.member == 0) {
        clearBorder(f.curls, grid, 1);
        clearBorder(f.normCurlGrads, grid, 2);
    }
    forEachRun<Lanes>(grid, crew, curl);
    kernels::meet(crew);
    forEachRun<Lanes>(grid, crew, force);
}

template <class Lanes, bool Solid>
void addBodyForces(const kernels::BodyForceArrays& f, GridSize grid, float hx, float hy, float t,
                   const kernels::BodyForceConstants& k, const kernels::SolidArrays* solids,
                   const kernels::Crew& crew) {
    addForces<Lanes, Solid>(f, grid, hx, hy, t, k, Solid ? solids->fluid : nullptr, crew);
}

}  // namespace
