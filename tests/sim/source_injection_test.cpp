// Pouring density in a soft disc and stirring velocity along a stroke.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "sim/FluidSim2D.h"

namespace {

// Records what the injection operations ask of a solver, with a settable density.
class RecordingSim : public FluidSim2D {
public:
    RecordingSim(uint32_t i, uint32_t j) : FluidSim2D(i, j) {}
    void draw(int32_t) override {}
    Vec2 getVelocity(uint32_t, uint32_t) override { return {0, 0}; }
    float getDensity(uint32_t i, uint32_t j) override { return densities[{i, j}]; }
    uint32_t index(uint32_t i, uint32_t j) override { return cellNumber(i, j, resI); }
    void addDensity(uint32_t i, uint32_t j, float a) override {
        densitySources[{i, j}] += a;
        ++densityCalls;
    }
    void addVelocity(uint32_t i, uint32_t j, float du, float dv) override {
        Vec2& v = velocitySources[{i, j}];
        v.x += du;
        v.y += dv;
        ++velocityCalls;
    }
    void reset() override {}
    void applyVorticity(double) override {}
    void step(double) override {}
    void clearSources() override {}

    float distanceBetween(std::pair<uint32_t, uint32_t> a, std::pair<uint32_t, uint32_t> b) const {
        const Vec2 p = cellToWorld(a.first, a.second), q = cellToWorld(b.first, b.second);
        return std::hypot(p.x - q.x, p.y - q.y);
    }

    std::map<std::pair<uint32_t, uint32_t>, float> densities;
    std::map<std::pair<uint32_t, uint32_t>, float> densitySources;
    std::map<std::pair<uint32_t, uint32_t>, Vec2> velocitySources;
    int densityCalls = 0;
    int velocityCalls = 0;
};

using Cell = std::pair<uint32_t, uint32_t>;

TEST(Splat, FullAmountInTheCoreFallingToZeroAtTheRadius) {
    RecordingSim sim(100, 100);  // one cell is 0.01 wide
    const Cell centre{50, 40};
    sim.splatDensity(100.0f, centre.first, centre.second);
    ASSERT_GT(sim.densityCalls, 0);
    float previous = 200.0f;
    for (uint32_t i = 50; i <= 56; ++i) {  // walking right from the centre
        const float value = sim.densitySources[{i, 40}];
        const float d = sim.distanceBetween({i, 40}, centre);
        if (d <= 0.01f + 1e-6f) {
            EXPECT_FLOAT_EQ(value, 100.0f) << "core cell " << i;
        } else if (d >= 0.05f - 1e-6f) {
            EXPECT_FLOAT_EQ(value, 0.0f) << "cell at the rim or beyond " << i;
        } else {
            // 1 - u^2 with u = (t - 0.2) / 0.8
            const double u = (d / 0.05 - 0.2) / 0.8;
            EXPECT_NEAR(value, 100.0 * (1.0 - u * u), 1e-3) << "falloff cell " << i;
        }
        EXPECT_LE(value, previous);
        previous = value;
    }
    const float falling = sim.densitySources[{53, 40}];
    EXPECT_GT(falling, 0.0f);
    EXPECT_LT(falling, 100.0f);
    for (const auto& [cell, value] : sim.densitySources) EXPECT_GE(value, 0.0f);
}

TEST(Splat, CapLimitsTheCentreCellsTotal) {
    RecordingSim sim(100, 100);
    sim.densities[{30, 30}] = 50.0f;
    sim.splatDensity(100.0f, 30, 30);
    EXPECT_FLOAT_EQ((sim.densitySources[{30, 30}]), 80.0f);
    EXPECT_FLOAT_EQ((sim.densitySources[{31, 30}]), 80.0f);  // inside the core: the capped amount
    const float edge = sim.densitySources[{33, 30}];
    EXPECT_GT(edge, 0.0f);
    EXPECT_LT(edge, 80.0f);
}

TEST(Splat, NothingWhenFullOrNegativeButAHairAtExactlyTheCap) {
    RecordingSim over(100, 100);
    over.densities[{30, 30}] = 131.0f;
    over.splatDensity(100.0f, 30, 30);
    EXPECT_EQ(over.densityCalls, 0);

    RecordingSim negative(100, 100);
    negative.splatDensity(-5.0f, 30, 30);
    EXPECT_EQ(negative.densityCalls, 0);

    RecordingSim atCap(100, 100);
    atCap.densities[{30, 30}] = 130.0f;
    atCap.splatDensity(100.0f, 30, 30);
    EXPECT_GT(atCap.densityCalls, 0);
    const float hair = atCap.densitySources[{30, 30}];
    EXPECT_GT(hair, 0.0f);
    EXPECT_LT(hair, 1e-5f);
}

TEST(Splat, ReachesIntoBorderCellsAtTheCorner) {
    RecordingSim sim(201, 201);
    sim.splatDensity(100.0f, 1, 1);
    EXPECT_GT((sim.densitySources[{0, 1}]), 0.0f);
    EXPECT_GT((sim.densitySources[{1, 0}]), 0.0f);
    EXPECT_GT((sim.densitySources[{0, 0}]), 0.0f);

    RecordingSim top(201, 201);
    top.splatDensity(100.0f, 201, 201);
    EXPECT_GT((top.densitySources[{202, 201}]), 0.0f);
    EXPECT_GT((top.densitySources[{201, 202}]), 0.0f);
    for (const auto& [cell, value] : top.densitySources) {
        EXPECT_LE(cell.first, 202u);
        EXPECT_LE(cell.second, 202u);
    }
}

TEST(Stroke, FullStrengthAlongTheBandAndNothingFarAway) {
    RecordingSim sim(100, 100);
    sim.dragVelocity(0.0065f, {0.3f, 0.5f}, {0.7f, 0.5f});
    for (const auto& [cell, v] : sim.velocitySources) {
        const Vec2 w = sim.cellToWorld(cell.first, cell.second);
        const float perpendicular = std::fabs(w.y - 0.5f);
        EXPECT_FLOAT_EQ(v.y, 0.0f);
        EXPECT_GE(v.x, 0.0f);
        if (w.x >= 0.3f && w.x <= 0.7f && perpendicular <= 0.0199f) {
            EXPECT_FLOAT_EQ(v.x, 0.0065f);
        }
        if (perpendicular >= 0.2f) {
            EXPECT_EQ(v.x, 0.0f);
        }
    }
    const Vec2 mid = sim.velocitySources[{50, 50}];
    EXPECT_FLOAT_EQ(mid.x, 0.0065f);
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
        const Vec2 r = backward.velocitySources[cell];
        EXPECT_NEAR(v.x, -r.x, 1e-8f);
        EXPECT_NEAR(v.y, -r.y, 1e-8f);
    }
    EXPECT_GT((forward.velocitySources[{32, 27}].x), 0.0f);
    EXPECT_GT((forward.velocitySources[{32, 27}].y), 0.0f);
}

TEST(Stroke, EndsAreHalfDiscsAroundTheEndPoints) {
    RecordingSim sim(100, 100);
    sim.dragVelocity(0.0065f, {0.3f, 0.5f}, {0.5f, 0.5f});
    // Beyond the end at x = 0.5, a cell 0.1 further along and one 0.1 off the line
    // through the end point are equally far from the stroke and get the same weight.
    const Vec2 along = sim.velocitySources[{61, 50}];
    const Vec2 side = sim.velocitySources[{51, 61}];
    const float dAlong = std::hypot(sim.cellToWorld(61, 50).x - 0.5f, sim.cellToWorld(61, 50).y - 0.5f);
    const float dSide = std::hypot(sim.cellToWorld(51, 61).x - 0.5f, sim.cellToWorld(51, 61).y - 0.5f);
    EXPECT_NEAR(dAlong, dSide, 1e-3f);
    EXPECT_NEAR(along.x, side.x, 2e-5f);
    EXPECT_GT(along.x, 0.0f);
    EXPECT_LT(along.x, 0.0065f);
    // A corner cell far past the end but within the box gets nothing.
    EXPECT_EQ((sim.velocitySources[{68, 68}].x), 0.0f);
}

TEST(Stroke, ZeroLengthStrokeAddsNothing) {
    RecordingSim sim(50, 70);
    const Vec2 p = sim.cellToWorld(20, 30);
    sim.dragVelocity(0.0065f, p, p);
    for (const auto& [cell, v] : sim.velocitySources) {
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
        EXPECT_EQ(v.x, 0.0f);
        EXPECT_EQ(v.y, 0.0f);
    }
}

TEST(Stroke, StaysInsideTheGridWhenItStartsOutsideTheWorld) {
    RecordingSim sim(32, 24);
    sim.dragVelocity(0.0065f, sim.cellToWorld(0, 0), {2.0f, -1.0f});
    EXPECT_GT(sim.velocityCalls, 0);
    for (const auto& [cell, v] : sim.velocitySources) {
        EXPECT_LE(cell.first, 33u);
        EXPECT_LE(cell.second, 25u);
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    }
}

}  // namespace
