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

Multigrid::Multigrid(uint32_t resI, uint32_t resJ) : mResI(resI), mResJ(resJ) {
    levelsFor(1.0f, 1.0f, nullptr);
}

const std::vector<MultigridLevel>& Multigrid::levelsFor(float hx, float hy, float* heights) {
    if (!sameBits(hx, mPlannedHx) || !sameBits(hy, mPlannedHy)) {
        std::vector<MultigridLevel> levels;
        for (const MultigridShape& shape : planMultigrid(mResI, mResJ, hx, hy)) levels.push_back({shape, {}, {}, {}, {}});
        bool sameSizes = levels.size() == mLevels.size();
        for (size_t l = 0; sameSizes && l < levels.size(); ++l)
            sameSizes = levels[l].resI == mLevels[l].resI && levels[l].resJ == mLevels[l].resJ;
        if (!sameSizes) {
            // Level 0's x is the caller's heights; every other array is the hierarchy's own.
            mArrays.clear();
            for (size_t l = 0; l < levels.size(); ++l)
                for (int array = 0; array < 3; ++array) mArrays.push_back(cellsOf(levels[l]));
        }
        size_t next = 0;
        for (size_t l = 0; l < levels.size(); ++l) {
            float*& own = l ? levels[l].x : levels[l].spare;
            own = mArrays[next++].data();
            levels[l].f = mArrays[next++].data();
            levels[l].r = mArrays[next++].data();
        }
        mLevels = levels;
        mPlannedHx = hx;
        mPlannedHy = hy;
    }
    mLevels[0].x = heights;
    return mLevels;
}
