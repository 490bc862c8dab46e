#pragma once
// What every solver does with its sources, its stage switches and reset, whatever
// its arithmetic. Each solver's test program instantiates these tests with a
// maker, a type that has
//   static std::unique_ptr<FluidSim2D> make(uint32_t resI, uint32_t resJ);
//   static constexpr double PLAIN_DT;  // a step length at which a step with every
//                                      // stage off adds the sources and nothing else

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "tests/support/SetFields.h"

template <class Check>
void forEveryCell(const FluidSim2D& sim, Check check) {
    for (uint32_t j = 0; j <= sim.resJ + 1; ++j)
        for (uint32_t i = 0; i <= sim.resI + 1; ++i) check(i, j);
}

inline bool onBorder(const FluidSim2D& sim, uint32_t i, uint32_t j) {
    return i == 0 || j == 0 || i == sim.resI + 1 || j == sim.resJ + 1;
}

// Random non-zero velocity and density in every interior cell.
inline void randomise(FluidSim2D& sim, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f), amount(0.0f, 80.0f);
    setFields(sim, [&](uint32_t, uint32_t) { return Vec2{value(rng), value(rng)}; },
              [&](uint32_t, uint32_t) { return amount(rng); });
}

inline void stepWith(FluidSim2D& sim, double dt, bool stages) {
    setFlags(sim, stages, stages, stages);
    sim.applyVorticity(stages ? dt : 0.0);
    sim.step(dt);
}

inline void expectAtRest(FluidSim2D& sim, const char* when) {
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        EXPECT_EQ(sim.getDensity(i, j), 0.0f) << when << " at " << i << "," << j;
        EXPECT_EQ(sim.getVelocity(i, j), (Vec2{0.0f, 0.0f})) << when << " at " << i << "," << j;
    });
}

template <class Maker>
class SolverContract : public testing::Test {};
TYPED_TEST_SUITE_P(SolverContract);

TYPED_TEST_P(SolverContract, SourcesAddUpShowAfterTheNextStepOnlyAndActForExactlyOneStep) {
    const std::unique_ptr<FluidSim2D> owned = TypeParam::make(9, 6);
    FluidSim2D& sim = *owned;
    expectAtRest(sim, "new");
    randomise(sim, 11);
    const float before = sim.getDensity(4, 5);
    const Vec2 velocityBefore = sim.getVelocity(8, 2);
    sim.addDensity(4, 5, 5.0f);
    sim.addDensity(4, 5, 5.0f);
    sim.addVelocity(8, 2, 0.25f, -0.5f);
    EXPECT_EQ(sim.getDensity(4, 5), before) << "a source showed before the step";
    for (int step = 0; step < 2; ++step) {
        stepWith(sim, TypeParam::PLAIN_DT, false);
        sim.clearSources();
        EXPECT_FLOAT_EQ(sim.getDensity(4, 5), before + 10.0f) << "step " << step;
        EXPECT_FLOAT_EQ(sim.getVelocity(8, 2).x, velocityBefore.x + 0.25f) << "step " << step;
        EXPECT_FLOAT_EQ(sim.getVelocity(8, 2).y, velocityBefore.y - 0.5f) << "step " << step;
    }
}

// Sources on the border ring reach no field, even through a step with every stage.
TYPED_TEST_P(SolverContract, BorderSourcesChangeNoField) {
    const std::unique_ptr<FluidSim2D> owned = TypeParam::make(12, 5);
    FluidSim2D& sim = *owned;
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        if (!onBorder(sim, i, j)) return;
        sim.addDensity(i, j, 50.0f);
        sim.addVelocity(i, j, 3.0f, -1.0f);
    });
    stepWith(sim, 0.1, true);
    expectAtRest(sim, "after border sources");
}

TYPED_TEST_P(SolverContract, EveryStageOffAddsOnlyTheSources) {
    const std::unique_ptr<FluidSim2D> owned = TypeParam::make(13, 8);
    FluidSim2D& sim = *owned;
    randomise(sim, 3);
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> value(-2.0f, 2.0f);
    std::vector<float> expected;
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        const bool border = onBorder(sim, i, j);
        const float dd = border ? 0.0f : value(rng) + 2.0f;
        const Vec2 dv = border ? Vec2{0, 0} : Vec2{value(rng), value(rng)};
        sim.addDensity(i, j, dd);
        sim.addVelocity(i, j, dv.x, dv.y);
        expected.insert(expected.end(), {sim.getDensity(i, j) + dd, sim.getVelocity(i, j).x + dv.x,
                                         sim.getVelocity(i, j).y + dv.y});
    });
    stepWith(sim, TypeParam::PLAIN_DT, false);
    size_t n = 0;
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        EXPECT_EQ(sim.getDensity(i, j), expected[n++]) << i << "," << j;
        EXPECT_EQ(sim.getVelocity(i, j).x, expected[n++]) << i << "," << j;
        EXPECT_EQ(sim.getVelocity(i, j).y, expected[n++]) << i << "," << j;
    });
}

TYPED_TEST_P(SolverContract, ResetClearsFieldsAndSourcesButKeepsCountSwitchesAndRectangles) {
    const std::unique_ptr<FluidSim2D> owned = TypeParam::make(10, 14);
    FluidSim2D& sim = *owned;
    randomise(sim, 5);
    sim.stepCount = 17;
    setFlags(sim, false, true, false);
    sim.addDensity(3, 3, 9.0f);
    sim.addVelocity(3, 3, 1.0f, 1.0f);
    const Rect grid = sim.gridRect, world = sim.worldRect;
    sim.reset();
    EXPECT_EQ(sim.stepCount, 17);
    EXPECT_TRUE(!sim.diffuseEnabled && sim.advectEnabled && !sim.projectEnabled);
    EXPECT_EQ(sim.gridRect.width, grid.width);
    EXPECT_EQ(sim.worldRect.height, world.height);
    stepWith(sim, 0.1, true);
    expectAtRest(sim, "after reset and a step");
}

REGISTER_TYPED_TEST_SUITE_P(SolverContract, SourcesAddUpShowAfterTheNextStepOnlyAndActForExactlyOneStep,
                            BorderSourcesChangeNoField, EveryStageOffAddsOnlyTheSources,
                            ResetClearsFieldsAndSourcesButKeepsCountSwitchesAndRectangles);
