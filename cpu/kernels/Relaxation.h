#pragma once
// Gauss-Seidel sweeps over a skewed array, a whole anti-diagonal at a time.
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

// How many diagonals a sweep finishes between reports of its progress: enough
// cells that reporting costs little, few enough that the next sweep follows closely.
inline uint32_t reportInterval(const Skew& s, int C) {
    const uint32_t diagonal = (s.resI < s.resJ ? s.resI : s.resJ) * uint32_t(C);
    return diagonal >= 2048 ? 1 : 2048 / (diagonal + 1) + 1;
}

// Sweep number `index` of x, with fixed the per-cell input in the same layout.
// update(west, east, south, north, fixed) computes a cell's new value; with
// fromZero every old value (east and north) is the zero that x starts from.
//
// Sweeps run side by side on several members of a crew: diagonal d of a sweep reads
// diagonal d + 1 as the previous sweep left it, so it waits until that sweep has
// finished d + 1; the next sweep, in turn, writes d − 1 only once this one has
// finished d. Every cell thus sees exactly the values of the sweeps in order.
template <class Lanes, int C, bool fromZero, class Update>
void sweep(float* x, const float* fixed, const Skew& s, const Update& update, int index, const kernels::Crew& crew) {
    using F = typename Lanes::F;
    const ptrdiff_t along = ptrdiff_t(s.pitch) * C;  // from (i, j) to (i + 1, j)
    const ptrdiff_t across = along + C;               // from (i, j) to (i, j + 1)
    const F zero = Lanes::set1(0.0f);
    const uint32_t last = s.resI + s.resJ;
    const uint32_t interval = reportInterval(s, C);
    uint32_t previousDone = fromZero ? last : 0;  // what the previous sweep is known to have finished
    for (uint32_t d = 2; d <= last; ++d) {
        const uint32_t needed = d + 1 < last ? d + 1 : last;
        if (previousDone < needed) previousDone = kernels::awaitSweep(crew, index - 1, needed);
        const uint32_t jLow = d > s.resI + 1 ? d - s.resI : 1;
        const uint32_t jHigh = d - 1 < s.resJ ? d - 1 : s.resJ;
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
        if (d == last || (d - 1) % interval == 0) kernels::publishSweep(crew, index, d);
    }
}

// `sweeps` (at least one) sweeps of x from zero; its border must be zero, and
// restartSweeps must have been called before the crew last met. Member m of the
// crew makes sweeps m, m + size, m + 2 × size, ...
template <class Lanes, int C, class Update>
void relax(float* x, const float* fixed, const Skew& s, int sweeps, const Update& update, const kernels::Crew& crew) {
    for (int k = int(crew.member); k < sweeps; k += int(crew.size)) {
        if (k == 0) {
            sweep<Lanes, C, true>(x, fixed, s, update, k, crew);
        } else {
            sweep<Lanes, C, false>(x, fixed, s, update, k, crew);
        }
    }
}

}  // namespace
