#pragma once
// Projection: the divergence is computed once, straight into the skewed layout; the
// height field is relaxed there, copied out, and its gradient taken in plain layout.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Relaxation.h"
#include "cpu/kernels/Runs.h"
#include "cpu/kernels/SkewedGrid.h"

namespace {

// −(hx/2 × (x east − x west) + hy/2 × (y north − y south)) of a Vec2 array.
struct Divergence {
    const float* velocity;
    GridSize grid;
    float halfHx;
    float halfHy;

    template <class Lanes>
    typename Lanes::F run(uint32_t i, uint32_t j) const {
        const size_t o = cellAt(grid, i, j), width = rowWidth(grid);
        const typename Lanes::F dx = Lanes::evens(velocity + 2 * (o + 1)) - Lanes::evens(velocity + 2 * (o - 1));
        const typename Lanes::F dy =
            Lanes::odds(velocity + 2 * (o + width)) - Lanes::odds(velocity + 2 * (o - width));
        return -(Lanes::set1(halfHx) * dx + Lanes::set1(halfHy) * dy);
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

template <class Lanes>
void project(float* out, const float* in, float* heights, kernels::SkewScratch scratch, GridSize grid, int sweeps,
             float hx, float hy, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Band band = bandOf(grid, crew.member, crew.size);
    const bool hasBand = band.index < band.count;
    float* relaxed = scratch.relaxed + band.offset;
    float* divergence = scratch.fixed + band.offset;
    if (hasBand) {
        skewIn<Lanes, 1>(divergence, band.skew, Divergence{in, grid, hx * 0.5f, hy * 0.5f}, band.firstRow - 1);
        clearSkewedBorder<1>(relaxed, band.skew);
    }
    if (crew.member == 0) kernels::restartBands(crew);
    kernels::meet(crew);
    const F quarter = Lanes::set1(0.25f);
    if (hasBand) {
        relax<Lanes, 1>(relaxed, divergence, band, scratch.edges, sweeps, [&](F west, F east, F south, F north, F div) {
            return ((((west + east) + south) + north) + div) * quarter;
        }, crew);
        skewOut<Lanes, 1>(relaxed, band.skew, heights, grid, band.firstRow - 1);
    }
    if (crew.member == 0) clearBorder(heights, grid, 1);
    kernels::meet(crew);
    subtractGradient<Lanes>(out, in, heights, grid, hx, hy, crew);
}

}  // namespace
