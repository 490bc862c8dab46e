// Storage, sources, reset and the stage switches of the software solver.
#include <gtest/gtest.h>

#include <new>

#include "cpu/CPUSim.h"
#include "tests/support/SolverContract.h"

namespace {

struct Software {
    static std::unique_ptr<FluidSim2D> make(uint32_t i, uint32_t j) { return std::make_unique<CPUSim>(i, j); }
    static constexpr double PLAIN_DT = 0.2;
};
INSTANTIATE_TYPED_TEST_SUITE_P(Software, SolverContract, Software);

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

}  // namespace
