#pragma once
// Gauss-Seidel sweeps over a skewed array, a whole anti-diagonal at a time, and
// over bands of rows on several threads.
//
// A plain sweep (i outer, j inner, or equally j outer, i inner) updates cell (i, j)
// from (i − 1, j) and (i, j − 1), already updated in this sweep, and from (i + 1, j)
// and (i, j + 1), still holding the last sweep's values. In the skewed layout the
// first two lie on the previous diagonal and the other two on the next one, so
// visiting the diagonals in order reads exactly the same values, while the cells of
// one diagonal depend on none of each other and fill the vector lanes together.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include <cstddef>
#include <cstdint>

#include "cpu/kernels/SkewedGrid.h"

namespace {

// Where a band meets its neighbours: the row of each next to it, by column (C
// floats a cell), and its own two edge rows, which it keeps there for them.
struct BandEdges {
    const float* belowTop;     // the top row of the band below, or null
    const float* aboveBottom;  // the bottom row of the band above, or null
    float* top;
    float* bottom;
    uint32_t belowRows;  // how many rows the bands below and above have
    uint32_t aboveRows;
};

// A band that has to wait for a neighbour waits until the neighbour is this many
// columns further than needed (or done with its sweep), so that it then runs on
// for a while without looking again: each look fetches the neighbour's counter
// from another processor's cache, as long as a short diagonal takes to relax. On
// small grids the lead stays a small part of a sweep, so that the bands overlap.
inline uint32_t waitLead(const Skew& s, int C) {
    const uint32_t forCost = 4096 / (s.resJ * uint32_t(C)), forOverlap = (s.resI + s.resJ) / 8;
    return 1 + (forCost < forOverlap ? forCost : forOverlap);
}

// Sweep number `index` of x, one band's skewed array, with fixed the per-cell input
// in the same layout. update(west, east, south, north, fixed) computes a cell's new
// value, or, with Extra, update(west, east, south, north, fixed, extra) with a second
// per-cell input (what solid cells change); with fromZero every old value (east and
// north) is the zero that x starts from.
//
// A cell reads its west and south neighbours as this sweep left them, its east and
// north ones as the last sweep did. The band's bottom row therefore needs the cells
// beneath as the band below updated them in this sweep, and its top row the cells
// over it as the band above updated them in the last sweep (which that band cannot
// update again before this one has read them: it waits for this band's top row in
// turn). Progress counts sweep × stride + diagonal, which only grows.
//
// Cells pass between bands in batches: when a band has to look at a neighbour, it
// copies all that the neighbour has finished into its border row, and it writes
// its own edge cells out just before it publishes its progress. Copied one cell a
// diagonal, in and out, they cost the sweeps on two threads about 6 % more.
template <class Lanes, int C, bool fromZero, bool shared, bool Extra, class Update>
void sweep(float* x, const float* fixed, const float* extra, const Band& band, const BandEdges& edges, int index,
           const Update& update, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Skew& s = band.skew;
    const ptrdiff_t along = ptrdiff_t(s.pitch) * C;  // from (i, j) to (i + 1, j)
    const ptrdiff_t across = along + C;              // from (i, j) to (i, j + 1)
    const F zero = Lanes::set1(0.0f);
    const uint32_t last = s.resI + s.resJ, rows = s.resJ;
    const uint32_t lead = waitLead(s, C), interval = (lead + 3) / 4;
    const uint32_t thisSweep = uint32_t(index) * band.stride, lastSweep = thisSweep - band.stride;
    auto column = [&](uint32_t i) { return i < s.resI ? i : s.resI; };
    // Row j's columns after `done` up to `until`, from an edge row into the border or
    // out of the band into its edge row.
    auto copyIn = [&](uint32_t& done, uint32_t until, uint32_t j, const float* edge) {
        for (uint32_t i = done + 1; i <= until; ++i)
            for (int c = 0; c < C; ++c) x[s.at(i, j) * C + c] = edge[i * C + c];
        done = until;
    };
    auto copyOut = [&](uint32_t& done, uint32_t until, uint32_t j, float* edge) {
        for (uint32_t i = done + 1; i <= until; ++i)
            for (int c = 0; c < C; ++c) edge[i * C + c] = x[s.at(i, j) * C + c];
        done = until;
    };
    // Column i of the row beneath is final once the band below has passed diagonal
    // i + belowRows of this sweep; of the row above, once the band above has passed
    // diagonal i + 1 of the last one (or begun this one).
    uint32_t belowCopied = 0, aboveCopied = 0, bottomWritten = 0, topWritten = 0;
    auto copyBelow = [&](uint32_t needed) {
        const uint32_t seen =
            kernels::awaitBand(crew, band.index - 1, thisSweep + column(needed + lead) + edges.belowRows);
        copyIn(belowCopied, column(seen - thisSweep - edges.belowRows), 0, edges.belowTop);
    };
    auto copyAbove = [&](uint32_t needed) {
        const uint32_t seen = kernels::awaitBand(crew, band.index + 1, lastSweep + column(needed + lead) + 1);
        copyIn(aboveCopied, seen >= thisSweep ? s.resI : column(seen - lastSweep - 1), rows + 1, edges.aboveBottom);
    };
    for (uint32_t d = 2; d <= last; ++d) {
        const uint32_t jLow = d > s.resI + 1 ? d - s.resI : 1;
        const uint32_t jHigh = d - 1 < rows ? d - 1 : rows;
        if (shared && edges.belowTop && jLow == 1 && belowCopied < d - 1) copyBelow(d - 1);
        if (shared && !fromZero && edges.aboveBottom && jHigh == rows && aboveCopied < d - rows) copyAbove(d - rows);
        const size_t first = s.at(d - jLow, jLow) * C;
        const size_t count = size_t(jHigh - jLow + 1) * C;  // floats on this diagonal
        float* cells = x + first;
        const float* west = cells - along;
        const float* south = cells - across;
        const float* east = cells + along;
        const float* north = cells + across;
        const float* in = fixed + first;
        auto relaxed = [&](size_t k) {
            if constexpr (Extra) {
                return update(Lanes::load(west + k), fromZero ? zero : Lanes::load(east + k), Lanes::load(south + k),
                              fromZero ? zero : Lanes::load(north + k), Lanes::load(in + k),
                              Lanes::load(extra + first + k));
            } else {
                return update(Lanes::load(west + k), fromZero ? zero : Lanes::load(east + k), Lanes::load(south + k),
                              fromZero ? zero : Lanes::load(north + k), Lanes::load(in + k));
            }
        };
        size_t k = 0;
        for (; k + Lanes::N <= count; k += Lanes::N) Lanes::store(cells + k, relaxed(k));
        // The diagonal's last cells: the lanes past its end keep what they held.
        if (k < count) {
            const auto inside = Lanes::firstLanes(int(count - k));
            Lanes::store(cells + k, Lanes::select(inside, relaxed(k), Lanes::load(cells + k)));
        }
        if (shared && (d == last || (d - 1) % interval == 0)) {
            // The edge rows as far as the diagonals so far have finished them.
            if (edges.bottom) copyOut(bottomWritten, column(d - 1), 1, edges.bottom);
            if (edges.top && d > rows) copyOut(topWritten, column(d - rows), rows, edges.top);
            kernels::publishBand(crew, band.index, thisSweep + d);
        }
    }
}

// `sweeps` (at least one) sweeps of a band's x from zero; its border must be zero
// where it is the grid's, and restartBands must have been called before the crew
// last met. `edges` holds two rows of resI + 2 cells for every band. With Extra,
// `extra` is the second per-cell input of update, in the band's layout.
template <class Lanes, int C, bool Extra = false, class Update>
void relax(float* x, const float* fixed, const float* extra, const Band& band, float* edgeRows, int sweeps,
           const Update& update, const kernels::Crew& crew) {
    const size_t rowFloats = (size_t(band.skew.resI) + 2) * C;
    auto edgeRow = [&](uint32_t b, int side) { return edgeRows + (2 * size_t(b) + side) * rowFloats; };
    const bool below = band.index > 0, above = band.index + 1 < band.count;
    BandEdges edges{below ? edgeRow(band.index - 1, 0) : nullptr,
                    above ? edgeRow(band.index + 1, 1) : nullptr,
                    above ? edgeRow(band.index, 0) : nullptr,
                    below ? edgeRow(band.index, 1) : nullptr,
                    band.belowRows,
                    band.aboveRows};
    // A band alone is compiled without any of the hand-over, which cost its sweeps time.
    if (band.count == 1) {
        sweep<Lanes, C, true, false, Extra>(x, fixed, extra, band, edges, 0, update, crew);
        for (int k = 1; k < sweeps; ++k)
            sweep<Lanes, C, false, false, Extra>(x, fixed, extra, band, edges, k, update, crew);
    } else {
        sweep<Lanes, C, true, true, Extra>(x, fixed, extra, band, edges, 0, update, crew);
        for (int k = 1; k < sweeps; ++k)
            sweep<Lanes, C, false, true, Extra>(x, fixed, extra, band, edges, k, update, crew);
    }
}

}  // namespace
