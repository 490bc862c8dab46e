// Storage, sources, reset and the stage switches of the software solver.
#include <gtest/gtest.h>

#include <cmath>
#include <new>

#include "cpu/CPUSim.h"
#include "tests/support/SolverContract.h"

namespace {

struct Software {
    static std::unique_ptr<FluidSim2D> make(uint32_t i, uint32_t j) { return std::make_unique<CPUSim>(i, j); }
    static constexpr double PLAIN_DT = 0.2;
};
// The name generator is given because an empty variadic argument is not standard C++.
INSTANTIATE_TYPED_TEST_SUITE_P(Software, SolverContract, Software, ::testing::internal::DefaultNameGenerator);

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

TEST(CpuStorage, GridTooLargeRaisesOutOfMemory) {
    EXPECT_THROW(CPUSim(100000, 100000), std::bad_alloc);
    EXPECT_THROW(CPUSim(0xFFFFFFFFu, 3), std::bad_alloc);
}

// A fill must reach every cell, border included, and a clear to zero bytes must not
// swallow a value whose bytes are not all zero, such as −0.
TEST(CpuStorage, FillReachesTheBorderAndKeepsTheSignOfNegativeZero) {
    VectorField field(3, 2);
    for (uint32_t c = 0; c < field.size(); ++c) field[c] = {1.5f + float(c), -0.25f * float(c) - 1.0f};
    field.fill({-0.0f, 0.0f});
    for (uint32_t c = 0; c < field.size(); ++c) {
        EXPECT_TRUE(std::signbit(field[c].x)) << "cell " << c;
        EXPECT_EQ(field[c].x, 0.0f);
        EXPECT_FALSE(std::signbit(field[c].y)) << "cell " << c;
    }
    field.fill({2.0f, -3.0f});
    field.fill({});
    for (uint32_t c = 0; c < field.size(); ++c) {
        EXPECT_FALSE(std::signbit(field[c].x) || std::signbit(field[c].y)) << "cell " << c;
        EXPECT_EQ(field[c].x, 0.0f);
        EXPECT_EQ(field[c].y, 0.0f);
    }
}

}  // namespace
