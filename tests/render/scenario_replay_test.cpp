// Replaying a scenario: it must do exactly what the same mouse and key actions do
// through the shared step sequence, on every simulation it drives.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "cpu/CPUSim.h"
#include "sim/StepSequence.h"
#include "tests/support/SetFields.h"
#include "tools/render/FieldComparison.h"
#include "tools/render/ScenarioRun.h"

namespace {

struct Recorder : ScenarioObserver {
    std::vector<std::string> events;
    std::vector<size_t> strokeCounts;
    void picture(const std::string& name, const std::vector<DragSegment>& strokes) override {
        events.push_back("picture " + name);
        strokeCounts.push_back(strokes.size());
    }
    void stepped(uint64_t n, const std::vector<DragSegment>&) override {
        events.push_back("step " + std::to_string(n));
    }
};

Scenario scenarioFrom(const std::string& text) {
    const ParsedScenario p = parseScenario(text);
    EXPECT_TRUE(p.ok()) << describeErrors("scenario", p.errors);
    return p.scenario;
}

void expectSameFields(const CPUSim& a, const CPUSim& b) {
    ASSERT_EQ(a.density().size(), b.density().size());
    for (uint32_t c = 0; c < a.density().size(); ++c) {
        ASSERT_EQ(a.density()[c], b.density()[c]) << "density at cell " << c;
        ASSERT_EQ(a.velocity()[c], b.velocity()[c]) << "velocity at cell " << c;
    }
}

void handSteps(CPUSim& sim, int count, double dt, const std::vector<DragSegment>& strokes, CellCoord pour) {
    StepInput input;
    input.pouring = pour.valid;
    input.pourCell = pour;
    input.strokes = &strokes;
    for (int n = 0; n < count; ++n) advanceSimulation(sim, dt, input);
}

TEST(ScenarioReplay, PourAndStrokeGiveExactlyTheFieldsOfTheSameCallsMadeByHand) {
    const Scenario s = scenarioFrom(
        "grid 24 17\n"
        "dt 0.04\n"
        "stroke 0.2 0.3 0.7 0.6\n"
        "pour 0.4 0.25 5\n"
        "toggle a\n"
        "run 3\n"
        "toggle a\n"
        "dt 0.07\n"
        "stroke 0.9 0.9 0.1 0.8\n"
        "pour 0.6 0.5 2\n"
        "clear strokes\n"
        "run 4\n");
    CPUSim replayed(24, 17);
    Recorder recorder;
    runScenario(s, {&replayed}, recorder);

    // The same session by hand, with the cells worked out on paper: x * 24 + 0.5 and
    // y * 17 + 0.5 rounded to the nearest whole number.
    CPUSim byHand(24, 17);
    std::vector<DragSegment> strokes{{byHand.cellToWorld(5, 6), byHand.cellToWorld(17, 11)}};
    handSteps(byHand, 5, 0.04, strokes, {10, 5, true});
    byHand.advectEnabled = false;
    handSteps(byHand, 3, 0.04, strokes, {0, 0, false});
    byHand.advectEnabled = true;
    strokes.push_back({byHand.cellToWorld(22, 16), byHand.cellToWorld(3, 14)});
    handSteps(byHand, 2, 0.07, strokes, {15, 9, true});
    strokes.clear();
    handSteps(byHand, 4, 0.07, strokes, {0, 0, false});

    expectSameFields(replayed, byHand);
    EXPECT_EQ(replayed.stepCount, byHand.stepCount);
    EXPECT_GT(replayed.getDensity(12, 9), 0.0f) << "the scenario should have left smoke behind";
}

// Two simulations in lockstep: every action reaches both, the observer hears of
// each step once, and the two stay identical.
TEST(ScenarioReplay, PicturesAndStepsAreReportedInOrderWithTheStrokesOfTheMoment) {
    const Scenario s = scenarioFrom(
        "grid 6 5\nstroke 0.1 0.1 0.9 0.9\npicture one\npour 0.5 0.5 2\nstroke 0.2 0.2 0.2 0.8\n"
        "toggle d\nrun 1\npicture two\nclear strokes\npicture\n");
    CPUSim sim(6, 5), twin(6, 5);
    Recorder recorder;
    runScenario(s, {&sim, &twin}, recorder);
    const std::vector<std::string> expected{"picture one", "step 1",      "step 2",
                                            "step 3",      "picture two", "picture picture-3"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(recorder.strokeCounts, (std::vector<size_t>{1, 2, 0}));
    expectSameFields(sim, twin);
    EXPECT_FALSE(twin.diffuseEnabled);
    EXPECT_EQ(twin.stepCount, 4 + 3);
    EXPECT_GT(twin.getDensity(3, 3), 0.0f);
}

TEST(ScenarioReplay, ResetClearsTheFieldsButTheStrokesKeepStirring) {
    const Scenario s = scenarioFrom("grid 16 12\nstroke 0.1 0.5 0.9 0.5\npour 0.5 0.5 4\nreset\nrun 1\n");
    CPUSim sim(16, 12);
    Recorder recorder;
    runScenario(s, {&sim}, recorder);
    float density = 0.0f;
    float speed = 0.0f;
    for (uint32_t i = 1; i <= 16; ++i)
        for (uint32_t j = 1; j <= 12; ++j) {
            density += sim.getDensity(i, j);
            speed += std::fabs(sim.getVelocity(i, j).x);
        }
    EXPECT_EQ(density, 0.0f);
    EXPECT_GT(speed, 0.0f);
}

// |a - b| / max(|a|, |b|) in the 2-norm, the same either way round; NaN is never close.
TEST(FieldComparison, RelativeDifferenceIsTheNormOfTheGapOverTheLargerField) {
    CPUSim a(7, 5), b(7, 5), other(5, 7);
    EXPECT_EQ(relativeDifference(a, b).density + relativeDifference(a, b).velocity, 0.0) << "two empty fields";
    auto velocity = [](float scale) { return [=](uint32_t i, uint32_t j) { return Vec2{float(i) - 3.0f, float(j) * 0.5f} * scale; }; };
    auto density = [](float scale) { return [=](uint32_t i, uint32_t j) { return (float(i * j) + 1.0f) * scale; }; };
    setFields(a, velocity(1.0f), density(1.0f));
    setFields(b, velocity(1.25f), density(0.5f));
    for (const FieldDifference& d : {relativeDifference(a, b), relativeDifference(b, a)}) {
        EXPECT_NEAR(d.density, 0.5, 1e-6);           // |a - a/2| / |a|
        EXPECT_NEAR(d.velocity, 0.25 / 1.25, 1e-6);  // |1.25v - v| / |1.25v|
    }
    b.addDensity(2, 3, std::nanf(""));
    b.step(0.0);
    EXPECT_TRUE(std::isnan(relativeDifference(a, b).density));
    EXPECT_THROW(relativeDifference(a, other), std::invalid_argument);
}

}  // namespace
