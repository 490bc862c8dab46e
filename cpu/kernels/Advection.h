#pragma once
// Semi-Lagrangian advection in plain layout, a run of cells at a time: the
// backtrace, the clamp and the double-precision map to grid coordinates in vector
// lanes, the four neighbours of each lane fetched with plain loads and shuffled
// into place.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include <cstdint>

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

template <class L>
typename L::F clampAxis(typename L::F v, float low, float high) {
    const auto lo = L::set1(low), hi = L::set1(high);
    return L::select(L::lessThan(v, lo), lo, L::select(L::greaterThan(v, hi), hi, v));
}

template <class L>
typename L::F bilinear(typename L::F q00, typename L::F q10, typename L::F q01, typename L::F q11, typename L::F fx,
                       typename L::F fy) {
    const auto bottom = q00 + (q10 - q00) * fx;
    const auto top = q01 + (q11 - q01) * fx;
    return bottom + (top - bottom) * fy;
}

// `fluid` (Solid only): fluid bits by cell.
template <class Lanes, int C, bool Solid>
void advectCells(float* out, const float* in, const float* velocity, GridSize grid, const kernels::BacktraceMap& m,
                 const float* fluid, const kernels::Crew& crew) {
    const int32_t width = int32_t(rowWidth(grid));
    forEachRun<Lanes>(grid, crew, [&](auto lanes, uint32_t i, uint32_t j) {
        using L = decltype(lanes);
        using F = typename L::F;
        const size_t o = cellAt(grid, i, j);
        const F t = L::set1(m.t);
        const F bx = clampAxis<L>(L::load(m.centreX + i) - L::evens(velocity + 2 * o) * t, m.left, m.right);
        const F by = clampAxis<L>(L::set1(m.centreY[j]) - L::odds(velocity + 2 * o) * t, m.bottom, m.top);
        // Only a NaN escapes the clamp; such a trace reads the corner cell (0, 0).
        const auto inside = L::both(L::both(L::atLeast(bx, L::set1(m.left)), L::atMost(bx, L::set1(m.right))),
                                    L::both(L::atLeast(by, L::set1(m.bottom)), L::atMost(by, L::set1(m.top))));
        const F gx = L::mapAxis(bx, m.scaleX, m.fromX, m.toX);
        const F gy = L::mapAxis(by, m.scaleY, m.fromY, m.toY);
        const F fx = gx - L::floor(gx);
        const F fy = gy - L::floor(gy);
        int32_t corner[L::N];
        L::cellNumbers(L::select(inside, gx, L::set1(0.0f)), L::select(inside, gy, L::set1(0.0f)), width, corner);
        if constexpr (C == 1) {
            F q00, q10, q01, q11;
            L::gatherAdjacent(in, corner, q00, q10);
            L::gatherAdjacent(in + width, corner, q01, q11);
            const F value = bilinear<L>(q00, q10, q01, q11, fx, fy);
            if constexpr (Solid) {
                L::store(out + o, keepFluid<L>(fluid, o, value));
            } else {
                L::store(out + o, value);
            }
        } else {
            F x00, y00, x10, y10, x01, y01, x11, y11;
            L::gatherAdjacentPairs(in, corner, x00, y00, x10, y10);
            L::gatherAdjacentPairs(in + 2 * width, corner, x01, y01, x11, y11);
            const F x = bilinear<L>(x00, x10, x01, x11, fx, fy), y = bilinear<L>(y00, y10, y01, y11, fx, fy);
            if constexpr (Solid) {
                L::storeInterleaved(out + 2 * o, keepFluid<L>(fluid, o, x), keepFluid<L>(fluid, o, y));
            } else {
                L::storeInterleaved(out + 2 * o, x, y);
            }
        }
    });
}

template <class Lanes, bool Solid>
void advect(float* out, const float* in, const float* velocity, GridSize grid, int components,
            const kernels::BacktraceMap& map, const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    const float* fluid = Solid ? solids->fluid : nullptr;
    if (components == 2) {
        advectCells<Lanes, 2, Solid>(out, in, velocity, grid, map, fluid, crew);
    } else {
        advectCells<Lanes, 1, Solid>(out, in, velocity, grid, map, fluid, crew);
    }
}

}  // namespace
