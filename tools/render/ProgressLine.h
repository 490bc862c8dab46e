#pragma once
// "step k of n" on one terminal line that rewrites itself while a scenario runs, and
// then "writing the film: frame k of n" while a film's last frames are encoded, for a
// person watching a long run; it is wiped before anything else is printed.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

#include "scenario/ScenarioRun.h"

class ProgressLine : public ScenarioObserver {
public:
    // Passes everything on to `next`, which takes a picture at every `picture` line and
    // after every `every` steps (0: never); shows the progress on `terminal`.
    ProgressLine(ScenarioObserver& next, uint64_t totalSteps, uint32_t every, std::ostream& terminal);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void picture(const std::string& name, const std::vector<DragSegment>& strokes) override;
    void stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) override;
    // The k-th of a film's n frames has reached its file.
    void filmWritten(uint64_t k, uint64_t n);

private:
    ScenarioObserver& mNext;
    uint64_t mTotal;
    uint32_t mEvery;
    std::ostream& mTerminal;
    bool mShown = false;
    std::chrono::steady_clock::time_point mLastShown{};

    void wipe();
    // Shows the text, at most every so often.
    void show(const std::string& text);
};
