#pragma once
// The converged projection's cycles over the hierarchy of sim/MultigridPlan.h, for a
// solver that says how each pass is done. The software solver's fast kernels run the
// same cycles with passes of their own shared among threads (see
// cpu/kernels/ConvergedProjection.h), and must match these bit for bit.
//
// Passes has: levels(), how many there are; smooth(l, sweeps), red-black sweeps of
// level l; residual(l), which stores level l's residual and returns its largest
// magnitude (only level 0's is needed); restrictTo(c), level c's right-hand side from
// the finer level's residual, its correction starting from zero; and prolongFrom(c),
// which adds level c's correction to the finer level.

#include <cstddef>

#include "sim/MultigridPlan.h"

namespace multigrid {

template <class Passes>
void correct(Passes& passes, size_t c);

template <class Passes>
void vCycle(Passes& passes, size_t c) {
    passes.smooth(c, SMOOTHING_SWEEPS);
    passes.residual(c);
    passes.restrictTo(c + 1);
    correct(passes, c + 1);
    passes.prolongFrom(c + 1);
    passes.smooth(c, SMOOTHING_SWEEPS);
}

// Level c's correction from zero: V(1, 1) below it; the coarsest level sweeps.
template <class Passes>
void correct(Passes& passes, size_t c) {
    if (c + 1 == passes.levels()) {
        passes.smooth(c, COARSEST_SWEEPS);
    } else {
        vCycle(passes, c);
    }
}

// Level c solved from zero by nested iteration: its residual restricted to the
// coarser levels and solved there, interpolated back, and one V-cycle.
template <class Passes>
void nested(Passes& passes, size_t c) {
    if (c + 1 == passes.levels()) {
        passes.smooth(c, COARSEST_SWEEPS);
        return;
    }
    passes.residual(c);
    passes.restrictTo(c + 1);
    nested(passes, c + 1);
    passes.prolongFrom(c + 1);
    vCycle(passes, c);
}

}  // namespace multigrid

// Level 0's heights, from zero (its right-hand side in place), until the largest
// residual is CONVERGED_TOLERANCE of the zero start's, or stalls (CONVERGED_STALL), or
// MAX_V_CYCLES have run; the first heights come from the coarser levels. A residual
// that is NaN counts as no larger than any other.
template <class Passes>
MultigridOutcome runVCycles(Passes& passes) {
    const float start = passes.residual(0);
    if (passes.levels() > 1) {
        passes.restrictTo(1);
        multigrid::nested(passes, 1);
        passes.prolongFrom(1);
    }
    passes.smooth(0, LEVEL0_START_SWEEPS);
    MultigridOutcome outcome{};
    float last = __builtin_inff();
    for (;; ++outcome.cycles) {
        const float largest = passes.residual(0);
        outcome.residual = start > 0.0f ? largest / start : 0.0f;
        if (largest <= CONVERGED_TOLERANCE * start || largest > CONVERGED_STALL * last ||
            outcome.cycles == MAX_V_CYCLES)
            return outcome;
        last = largest;
        if (passes.levels() > 1) {
            passes.restrictTo(1);
            multigrid::correct(passes, 1);
            passes.prolongFrom(1);
        }
        passes.smooth(0, LEVEL0_SWEEPS);
    }
}
