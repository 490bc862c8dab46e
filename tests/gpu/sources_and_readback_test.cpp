// What the accessors see: the state after the last step, the sources only after
// the next one, four floats a cell in the layout of the textures.
#include <gtest/gtest.h>

#include "tests/gpu/support/GpuProbe.h"

namespace {

// One step with every stage off and no time: the fields gain exactly the sources.
void sourceOnlyStep(GpuProbe& sim) {
    sim.setFlags(false, false, false);
    sim.applyVorticity(0.0);
    sim.step(0.0);
    sim.clearSources();
}

TEST(SourcesAndReadback, SourcesShowAfterTheNextStepOnlyAndAddUpWithinAFrame) {
    GpuProbe sim(13, 9);
    for (uint32_t i = 0; i <= 14; ++i)
        for (uint32_t j = 0; j <= 10; ++j) EXPECT_EQ(sim.getDensity(i, j), 0.0f);
    sim.addDensity(4, 5, 3.5f);
    sim.addDensity(4, 5, 1.25f);
    sim.addVelocity(4, 5, 0.5f, -0.25f);
    sim.addVelocity(4, 5, 0.25f, 0.5f);
    EXPECT_EQ(sim.getDensity(4, 5), 0.0f) << "a source showed before the step";
    sourceOnlyStep(sim);
    EXPECT_EQ(sim.getDensity(4, 5), 4.75f);
    EXPECT_EQ(sim.getVelocity(4, 5), (Vec2{0.75f, 0.25f}));
    sourceOnlyStep(sim);
    EXPECT_EQ(sim.getDensity(4, 5), 4.75f) << "a cleared source acted again";
}

TEST(SourcesAndReadback, IndexCountsFourFloatsACellInTheLayoutOfTheTextures) {
    GpuProbe sim(6, 4);
    EXPECT_EQ(sim.index(0, 0), 0u);
    EXPECT_EQ(sim.index(1, 0), 4u);
    EXPECT_EQ(sim.index(0, 1), 32u);
    sim.addDensity(5, 3, 2.0f);
    sim.addVelocity(5, 3, 7.0f, 8.0f);
    sourceOnlyStep(sim);
    Texels expected(6, 4);
    expected(5, 3, 0) = 7.0;
    expected(5, 3, 1) = 8.0;
    expected(5, 3, 3) = 2.0;
    EXPECT_EQ(maxDifference(sim.read(sim.mFields), expected, ALL_CHANNELS), 0.0);
    EXPECT_EQ(sim.getVelocity(5, 3), (Vec2{7.0f, 8.0f}));
}

TEST(SourcesAndReadback, SourcesOnBorderCellsNeverReachTheFields) {
    GpuProbe sim(5, 7);
    for (uint32_t i = 0; i <= 6; ++i)
        for (uint32_t j = 0; j <= 8; ++j) {
            sim.addDensity(i, j, 40.0f);
            sim.addVelocity(i, j, 1.0f, -2.0f);
        }
    sim.applyVorticity(0.1);
    sim.step(0.1);
    const Texels fields = sim.read(sim.mFields);
    EXPECT_TRUE(borderIsZero(fields));
    EXPECT_GT(sim.getDensity(3, 4), 0.0f);
    for (uint32_t i = 0; i <= 6; ++i) EXPECT_EQ(sim.getDensity(i, 0), 0.0f);
}

TEST(SourcesAndReadback, WithoutReadbackTheAccessorsKeepTheLastStateReadBack) {
    GpuProbe sim(8, 8);
    sim.setReadbackEnabled(false);
    sim.addDensity(2, 2, 9.0f);
    sourceOnlyStep(sim);
    EXPECT_EQ(sim.getDensity(2, 2), 0.0f);
    EXPECT_EQ(sim.read(sim.mFields)(2, 2, 3), 9.0);
    sim.setReadbackEnabled(true);
    sourceOnlyStep(sim);
    EXPECT_EQ(sim.getDensity(2, 2), 9.0f);
}

}  // namespace
