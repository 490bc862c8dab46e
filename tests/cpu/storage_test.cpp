// Storage, accessors, sources, reset and the stage switches of the software solver.
#include <gtest/gtest.h>

#include <new>
#include <random>

#include "cpu/CPUSim.h"
#include "tests/support/CpuFields.h"

namespace {

// Fills the fields with random non-zero values by adding them as sources in one plain step.
void randomise(CPUSim& sim, std::mt19937& rng) {
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::uniform_real_distribution<float> amount(0.0f, 80.0f);
    const bool d = sim.diffuseEnabled, a = sim.advectEnabled, p = sim.projectEnabled;
    setFields(sim, [&](uint32_t, uint32_t) { return Vec2{value(rng), value(rng)}; },
              [&](uint32_t, uint32_t) { return amount(rng); });
    setFlags(sim, d, a, p);
}

template <class Check>
void forEveryCell(const FluidSim2D& sim, Check check) {
    for (uint32_t j = 0; j <= sim.resJ + 1; ++j)
        for (uint32_t i = 0; i <= sim.resI + 1; ++i) check(i, j);
}

bool onBorder(const FluidSim2D& sim, uint32_t i, uint32_t j) {
    return i == 0 || j == 0 || i == sim.resI + 1 || j == sim.resJ + 1;
}

TEST(CpuStorage, NewSolverIsAtRestEverywhereBorderIncluded) {
    CPUSim sim(7, 4);
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        EXPECT_EQ(sim.getDensity(i, j), 0.0f);
        EXPECT_EQ(sim.getVelocity(i, j), (Vec2{0.0f, 0.0f}));
    });
}

TEST(CpuSources, AddUpAndActForExactlyOneStep) {
    CPUSim sim(9, 6);
    std::mt19937 rng(11);
    randomise(sim, rng);
    setFlags(sim, false, false, false);
    const float before = sim.getDensity(4, 5);
    const Vec2 velocityBefore = sim.getVelocity(8, 2);
    sim.addDensity(4, 5, 5.0f);
    sim.addDensity(4, 5, 5.0f);
    sim.addVelocity(8, 2, 0.25f, -0.5f);
    EXPECT_EQ(sim.getDensity(4, 5), before) << "a source must not show before the step";
    sim.step(0.1);
    EXPECT_FLOAT_EQ(sim.getDensity(4, 5), before + 10.0f);
    EXPECT_FLOAT_EQ(sim.getVelocity(8, 2).x, velocityBefore.x + 0.25f);
    EXPECT_FLOAT_EQ(sim.getVelocity(8, 2).y, velocityBefore.y - 0.5f);
    sim.clearSources();
    sim.step(0.1);
    EXPECT_FLOAT_EQ(sim.getDensity(4, 5), before + 10.0f);
    EXPECT_FLOAT_EQ(sim.getVelocity(8, 2).x, velocityBefore.x + 0.25f);
}

TEST(CpuSources, BorderSourcesChangeNoField) {
    CPUSim sim(12, 5);
    sim.addDensity(0, 3, 50.0f);
    sim.addDensity(13, 6, 50.0f);
    sim.addVelocity(4, 0, 3.0f, 3.0f);
    sim.addVelocity(13, 2, -3.0f, 1.0f);
    sim.applyVorticity(0.1);
    sim.step(0.1);
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        EXPECT_EQ(sim.getDensity(i, j), 0.0f) << i << "," << j;
        EXPECT_EQ(sim.getVelocity(i, j), (Vec2{0.0f, 0.0f})) << i << "," << j;
    });
}

TEST(CpuReset, ClearsFieldsAndSourcesButKeepsCountFlagsAndRectangles) {
    CPUSim sim(10, 14);
    std::mt19937 rng(5);
    randomise(sim, rng);
    sim.stepCount = 17;
    setFlags(sim, false, true, false);
    sim.addDensity(3, 3, 9.0f);
    sim.addVelocity(3, 3, 1.0f, 1.0f);
    const Rect grid = sim.gridRect, world = sim.worldRect;
    sim.reset();
    EXPECT_EQ(sim.stepCount, 17);
    EXPECT_FALSE(sim.diffuseEnabled);
    EXPECT_TRUE(sim.advectEnabled);
    EXPECT_FALSE(sim.projectEnabled);
    EXPECT_EQ(sim.gridRect.width, grid.width);
    EXPECT_EQ(sim.worldRect.height, world.height);
    setFlags(sim, true, true, true);
    sim.applyVorticity(0.1);
    sim.step(0.1);
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        EXPECT_EQ(sim.getDensity(i, j), 0.0f);
        EXPECT_EQ(sim.getVelocity(i, j), (Vec2{0.0f, 0.0f}));
    });
}

TEST(CpuStages, EveryFlagOffAddsOnlyTheSources) {
    CPUSim sim(13, 8);
    std::mt19937 rng(3);
    randomise(sim, rng);
    setFlags(sim, false, false, false);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    std::vector<float> expectedDensity, expectedU, expectedV;
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        const float dd = onBorder(sim, i, j) ? 0.0f : value(rng) + 2.0f;
        const Vec2 dv = onBorder(sim, i, j) ? Vec2{0, 0} : Vec2{value(rng), value(rng)};
        sim.addDensity(i, j, dd);
        sim.addVelocity(i, j, dv.x, dv.y);
        expectedDensity.push_back(sim.getDensity(i, j) + dd);
        expectedU.push_back(sim.getVelocity(i, j).x + dv.x);
        expectedV.push_back(sim.getVelocity(i, j).y + dv.y);
    });
    sim.step(0.2);
    size_t n = 0;
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        EXPECT_EQ(sim.getDensity(i, j), expectedDensity[n]);
        EXPECT_EQ(sim.getVelocity(i, j).x, expectedU[n]);
        EXPECT_EQ(sim.getVelocity(i, j).y, expectedV[n]);
        ++n;
    });
}

TEST(CpuStages, SingleCellGridDiffusesToInOverOnePlusFourAAndProjectsToItself) {
    CPUSim sim(1, 1);
    setFlags(sim, false, false, false);
    sim.addVelocity(1, 1, 0.75f, -0.5f);
    sim.addDensity(1, 1, 10.0f);
    sim.step(0.1);
    sim.clearSources();
    setFlags(sim, false, false, true);
    sim.step(0.1);
    EXPECT_EQ(sim.getVelocity(1, 1), (Vec2{0.75f, -0.5f}));
    setFlags(sim, true, false, false);
    sim.step(0.1);  // a = 1
    EXPECT_FLOAT_EQ(sim.getDensity(1, 1), 10.0f / 5.0f);
    EXPECT_FLOAT_EQ(sim.getVelocity(1, 1).x, 0.75f / 5.0f);
}

TEST(CpuStages, ZeroStepLengthDiffusionReturnsItsInput) {
    CPUSim sim(6, 9);
    std::mt19937 rng(8);
    randomise(sim, rng);
    ScalarField out(6, 9);
    sim.diffuse(out, sim.density(), 0.0);
    forEveryCell(sim, [&](uint32_t i, uint32_t j) { EXPECT_EQ(out(i, j), sim.density()(i, j)); });
}

TEST(CpuStorage, GridTooLargeRaisesOutOfMemory) {
    EXPECT_THROW(CPUSim(100000, 100000), std::bad_alloc);
    EXPECT_THROW(CPUSim(0xFFFFFFFFu, 3), std::bad_alloc);
}

}  // namespace
