// The software solver: its storage, and the numbers a step must give where the
// arithmetic can be done on paper. The step as a whole, sources and reset included,
// is checked against an independently written solver (independent_solver_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <tuple>

#include "cpu/CPUSim.h"
#include "tests/support/SetFields.h"

namespace {

TEST(CpuStorage, GridTooLargeRaisesOutOfMemory) {
    EXPECT_THROW(CPUSim(100000, 100000), std::bad_alloc);
    EXPECT_THROW(CPUSim(0xFFFFFFFFu, 3), std::bad_alloc);
}

// A fill must reach every cell, border included, and a clear to zero bytes must not
// swallow a value whose bytes are not all zero, such as −0.
TEST(CpuStorage, FillReachesTheBorderAndKeepsTheSignOfNegativeZero) {
    VectorField field(3, 2);
    for (const Vec2 value : {Vec2{-0.0f, 0.0f}, Vec2{0.0f, 0.0f}}) {
        for (uint32_t c = 0; c < field.size(); ++c) field[c] = {1.5f + float(c), -0.25f * float(c) - 1.0f};
        field.fill(value);
        for (uint32_t c = 0; c < field.size(); ++c) {
            EXPECT_EQ(field[c], (Vec2{0.0f, 0.0f})) << "cell " << c;
            EXPECT_EQ(std::signbit(field[c].x), std::signbit(value.x)) << "cell " << c;
            EXPECT_FALSE(std::signbit(field[c].y)) << "cell " << c;
        }
    }
}

TEST(CpuStages, SingleCellGridDiffusesToInOverOnePlusFourAAndProjectsToItself) {
    CPUSim sim(1, 1);
    setFields(sim, [](uint32_t, uint32_t) { return Vec2{0.75f, -0.5f}; }, [](uint32_t, uint32_t) { return 10.0f; });
    setFlags(sim, false, false, true);
    sim.step(0.1);
    EXPECT_EQ(sim.getVelocity(1, 1), (Vec2{0.75f, -0.5f}));
    setFlags(sim, true, false, false);
    sim.step(0.1);  // a = 1
    EXPECT_FLOAT_EQ(sim.getDensity(1, 1), 10.0f / 5.0f);
    EXPECT_FLOAT_EQ(sim.getVelocity(1, 1).x, 0.75f / 5.0f);
}

TEST(Diffusion, SingleCellSpreadsAsTheWorkedExampleSays) {
    CPUSim sim(41, 41);
    setFields(sim, [](uint32_t, uint32_t) { return Vec2{0, 0}; },
              [](uint32_t i, uint32_t j) { return i == 21 && j == 21 ? 100.0f : 0.0f; });
    setFlags(sim, true, false, false);
    sim.step(0.1);
    EXPECT_NEAR(sim.getDensity(21, 21), 25.39, 0.01);
    // Gauss-Seidel: the neighbours updated before the centre hold a little less.
    for (const auto& [i, j, expected] : {std::tuple{22u, 21u, 6.743}, {21u, 22u, 6.743}, {20u, 21u, 6.735}, {21u, 20u, 6.735}})
        EXPECT_NEAR(sim.getDensity(i, j), expected, 0.001) << i << "," << j;
    double total = 0;
    for (uint32_t c = 0; c < sim.density().size(); ++c) total += sim.density()[c];
    EXPECT_NEAR(total, 98.3, 0.05);
}

TEST(BodyForces, BuoyancyLiftsInProportionToDensityAndAddsToTheSources) {
    CPUSim sim(24, 18);
    setFields(sim, [](uint32_t, uint32_t) { return Vec2{0, 0}; },
              [](uint32_t i, uint32_t j) { return i == 7 && j == 9 ? 100.0f : 0.0f; });
    sim.addVelocity(4, 4, 0.5f, -0.25f);
    sim.applyVorticity(0.1);
    for (uint32_t i = 0; i <= 25; ++i)
        for (uint32_t j = 0; j <= 19; ++j) {
            const Vec2 expected = i == 4 && j == 4 ? Vec2{0.5f, -0.25f} : Vec2{0.0f, i == 7 && j == 9 ? 0.02f : 0.0f};
            EXPECT_EQ(sim.velocitySources()(i, j).x, expected.x) << i << "," << j;
            EXPECT_NEAR(sim.velocitySources()(i, j).y, expected.y, 1e-8f) << i << "," << j;
        }
    sim.applyVorticity(0.1);  // twice without a step: twice the force
    EXPECT_FLOAT_EQ(sim.velocitySources()(7, 9).y, 0.04f);
}

}  // namespace
