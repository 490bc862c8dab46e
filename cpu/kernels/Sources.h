#pragma once
// out = in + sources over the interior cells, float by float.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

template <class Lanes>
void addSources(float* out, const float* in, const float* sources, GridSize grid, int components,
                const kernels::SolidArrays* solids, const kernels::Crew& crew) {
    const size_t count = size_t(grid.resI) * components;
    const Share rows = shareOf(crew, 1, grid.resJ + 1);
    const float* mask = !solids ? nullptr : components == 2 ? solids->maskPairs : solids->mask;
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const size_t first = cellAt(grid, 1, j) * components;
        size_t k = first;
        for (; k + Lanes::N <= first + count; k += Lanes::N) {
            const auto sum = Lanes::load(in + k) + Lanes::load(sources + k);
            Lanes::store(out + k, mask ? zeroWhereSolid<Lanes>(mask, k, sum) : sum);
        }
        for (; k < first + count; ++k) out[k] = mask && mask[k] > 0.5f ? 0.0f : in[k] + sources[k];
    }
}

}  // namespace
