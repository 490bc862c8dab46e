// Keys: toggles and the mode line's letters, reset with and without the strokes, the single step.
#include <chrono>
#include <thread>

#include "tests/app/ShellFixture.h"

namespace {

using KeyboardTest = ShellTest;

std::vector<bool> switches() {
    return {paused,      showCellCenters,     showVelocity,       showDragSegments,
            scaleArrows, sim->diffuseEnabled, sim->advectEnabled, sim->projectEnabled};
}

TEST_F(KeyboardTest, EachToggleKeyFlipsItsOwnSwitchInBothCasesAndTheModeLineShowsTheStagesOn) {
    // Keys in the order of the switches above; each flips exactly one.
    const char* keys[] = {" ", "Cc", "Vv", "Ff", "Ss", "Dd", "Aa", "Pp"};
    for (size_t flag = 0; flag < 8; ++flag)
        for (const char* key = keys[flag]; *key; ++key) {
            std::vector<bool> expected = switches();
            expected[flag] = !expected[flag];
            keyboard(static_cast<unsigned char>(*key), 5, 5);
            EXPECT_EQ(switches(), expected) << "key '" << *key << "'";
            EXPECT_EQ(modeLine(), std::string("Mode: ") + (expected[5] ? "D" : "") + (expected[6] ? "A" : "") +
                                      (expected[7] ? "P" : ""));
        }
}

TEST_F(KeyboardTest, LowerCaseRClearsTheFluidAndUpperCaseRTheStrokesToo) {
    for (const unsigned char key : {'r', 'R'}) {
        use(12, 9, 600, 450);
        dragSegments = {{sim->cellToWorld(2, 2), sim->cellToWorld(10, 2)}};
        sim->addDensity(6, 5, 70.0f);
        stepSimulation(0.05);
        ASSERT_GT(totalDensity(), 0.0f);
        keyboard(key, 0, 0);
        EXPECT_EQ(totalDensity(), 0.0f) << key;
        EXPECT_EQ(fastestSpeed(), 0.0f) << key;
        EXPECT_EQ(dragSegments.size(), key == 'r' ? 1u : 0u) << key;
        stepSimulation(0.05);  // a kept stroke stirs the fresh fluid
        EXPECT_EQ(fastestSpeed() > 0.0f, key == 'r') << key;
    }
}

TEST_F(KeyboardTest, TStepsOnceByATenthOfASecondEvenWhilePaused) {
    keyboard(' ', 0, 0);
    keyboard('t', 0, 0);
    keyboard('T', 0, 0);
    EXPECT_EQ(recording().stepTimes, (std::vector<double>{0.1, 0.1}));
    EXPECT_EQ(sim->stepCount, 6);
}

TEST_F(KeyboardTest, PausedIdleStillFeedsTheFrameRateButDoesNotStep) {
    keyboard(' ', 0, 0);
    const int32_t slot = fpsAverager.nextSlot;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    idle();
    EXPECT_TRUE(recording().stepTimes.empty());
    EXPECT_NE(fpsAverager.nextSlot, slot);

    keyboard(' ', 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    idle();
    ASSERT_EQ(recording().stepTimes.size(), 1u);
    EXPECT_GE(recording().stepTimes[0], 0.001);  // the measured frame, at least the time slept
}

}  // namespace
