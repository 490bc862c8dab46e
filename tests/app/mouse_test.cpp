// Mapping window pixels to grid cells, and what the buttons do to the fluid.
#include "tests/app/ShellFixture.h"

namespace {

using MouseTest = ShellTest;

struct Mapping {
    int x, y;
    uint32_t i, j;
    bool valid;
};

void expectMappings(std::initializer_list<Mapping> mappings) {
    for (const Mapping& m : mappings) {
        updateMouseCell(m.x, m.y);
        EXPECT_EQ(mouseCell.valid, m.valid) << "pixel " << m.x << "," << m.y;
        EXPECT_EQ(mouseCell.i, m.i) << "pixel " << m.x << "," << m.y;
        EXPECT_EQ(mouseCell.j, m.j) << "pixel " << m.x << "," << m.y;
    }
}

TEST_F(MouseTest, CornersAndEdgesMapOntoTheGridEachAxisOnItsOwn) {
    use(201, 201, 800, 800);
    // The top row maps onto the domain's top edge.
    expectMappings({{0, 0, 1, 202, true},
                    {799, 0, 201, 202, true},
                    {0, 799, 1, 1, true},
                    {799, 799, 201, 1, true},
                    {400, 400, 101, 101, true},
                    {-1, 400, 0, 0, false},
                    {400, -1, 0, 0, false},
                    {801, 400, 0, 0, false},
                    {400, 801, 0, 0, false}});
    use(7, 4, 700, 400);  // a wide window and a non-square grid: 100-pixel cells
    expectMappings({{0, 399, 1, 1, true},
                    {699, 399, 7, 1, true},
                    {0, 1, 1, 4, true},
                    {250, 150, 3, 3, true},
                    {649, 51, 7, 4, true},
                    {651, 349, 7, 1, true}});
}

TEST_F(MouseTest, MotionRemapsButReleaseDoesNot) {
    passiveMotion(150, 350);
    EXPECT_EQ(mouseCell.i, 2u);
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 650, 50);
    motion(350, 250);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 50, 350);
    EXPECT_EQ(mouseLine(), "Mouse pos: (4, 2)");
    passiveMotion(-10, 5);
    EXPECT_EQ(mouseLine(), "Mouse pos: INVALID");
}

TEST_F(MouseTest, HeldLeftButtonPoursAtTheCellUnderThePointerWhileItIsInside) {
    use(31, 23, 620, 460);  // 20-pixel cells
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, pixelX(10), pixelY(8));
    stepSimulation(0.05);
    const float poured = sim->getDensity(10, 8);
    EXPECT_GT(poured, 0.0f);
    EXPECT_GE(poured, sim->getDensity(11, 8));
    EXPECT_GE(poured, sim->getDensity(10, 9));
    EXPECT_LT(sim->getDensity(25, 20), 1e-6f * poured);

    motion(-20, 100);
    sim->reset();
    stepSimulation(0.05);
    EXPECT_EQ(totalDensity(), 0.0f) << "poured while the pointer was outside";
    motion(pixelX(4), pixelY(20));
    stepSimulation(0.05);
    EXPECT_GT(sim->getDensity(4, 20), 0.0f) << "did not pour when the pointer came back";

    mouse(GLUT_LEFT_BUTTON, GLUT_UP, pixelX(4), pixelY(20));
    sim->reset();
    stepSimulation(0.05);
    EXPECT_EQ(totalDensity(), 0.0f) << "poured after the button was released";
}

TEST_F(MouseTest, RightDragRunsBetweenCellCentresAndStirsOnlyAfterRelease) {
    use(30, 20, 600, 400);
    mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, pixelX(5) - 6, pixelY(6) + 4);
    motion(pixelX(20) + 3, pixelY(6) - 2);
    EXPECT_TRUE(dragActive);
    EXPECT_EQ(pendingDrag.from, sim->cellToWorld(5, 6));
    EXPECT_EQ(pendingDrag.to, sim->cellToWorld(20, 6));
    stepSimulation(0.05);
    EXPECT_EQ(fastestSpeed(), 0.0f) << "a stroke still being dragged must not stir";

    mouse(GLUT_RIGHT_BUTTON, GLUT_UP, pixelX(20), pixelY(6));
    EXPECT_FALSE(dragActive);
    ASSERT_EQ(dragSegments.size(), 1u);
    EXPECT_EQ(dragSegments[0].from, sim->cellToWorld(5, 6));
    EXPECT_EQ(dragSegments[0].to, sim->cellToWorld(20, 6));
    for (int step = 0; step < 2; ++step) {
        stepSimulation(0.05);
        EXPECT_GT(sim->getVelocity(12, 6).x, 0.0f);
    }
    // A click without moving commits a stroke of no length (which the solvers take).
    mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, pixelX(8), pixelY(5));
    mouse(GLUT_RIGHT_BUTTON, GLUT_UP, pixelX(8), pixelY(5));
    ASSERT_EQ(dragSegments.size(), 2u);
    EXPECT_EQ(dragSegments[1].from, sim->cellToWorld(8, 5));
    EXPECT_EQ(dragSegments[1].to, dragSegments[1].from);
}

// A drag that leaves the window ends on the edge cell nearest to the pointer, past
// each edge and past a corner, while the status line says the pointer is outside.
// Only a press outside (which no window reaches) keeps the border corner's centre.
TEST_F(MouseTest, ADragPastAnEdgeEndsOnTheNearestEdgeCellNotInACorner) {
    use(16, 11, 640, 440);  // 40-pixel cells
    struct Exit {
        int x, y;
        uint32_t i, j;
    };
    for (const Exit& e : {Exit{-30, pixelY(4), 1, 4}, Exit{700, pixelY(7), 16, 7}, Exit{pixelX(9), 500, 9, 1},
                          Exit{pixelX(3), -25, 3, 11}, Exit{-5, -90, 1, 11}}) {
        mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, pixelX(8), pixelY(5));
        motion(e.x, e.y);
        EXPECT_EQ(pendingDrag.to, sim->cellToWorld(e.i, e.j)) << "pointer at " << e.x << "," << e.y;
        EXPECT_EQ(mouseLine(), "Mouse pos: INVALID");
        mouse(GLUT_RIGHT_BUTTON, GLUT_UP, e.x, e.y);
        EXPECT_EQ(dragSegments.back().to, sim->cellToWorld(e.i, e.j)) << "pointer at " << e.x << "," << e.y;
    }
    mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, -30, 500);
    EXPECT_EQ(pendingDrag.from, sim->cellToWorld(0, 0));
}

}  // namespace
