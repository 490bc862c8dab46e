// What the accessors see: the state after the last step, the sources only after
// the next one, four floats a cell in the layout of the textures.
#include <gtest/gtest.h>

#include "tests/gpu/support/GpuProbe.h"
#include "tests/support/SolverContract.h"

namespace {

// The shader solver's sources pass adds dt times the buoyancy: only a step of no
// time adds the sources alone.
struct Shader {
    static std::unique_ptr<FluidSim2D> make(uint32_t i, uint32_t j) { return std::make_unique<GpuProbe>(i, j); }
    static constexpr double PLAIN_DT = 0.0;
};
// The name generator is given because an empty variadic argument is not standard C++.
INSTANTIATE_TYPED_TEST_SUITE_P(Shader, SolverContract, Shader, ::testing::internal::DefaultNameGenerator);

TEST(SourcesAndReadback, IndexCountsFourFloatsACellInTheLayoutOfTheTextures) {
    GpuProbe sim(6, 4);
    EXPECT_EQ(sim.index(0, 0), 0u);
    EXPECT_EQ(sim.index(1, 0), 4u);
    EXPECT_EQ(sim.index(0, 1), 32u);
    sim.addDensity(5, 3, 2.0f);
    sim.addVelocity(5, 3, 7.0f, 8.0f);
    stepWith(sim, 0.0, false);
    Texels expected(6, 4);
    expected(5, 3, 0) = 7.0;
    expected(5, 3, 1) = 8.0;
    expected(5, 3, 3) = 2.0;
    EXPECT_EQ(maxDifference(sim.read(sim.mFields), expected, ALL_CHANNELS), 0.0);
    EXPECT_EQ(sim.getVelocity(5, 3), (Vec2{7.0f, 8.0f}));
}

TEST(SourcesAndReadback, WithoutReadbackTheAccessorsKeepTheLastStateReadBack) {
    GpuProbe sim(8, 8);
    sim.setReadbackEnabled(false);
    sim.addDensity(2, 2, 9.0f);
    stepWith(sim, 0.0, false);
    sim.clearSources();
    EXPECT_EQ(sim.getDensity(2, 2), 0.0f);
    EXPECT_EQ(sim.read(sim.mFields)(2, 2, 3), 9.0);
    sim.setReadbackEnabled(true);
    stepWith(sim, 0.0, false);
    EXPECT_EQ(sim.getDensity(2, 2), 9.0f);
}

}  // namespace
