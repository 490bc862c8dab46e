// Replaying a scenario must do exactly what the same mouse and key actions do
// through the shared step sequence.
#include <gtest/gtest.h>

#include <vector>

#include "cpu/CPUSim.h"
#include "sim/StepSequence.h"
#include "tools/render/ScenarioRun.h"

namespace {

struct Silent : ScenarioObserver {
    void picture(const std::string&, const std::vector<DragSegment>&) override {}
    void stepped(uint64_t, const std::vector<DragSegment>&) override {}
};

void handSteps(CPUSim& sim, int count, double dt, const std::vector<DragSegment>& strokes, CellCoord pour) {
    StepInput input;
    input.pouring = pour.valid;
    input.pourCell = pour;
    input.strokes = &strokes;
    for (int n = 0; n < count; ++n) advanceSimulation(sim, dt, input);
}

TEST(ScenarioReplay, PourStrokeToggleAndResetGiveExactlyTheFieldsOfTheSameCallsMadeByHand) {
    const ParsedScenario p = parseScenario(
        "grid 24 17\ndt 0.04\nstroke 0.2 0.3 0.7 0.6\npour 0.4 0.25 5\ntoggle a\nrun 3\ntoggle a\nreset\n"
        "dt 0.07\nstroke 0.9 0.9 0.1 0.8\npour 0.6 0.5 2\nclear strokes\nrun 4\n");
    ASSERT_TRUE(p.ok()) << describeErrors("scenario", p.errors);
    CPUSim replayed(24, 17);
    Silent silent;
    runScenario(p.scenario, {&replayed}, silent);

    // The same session by hand, with the cells worked out on paper: x * 24 + 0.5 and
    // y * 17 + 0.5 rounded to the nearest whole number. Reset keeps the strokes.
    CPUSim byHand(24, 17);
    std::vector<DragSegment> strokes{{byHand.cellToWorld(5, 6), byHand.cellToWorld(17, 11)}};
    handSteps(byHand, 5, 0.04, strokes, {10, 5, true});
    byHand.advectEnabled = false;
    handSteps(byHand, 3, 0.04, strokes, {0, 0, false});
    byHand.advectEnabled = true;
    byHand.reset();
    strokes.push_back({byHand.cellToWorld(22, 16), byHand.cellToWorld(3, 14)});
    handSteps(byHand, 2, 0.07, strokes, {15, 9, true});
    strokes.clear();
    handSteps(byHand, 4, 0.07, strokes, {0, 0, false});

    for (uint32_t c = 0; c < byHand.density().size(); ++c) {
        ASSERT_EQ(replayed.density()[c], byHand.density()[c]) << "density at cell " << c;
        ASSERT_EQ(replayed.velocity()[c], byHand.velocity()[c]) << "velocity at cell " << c;
    }
    EXPECT_EQ(replayed.stepCount, byHand.stepCount);
    EXPECT_GT(replayed.getDensity(15, 9), 0.0f) << "the scenario should have left smoke behind";
}

}  // namespace
