#pragma once
// A stirring stroke's velocity, added to every cell of its box: the same float and
// double steps as the cell-by-cell definition, a run of cells at a time, with each
// distance case that some lane needs computed and the right one selected.
// (Anonymous namespace and no project headers: see LanesScalar.h.)

#include "cpu/kernels/KernelTable.h"
#include "cpu/kernels/LanesScalar.h"
#include "cpu/kernels/Runs.h"

namespace {

// float(sqrt(double(float(dx² + dy²)))). A float's square root rounded once from
// double precision equals its correctly rounded float square root, which the
// lanes compute directly.
template <class L>
typename L::F strokeLength(typename L::D dx, typename L::D dy) {
    return L::sqrt(L::narrow(dx * dx + dy * dy));
}

// The stroke's numbers, widened and broadcast once: kept apart from the sources, which
// the compiler must otherwise assume every store may change.
template <class L>
struct StrokeConstants {
    explicit StrokeConstants(const kernels::StrokeCells& s)
        : fromX(L::set1Double(s.fromX)),
          fromY(L::set1Double(s.fromY)),
          toX(L::set1Double(s.toX)),
          toY(L::set1Double(s.toY)),
          dx(L::set1Double(s.dx)),
          dy(L::set1Double(s.dy)),
          len(L::set1Double(s.len)),
          lenSquared(L::set1Double(double(s.len) * double(s.len))),
          radius(L::set1Double(s.radius)),
          core(L::set1Double(s.core)),
          rimWidth(L::set1Double(1.0 - double(s.core))),
          strength(L::set1Double(s.strength)),
          directionX(L::set1Double(s.directionX)),
          directionY(L::set1Double(s.directionY)),
          one(L::set1Double(1.0)),
          zeroFloat(L::set1(0.0f)),
          oneFloat(L::set1(1.0f)),
          lenFloat(L::set1(s.len)),
          coreFloat(L::set1(s.core)) {}

    typename L::D fromX, fromY, toX, toY, dx, dy, len, lenSquared, radius, core, rimWidth, strength;
    typename L::D directionX, directionY, one;
    typename L::F zeroFloat, oneFloat, lenFloat, coreFloat;
};

// The distance from the segment itself, for cells whose projection falls on it.
template <class L>
typename L::F distanceBeside(typename L::D qx, typename L::D qy, typename L::D dot, const StrokeConstants<L>& c) {
    const typename L::D along = L::widen(L::narrow(dot / c.lenSquared));
    return strokeLength<L>(qx - along * c.dx, qy - along * c.dy);
}

template <class L>
void addStrokeToRun(float* pairs, const StrokeConstants<L>& c, const float* centreX, float centreY) {
    using F = typename L::F;
    using D = typename L::D;
    const D wx = L::widen(L::load(centreX));
    const D wy = L::widen(L::set1(centreY));
    const D qx = L::widen(L::narrow(wx - c.fromX));
    const D qy = L::widen(L::narrow(wy - c.fromY));
    const D dot = L::widen(L::narrow(qx * c.dx + qy * c.dy));
    const F proj = L::narrow(dot / c.len);
    const auto isBefore = L::lessThan(proj, c.zeroFloat);
    const auto isPast = L::lessThan(c.lenFloat, proj);
    // Most runs of a short stroke's box lie wholly beyond one of its ends or wholly
    // beside it: a distance that no lane selects (and its division) is not computed.
    const F before = L::anyLane(isBefore) ? strokeLength<L>(qx, qy) : c.zeroFloat;
    const F past = L::anyLane(isPast) ? strokeLength<L>(wx - c.toX, wy - c.toY) : c.zeroFloat;
    const F beside = L::allLanes(L::either(isBefore, isPast)) ? c.zeroFloat : distanceBeside<L>(qx, qy, dot, c);
    const F dist = L::select(isBefore, before, L::select(isPast, past, beside));
    const F t = L::narrow(L::widen(dist) / c.radius);
    const F u = L::narrow((L::widen(t) - c.core) / c.rimWidth);
    const F rim = L::select(L::greaterThan(u, c.oneFloat), c.oneFloat, u);
    const F weight = L::select(L::atMost(t, c.coreFloat), c.oneFloat, L::narrow(c.one - L::widen(rim) * L::widen(rim)));
    const D k = L::widen(L::narrow(L::widen(weight) * c.strength));
    L::addToPairs(pairs, L::narrow(c.directionX * k), L::narrow(c.directionY * k));
}

template <class Lanes>
void addStroke(float* sources, GridSize grid, const kernels::StrokeCells& s, const kernels::Crew& crew) {
    using L = typename Lanes::Doubles;
    const StrokeConstants<L> lanes(s);
    const StrokeConstants<ScalarLanes> single(s);
    const Share rows = shareOf(crew, s.loJ, s.hiJ + 1);
    for (uint32_t j = rows.begin; j < rows.end; ++j) {
        const float centreY = s.centreY[j];
        const uint32_t last = s.lastI[j];
        uint32_t i = s.firstI[j];
        for (; i + L::N <= last + 1; i += L::N)
            addStrokeToRun<L>(sources + 2 * cellAt(grid, i, j), lanes, s.centreX + i, centreY);
        for (; i <= last; ++i)
            addStrokeToRun<ScalarLanes>(sources + 2 * cellAt(grid, i, j), single, s.centreX + i, centreY);
    }
}

}  // namespace
