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
    uint32_t belowRows;        // how many rows the bands below and above have
    uint32_t aboveRows;
};

// A band that has to wait for a neighbour waits until the neighbour is this many
// diagonals further than needed (or done with its sweep), so that it then runs on
// for a while without looking again: each look fetches the neighbour's counter
// from another processor's cache, as long as a short diagonal takes to relax. On
// small grids the lead stays a small part of a sweep, so that the bands overlap.
inline uint32_t waitLead(const Skew& s, int C) {
    const uint32_t forCost = 4096 / (s.resJ * uint32_t(C)), forOverlap = (s.resI + s.resJ) / 8;
    return 1 + (forCost < forOverlap ? forCost : forOverlap);
}

// Sweep number `index` of x, one band's skewed array, with fixed the per-cell input
// in the same layout. update(west, east, south, north, fixed) computes a cell's new
// value; with fromZero every old value (east and north) is the zero that x starts from.
//
// A cell reads its west and south neighbours as this sweep left them, its east and
// north ones as the last sweep did. The band's bottom row therefore waits for the
// band below to have updated the cell beneath in this sweep, and its top row for
// the band above to have updated the cell over it in the last sweep (which that
// band cannot update again before this one has read it: it waits for this band's
// top row in turn). Each band copies those cells into its own border rows just
// before it reads them. Progress counts sweep × stride + diagonal, which only grows.
template <class Lanes, int C, bool fromZero, bool shared, class Update>
void sweep(float* x, const float* fixed, const Band& band, const BandEdges& edges, int index, const Update& update,
           const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const Skew& s = band.skew;
    const ptrdiff_t along = ptrdiff_t(s.pitch) * C;  // from (i, j) to (i + 1, j)
    const ptrdiff_t across = along + C;               // from (i, j) to (i, j + 1)
    const F zero = Lanes::set1(0.0f);
    const uint32_t last = s.resI + s.resJ, rows = s.resJ;
    const uint32_t lead = waitLead(s, C), interval = (lead + 3) / 4;
    auto progress = [&](int sweepIndex, uint32_t d) { return uint32_t(sweepIndex) * band.stride + d; };
    uint32_t belowSeen = 0, aboveSeen = 0;
    for (uint32_t d = 2; d <= last; ++d) {
        const uint32_t jLow = d > s.resI + 1 ? d - s.resI : 1;
        const uint32_t jHigh = d - 1 < rows ? d - 1 : rows;
        if (shared && edges.belowTop && jLow == 1) {  // cell (d − 1, 1), over the band below's cell (d − 1, belowRows)
            const uint32_t needed = progress(index, d - 1 + edges.belowRows);
            const uint32_t most = progress(index, s.resI + edges.belowRows);
            if (belowSeen < needed)
                belowSeen = kernels::awaitBand(crew, band.index - 1, needed + lead < most ? needed + lead : most);
            for (int c = 0; c < C; ++c) x[s.at(d - 1, 0) * C + c] = edges.belowTop[(d - 1) * C + c];
        }
        if (shared && !fromZero && edges.aboveBottom && jHigh == rows) {  // cell (d − rows, rows), under the band above's row 1
            const uint32_t needed = progress(index - 1, d - rows + 1);
            const uint32_t most = progress(index - 1, s.resI + edges.aboveRows);
            if (aboveSeen < needed)
                aboveSeen = kernels::awaitBand(crew, band.index + 1, needed + lead < most ? needed + lead : most);
            for (int c = 0; c < C; ++c) x[s.at(d - rows, rows + 1) * C + c] = edges.aboveBottom[(d - rows) * C + c];
        }
        const size_t first = s.at(d - jLow, jLow) * C;
        const size_t count = size_t(jHigh - jLow + 1) * C;  // floats on this diagonal
        float* cells = x + first;
        const float* west = cells - along;
        const float* south = cells - across;
        const float* east = cells + along;
        const float* north = cells + across;
        const float* in = fixed + first;
        auto relaxed = [&](size_t k) {
            return update(Lanes::load(west + k), fromZero ? zero : Lanes::load(east + k), Lanes::load(south + k),
                          fromZero ? zero : Lanes::load(north + k), Lanes::load(in + k));
        };
        size_t k = 0;
        for (; k + Lanes::N <= count; k += Lanes::N) Lanes::store(cells + k, relaxed(k));
        // The diagonal's last cells: the lanes past its end keep what they held.
        if (k < count) {
            const auto inside = Lanes::firstLanes(int(count - k));
            Lanes::store(cells + k, Lanes::select(inside, relaxed(k), Lanes::load(cells + k)));
        }
        if (shared && edges.bottom && jLow == 1)
            for (int c = 0; c < C; ++c) edges.bottom[(d - 1) * C + c] = x[s.at(d - 1, 1) * C + c];
        if (shared && edges.top && jHigh == rows)
            for (int c = 0; c < C; ++c) edges.top[(d - rows) * C + c] = x[s.at(d - rows, rows) * C + c];
        if (shared && (d == last || (d - 1) % interval == 0))
            kernels::publishBand(crew, band.index, progress(index, d));
    }
}

// `sweeps` (at least one) sweeps of a band's x from zero; its border must be zero
// where it is the grid's, and restartBands must have been called before the crew
// last met. `edges` holds two rows of resI + 2 cells for every band.
template <class Lanes, int C, class Update>
void relax(float* x, const float* fixed, const Band& band, float* edgeRows, int sweeps, const Update& update,
           const kernels::Crew& crew) {
    const size_t rowFloats = (size_t(band.skew.resI) + 2) * C;
    auto edgeRow = [&](uint32_t b, int side) { return edgeRows + (2 * size_t(b) + side) * rowFloats; };
    const bool below = band.index > 0, above = band.index + 1 < band.count;
    BandEdges edges{below ? edgeRow(band.index - 1, 0) : nullptr, above ? edgeRow(band.index + 1, 1) : nullptr,
                    above ? edgeRow(band.index, 0) : nullptr, below ? edgeRow(band.index, 1) : nullptr,
                    band.belowRows, band.aboveRows};
    // A band alone is compiled without any of the hand-over, which cost its sweeps time.
    if (band.count == 1) {
        sweep<Lanes, C, true, false>(x, fixed, band, edges, 0, update, crew);
        for (int k = 1; k < sweeps; ++k) sweep<Lanes, C, false, false>(x, fixed, band, edges, k, update, crew);
    } else {
        sweep<Lanes, C, true, true>(x, fixed, band, edges, 0, update, crew);
        for (int k = 1; k < sweeps; ++k) sweep<Lanes, C, false, true>(x, fixed, band, edges, k, update, crew);
    }
}

}  // namespace
