#pragma once
// Implicit diffusion: Gauss-Seidel sweeps from zero, run in the skewed layout.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/Relaxation.h"
#include "cpu/kernels/Runs.h"
#include "cpu/kernels/SkewedGrid.h"

namespace {

// `solidMask` (C floats a cell, 1 in solid cells) is null on a grid without solids.
template <class Lanes, int C>
void diffuseCells(float* out, const float* in, kernels::SkewScratch scratch, GridSize grid, int sweeps, float a,
                  const float* solidMask, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Band band = bandOf(grid, crew.member, crew.size);
    const bool hasBand = band.index < band.count;
    float* relaxed = scratch.relaxed + band.offset;
    float* fixed = scratch.fixed + band.offset;
    float* solid = solidMask ? scratch.solid + band.offset : nullptr;
    if (hasBand) {
        skewIn<Lanes, C>(fixed, band.skew, PlainCells<C>{in, grid}, band.firstRow - 1);
        if (solid) skewIn<Lanes, C>(solid, band.skew, PlainCells<C>{solidMask, grid}, band.firstRow - 1);
        clearSkewedBorder<C>(relaxed, band.skew);
    }
    if (crew.member == 0) kernels::restartBands(crew);
    kernels::meet(crew);
    const F rate = Lanes::set1(a);
    const F divisor = Lanes::set1(1.0f + 4.0f * a);
    const F zero = Lanes::set1(0.0f), half = Lanes::set1(0.5f);
    auto diffused = [&](F west, F east, F south, F north, F start) {
        return (start + rate * (((east + west) + south) + north)) / divisor;
    };
    if (hasBand && solid) {
        relax<Lanes, C, true>(relaxed, fixed, solid, band, scratch.edges, sweeps,
                              [&](F west, F east, F south, F north, F start, F isSolid) {
                                  return Lanes::select(Lanes::greaterThan(isSolid, half), zero,
                                                       diffused(west, east, south, north, start));
                              },
                              crew);
    } else if (hasBand) {
        relax<Lanes, C>(relaxed, fixed, nullptr, band, scratch.edges, sweeps, diffused, crew);
    }
    if (hasBand) skewOut<Lanes, C>(relaxed, band.skew, out, grid, band.firstRow - 1);
    if (crew.member == 0) clearBorder(out, grid, C);
}

template <class Lanes>
void diffuse(float* out, const float* in, kernels::SkewScratch scratch, GridSize grid, int components, int sweeps,
             float a, const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    if (components == 2) {
        diffuseCells<Lanes, 2>(out, in, scratch, grid, sweeps, a, solids ? solids->maskPairs : nullptr, crew);
    } else {
        diffuseCells<Lanes, 1>(out, in, scratch, grid, sweeps, a, solids ? solids->mask : nullptr, crew);
    }
}

}  // namespace
