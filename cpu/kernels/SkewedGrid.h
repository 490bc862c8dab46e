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

// The loops over a square's rows, fully unrolled: left as loops, the compiler kept
// the square in memory and recomputed every row's address, which made the copies
// in and out cost about twice what their loads and stores do.
#define SKEW_UNROLLED _Pragma("GCC unroll 8")

template <class Lanes, int C>
void transposeCells(typename Lanes::F (&rows)[Lanes::N / C]) {
    if constexpr (C == 1) {
        Lanes::transpose(rows);
    } else {
        Lanes::transposePairs(rows);
    }
}

// The interior cells of a sheared square at the grid's edge, row by row: row j0 + l
// covers columns i − l .. i − l + L − 1, cut to the interior. Walking only those
// cells, rather than testing all L × L, keeps the edges a small part of the copies.
template <int L, class Cell>
void forEachCellOfCutSquare(const Skew& s, uint32_t i, uint32_t j0, Cell& visitCell) {
    for (uint32_t l = 0; l < uint32_t(L) && j0 + l <= s.resJ; ++l) {
        const uint32_t first = i > l ? i - l : 1;
        const uint32_t last = i + (uint32_t(L) - 1 - l) < s.resI ? i + (uint32_t(L) - 1 - l) : s.resI;
        for (uint32_t column = first; column <= last; ++column) visitCell(column, j0 + l);
    }
}

// A square of L rows by L cells is sheared as it is read: row j0 + l starts l cells
// further left. Transposed, each of its L registers then holds L consecutive cells of
// one diagonal. visitWhole(i) is called where the whole sheared square lies inside
// the interior, visitCell(i, j) for each interior cell of the squares at the edges.
// Each member of the crew takes its share of the bands of L rows.
template <int L, class Whole, class Cell>
void forEachShearedSquare(const Skew& s, const kernels::Crew& crew, Whole&& visitWhole, Cell&& visitCell) {
    const Share bands = shareOf(crew, 0, (s.resJ + L - 1) / L);
    for (uint32_t j0 = 1 + bands.begin * L; j0 < 1 + bands.end * L; j0 += L) {
        const bool wholeRows = j0 + L - 1 <= s.resJ;
        for (uint32_t i = 1; i < s.resI + L; i += L) {
            if (wholeRows && i >= uint32_t(L) && i + L - 1 <= s.resI) {
                visitWhole(i, j0);
            } else {
                forEachCellOfCutSquare<L>(s, i, j0, visitCell);
            }
        }
    }
}

// Fills the interior of `skewed` from source.run<Lanes>(i, j), the Lanes::N floats of
// the cells from (i, j) on, and source.one(i, j, c), component c of one cell.
template <class Lanes, int C, class Source>
void skewIn(float* skewed, const Skew& s, const Source& source, const kernels::Crew& crew) {
    constexpr int L = Lanes::N / C;
    forEachShearedSquare<L>(
        s, crew,
        [&](uint32_t i, uint32_t j0) {
            typename Lanes::F rows[L];
            SKEW_UNROLLED for (int l = 0; l < L; ++l) rows[l] = source.template run<Lanes>(i - l, j0 + l);
            transposeCells<Lanes, C>(rows);
            SKEW_UNROLLED for (int k = 0; k < L; ++k) Lanes::store(skewed + s.at(i + k, j0) * C, rows[k]);
        },
        [&](uint32_t i, uint32_t j) {
            for (int c = 0; c < C; ++c) skewed[s.at(i, j) * C + c] = source.one(i, j, c);
        });
}

// Copies the interior of `skewed` into the plain array `cells`; its border is untouched.
template <class Lanes, int C>
void skewOut(const float* skewed, const Skew& s, float* cells, GridSize grid, const kernels::Crew& crew) {
    constexpr int L = Lanes::N / C;
    forEachShearedSquare<L>(
        s, crew,
        [&](uint32_t i, uint32_t j0) {
            typename Lanes::F rows[L];
            SKEW_UNROLLED for (int k = 0; k < L; ++k) rows[k] = Lanes::load(skewed + s.at(i + k, j0) * C);
            transposeCells<Lanes, C>(rows);
            SKEW_UNROLLED for (int l = 0; l < L; ++l) Lanes::store(cells + cellAt(grid, i - l, j0 + l) * C, rows[l]);
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
