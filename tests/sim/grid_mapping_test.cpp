// The grid convention and the mappings between world and grid coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "cpu/CPUSim.h"

namespace {

TEST(GridConvention, CellNumbersRunAlongIFirstOverTheBorderedGrid) {
    CPUSim sim(5, 3);  // non-square: a bound that mixes resI and resJ shows here
    EXPECT_EQ(sim.index(0, 0), 0u);
    EXPECT_EQ(sim.index(1, 0), 1u);
    EXPECT_EQ(sim.index(0, 1), 7u);
    EXPECT_EQ(sim.index(6, 4), 7u * 5u - 1u);
    CPUSim single(1, 1);
    EXPECT_EQ(single.index(1, 1), 4u);
}

TEST(GridConvention, InitialRectanglesAndFlags) {
    CPUSim sim(201, 37);
    EXPECT_EQ(sim.stepCount, 4);
    EXPECT_FLOAT_EQ(sim.gridRect.x, 0.5f);
    EXPECT_FLOAT_EQ(sim.gridRect.width, 201.0f);
    EXPECT_FLOAT_EQ(sim.gridRect.height, 37.0f);
    EXPECT_EQ(sim.worldRect.x, 0.0f);
    EXPECT_EQ(sim.worldRect.width, 1.0f);
    EXPECT_TRUE(sim.diffuseEnabled && sim.advectEnabled && sim.projectEnabled);
}

TEST(Mapping, CellCentresSitHalfACellInFromTheWorldEdge) {
    CPUSim sim(201, 201);
    const Vec2 first = sim.cellToWorld(1, 1);
    EXPECT_FLOAT_EQ(first.x, 0.5f / 201.0f);
    EXPECT_FLOAT_EQ(first.y, 0.5f / 201.0f);
    const Vec2 border = sim.cellToWorld(0, 0);
    EXPECT_FLOAT_EQ(border.x, -0.5f / 201.0f);
    EXPECT_FALSE(sim.worldRect.contains(border));

    CPUSim wide(4, 2);
    const Vec2 c = wide.cellToWorld(3, 2);
    EXPECT_FLOAT_EQ(c.x, 2.5f / 4.0f);
    EXPECT_FLOAT_EQ(c.y, 1.5f / 2.0f);
}

TEST(Mapping, NearestCellAtTheWorldEdges) {
    CPUSim sim(201, 100);
    const CellCoord lowerLeft = sim.worldToCell({0.0f, 0.0f});
    EXPECT_TRUE(lowerLeft.valid);
    EXPECT_EQ(lowerLeft.i, 1u);
    EXPECT_EQ(lowerLeft.j, 1u);
    // The right and top edges belong to the world and round into the border cell.
    const CellCoord upperRight = sim.worldToCell({1.0f, 1.0f});
    EXPECT_TRUE(upperRight.valid);
    EXPECT_EQ(upperRight.i, 202u);
    EXPECT_EQ(upperRight.j, 101u);
    const CellCoord middle = sim.worldToCell(sim.cellToWorld(57, 33));
    EXPECT_EQ(middle.i, 57u);
    EXPECT_EQ(middle.j, 33u);
}

TEST(Mapping, FloorCellIsTheLowerLeftOfTheFourCentresAround) {
    CPUSim sim(10, 20);
    const CellCoord origin = sim.worldToCellFloor({0.0f, 0.0f});
    EXPECT_TRUE(origin.valid);
    EXPECT_EQ(origin.i, 0u);
    EXPECT_EQ(origin.j, 0u);
    const CellCoord leftHalf = sim.worldToCellFloor({0.04f, 0.5f});  // left half of column 1
    EXPECT_EQ(leftHalf.i, 0u);
    EXPECT_EQ(leftHalf.j, 10u);
    const CellCoord rightHalf = sim.worldToCellFloor({0.06f, 0.5f});
    EXPECT_EQ(rightHalf.i, 1u);
    const CellCoord top = sim.worldToCellFloor({1.0f, 1.0f});
    EXPECT_EQ(top.i, 10u);
    EXPECT_EQ(top.j, 20u);
}

TEST(Mapping, PointsOutsideTheWorldOrNaNAreInvalid) {
    CPUSim sim(16, 16);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Vec2 outside[] = {{-1e-6f, 0.5f}, {0.5f, -1e-6f}, {1.000001f, 0.5f}, {0.5f, 1.000001f},
                            {nan, 0.5f},    {0.5f, nan},    {-3.0f, 2.0f}};
    for (const Vec2& p : outside) {
        for (const CellCoord c : {sim.worldToCell(p), sim.worldToCellFloor(p)}) {
            EXPECT_FALSE(c.valid) << p.x << ", " << p.y;
            EXPECT_EQ(c.i, 0u);
            EXPECT_EQ(c.j, 0u);
        }
    }
}

TEST(Mapping, MapPointIsLinearAndUnclamped) {
    const Rect from{10.0f, 20.0f, 100.0f, 50.0f};
    const Rect to{-1.0f, 2.0f, 4.0f, 8.0f};
    const Vec2 inside = mapPoint({60.0f, 45.0f}, from, to);
    EXPECT_FLOAT_EQ(inside.x, 1.0f);
    EXPECT_FLOAT_EQ(inside.y, 6.0f);
    const Vec2 outside = mapPoint(-90.0f, 120.0f, from, to);
    EXPECT_FLOAT_EQ(outside.x, -5.0f);
    EXPECT_FLOAT_EQ(outside.y, 18.0f);
}

TEST(Mapping, ClampToRectWorksPerAxisAndKeepsEdges) {
    const Rect world{0.0f, 0.0f, 1.0f, 1.0f};
    EXPECT_EQ(clampToRect({-3.0f, 0.5f}, world), (Vec2{0.0f, 0.5f}));
    EXPECT_EQ(clampToRect({2.0f, 2.0f}, world), (Vec2{1.0f, 1.0f}));
    EXPECT_EQ(clampToRect({0.25f, -7.0f}, world), (Vec2{0.25f, 0.0f}));
    EXPECT_EQ(clampToRect({1.0f, 0.0f}, world), (Vec2{1.0f, 0.0f}));
}

}  // namespace
