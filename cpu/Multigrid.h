#pragma once
// The software solver's multigrid hierarchy: the levels sim/MultigridPlan.h plans for
// the grid and its cell shape, with their arrays. Both kernel sets solve on it
// (cpu/MultigridLevel.h says what a level holds).

#include <cstdint>
#include <vector>

#include "cpu/MultigridLevel.h"

// Copies of the small levels that each thread of a kernel set keeps of its own: the
// levels of fewer than `belowCells` cells but level 0, for `copies` threads (none for
// fewer than two).
struct MultigridCopies {
    uint32_t copies = 0;
    uint64_t belowCells = 0;
};

class Multigrid {
public:
    // Plans for square cells at once (levelsFor plans again for other cells). Throws
    // std::bad_alloc when the arrays cannot be had.
    Multigrid(uint32_t resI, uint32_t resJ, MultigridCopies copies = {});

    // The levels for cells hx wide and hy high, level 0 relaxing `heights` (a field
    // of the grid). Replans, allocating, only when the cells' shape changes which
    // axes the levels halve.
    const std::vector<MultigridLevel>& levelsFor(float hx, float hy, float* heights);
    // After levelsFor: thread k's levels, its own copies where it keeps them and the
    // shared ones elsewhere, k below copies().
    const MultigridLevel* levelsOfCopy(uint32_t k) const { return mCopyLevels[k].data(); }
    uint32_t copies() const { return uint32_t(mCopyLevels.size()); }

    // What the last projection on it did; the kernels write it.
    MultigridOutcome outcome{};

private:
    uint32_t mResI;
    uint32_t mResJ;
    MultigridCopies mCopies;
    std::vector<MultigridLevel> mLevels;
    std::vector<std::vector<float>> mArrays;
    std::vector<std::vector<MultigridLevel>> mCopyLevels;
    float mPlannedHx = 0.0f;
    float mPlannedHy = 0.0f;
};
