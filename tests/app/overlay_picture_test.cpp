// The overlays and status lines as they appear in the window.

// Before the shell's header: its parameters are named like the shell's global `sim`.
#include "tests/support/SetFields.h"

#include "tests/support/WindowPixels.h"
#include "tests/app/ShellFixture.h"

namespace {

const Rgb BACKGROUND{0, 0, 128};

bool isRed(const Rgb& c) { return c.r > 200 && c.g < 40 && c.b < 40; }
bool isLit(const Rgb& c) { return c != BACKGROUND; }

class OverlayPictureTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();  // 7 by 4 cells of 100 pixels
        // The texture state the program runs with: plain colours must show through it.
        testing::internal::CaptureStdout();
        printGLInfo();
        testing::internal::GetCapturedStdout();
        glClearColor(0.0f, 0.0f, 128.0f / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
    }
    void TearDown() override {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        ShellTest::TearDown();
    }
    static Pixels read() { return Pixels(700, 400); }

    // These cells move at these velocities, every other cell is still.
    static void setVelocities(std::initializer_list<std::pair<CellCoord, Vec2>> cells) {
        for (const auto& [cell, v] : cells) sim->addVelocity(cell.i, cell.j, v.x, v.y);
        setFields(
            *sim,
            [](uint32_t, uint32_t) {
                return Vec2{0, 0};
            },
            [](uint32_t, uint32_t) { return 0.0f; });
    }
    // Lit pixels in the rows around y (lines on a pixel edge may fall either side), x0 <= x < x1.
    static int litInRows(const Pixels& p, int y, int x0, int x1) {
        int n = 0;
        for (int row = y - 2; row <= y + 1; ++row)
            for (int x = x0; x < x1; ++x) n += isLit(p.at(x, row));
        return n;
    }
    // The lit row among those around y at column x.
    static int litRow(const Pixels& p, int x, int y) {
        int row = y - 2;
        while (row < y + 2 && !isLit(p.at(x, row))) ++row;
        return row;
    }
};

TEST_F(OverlayPictureTest, ArrowsAreCentredOnTheirCellsAndShadeFromBlackToYellow) {
    drawVelocityOverlay();
    EXPECT_EQ(read().count(isLit), 0) << "a fluid at rest gets no arrows";
    // Cell (3, 2) spans x 200..300 around row 150; (6, 3) spans x 500..600 around row 250.
    setVelocities({{{3, 2, true}, {0.8f, 0.0f}}, {{6, 3, true}, {-0.2f, 0.0f}}, {{1, 4, true}, {0.0f, 1e-4f}}});
    drawVelocityOverlay();
    const Pixels scaled = read();
    EXPECT_GE(litInRows(scaled, 150, 200, 300), 98);  // the fastest: one cell long
    EXPECT_EQ(litInRows(scaled, 150, 0, 199) + litInRows(scaled, 150, 301, 700), 0);
    EXPECT_NEAR(litInRows(scaled, 250, 500, 600), 25.5, 2.5);  // a quarter of the speed and length

    const int row = litRow(scaled, 250, 150);
    const Rgb tail = scaled.at(203, row), middle = scaled.at(250, row), head = scaled.at(297, row);
    EXPECT_LT(tail.r, 20);
    EXPECT_NEAR(middle.r, 128, 8);
    EXPECT_EQ(middle.r, middle.g);
    EXPECT_GT(head.r, 235);
    EXPECT_GT(head.g, 235);
    EXPECT_EQ(head.b, 0);
    // The slow arrow points left: its yellow head is on the left.
    const int slowRow = litRow(scaled, 550, 250);
    EXPECT_GT(scaled.at(540, slowRow).g, scaled.at(560, slowRow).g);

    glClear(GL_COLOR_BUFFER_BIT);
    keyboard('s', 0, 0);
    drawVelocityOverlay();
    const Pixels unscaled = read();
    EXPECT_GE(litInRows(unscaled, 250, 500, 600), 98);  // unscaled: every arrow one cell long...
    // ...as long as the narrower cell side in world units, however slow: 1/7 of the
    // world, so 400/7 pixels upward at x 50.
    int column = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 48; x <= 51; ++x) column += isLit(unscaled.at(x, y));
    EXPECT_NEAR(column, 57, 2);
}

TEST_F(OverlayPictureTest, StrokesShadeFromBlackToCyanAndThePendingOneShowsWhileDragged) {
    dragSegments.push_back({sim->cellToWorld(1, 1), sim->cellToWorld(7, 1)});
    pendingDrag = {sim->cellToWorld(1, 4), sim->cellToWorld(7, 4)};
    drawDragSegments();
    const Pixels committed = read();
    const int row = litRow(committed, 350, 50);
    const Rgb start = committed.at(53, row), end = committed.at(647, row);
    EXPECT_LT(start.g, 20);
    EXPECT_EQ(end.r, 0);
    EXPECT_GT(end.g, 235);
    EXPECT_GT(end.b, 235);
    EXPECT_EQ(litInRows(committed, 350, 0, 700), 0) << "the pending stroke shows only while dragged";

    dragActive = true;
    glClear(GL_COLOR_BUFFER_BIT);
    drawDragSegments();
    const Pixels dragging = read();
    EXPECT_GE(litInRows(dragging, 350, 50, 650), 595);
    EXPECT_GE(litInRows(dragging, 50, 50, 650), 595);
}

TEST_F(OverlayPictureTest, DisplayShowsSmokeARedPointAtEveryCellCentreAndGreenStatusLinesAtTheTopLeft) {
    sim->addDensity(6, 1, 100.0f);
    sim->diffuseEnabled = sim->advectEnabled = sim->projectEnabled = false;
    sim->step(0.1);
    showCellCenters = true;
    display();
    // Mesa keeps the back buffer's contents across the swap.
    const Pixels p = read();
    EXPECT_EQ(p.at(520, 20), (Rgb{255, 255, 255}));  // smoke in cell (6, 1)
    EXPECT_EQ(p.at(120, 120), (Rgb{0, 0, 0}));
    EXPECT_EQ(p.count(isRed), 7 * 4);
    for (int i = 0; i < 7; ++i)
        for (int j = 0; j < 4; ++j) {
            const int x = 50 + 100 * i, y = 50 + 100 * j;
            EXPECT_EQ(isRed(p.at(x - 1, y - 1)) + isRed(p.at(x, y - 1)) + isRed(p.at(x - 1, y)) + isRed(p.at(x, y)), 1)
                << "cell " << i + 1 << "," << j + 1;
        }
    auto isGreen = [](const Rgb& c) { return c.g > 150 && c.r < 60 && c.b < 60; };
    // Three lines, eighteen pixels apart from the top edge down (descenders may dip below).
    int line[3] = {0, 0, 0}, elsewhere = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 700; ++x)
            if (isGreen(p.at(x, y)))
                (y >= 400 - 3 * 18 - 4 && x < 300 ? line[std::min(2, (399 - y) / 18)] : elsewhere) += 1;
    for (int k = 0; k < 3; ++k) EXPECT_GT(line[k], 30) << "line " << k;
    EXPECT_EQ(elsewhere, 0);
}

}  // namespace
