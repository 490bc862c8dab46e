#pragma once
// Implicit diffusion: Gauss-Seidel sweeps from zero, run in the skewed layout.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/Relaxation.h"
#include "cpu/kernels/Runs.h"
#include "cpu/kernels/SkewedGrid.h"

namespace {

// `fluid` (Solid only): C floats a cell, all bits set in fluid cells and none in
// solid ones, which hold zero.
template <class Lanes, int C, bool Solid>
void diffuseCells(float* out, const float* in, kernels::SkewScratch scratch, GridSize grid, int sweeps, float a,
                  const float* fluid, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Band band = bandOf(grid, crew.member, crew.size);
    const bool hasBand = band.index < band.count;
    float* relaxed = scratch.relaxed + band.offset;
    float* fixed = scratch.fixed + band.offset;
    float* fluidBits = scratch.solid + band.offset;
    if (hasBand) {
        skewIn<Lanes, C>(fixed, band.skew, PlainCells<C>{in, grid}, band.firstRow - 1);
        if constexpr (Solid)
            if (!scratch.solidSkewed)
                skewIn<Lanes, C>(fluidBits, band.skew, PlainCells<C>{fluid, grid}, band.firstRow - 1);
        clearSkewedBorder<C>(relaxed, band.skew);
    }
    if (crew.member == 0) kernels::restartBands(crew);
    kernels::meet(crew);
    const F rate = Lanes::set1(a);
    const F divisor = Lanes::set1(1.0f + 4.0f * a);
    auto diffused = [&](F west, F east, F south, F north, F start) {
        return (start + rate * (((east + west) + south) + north)) / divisor;
    };
    if (hasBand) {
        if constexpr (Solid) {
            relax<Lanes, C, true>(
                relaxed, fixed, fluidBits, band, scratch.edges, sweeps,
                [&](F west, F east, F south, F north, F start, F bits) {
                    return Lanes::keepBits(diffused(west, east, south, north, start), bits);
                },
                crew);
        } else {
            relax<Lanes, C>(relaxed, fixed, nullptr, band, scratch.edges, sweeps, diffused, crew);
        }
        skewOut<Lanes, C>(relaxed, band.skew, out, grid, band.firstRow - 1);
    }
    if (crew.member == 0) clearBorder(out, grid, C);
}

template <class Lanes, bool Solid>
void diffuse(float* out, const float* in, kernels::SkewScratch scratch, GridSize grid, int components, int sweeps,
             float a, const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    if (components == 2) {
        diffuseCells<Lanes, 2, Solid>(out, in, scratch, grid, sweeps, a, Solid ? solids->fluidPairs : nullptr, crew);
    } else {
        diffuseCells<Lanes, 1, Solid>(out, in, scratch, grid, sweeps, a, Solid ? solids->fluid : nullptr, crew);
    }
}

}  // namespace
