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

// Random fields; random sources, each added in two parts, on every interior cell.
TYPED_TEST_P(SolverContract, SourcesAddUpShowAfterTheNextStepOnlyAndActForExactlyOneStep) {
    const std::unique_ptr<FluidSim2D> owned = TypeParam::make(13, 8);
    FluidSim2D& sim = *owned;
    expectAtRest(sim, "new");
    std::mt19937 rng(4);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    setFields(sim, [&](uint32_t, uint32_t) { return Vec2{value(rng), value(rng)}; },
              [&](uint32_t, uint32_t) { return 40.0f * (value(rng) + 1.0f); });
    std::vector<float> before, expected;
    forEveryCell(sim, [&](uint32_t i, uint32_t j) {
        const bool border = onBorder(sim, i, j);
        const float dd = border ? 0.0f : value(rng) + 1.0f;
        const Vec2 dv = border ? Vec2{0, 0} : Vec2{value(rng), value(rng)};
        const Vec2 v = sim.getVelocity(i, j);
        before.insert(before.end(), {sim.getDensity(i, j), v.x, v.y});
        expected.insert(expected.end(), {sim.getDensity(i, j) + 2 * dd, v.x + 2 * dv.x, v.y + 2 * dv.y});
        for (int part = 0; part < 2; ++part) {
            sim.addDensity(i, j, dd);
            sim.addVelocity(i, j, dv.x, dv.y);
        }
    });
    for (int step = -1; step < 2; ++step) {
        if (step >= 0) {
            stepWith(sim, TypeParam::PLAIN_DT, false);
            sim.clearSources();
        }
        size_t n = 0;
        const std::vector<float>& now = step < 0 ? before : expected;
        forEveryCell(sim, [&](uint32_t i, uint32_t j) {
            EXPECT_EQ(sim.getDensity(i, j), now[n++]) << i << "," << j << " step " << step;
            EXPECT_EQ(sim.getVelocity(i, j).x, now[n++]) << i << "," << j << " step " << step;
            EXPECT_EQ(sim.getVelocity(i, j).y, now[n++]) << i << "," << j << " step " << step;
        });
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

TYPED_TEST_P(SolverContract, ResetClearsFieldsAndSourcesButKeepsCountAndSwitches) {
    const std::unique_ptr<FluidSim2D> owned = TypeParam::make(10, 14);
    FluidSim2D& sim = *owned;
    setFields(sim, [](uint32_t i, uint32_t j) { return Vec2{0.1f * float(i), -0.05f * float(j)}; },
              [](uint32_t i, uint32_t j) { return float(i + j); });
    sim.stepCount = 17;
    setFlags(sim, false, true, false);
    sim.addDensity(3, 3, 9.0f);
    sim.addVelocity(3, 3, 1.0f, 1.0f);
    sim.reset();
    EXPECT_EQ(sim.stepCount, 17);
    EXPECT_TRUE(!sim.diffuseEnabled && sim.advectEnabled && !sim.projectEnabled);
    stepWith(sim, 0.1, true);
    expectAtRest(sim, "after reset and a step");
}

REGISTER_TYPED_TEST_SUITE_P(SolverContract, SourcesAddUpShowAfterTheNextStepOnlyAndActForExactlyOneStep,
                            BorderSourcesChangeNoField, ResetClearsFieldsAndSourcesButKeepsCountAndSwitches);
