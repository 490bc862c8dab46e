// The mappings between world and grid coordinates (the nearest-cell mapping through
// the window is checked by tests/app/mouse_test.cpp).
#include <gtest/gtest.h>

#include <limits>

#include "cpu/CPUSim.h"
#include "sim/Limits.h"

namespace {

struct Mapped {
    Vec2 point;
    uint32_t i, j;
    bool valid;
};

TEST(GridMapping, CellNumbersCentresAndFloorCellsOnANonSquareGridAndNothingOutsideTheWorld) {
    CPUSim sim(10, 20);  // non-square: a bound that mixes resI and resJ shows here
    EXPECT_EQ(sim.index(1, 0), 1u);
    EXPECT_EQ(sim.index(0, 1), 12u);
    EXPECT_EQ(sim.index(11, 21), 12u * 22u - 1u);
    EXPECT_EQ(sim.cellToWorld(3, 2), (Vec2{2.5f / 10.0f, 1.5f / 20.0f}));
    EXPECT_EQ(sim.cellToWorld(0, 0), (Vec2{-0.5f / 10.0f, -0.5f / 20.0f}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // The lower-left of the four cell centres around the point; the world's edges belong to it.
    for (const Mapped& m : {Mapped{{0, 0}, 0, 0, true},
                            {{0.04f, 0.5f}, 0, 10, true},
                            {{0.06f, 0.5f}, 1, 10, true},
                            {{1, 1}, 10, 20, true},
                            {{-1e-6f, 0.5f}, 0, 0, false},
                            {{0.5f, 1.000001f}, 0, 0, false},
                            {{nan, 0.5f}, 0, 0, false},
                            {{0.5f, nan}, 0, 0, false}}) {
        for (const CellCoord c : {sim.worldToCellFloor(m.point), sim.worldToCell(m.point)}) {
            EXPECT_EQ(c.valid, m.valid) << m.point.x << ", " << m.point.y;
            if (!m.valid) {
                EXPECT_EQ(c.i + c.j, 0u) << m.point.x << ", " << m.point.y;
            }
        }
        const CellCoord c = sim.worldToCellFloor(m.point);
        EXPECT_EQ(c.i, m.i) << m.point.x << ", " << m.point.y;
        EXPECT_EQ(c.j, m.j) << m.point.x << ", " << m.point.y;
    }
}

// The programs refuse cells more elongated than the solvers handle, whichever way round.
TEST(GridMapping, CellsUpToTheAspectRatioLimitAreAcceptedEitherWayRound) {
    const uint32_t limit = uint32_t(MAX_CELL_ASPECT_RATIO);
    EXPECT_EQ(gridShapeRefusal(limit, 1) + gridShapeRefusal(3, 3 * limit), "");
    EXPECT_NE(gridShapeRefusal(1, limit + 1).find("wide as tall"), std::string::npos);
}

}  // namespace
