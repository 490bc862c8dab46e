#pragma once
// Walking the plain layout: interior rows in storage order, a vector's worth of
// cells at a time, the cells left at a row's end one by one.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include <cstddef>
#include <cstdint>

#include "cpu/kernels/KernelTable.h"
#include "cpu/kernels/LanesScalar.h"

namespace {

using kernels::GridSize;

inline size_t rowWidth(GridSize grid) { return size_t(grid.resI) + 2; }
inline size_t cellAt(GridSize grid, uint32_t i, uint32_t j) { return size_t(j) * rowWidth(grid) + i; }

// The part of the items begin .. end − 1 that a crew's member takes: consecutive
// runs of nearly equal length, in member order.
struct Share {
    uint32_t begin;
    uint32_t end;
};
inline Share shareOf(const kernels::Crew& crew, uint32_t begin, uint32_t end) {
    const uint64_t count = end > begin ? end - begin : 0;
    return {begin + uint32_t(count * crew.member / crew.size), begin + uint32_t(count * (crew.member + 1) / crew.size)};
}

// visit(lanes, i, j) for the cells i .. i + N − 1 of row j, with N the lanes' width.
template <class Lanes, class Visit>
void forEachRunInRow(uint32_t resI, uint32_t j, Visit& visit) {
    uint32_t i = 1;
    for (; i + Lanes::N <= resI + 1; i += Lanes::N) visit(Lanes{}, i, j);
    for (; i <= resI; ++i) visit(ScalarLanes{}, i, j);
}

// Over the interior rows that are the member's share.
template <class Lanes, class Visit>
void forEachRun(GridSize grid, const kernels::Crew& crew, Visit visit) {
    const Share rows = shareOf(crew, 1, grid.resJ + 1);
    for (uint32_t j = rows.begin; j < rows.end; ++j) forEachRunInRow<Lanes>(grid.resI, j, visit);
}

// `value`, but +0 in the lanes of solid cells, from float o on: `fluid` has all bits
// set for a fluid cell and none for a solid one, which holds zero as the border does.
template <class L>
typename L::F keepFluid(const float* fluid, size_t o, typename L::F value) {
    return L::keepBits(value, L::load(fluid + o));
}

// Zeroes the border ring of a plain array of `components` floats per cell.
inline void clearBorder(float* cells, GridSize grid, int components) {
    const size_t width = rowWidth(grid), rowFloats = width * components;
    const size_t top = cellAt(grid, 0, grid.resJ + 1) * components;
    for (size_t k = 0; k < rowFloats; ++k) cells[k] = cells[top + k] = 0.0f;
    for (uint32_t j = 1; j <= grid.resJ; ++j)
        for (int c = 0; c < components; ++c) {
            cells[cellAt(grid, 0, j) * components + c] = 0.0f;
            cells[cellAt(grid, grid.resI + 1, j) * components + c] = 0.0f;
        }
}

}  // namespace
