// The frames-per-second figure and the frame clock behind it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "app/FrameTimer.h"

namespace {

TEST(FpsAverage, MeanOfTheRatesNotTheIntervalsOverAllTenSlotsSkippingEmptyIntervals) {
    FpsAverage fps(10);
    EXPECT_EQ(fps.average(), 0.0);
    for (double dt : {0.02, 0.0, -0.001, 1e-320}) fps.addFrame(dt);  // 1/1e-320 overflows
    EXPECT_DOUBLE_EQ(fps.average(), 5.0);                            // unwritten slots count as zero
    for (int k = 1; k < 10; ++k) fps.addFrame(k % 2 == 0 ? 0.01 : 0.03);
    EXPECT_NEAR(fps.average(), 61.67, 0.005);  // the mean interval would give 47.6
    fps.addFrame(0.01);                        // the eleventh frame replaces the oldest
    EXPECT_NEAR(fps.average(), 66.67, 0.005);
}

TEST(FrameTimer, EachReadingMeasuresFromThePreviousOne) {
    using Clock = std::chrono::steady_clock;
    FrameTimer timer;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const Clock::time_point outerStart = Clock::now();
    timer.restart();
    const double first = timer.elapsed();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const double second = timer.elapsed();
    const double outer = std::chrono::duration<double>(Clock::now() - outerStart).count();
    // Both intervals lie inside the outer span; measuring from construction, ignoring
    // restart() or a wrong tick rate would break one of these.
    EXPECT_GE(first, 0.0);
    EXPECT_GE(second, 0.005);
    EXPECT_LE(first + second, outer + 1e-6);
}

}  // namespace
