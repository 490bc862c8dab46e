#pragma once
// The levels of the converged projection's multigrid hierarchy as every kernel set
// sees them, with their arrays: plain data only, since each instruction set's kernels
// include it (see cpu/kernels/LanesScalar.h). cpu/Multigrid.h owns the arrays.

#include <cstdint>

#include "sim/MultigridPlan.h"

struct MultigridLevel : MultigridShape {
    // Each array holds at least MULTIGRID_ARRAY_FLOATS(resI, resJ) floats: room for
    // the cells in storage order or in a kernel set's own order.
    float* x;      // level 0: the heights
    float* f;      // level 0: the divergence term of the height equation
    float* r;      // the residual, for the restriction (unused on the coarsest level)
    float* spare;  // level 0 only: one more, for a kernel set's own order of the heights
};

#define MULTIGRID_ARRAY_FLOATS(resI, resJ) ((uint64_t(resI) + 4) * (uint64_t(resJ) + 2) + 64)
