// The shader solver's picture: density as grey, each interior cell on its world
// square, the border texels outside the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "cpu/CPUSim.h"

#include "tests/gpu/support/GpuProbe.h"
#include "tests/support/WindowPixels.h"

namespace {

// `sim.draw(1)` over magenta, with the unit square over the window: any pixel not drawn shows.
Pixels drawAndRead(FluidSim2D& sim) {
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
                    EXPECT_EQ(p.g, p.r) << "cell " << i + 1 << "," << j + 1;
                    EXPECT_EQ(p.b, p.r) << "cell " << i + 1 << "," << j + 1;
                }
        }
}

// Either solver, made in the test window's context.
struct DrawnSolver {
    const char* name;
    std::function<std::unique_ptr<FluidSim2D>(uint32_t, uint32_t)> make;
};

class EitherSolverDraws : public testing::TestWithParam<DrawnSolver> {};

// The smallest rectangle holding every white pixel (magenta is not), in pixels from the bottom left.
struct Bounds {
    int left = 1 << 30, bottom = 1 << 30, right = -1, top = -1;
};

Bounds litBounds(const Pixels& picture) {
    Bounds b;
    for (int y = 0; y < WINDOW_HEIGHT; ++y)
        for (int x = 0; x < WINDOW_WIDTH; ++x)
            if (picture.at(x, y).g > 128) {
                b = {std::min(b.left, x), std::min(b.bottom, y), std::max(b.right, x), std::max(b.top, y)};
            }
    return b;
}

TEST_P(EitherSolverDraws, OneLitCellOfATallGridCoversExactlyItsOwnPixels) {
    // The world on the left 200 by 200 pixels, nothing drawn after its right edge: 4 by 2
    // cells of 50 by 100 pixels, the lit one in the last column, where a quad too wide shows.
    std::unique_ptr<FluidSim2D> sim = GetParam().make(4, 2);
    setFields(
        *sim,
        [](uint32_t, uint32_t) {
            return Vec2{0.0f, 0.0f};
        },
        [](uint32_t i, uint32_t j) { return i == 4 && j == 1 ? 100.0f : 0.0f; });
    useUnitSquareView(WINDOW_WIDTH, WINDOW_HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1.5, 0, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sim->draw(1);
    const Bounds lit = litBounds(Pixels(WINDOW_WIDTH, WINDOW_HEIGHT));
    EXPECT_EQ(lit.left, 150);
    EXPECT_EQ(lit.right, 199);
    EXPECT_EQ(lit.bottom, 0);
    EXPECT_EQ(lit.top, 99);
}

INSTANTIATE_TEST_SUITE_P(Solvers, EitherSolverDraws,
                         testing::Values(DrawnSolver{"shader",
                                                     [](uint32_t i, uint32_t j) -> std::unique_ptr<FluidSim2D> {
                                                         return std::make_unique<GpuProbe>(i, j);
                                                     }},
                                         DrawnSolver{"software",
                                                     [](uint32_t i, uint32_t j) -> std::unique_ptr<FluidSim2D> {
                                                         openTestWindow();
                                                         return std::make_unique<CPUSim>(i, j, 1u);
                                                     }}),
                         [](const testing::TestParamInfo<DrawnSolver>& solver) {
                             return std::string(solver.param.name);
                         });

}  // namespace
