// The software solver's picture, drawn into a real window and read back.
#include <gtest/gtest.h>

#include "cpu/CPUSim.h"
#include "tests/support/DrawnPicture.h"

namespace {

TEST(CpuDraw, DensityShowsAsGreyLevelsEachOnItsWorldSquare) {
    CPUSim sim(3, 2);
    sim.diffuseEnabled = sim.advectEnabled = sim.projectEnabled = false;
    const float densities[2][3] = {{0.0f, 50.0f, 100.0f}, {250.0f, 25.0f, 75.0f}};
    for (uint32_t j = 1; j <= 2; ++j)
        for (uint32_t i = 1; i <= 3; ++i) sim.addDensity(i, j, densities[j - 1][i - 1]);
    sim.step(0.1);

    expectGreyCells(drawAndRead(sim), densities);
}

}  // namespace
