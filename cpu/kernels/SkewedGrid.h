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

// The rows of the grid split into bands, one per member of a crew (as many as
// there are rows at most), each relaxed in a skewed array of its own: a band's
// cells then stay in its member's cache, and only the rows where two bands meet
// pass between processors. Local row 1 of a band is grid row firstRow; its border
// rows stand for the neighbouring bands' rows.
struct Band {
    uint32_t index;
    uint32_t count;
    uint32_t firstRow;
    uint32_t belowRows;  // the band below's rows (0 for the lowest)
    uint32_t aboveRows;  // the band above's rows (0 for the highest)
    uint32_t stride;     // more than any band's diagonals: progress counts sweeps in these
    Skew skew;           // the band's own grid of resI by its rows
    size_t offset;       // floats from the start of a scratch array to the band's own
};

inline uint32_t bandCount(GridSize grid, uint32_t members) { return members < grid.resJ ? members : grid.resJ; }
inline uint32_t bandFirstRow(GridSize grid, uint32_t count, uint32_t b) {
    return 1 + uint32_t(uint64_t(grid.resJ) * b / count);
}
// Diagonals 0 .. resI + rows + 2, two floats per cell at most.
inline uint64_t bandFloats(uint32_t resI, uint32_t rows) {
    return (uint64_t(resI) + rows + 3) * (rows + SKEW_SLACK) * 2;
}

// Member `member`'s band (index >= count: none).
inline Band bandOf(GridSize grid, uint32_t member, uint32_t members) {
    const uint32_t count = bandCount(grid, members);
    size_t offset = 0;
    for (uint32_t b = 0; b < member && b < count; ++b)
        offset += bandFloats(grid.resI, bandFirstRow(grid, count, b + 1) - bandFirstRow(grid, count, b));
    const uint32_t first = bandFirstRow(grid, count, member < count ? member : count);
    const uint32_t rows = member < count ? bandFirstRow(grid, count, member + 1) - first : 0;
    const uint32_t belowRows = member > 0 && member < count ? first - bandFirstRow(grid, count, member - 1) : 0;
    const uint32_t aboveRows =
        member + 1 < count ? bandFirstRow(grid, count, member + 2) - bandFirstRow(grid, count, member + 1) : 0;
    return {member,
            count,
            first,
            belowRows,
            aboveRows,
            grid.resI + grid.resJ + 2,
            {grid.resI, rows, size_t(rows) + SKEW_SLACK},
            offset};
}

// Floats in each skewed scratch array for a grid split among `members`.
inline uint64_t skewedFloatsOf(GridSize grid, uint32_t members) {
    const uint32_t count = bandCount(grid, members);
    uint64_t floats = 0;
    for (uint32_t b = 0; b < count; ++b)
        floats += bandFloats(grid.resI, bandFirstRow(grid, count, b + 1) - bandFirstRow(grid, count, b));
    return floats;
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
template <int L, class Whole, class Cell>
void forEachShearedSquare(const Skew& s, Whole&& visitWhole, Cell&& visitCell) {
    for (uint32_t j0 = 1; j0 <= s.resJ; j0 += L) {
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
// the cells from (i, j) on, and source.one(i, j, c), component c of one cell; its
// row j is the source's row j + rowOffset.
template <class Lanes, int C, class Source>
void skewIn(float* skewed, const Skew& s, const Source& source, uint32_t rowOffset) {
    constexpr int L = Lanes::N / C;
    forEachShearedSquare<L>(
        s,
        [&](uint32_t i, uint32_t j0) {
            typename Lanes::F rows[L];
            SKEW_UNROLLED for (int l = 0; l < L; ++l) rows[l] = source.template run<Lanes>(i - l, j0 + l + rowOffset);
            transposeCells<Lanes, C>(rows);
            SKEW_UNROLLED for (int k = 0; k < L; ++k) Lanes::store(skewed + s.at(i + k, j0) * C, rows[k]);
        },
        [&](uint32_t i, uint32_t j) {
            for (int c = 0; c < C; ++c) skewed[s.at(i, j) * C + c] = source.one(i, j + rowOffset, c);
        });
}

// Copies the interior of `skewed` into the plain array `cells`, row j into row
// j + rowOffset; every other cell is untouched.
template <class Lanes, int C>
void skewOut(const float* skewed, const Skew& s, float* cells, GridSize grid, uint32_t rowOffset) {
    constexpr int L = Lanes::N / C;
    forEachShearedSquare<L>(
        s,
        [&](uint32_t i, uint32_t j0) {
            typename Lanes::F rows[L];
            SKEW_UNROLLED for (int k = 0; k < L; ++k) rows[k] = Lanes::load(skewed + s.at(i + k, j0) * C);
            transposeCells<Lanes, C>(rows);
            SKEW_UNROLLED for (int l = 0; l < L; ++l)
                Lanes::store(cells + cellAt(grid, i - l, j0 + l + rowOffset) * C, rows[l]);
        },
        [&](uint32_t i, uint32_t j) {
            for (int c = 0; c < C; ++c) cells[cellAt(grid, i, j + rowOffset) * C + c] = skewed[s.at(i, j) * C + c];
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
    typename Lanes::F run(uint32_t i, uint32_t j) const {
        return Lanes::load(cells + cellAt(grid, i, j) * C);
    }
    float one(uint32_t i, uint32_t j, int c) const { return cells[cellAt(grid, i, j) * C + c]; }
};

}  // namespace
