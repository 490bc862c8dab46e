#include "cpu/CrewChooser.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Steps a size is judged by: the median of three is not fooled by one step that a
// page fault or a passing interrupt made long.
constexpr size_t JUDGED_STEPS = 3;
// A size replaces another only when this much faster, so that two sizes about as
// fast do not take turns.
constexpr double FASTER = 0.9;
// A try waits for so many steps' time, or so many seconds, whichever is longer, and
// twice as long after each try that failed, up to 64 times.
constexpr double TRY_AFTER_STEPS = 100.0;
constexpr double TRY_AFTER_SECONDS = 0.25;
constexpr unsigned MOST_FAILURES = 6;

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

CrewChooser::CrewChooser(unsigned largest)
    : mLargest(std::max(1u, largest)),
      mHome(mLargest),
      mCurrent(mLargest),
      mMedian(size_t(mLargest) + 1, 0.0),
      // The first judgement of the whole team is followed by a try at once.
      mSinceTry(std::numeric_limits<double>::infinity()) {}

void CrewChooser::stepTook(double seconds) {
    mRecent.push_back(seconds);
    mSinceTry += seconds;
    if (mRecent.size() < JUDGED_STEPS) return;
    const double median = medianOf(mRecent);
    mRecent.clear();
    mMedian[mCurrent] = median;
    if (mCurrent != mHome) {
        if (median < FASTER * mMedian[mHome]) {
            mHome = mCurrent;
            mFailures = 0;
        } else {
            mCurrent = mHome;
            mFailures = std::min(mFailures + 1, MOST_FAILURES);
        }
        mSinceTry = 0.0;
        return;
    }
    // A size judged faster, even a while ago: the load may have changed since, and
    // judging it again costs a few steps at most.
    unsigned best = mHome;
    for (unsigned size = 1; size <= mLargest; ++size)
        if (mMedian[size] > 0.0 && mMedian[size] < mMedian[best]) best = size;
    if (best != mHome && mMedian[best] < FASTER * median) {
        mHome = mCurrent = best;
        mFailures = 0;
        mSinceTry = 0.0;
        return;
    }
    if (mSinceTry >= waitBeforeTry(median)) mCurrent = neighbourToTry();
}

// One size more or fewer than now: one not judged yet first, else each in turn.
unsigned CrewChooser::neighbourToTry() {
    const bool larger = mHome<mLargest, smaller = mHome> 1;
    if (larger && mMedian[mHome + 1] == 0.0) return mHome + 1;
    if (smaller && mMedian[mHome - 1] == 0.0) return mHome - 1;
    mTryLarger = !mTryLarger;
    if (larger && (mTryLarger || !smaller)) return mHome + 1;
    return smaller ? mHome - 1 : mHome;
}

double CrewChooser::waitBeforeTry(double stepSeconds) const {
    return std::max(TRY_AFTER_SECONDS, TRY_AFTER_STEPS * stepSeconds) * std::ldexp(1.0, int(mFailures));
}
