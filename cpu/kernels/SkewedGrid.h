#pragma once
// The skewed layout that lets Gauss-Seidel sweeps run in vector lanes. Cell (i, j)
// lives on anti-diagonal i + j, at position j along it, and each diagonal is one
// contiguous run: the cells of a diagonal are exactly those that one sweep may
// update together, and their four neighbours are plain loads one diagonal back or
// ahead, shifted by one cell for the neighbours across rows. A cell of a Vec2 array
// keeps its x and y side by side.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include <cstddef>
#include <cstdint>

#include "cpu/kernels/KernelTable.h"
#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

// Room past the last cell of a diagonal, so that the vector which ends a diagonal
// may read (and write back unchanged) up to eight cells beyond it.
constexpr size_t SKEW_SLACK = 10;

struct Skew {
    uint32_t resI;
    uint32_t resJ;
    size_t pitch;  // cells from one diagonal to the next

    size_t at(uint32_t i, uint32_t j) const { return (size_t(i) + j) * pitch + j; }
};

inline Skew skewOf(GridSize grid) { return {grid.resI, grid.resJ, size_t(grid.resJ) + SKEW_SLACK}; }

// Diagonals 0 .. resI + resJ + 2, two floats per cell at most.
inline uint64_t skewedFloatsOf(GridSize grid) {
    return (uint64_t(grid.resI) + grid.resJ + 3) * skewOf(grid).pitch * 2;
}

template <class Lanes, int C>
void transposeCells(typename Lanes::F (&rows)[Lanes::N / C]) {
    if constexpr (C == 1) {
        Lanes::transpose(rows);
    } else {
        Lanes::transposePairs(rows);
    }
}

// A square of L rows by L cells is sheared as it is read: row j0 + l starts l cells
// further left. Transposed, each of its L registers then holds L consecutive cells of
// one diagonal. visitWhole(i) is called where the whole sheared square lies inside
// the interior, visitCell(i, j) for each interior cell of the squares at the edges.
template <int L, class Whole, class Cell>
void forEachShearedSquare(const Skew& s, Whole&& visitWhole, Cell&& visitCell) {
    for (uint32_t j0 = 1; j0 <= s.resJ; j0 += L) {
        const bool wholeRows = j0 + L - 1 <= s.resJ;
        for (uint32_t i = 1; i < s.resI + L; i += L) {
            if (wholeRows && i >= uint32_t(L) && i + L - 1 <= s.resI) {
                visitWhole(i, j0);
                continue;
            }
            for (uint32_t l = 0; l < uint32_t(L); ++l)
                for (uint32_t k = 0; k < uint32_t(L); ++k) {
                    const uint32_t j = j0 + l;
                    // Columns left of the grid wrap to huge unsigned values and are skipped too.
                    const uint32_t column = i + k - l;
                    if (j <= s.resJ && column >= 1 && column <= s.resI) visitCell(column, j);
                }
        }
    }
}

// Fills the interior of `skewed` from source.run<Lanes>(i, j), the Lanes::N floats of
// the cells from (i, j) on, and source.one(i, j, c), component c of one cell.
template <class Lanes, int C, class Source>
void skewIn(float* skewed, const Skew& s, const Source& source) {
    constexpr int L = Lanes::N / C;
    forEachShearedSquare<L>(
        s,
        [&](uint32_t i, uint32_t j0) {
            typename Lanes::F rows[L];
            for (int l = 0; l < L; ++l) rows[l] = source.template run<Lanes>(i - l, j0 + l);
            transposeCells<Lanes, C>(rows);
            for (int k = 0; k < L; ++k) Lanes::store(skewed + s.at(i + k, j0) * C, rows[k]);
        },
        [&](uint32_t i, uint32_t j) {
            for (int c = 0; c < C; ++c) skewed[s.at(i, j) * C + c] = source.one(i, j, c);
        });
}

// Copies the interior of `skewed` into the plain array `cells`; its border is untouched.
template <class Lanes, int C>
void skewOut(const float* skewed, const Skew& s, float* cells, GridSize grid) {
    constexpr int L = Lanes::N / C;
    forEachShearedSquare<L>(
        s,
        [&](uint32_t i, uint32_t j0) {
            typename Lanes::F rows[L];
            for (int k = 0; k < L; ++k) rows[k] = Lanes::load(skewed + s.at(i + k, j0) * C);
            transposeCells<Lanes, C>(rows);
            for (int l = 0; l < L; ++l) Lanes::store(cells + cellAt(grid, i - l, j0 + l) * C, rows[l]);
        },
        [&](uint32_t i, uint32_t j) {
            for (int c = 0; c < C; ++c) cells[cellAt(grid, i, j) * C + c] = skewed[s.at(i, j) * C + c];
        });
}

// Zeroes the border ring of a skewed array: the neighbours that every sweep reads as zero.
template <int C>
void clearSkewedBorder(float* skewed, const Skew& s) {
    auto clear = [&](uint32_t i, uint32_t j) {
        for (int c = 0; c < C; ++c) skewed[s.at(i, j) * C + c] = 0.0f;
    };
    for (uint32_t j = 0; j <= s.resJ + 1; ++j) {
        clear(0, j);
        clear(s.resI + 1, j);
    }
    for (uint32_t i = 0; i <= s.resI + 1; ++i) {
        clear(i, 0);
        clear(i, s.resJ + 1);
    }
}

// Reads the cells of a plain array, C floats each.
template <int C>
struct PlainCells {
    const float* cells;
    GridSize grid;

    template <class Lanes>
    typename Lanes::F run(uint32_t i, uint32_t j) const { return Lanes::load(cells + cellAt(grid, i, j) * C); }
    float one(uint32_t i, uint32_t j, int c) const { return cells[cellAt(grid, i, j) * C + c]; }
};

}  // namespace
