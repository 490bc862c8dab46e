// The shader solver's picture: density as grey, each interior cell on its world
// square, the border texels outside the window.
#include <gtest/gtest.h>

#include "tests/gpu/support/GpuProbe.h"

namespace {

TEST(GpuDraw, ANewSolverShowsBlackEverywhere) {
    GpuProbe sim(4, 7);
    EXPECT_EQ(drawAndRead(sim).count([](const Rgb& c) { return c != Rgb{0, 0, 0}; }), 0);
}

TEST(GpuDraw, DensityShowsAsGreyOnEachCellsWorldSquareWithTheWhiteBorderOutOfSight) {
    GpuProbe sim(3, 2);  // cells of 100 by 100 pixels: a third of the world wide, half of it high
    const float densities[2][3] = {{0.0f, 50.0f, 100.0f}, {250.0f, 25.0f, 75.0f}};
    Texels fields(3, 2);
    for (uint32_t i = 0; i <= 4; ++i)
        for (uint32_t j = 0; j <= 3; ++j) fields(i, j, 3) = 100.0;  // the border stays white
    for (uint32_t i = 1; i <= 3; ++i)
        for (uint32_t j = 1; j <= 2; ++j) fields(i, j, 3) = densities[j - 1][i - 1];
    sim.write(sim.mFields, fields);

    expectGreyCells(drawAndRead(sim), densities);
}

}  // namespace
