#pragma once
// out = in + sources over the interior cells, float by float.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

// `fluid` (Solid only): fluid bits by float, as the components lie.
template <class Lanes, bool Solid>
void addSourceRows(float* out, const float* in, const float* sources, const float* fluid, GridSize grid, int components,
                   const kernels::Crew& crew) {
    const size_t count = size_t(grid.resI) * components;
    const Share rows = shareOf(crew, 1, grid.resJ + 1);
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const size_t first = cellAt(grid, 1, j) * components;
        size_t k = first;
        for (; k + Lanes::N <= first + count; k += Lanes::N) {
            const auto sum = Lanes::load(in + k) + Lanes::load(sources + k);
            if constexpr (Solid) {
                Lanes::store(out + k, keepFluid<Lanes>(fluid, k, sum));
            } else {
                Lanes::store(out + k, sum);
            }
        }
        for (; k < first + count; ++k) {
            out[k] = in[k] + sources[k];
            if constexpr (Solid) out[k] = keepFluid<ScalarLanes>(fluid, k, out[k]);
        }
    }
}

template <class Lanes, bool Solid>
void addSources(float* out, const float* in, const float* sources, GridSize grid, int components,
                const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    const float* fluid = !Solid ? nullptr : components == 2 ? solids->fluidPairs : solids->fluid;
    addSourceRows<Lanes, Solid>(out, in, sources, fluid, grid, components, crew);
}

}  // namespace
