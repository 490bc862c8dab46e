#include "tools/render/ProgressLine.h"

namespace {

// Often enough to look alive, seldom enough to cost nothing on small grids.
constexpr std::chrono::milliseconds REFRESH{100};

}  // namespace

ProgressLine::ProgressLine(ScenarioObserver& next, uint64_t totalSteps, uint32_t every, std::ostream& terminal)
    : mNext(next), mTotal(totalSteps), mEvery(every), mTerminal(terminal) {}

ProgressLine::~ProgressLine() { wipe(); }

void ProgressLine::picture(const std::string& name, const std::vector<DragSegment>& strokes) {
    wipe();
    mNext.picture(name, strokes);
}

void ProgressLine::stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) {
    // A frame's report must not land behind the progress on the terminal.
    if (mEvery != 0 && stepNumber % mEvery == 0) wipe();
    mNext.stepped(stepNumber, strokes);
    show("step " + std::to_string(stepNumber) + " of " + std::to_string(mTotal));
}

void ProgressLine::filmWritten(uint64_t k, uint64_t n) {
    show("writing the film: frame " + std::to_string(k) + " of " + std::to_string(n));
}

void ProgressLine::show(const std::string& text) {
    const auto now = std::chrono::steady_clock::now();
    if (now - mLastShown < REFRESH) return;
    mTerminal << "\r" << text << "\033[K" << std::flush;
    mShown = true;
    mLastShown = now;
}

void ProgressLine::wipe() {
    if (!mShown) return;
    mTerminal << "\r\033[K" << std::flush;
    mShown = false;
}
