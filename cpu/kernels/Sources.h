#pragma once
// out = in + sources over the interior cells, float by float.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

template <class Lanes>
void addSources(float* out, const float* in, const float* sources, GridSize grid, int components,
                const kernels::Crew& crew) {
    const size_t count = size_t(grid.resI) * components;
    const Share rows = shareOf(crew, 1, grid.resJ + 1);
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const size_t first = cellAt(grid, 1, j) * components;
        size_t k = first;
        for (; k + Lanes::N <= first + count; k += Lanes::N)
            Lanes::store(out + k, Lanes::load(in + k) + Lanes::load(sources + k));
        for (; k < first + count; ++k) out[k] = in[k] + sources[k];
    }
}

}  // namespace
