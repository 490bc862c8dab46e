// The per-step call sequence shared by every program.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/Limits.h"
#include "sim/StepSequence.h"
#include "tests/support/NullSim.h"

namespace {

class CallLog : public NullSim {
public:
    CallLog() : NullSim(20, 30) {}
    void splatDensity(float amount, uint32_t i, uint32_t j) override {
        calls.push_back("splat " + std::to_string(amount) + " " + std::to_string(i) + " " + std::to_string(j));
    }
    void dragVelocity(float strength, const Vec2& from, const Vec2&) override {
        calls.push_back("drag " + std::to_string(strength) + " " + std::to_string(from.x));
    }
    void applyVorticity(double dt) override { calls.push_back("vorticity " + std::to_string(dt)); }
    void step(double dt) override { calls.push_back("step " + std::to_string(dt)); }
    void clearSources() override { calls.push_back("clear"); }
    std::vector<std::string> calls;
};

TEST(StepSequence, PoursThenStrokesOldestFirstThenForcesStepAndClear) {
    CallLog sim;
    const std::vector<DragSegment> strokes{{{0.1f, 0.2f}, {0.3f, 0.4f}}, {{0.5f, 0.5f}, {0.6f, 0.6f}}};
    StepInput input;
    input.pouring = true;
    input.pourCell = {7, 9, true};
    input.strokes = &strokes;
    advanceSimulation(sim, 0.25, input);
    EXPECT_EQ(sim.calls,
              (std::vector<std::string>{"splat 100.000000 7 9", "drag 0.006500 0.100000", "drag 0.006500 0.500000",
                                        "vorticity 0.250000", "step 0.250000", "clear"}));
    EXPECT_EQ(sim.stepCount, 5);
    // No pour over an invalid cell, nor with the button up.
    for (const bool pouring : {true, false}) {
        input.pouring = pouring;
        input.pourCell = {3, 3, !pouring};
        sim.calls.clear();
        advanceSimulation(sim, 0.1, input);
        EXPECT_EQ(sim.calls.size(), 5u) << "strokes, forces, step and clear only";
    }
}

// Either solver turns such a step into NaN fields or unbounded growth; nothing of
// the step may reach the simulation.
TEST(StepSequence, AStepLengthTheSolversCannotTakeIsRefusedBeforeTouchingTheSimulation) {
    CallLog sim;
    StepInput input;
    input.pouring = true;
    input.pourCell = {3, 4, true};
    for (double dt : {std::nan(""), HUGE_VAL, -HUGE_VAL, -0.05, -1e-300, MAX_STEP_SECONDS * 1.001, 3e38}) {
        EXPECT_THROW(advanceSimulation(sim, dt, input), std::invalid_argument) << dt;
        EXPECT_TRUE(sim.calls.empty()) << dt;
        EXPECT_EQ(sim.stepCount, 4) << dt;
    }
    testing::internal::CaptureStdout();
    for (double dt : {0.0, MAX_STEP_SECONDS}) advanceSimulation(sim, dt, StepInput{});
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(sim.stepCount, 6);
}

}  // namespace
