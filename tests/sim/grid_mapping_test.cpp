// The grid convention and the mappings between world and grid coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "cpu/CPUSim.h"
#include "sim/Limits.h"

namespace {

TEST(GridConvention, CellNumbersRunAlongIFirstOverTheBorderedGridWithTheWorldOnTheInterior) {
    CPUSim sim(5, 3);  // non-square: a bound that mixes resI and resJ shows here
    EXPECT_EQ(sim.index(0, 0), 0u);
    EXPECT_EQ(sim.index(1, 0), 1u);
    EXPECT_EQ(sim.index(0, 1), 7u);
    EXPECT_EQ(sim.index(6, 4), 7u * 5u - 1u);
    EXPECT_EQ(CPUSim(1, 1).index(1, 1), 4u);
    EXPECT_EQ(sim.stepCount, 4);
    const auto parts = [](Rect r) { return std::vector<float>{r.x, r.y, r.width, r.height}; };
    EXPECT_EQ(parts(sim.gridRect), (std::vector<float>{0.5f, 0.5f, 5.0f, 3.0f}));
    EXPECT_EQ(parts(sim.worldRect), (std::vector<float>{0.0f, 0.0f, 1.0f, 1.0f}));
    EXPECT_TRUE(sim.diffuseEnabled && sim.advectEnabled && sim.projectEnabled);
}

// The programs refuse grids whose cells are more elongated than the solvers handle,
// whichever way round, and say where the limit lies.
TEST(GridConvention, GridsBeyondTheCellAspectRatioLimitAreRefusedEitherWayRound) {
    const uint32_t limit = uint32_t(MAX_CELL_ASPECT_RATIO);
    for (const auto& [i, j] : std::vector<std::pair<uint32_t, uint32_t>>{{1, 1}, {48, 30}, {limit, 1}, {3, 3 * limit}})
        EXPECT_EQ(gridShapeRefusal(i, j), "") << i << " by " << j;
    const std::string beyond = std::to_string(limit + 1) + " times as ";
    EXPECT_NE(gridShapeRefusal(limit + 1, 1).find(beyond + "tall as wide; the solvers stay bounded only up to"),
              std::string::npos);
    EXPECT_NE(gridShapeRefusal(1, limit + 1).find(beyond + "wide as tall"), std::string::npos);
}

TEST(Mapping, CellCentresSitHalfACellInFromTheWorldEdge) {
    CPUSim sim(201, 201), wide(4, 2);
    EXPECT_EQ(sim.cellToWorld(1, 1), (Vec2{0.5f / 201.0f, 0.5f / 201.0f}));
    EXPECT_EQ(sim.cellToWorld(0, 0), (Vec2{-0.5f / 201.0f, -0.5f / 201.0f}));
    EXPECT_EQ(wide.cellToWorld(3, 2), (Vec2{2.5f / 4.0f, 1.5f / 2.0f}));
}

struct Mapped {
    Vec2 point;
    uint32_t i, j;
};

TEST(Mapping, NearestAndFloorCellsAtTheWorldEdgesAndInside) {
    CPUSim sim(201, 100);
    // The right and top edges belong to the world and round into the border cell.
    for (const Mapped& m : {Mapped{{0, 0}, 1, 1}, {{1, 1}, 202, 101}, {sim.cellToWorld(57, 33), 57, 33}}) {
        const CellCoord c = sim.worldToCell(m.point);
        EXPECT_TRUE(c.valid);
        EXPECT_EQ(c.i, m.i) << m.point.x;
        EXPECT_EQ(c.j, m.j) << m.point.y;
    }
    // The lower-left of the four cell centres around the point.
    CPUSim coarse(10, 20);
    for (const Mapped& m : {Mapped{{0, 0}, 0, 0}, {{0.04f, 0.5f}, 0, 10}, {{0.06f, 0.5f}, 1, 10}, {{1, 1}, 10, 20}}) {
        const CellCoord c = coarse.worldToCellFloor(m.point);
        EXPECT_TRUE(c.valid);
        EXPECT_EQ(c.i, m.i) << m.point.x;
        EXPECT_EQ(c.j, m.j) << m.point.y;
    }
}

TEST(Mapping, PointsOutsideTheWorldOrNaNAreInvalid) {
    CPUSim sim(16, 16);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Vec2 outside[] = {{-1e-6f, 0.5f}, {0.5f, -1e-6f}, {1.000001f, 0.5f}, {0.5f, 1.000001f},
                            {nan, 0.5f},    {0.5f, nan},    {-3.0f, 2.0f}};
    for (const Vec2& p : outside)
        for (const CellCoord c : {sim.worldToCell(p), sim.worldToCellFloor(p)}) {
            EXPECT_FALSE(c.valid) << p.x << ", " << p.y;
            EXPECT_EQ(c.i + c.j, 0u);
        }
}

}  // namespace
