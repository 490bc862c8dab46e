// The software solver's picture, drawn into a real window and read back.
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <vector>

#include "cpu/CPUSim.h"
#include "tests/support/WindowPixels.h"
#include "tools/headless/HeadlessGL.h"

namespace {

constexpr int WIDTH = 300;
constexpr int HEIGHT = 200;

std::vector<unsigned char> drawAndRead(CPUSim& sim) {
    headless::openWindow(WIDTH, HEIGHT, "draw test");
    useUnitSquareView(WIDTH, HEIGHT);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);  // magenta: any pixel not drawn shows
    glClear(GL_COLOR_BUFFER_BIT);
    sim.draw(1);
    return readBackBuffer(WIDTH, HEIGHT);
}

TEST(CpuDraw, DensityShowsAsGreyLevelsEachOnItsWorldSquare) {
    CPUSim sim(3, 2);
    sim.diffuseEnabled = sim.advectEnabled = sim.projectEnabled = false;
    const float densities[2][3] = {{0.0f, 50.0f, 100.0f}, {250.0f, 25.0f, 75.0f}};
    for (uint32_t j = 1; j <= 2; ++j)
        for (uint32_t i = 1; i <= 3; ++i) sim.addDensity(i, j, densities[j - 1][i - 1]);
    sim.step(0.1);

    const std::vector<unsigned char> rgb = drawAndRead(sim);
    // Each cell is 100 by 100 pixels; check its centre and pixels just inside its corners.
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
            const float grey = std::min(densities[j][i] / 100.0f, 1.0f);
            const int expected = int(grey * 255.0f + 0.5f);
            for (auto [px, py] : {std::pair{50, 50}, std::pair{1, 1}, std::pair{98, 98}, std::pair{1, 98}}) {
                const int x = i * 100 + px, y = j * 100 + py;
                const unsigned char* p = &rgb[(y * WIDTH + x) * 3];
                EXPECT_NEAR(p[0], expected, 1) << "cell " << i + 1 << "," << j + 1 << " pixel " << x << "," << y;
                EXPECT_EQ(p[0], p[1]);
                EXPECT_EQ(p[1], p[2]);
            }
        }
}

}  // namespace
