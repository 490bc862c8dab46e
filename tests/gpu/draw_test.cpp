// The shader solver's picture: density as grey, each interior cell on its world
// square, the border texels outside the window.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/gpu/support/GpuProbe.h"
#include "tests/support/WindowPixels.h"

namespace {

// `sim.draw(1)` over magenta, with the unit square over the window: any pixel not drawn shows.
Pixels drawAndRead(GpuProbe& sim) {
    useUnitSquareView(WINDOW_WIDTH, WINDOW_HEIGHT);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sim.draw(1);
    return Pixels(WINDOW_WIDTH, WINDOW_HEIGHT);
}

TEST(GpuDraw, DensityShowsAsGreyOnEachCellsWorldSquareWithTheWhiteBorderOutOfSight) {
    GpuProbe sim(3, 2);  // cells of 100 by 100 pixels: a third of the world wide, half of it high
    EXPECT_EQ(drawAndRead(sim).count([](const Rgb& c) { return c != Rgb{0, 0, 0}; }), 0) << "a new solver shows black";
    const float densities[2][3] = {{0.0f, 50.0f, 100.0f}, {250.0f, 25.0f, 75.0f}};
    Texels fields(3, 2);
    for (uint32_t i = 0; i <= 4; ++i)
        for (uint32_t j = 0; j <= 3; ++j) fields(i, j, 3) = 100.0;  // the border stays white
    for (uint32_t i = 1; i <= 3; ++i)
        for (uint32_t j = 1; j <= 2; ++j) fields(i, j, 3) = densities[j - 1][i - 1];
    sim.write(sim.mFields, fields);
    const Pixels picture = drawAndRead(sim);
    // Each cell's centre and the pixels in its corners show the grey of its density (100 and above white).
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
            const int expected = int(std::min(densities[j][i] / 100.0f, 1.0f) * 255.0f + 0.5f);
            for (const int px : {0, 50, 99})
                for (const int py : {0, 50, 99}) {
                    const Rgb p = picture.at(i * 100 + px, j * 100 + py);
                    EXPECT_NEAR(p.r, expected, 1) << "cell " << i + 1 << "," << j + 1 << " pixel " << px << "," << py;
                    EXPECT_TRUE(p.r == p.g && p.g == p.b) << "cell " << i + 1 << "," << j + 1;
                }
        }
}

}  // namespace
