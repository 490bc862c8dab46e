#pragma once
// Implicit diffusion: Gauss-Seidel sweeps from zero, run in the skewed layout.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/Relaxation.h"
#include "cpu/kernels/Runs.h"
#include "cpu/kernels/SkewedGrid.h"

namespace {

template <class Lanes, int C>
void diffuseCells(float* out, const float* in, kernels::SkewScratch scratch, GridSize grid, int sweeps, float a,
                  const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Skew s = skewOf(grid);
    skewIn<Lanes, C>(scratch.fixed, s, PlainCells<C>{in, grid}, crew);
    if (crew.member == 0) {
        clearSkewedBorder<C>(scratch.relaxed, s);
        kernels::restartSweeps(crew);
    }
    kernels::meet(crew);
    const F rate = Lanes::set1(a);
    const F divisor = Lanes::set1(1.0f + 4.0f * a);
    relax<Lanes, C>(scratch.relaxed, scratch.fixed, s, sweeps, [&](F west, F east, F south, F north, F fixed) {
        return (fixed + rate * (((east + west) + south) + north)) / divisor;
    }, crew);
    kernels::meet(crew);
    skewOut<Lanes, C>(scratch.relaxed, s, out, grid, crew);
    if (crew.member == 0) clearBorder(out, grid, C);
}

template <class Lanes>
void diffuse(float* out, const float* in, kernels::SkewScratch scratch, GridSize grid, int components, int sweeps,
             float a, const kernels::Crew& crew) {
    if (components == 2) {
        diffuseCells<Lanes, 2>(out, in, scratch, grid, sweeps, a, crew);
    } else {
        diffuseCells<Lanes, 1>(out, in, scratch, grid, sweeps, a, crew);
    }
}

}  // namespace
