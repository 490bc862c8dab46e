#include "cpu/Multigrid.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

std::vector<float> cellsOf(const MultigridLevel& level) {
    const uint64_t count = MULTIGRID_ARRAY_FLOATS(level.resI, level.resJ);
    if (count * sizeof(float) > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    return std::vector<float>(count, 0.0f);
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

Multigrid::Multigrid(uint32_t resI, uint32_t resJ, MultigridCopies copies)
    : mResI(resI), mResJ(resJ), mCopies(copies.copies >= 2 ? copies : MultigridCopies{}) {
    levelsFor(1.0f, 1.0f, nullptr);
}

const std::vector<MultigridLevel>& Multigrid::levelsFor(float hx, float hy, float* heights) {
    if (!sameBits(hx, mPlannedHx) || !sameBits(hy, mPlannedHy)) {
        std::vector<MultigridLevel> levels;
        for (const MultigridShape& shape : planMultigrid(mResI, mResJ, hx, hy))
            levels.push_back({shape, {}, {}, {}, {}});
        bool sameSizes = levels.size() == mLevels.size();
        for (size_t l = 0; sameSizes && l < levels.size(); ++l)
            sameSizes = levels[l].resI == mLevels[l].resI && levels[l].resJ == mLevels[l].resJ;
        auto copied = [&](const MultigridLevel& v, size_t l) {
            return l > 0 && uint64_t(v.resI) * v.resJ < mCopies.belowCells;
        };
        if (!sameSizes) {
            // Level 0's x is the caller's heights; every other array is the hierarchy's own.
            mArrays.clear();
            for (uint32_t copy = 0; copy <= mCopies.copies; ++copy)
                for (size_t l = 0; l < levels.size(); ++l)
                    if (copy == 0 || copied(levels[l], l))
                        for (int array = 0; array < 3; ++array) mArrays.push_back(cellsOf(levels[l]));
        }
        size_t next = 0;
        auto attach = [&](MultigridLevel& v, size_t l) {
            float*& own = l ? v.x : v.spare;
            own = mArrays[next++].data();
            v.f = mArrays[next++].data();
            v.r = mArrays[next++].data();
        };
        for (size_t l = 0; l < levels.size(); ++l) attach(levels[l], l);
        mCopyLevels.assign(mCopies.copies, levels);
        for (std::vector<MultigridLevel>& copy : mCopyLevels)
            for (size_t l = 0; l < copy.size(); ++l)
                if (copied(copy[l], l)) attach(copy[l], l);
        mLevels = levels;
        mPlannedHx = hx;
        mPlannedHy = hy;
    }
    mLevels[0].x = heights;
    for (std::vector<MultigridLevel>& copy : mCopyLevels) copy[0].x = heights;
    return mLevels;
}
