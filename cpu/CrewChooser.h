#pragma once
// How many members of a thread team share the next step, chosen by how long steps
// take. On an idle machine the whole team is fastest; when another program takes a
// processor, the member that shares it holds up its neighbours on every sweep, and
// fewer members finish sooner. Every kernel gives the same bits on any crew, so the
// choice may change from one step to the next without changing a value.
//
// A size is judged by the median of a few consecutive steps. The chooser moves to a
// size known to be faster, and now and then tries a neighbouring one; each try that
// fails makes the next wait twice as long, so that under a lasting load the tries
// cost a small and shrinking part of the time. The clock is the steps' own times:
// a paused program tries nothing.

#include <vector>

class CrewChooser {
public:
    explicit CrewChooser(unsigned largest);

    // The crew for the coming step, 1 to largest.
    unsigned crew() const { return mCurrent; }
    // The step just run with crew() members took this long.
    void stepTook(double seconds);

private:
    unsigned neighbourToTry();
    double waitBeforeTry(double stepSeconds) const;

    unsigned mLargest;
    unsigned mHome;               // the size believed fastest
    unsigned mCurrent;            // mHome, or a size being tried
    std::vector<double> mMedian;  // by size; 0: not judged yet
    std::vector<double> mRecent;  // this size's steps since it was last judged
    double mSinceTry;
    unsigned mFailures = 0;
    bool mTryLarger = true;
};
