#pragma once
// Projection: the divergence is computed once, straight into the skewed layout; the
// height field is relaxed there, copied out, and its gradient taken in plain layout.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Relaxation.h"
#include "cpu/kernels/Runs.h"
#include "cpu/kernels/SkewedGrid.h"

namespace {

// −(ax × (x east − x west) + ay × (y north − y south)) of a Vec2 array.
struct Divergence {
    const float* velocity;
    GridSize grid;
    float ax;
    float ay;

    template <class Lanes>
    typename Lanes::F run(uint32_t i, uint32_t j) const {
        const size_t o = cellAt(grid, i, j), width = rowWidth(grid);
        const typename Lanes::F dx = Lanes::evens(velocity + 2 * (o + 1)) - Lanes::evens(velocity + 2 * (o - 1));
        const typename Lanes::F dy = Lanes::odds(velocity + 2 * (o + width)) - Lanes::odds(velocity + 2 * (o - width));
        return -(Lanes::set1(ax) * dx + Lanes::set1(ay) * dy);
    }
    float one(uint32_t i, uint32_t j, int) const { return run<ScalarLanes>(i, j); }
};

// A solid neighbour (mask 1) reflects: its height counts as the cell's own, so that
// no flow is driven through the face between them.
template <class L>
typename L::F heightBeside(const float* heights, const float* mask, size_t o, ptrdiff_t step, typename L::F own) {
    return L::select(L::greaterThan(L::load(mask + o + step), L::set1(0.5f)), own, L::load(heights + o + step));
}

// `mask` and `fluid` (Solid only): the solid cells as 1 and 0, and as fluid bits.
template <class Lanes, bool Solid>
void subtractGradient(float* out, const float* in, const float* heights, GridSize grid, float hx, float hy,
                      const float* mask, const float* fluid, const kernels::Crew& crew) {
    const ptrdiff_t width = ptrdiff_t(rowWidth(grid));
    forEachRun<Lanes>(grid, crew, [&](auto lanes, uint32_t i, uint32_t j) {
        using L = decltype(lanes);
        const size_t o = cellAt(grid, i, j);
        if constexpr (Solid) {
            const auto own = L::load(heights + o);
            const auto dx = (heightBeside<L>(heights, mask, o, 1, own) - heightBeside<L>(heights, mask, o, -1, own)) /
                            L::set1(2.0f * hx);
            const auto dy =
                (heightBeside<L>(heights, mask, o, width, own) - heightBeside<L>(heights, mask, o, -width, own)) /
                L::set1(2.0f * hy);
            L::storeInterleaved(out + 2 * o, keepFluid<L>(fluid, o, L::evens(in + 2 * o) - dx),
                                keepFluid<L>(fluid, o, L::odds(in + 2 * o) - dy));
        } else {
            const auto dx = (L::load(heights + o + 1) - L::load(heights + o - 1)) / L::set1(2.0f * hx);
            const auto dy = (L::load(heights + o + width) - L::load(heights + o - width)) / L::set1(2.0f * hy);
            L::storeInterleaved(out + 2 * o, L::evens(in + 2 * o) - dx, L::odds(in + 2 * o) - dy);
        }
    });
}

// The anisotropic 5-point height equation divided through by 2 (hx² + hy²):
// h = westEast (h west + h east) + southNorth (h south + h north)
//     − (ax (x east − x west) + ay (y north − y south)).
// Rounded once from double, so that very elongated cells keep their small weights.
struct HeightWeights {
    float westEast, southNorth, ax, ay;
};

HeightWeights heightWeights(float hx, float hy) {
    const double x = hx, y = hy, scale = 2.0 * (x * x + y * y);
    return {float(y * y / scale), float(x * x / scale), float(x * y * y / (2.0 * scale)),
            float(x * x * y / (2.0 * scale))};
}

// The height equation of one cell, before its factor: 1/4 on square cells, 1 on
// others, and another wherever solid neighbours reflect (heightFactors).
template <class Lanes, bool Square>
struct HeightSum {
    using F = typename Lanes::F;
    F westEast, southNorth;

    F operator()(F west, F east, F south, F north, F div) const {
        if constexpr (Square) return (((west + east) + south) + north) + div;
        return (westEast * (west + east) + southNorth * (south + north)) + div;
    }
};

// The band's sweeps of the height equation; with Solid, each cell's `factors` in its
// layout.
template <class Lanes, bool Square, bool Solid>
void relaxHeights(float* relaxed, const float* divergence, const float* factors, const Band& band, float* edges,
                  int sweeps, const HeightWeights& w, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const HeightSum<Lanes, Square> sum{Lanes::set1(w.westEast), Lanes::set1(w.southNorth)};
    const F quarter = Lanes::set1(0.25f);
    if constexpr (Solid) {
        // A solid cell's factor is 0: it keeps height zero.
        relax<Lanes, 1, true>(
            relaxed, divergence, factors, band, edges, sweeps,
            [&](F west, F east, F south, F north, F div, F factor) {
                return sum(west, east, south, north, div) * factor;
            },
            crew);
    } else if constexpr (Square) {
        relax<Lanes, 1>(
            relaxed, divergence, nullptr, band, edges, sweeps,
            [&](F west, F east, F south, F north, F div) { return sum(west, east, south, north, div) * quarter; },
            crew);
    } else {
        relax<Lanes, 1>(relaxed, divergence, nullptr, band, edges, sweeps, sum, crew);
    }
}

// `mask`, `fluid` and `heightFactors` (Solid only): what solid cells change.
template <class Lanes, bool Solid>
void projectCells(float* out, const float* in, float* heights, kernels::SkewScratch scratch, GridSize grid, int sweeps,
                  float hx, float hy, const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    const Band band = bandOf(grid, crew.member, crew.size);
    const bool hasBand = band.index < band.count;
    float* relaxed = scratch.relaxed + band.offset;
    float* divergence = scratch.fixed + band.offset;
    float* factors = scratch.solid + band.offset;
    // Square cells: the equation scaled by h², in its own rounding.
    const bool square = hx == hy;
    const HeightWeights w = heightWeights(hx, hy);
    if (hasBand) {
        const Divergence source =
            square ? Divergence{in, grid, hx * 0.5f, hy * 0.5f} : Divergence{in, grid, w.ax, w.ay};
        skewIn<Lanes, 1>(divergence, band.skew, source, band.firstRow - 1);
        if constexpr (Solid)
            if (!scratch.solidSkewed)
                skewIn<Lanes, 1>(factors, band.skew, PlainCells<1>{solids->heightFactors, grid}, band.firstRow - 1);
        clearSkewedBorder<1>(relaxed, band.skew);
    }
    if (crew.member == 0) kernels::restartBands(crew);
    kernels::meet(crew);
    if (hasBand && square) {
        relaxHeights<Lanes, true, Solid>(relaxed, divergence, factors, band, scratch.edges, sweeps, w, crew);
    } else if (hasBand) {
        relaxHeights<Lanes, false, Solid>(relaxed, divergence, factors, band, scratch.edges, sweeps, w, crew);
    }
    if (hasBand) skewOut<Lanes, 1>(relaxed, band.skew, heights, grid, band.firstRow - 1);
    if (crew.member == 0) clearBorder(heights, grid, 1);
    kernels::meet(crew);
    if constexpr (Solid) {
        subtractGradient<Lanes, true>(out, in, heights, grid, hx, hy, solids->mask, solids->fluid, crew);
    } else {
        subtractGradient<Lanes, false>(out, in, heights, grid, hx, hy, nullptr, nullptr, crew);
    }
}

template <class Lanes, bool Solid>
void project(float* out, const float* in, float* heights, kernels::SkewScratch scratch, GridSize grid, int sweeps,
             float hx, float hy, const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    projectCells<Lanes, Solid>(out, in, heights, scratch, grid, sweeps, hx, hy, solids, crew);
}

}  // namespace
