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
        const typename Lanes::F dy =
            Lanes::odds(velocity + 2 * (o + width)) - Lanes::odds(velocity + 2 * (o - width));
        return -(Lanes::set1(ax) * dx + Lanes::set1(ay) * dy);
    }
    float one(uint32_t i, uint32_t j, int) const { return run<ScalarLanes>(i, j); }
};

template <class Lanes>
void subtractGradient(float* out, const float* in, const float* heights, GridSize grid, float hx, float hy,
                      const kernels::Crew& crew) {
    const size_t width = rowWidth(grid);
    forEachRun<Lanes>(grid, crew, [&](auto lanes, uint32_t i, uint32_t j) {
        using L = decltype(lanes);
        const size_t o = cellAt(grid, i, j);
        const auto dx = (L::load(heights + o + 1) - L::load(heights + o - 1)) / L::set1(2.0f * hx);
        const auto dy = (L::load(heights + o + width) - L::load(heights + o - width)) / L::set1(2.0f * hy);
        L::storeInterleaved(out + 2 * o, L::evens(in + 2 * o) - dx, L::odds(in + 2 * o) - dy);
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

template <class Lanes>
void project(float* out, const float* in, float* heights, kernels::SkewScratch scratch, GridSize grid, int sweeps,
             float hx, float hy, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Band band = bandOf(grid, crew.member, crew.size);
    const bool hasBand = band.index < band.count;
    float* relaxed = scratch.relaxed + band.offset;
    float* divergence = scratch.fixed + band.offset;
    // Square cells: the equation scaled by h², in its own rounding.
    const bool square = hx == hy;
    const HeightWeights w = heightWeights(hx, hy);
    if (hasBand) {
        const Divergence source = square ? Divergence{in, grid, hx * 0.5f, hy * 0.5f} : Divergence{in, grid, w.ax, w.ay};
        skewIn<Lanes, 1>(divergence, band.skew, source, band.firstRow - 1);
        clearSkewedBorder<1>(relaxed, band.skew);
    }
    if (crew.member == 0) kernels::restartBands(crew);
    kernels::meet(crew);
    if (hasBand && square) {
        const F quarter = Lanes::set1(0.25f);
        relax<Lanes, 1>(relaxed, divergence, band, scratch.edges, sweeps, [&](F west, F east, F south, F north, F div) {
            return ((((west + east) + south) + north) + div) * quarter;
        }, crew);
    } else if (hasBand) {
        const F westEast = Lanes::set1(w.westEast), southNorth = Lanes::set1(w.southNorth);
        relax<Lanes, 1>(relaxed, divergence, band, scratch.edges, sweeps, [&](F west, F east, F south, F north, F div) {
            return (westEast * (west + east) + southNorth * (south + north)) + div;
        }, crew);
    }
    if (hasBand) skewOut<Lanes, 1>(relaxed, band.skew, heights, grid, band.firstRow - 1);
    if (crew.member == 0) clearBorder(heights, grid, 1);
    kernels::meet(crew);
    subtractGradient<Lanes>(out, in, heights, grid, hx, hy, crew);
}

}  // namespace
