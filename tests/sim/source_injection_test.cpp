// Pouring density in a soft disc and stirring velocity along a stroke.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "tests/support/NullSim.h"

namespace {

using Cell = std::pair<uint32_t, uint32_t>;

// Records what the injection operations ask of a solver, with a settable density.
class RecordingSim : public NullSim {
public:
    using NullSim::NullSim;
    float getDensity(uint32_t i, uint32_t j) override { return densities[{i, j}]; }
    void addDensity(uint32_t i, uint32_t j, float a) override { densitySources[{i, j}] += a; }
    void addVelocity(uint32_t i, uint32_t j, float du, float dv) override {
        velocitySources[{i, j}] += Vec2{du, dv};
    }
    float distance(Cell c, Vec2 p) const {
        const Vec2 w = cellToWorld(c.first, c.second);
        return std::hypot(w.x - p.x, w.y - p.y);
    }

    std::map<Cell, float> densities;
    std::map<Cell, float> densitySources;
    std::map<Cell, Vec2> velocitySources;
};

TEST(Splat, FullAmountInTheCoreFallingToZeroAtTheRadius) {
    RecordingSim sim(100, 100);  // one cell is 0.01 wide
    sim.splatDensity(100.0f, 50, 40);
    const Vec2 centre = sim.cellToWorld(50, 40);
    float previous = 200.0f;
    for (uint32_t i = 50; i <= 56; ++i) {  // walking right from the centre
        const float value = sim.densitySources[{i, 40}];
        const float d = sim.distance({i, 40}, centre);
        if (d <= 0.01f + 1e-6f) {
            EXPECT_FLOAT_EQ(value, 100.0f) << "core cell " << i;
        } else if (d >= 0.05f - 1e-6f) {
            EXPECT_FLOAT_EQ(value, 0.0f) << "cell at the rim or beyond " << i;
        } else {
            const double u = (d / 0.05 - 0.2) / 0.8;  // 1 - u^2 between core and rim
            EXPECT_NEAR(value, 100.0 * (1.0 - u * u), 1e-3) << "falloff cell " << i;
            EXPECT_GT(value, 0.0f);
        }
        EXPECT_LE(value, previous);
        previous = value;
    }
}

TEST(Splat, CapLimitsTheCentreCellsTotalAndAFullCellGetsNothing) {
    RecordingSim sim(100, 100);
    sim.densities[{30, 30}] = 50.0f;
    sim.splatDensity(100.0f, 30, 30);
    EXPECT_FLOAT_EQ((sim.densitySources[{30, 30}]), 80.0f);
    EXPECT_FLOAT_EQ((sim.densitySources[{31, 30}]), 80.0f);  // inside the core: the capped amount
    EXPECT_LT((sim.densitySources[{33, 30}]), 80.0f);

    RecordingSim over(100, 100), atCap(100, 100), negative(100, 100);
    over.densities[{30, 30}] = 131.0f;
    over.splatDensity(100.0f, 30, 30);
    negative.splatDensity(-5.0f, 30, 30);
    EXPECT_TRUE(over.densitySources.empty());
    EXPECT_TRUE(negative.densitySources.empty());
    atCap.densities[{30, 30}] = 130.0f;
    atCap.splatDensity(100.0f, 30, 30);
    EXPECT_GT((atCap.densitySources[{30, 30}]), 0.0f);  // the cap sits a rounding above 130
    EXPECT_LT((atCap.densitySources[{30, 30}]), 1e-5f);
}

TEST(Splat, ReachesIntoBorderCellsAtTheCorners) {
    RecordingSim low(201, 201), high(201, 201);
    low.splatDensity(100.0f, 1, 1);
    high.splatDensity(100.0f, 201, 201);
    for (const Cell& c : {Cell{0, 1}, Cell{1, 0}, Cell{0, 0}}) EXPECT_GT(low.densitySources[c], 0.0f);
    for (const Cell& c : {Cell{202, 201}, Cell{201, 202}}) EXPECT_GT(high.densitySources[c], 0.0f);
    for (const auto& [cell, value] : high.densitySources) EXPECT_LE(std::max(cell.first, cell.second), 202u);
}

TEST(Stroke, FullStrengthAlongTheBandAndNothingFarAway) {
    RecordingSim sim(100, 100);
    sim.dragVelocity(0.0065f, {0.3f, 0.5f}, {0.7f, 0.5f});
    for (const auto& [cell, v] : sim.velocitySources) {
        const Vec2 w = sim.cellToWorld(cell.first, cell.second);
        const float perpendicular = std::fabs(w.y - 0.5f);
        EXPECT_FLOAT_EQ(v.y, 0.0f);
        EXPECT_GE(v.x, 0.0f);
        if (perpendicular >= 0.2f) {
            EXPECT_EQ(v.x, 0.0f);
        } else if (w.x >= 0.3f && w.x <= 0.7f && perpendicular <= 0.0199f) {
            EXPECT_FLOAT_EQ(v.x, 0.0065f);
        }
    }
    const float halfway = sim.velocitySources[{50, 60}].x;  // about 0.1 from the stroke
    EXPECT_GT(halfway, 0.0f);
    EXPECT_LT(halfway, 0.0065f);
}

TEST(Stroke, ReversedStrokePushesTheOtherWay) {
    RecordingSim forward(64, 48), backward(64, 48);
    forward.dragVelocity(0.0065f, {0.3f, 0.5f}, {0.7f, 0.6f});
    backward.dragVelocity(0.0065f, {0.7f, 0.6f}, {0.3f, 0.5f});
    ASSERT_EQ(forward.velocitySources.size(), backward.velocitySources.size());
    for (const auto& [cell, v] : forward.velocitySources) {
        EXPECT_NEAR(v.x, -backward.velocitySources[cell].x, 1e-8f);
        EXPECT_NEAR(v.y, -backward.velocitySources[cell].y, 1e-8f);
    }
    EXPECT_GT((forward.velocitySources[{32, 27}].x), 0.0f);
    EXPECT_GT((forward.velocitySources[{32, 27}].y), 0.0f);
}

TEST(Stroke, EndsAreHalfDiscsAroundTheEndPoints) {
    RecordingSim sim(100, 100);
    sim.dragVelocity(0.0065f, {0.3f, 0.5f}, {0.5f, 0.5f});
    // Beyond the end at x = 0.5, a cell 0.1 further along and one 0.1 off the line
    // through the end point are equally far from the stroke and get the same weight.
    const Vec2 end{0.5f, 0.5f};
    EXPECT_NEAR(sim.distance({61, 50}, end), sim.distance({51, 61}, end), 1e-3f);
    const float along = sim.velocitySources[{61, 50}].x;
    EXPECT_NEAR(along, (sim.velocitySources[{51, 61}].x), 2e-5f);
    EXPECT_GT(along, 0.0f);
    EXPECT_LT(along, 0.0065f);
    EXPECT_EQ((sim.velocitySources[{68, 68}].x), 0.0f);  // far past the end, but within the box
}

TEST(Stroke, ZeroLengthStrokeAddsNothing) {
    RecordingSim sim(50, 70);
    const Vec2 p = sim.cellToWorld(20, 30);
    sim.dragVelocity(0.0065f, p, p);
    for (const auto& [cell, v] : sim.velocitySources) EXPECT_EQ(v, (Vec2{0.0f, 0.0f}));
}

TEST(Stroke, StaysInsideTheGridWhenItStartsOutsideTheWorld) {
    RecordingSim sim(32, 24);
    sim.dragVelocity(0.0065f, sim.cellToWorld(0, 0), {2.0f, -1.0f});
    ASSERT_FALSE(sim.velocitySources.empty());
    for (const auto& [cell, v] : sim.velocitySources) {
        EXPECT_LE(cell.first, 33u);
        EXPECT_LE(cell.second, 25u);
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    }
}

}  // namespace
