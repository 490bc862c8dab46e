#pragma once
// A solver's picture: drawn into the test window with the world square as the
// projection, read back, and checked cell by cell.

#include <gtest/gtest.h>

#include <GL/glew.h>

#include <algorithm>

#include "sim/FluidSim2D.h"
#include "tests/support/WindowPixels.h"
#include "tools/headless/HeadlessGL.h"

constexpr int PICTURE_WIDTH = 300;
constexpr int PICTURE_HEIGHT = 200;

// `sim.draw(1)` over magenta: any pixel not drawn shows.
inline Pixels drawAndRead(Qel::Drawable& sim) {
    headless::openWindow(PICTURE_WIDTH, PICTURE_HEIGHT, "draw test");
    useUnitSquareView(PICTURE_WIDTH, PICTURE_HEIGHT);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sim.draw(1);
    return Pixels(PICTURE_WIDTH, PICTURE_HEIGHT);
}

// On a 3 by 2 grid each cell is 100 by 100 pixels; its centre and the pixels in
// its corners show the grey of its density (100 and above white).
inline void expectGreyCells(const Pixels& picture, const float (&densities)[2][3]) {
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
