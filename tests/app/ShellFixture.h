#pragma once
// A real GLUT window under the virtual display, the shell's state back at its
// start values, and a software solver of the test's chosen size in `sim`.

#include <gtest/gtest.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/Shell.h"
#include "cpu/CPUSim.h"
#include "headless/HeadlessGL.h"

// A software solver that also remembers the length of every step it takes.
class RecordingSim : public CPUSim {
public:
    using CPUSim::CPUSim;
    void step(double dt) override {
        stepTimes.push_back(dt);
        CPUSim::step(dt);
    }
    std::vector<double> stepTimes;
};

inline void resetShellState() {
    leftButtonDown = false;
    showCellCenters = false;
    showVelocity = false;
    paused = false;
    dragActive = false;
    screenRect = {0.0f, 0.0f, 0.0f, 0.0f};
    pendingDrag = {{0.0f, 0.0f}, {0.0f, 0.0f}};
    dragSegments.clear();
    mouseCell = {0, 0, false};
    showDragSegments = true;
    scaleArrows = true;
}

class ShellTest : public testing::Test {
protected:
    void SetUp() override {
        windowId = headless::openWindow(800, 800, "shell test");
        resetShellState();
        use(7, 4, 700, 400);
    }
    void TearDown() override { sim.reset(); }

    // A resI by resJ grid shown in a width by height window.
    void use(uint32_t resI, uint32_t resJ, int width, int height) {
        sim = std::make_unique<RecordingSim>(resI, resJ);
        reshape(width, height);
    }
    RecordingSim& recording() { return static_cast<RecordingSim&>(*sim); }

    // The GLUT pixel (origin top-left, y downward) at the centre of cell (i, j),
    // for a window showing the grid with whole-pixel cells.
    static int pixelX(uint32_t i) { return int((float(i) - 0.5f) * screenRect.width / float(sim->resI)); }
    static int pixelY(uint32_t j) {
        return int(screenRect.height - (float(j) - 0.5f) * screenRect.height / float(sim->resJ));
    }

    static float totalDensity() {
        float total = 0.0f;
        for (uint32_t i = 0; i <= sim->resI + 1; ++i)
            for (uint32_t j = 0; j <= sim->resJ + 1; ++j) total += sim->getDensity(i, j);
        return total;
    }
    static float fastestSpeed() {
        float fastest = 0.0f;
        for (uint32_t i = 0; i <= sim->resI + 1; ++i)
            for (uint32_t j = 0; j <= sim->resJ + 1; ++j) {
                const Vec2 v = sim->getVelocity(i, j);
                fastest = std::max(fastest, std::hypot(v.x, v.y));
            }
        return fastest;
    }
};
