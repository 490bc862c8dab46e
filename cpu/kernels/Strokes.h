#pragma once
// A stirring stroke's velocity, added to every cell of its box: the same float and
// double steps as the cell-by-cell definition, a run of cells at a time, with all
// three distance cases computed and the right one selected.
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

template <class L>
void addStrokeToRun(float* sources, const kernels::StrokeCells& s, uint32_t i, uint32_t j, size_t cell) {
    using F = typename L::F;
    using D = typename L::D;
    auto wide = [](double x) { return L::set1Double(x); };
    const D wx = L::widen(L::load(s.centreX + i));
    const D wy = L::widen(L::set1(s.centreY[j]));
    const D qx = L::widen(L::narrow(wx - wide(s.fromX)));
    const D qy = L::widen(L::narrow(wy - wide(s.fromY)));
    const D dot = L::widen(L::narrow(qx * wide(s.dx) + qy * wide(s.dy)));
    const F proj = L::narrow(dot / wide(s.len));
    const F before = strokeLength<L>(qx, qy);
    const F past = strokeLength<L>(wx - wide(s.toX), wy - wide(s.toY));
    const D along = L::widen(L::narrow(dot / wide(double(s.len) * double(s.len))));
    const F beside = strokeLength<L>(qx - along * wide(s.dx), qy - along * wide(s.dy));
    const F dist = L::select(L::lessThan(proj, L::set1(0.0f)), before,
                             L::select(L::lessThan(L::set1(s.len), proj), past, beside));
    const F t = L::narrow(L::widen(dist) / wide(s.radius));
    const F u = L::narrow((L::widen(t) - wide(s.core)) / wide(1.0 - double(s.core)));
    const F rim = L::select(L::greaterThan(u, L::set1(1.0f)), L::set1(1.0f), u);
    const F weight = L::select(L::atMost(t, L::set1(s.core)), L::set1(1.0f),
                               L::narrow(wide(1.0) - L::widen(rim) * L::widen(rim)));
    const D k = L::widen(L::narrow(L::widen(weight) * wide(s.strength)));
    L::addToPairs(sources + 2 * cell, L::narrow(wide(s.directionX) * k), L::narrow(wide(s.directionY) * k));
}

template <class Lanes>
void addStroke(float* sources, GridSize grid, const kernels::StrokeCells& s) {
    using L = typename Lanes::Doubles;
    for (uint32_t j = s.loJ; j <= s.hiJ; ++j) {
        uint32_t i = s.loI;
        for (; i + L::N <= s.hiI + 1; i += L::N) addStrokeToRun<L>(sources, s, i, j, cellAt(grid, i, j));
        for (; i <= s.hiI; ++i) addStrokeToRun<ScalarLanes>(sources, s, i, j, cellAt(grid, i, j));
    }
}

}  // namespace
