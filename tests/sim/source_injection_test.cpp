// Pouring density in a soft disc and stirring velocity along a stroke (their shapes
// are checked against an independent solver by tests/cpu/independent_solver_test.cpp).
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "cpu/CPUSim.h"
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

    std::map<Cell, float> densities;
    std::map<Cell, float> densitySources;
    std::map<Cell, Vec2> velocitySources;
};

TEST(Splat, CapLimitsTheCentreCellsTotalAndAFullCellGetsNothing) {
    RecordingSim sim(100, 100);
    sim.densities[{30, 30}] = 50.0f;
    sim.splatDensity(100.0f, 30, 30);
    EXPECT_FLOAT_EQ((sim.densitySources[{30, 30}]), 80.0f);
    EXPECT_FLOAT_EQ((sim.densitySources[{31, 30}]), 80.0f);  // inside the core: the capped amount
    EXPECT_LT((sim.densitySources[{33, 30}]), 80.0f);

    RecordingSim over(100, 100), atCap(100, 100), negative(100, 100);
    over.densities[{30, 30}] = 131.0f;
    atCap.densities[{30, 30}] = 130.0f;
    for (RecordingSim* s : {&over, &atCap}) s->splatDensity(100.0f, 30, 30);
    negative.splatDensity(-5.0f, 30, 30);
    EXPECT_TRUE(over.densitySources.empty() && negative.densitySources.empty());
    const float rest = atCap.densitySources[{30, 30}];
    EXPECT_TRUE(rest > 0.0f && rest < 1e-5f) << rest;  // the cap sits a rounding above 130
}

// The shader solver stirs with the base stroke loop, the software solver with its
// own kernels (checked in turn against an independent solver): the two must add
// the same velocity to the same cells, the last row and column included.
TEST(Stroke, TheBaseLoopAddsWhatTheSoftwareSolversKernelsAdd) {
    const DragSegment strokes[] = {{{0.3f, 0.5f}, {0.7f, 0.5f}}, {{0.7f, 0.6f}, {0.3f, 0.5f}},
                                   {{0.5f, 0.5f}, {0.5f, 0.5f}}, {{-0.1f, -0.1f}, {2.0f, -1.0f}},
                                   {{0.95f, 0.1f}, {0.99f, 0.97f}}, {{0.1f, 0.9f}, {0.12f, 0.1f}}};
    for (auto [resI, resJ] : {std::pair{64u, 48u}, std::pair{5u, 9u}})
        for (const DragSegment& stroke : strokes) {
            RecordingSim base(resI, resJ);
            CPUSim cpu(resI, resJ);
            base.dragVelocity(0.0065f, stroke.from, stroke.to);
            cpu.dragVelocity(0.0065f, stroke.from, stroke.to);
            for (uint32_t i = 0; i <= resI + 1; ++i)
                for (uint32_t j = 0; j <= resJ + 1; ++j) {
                    const Vec2 expected = cpu.velocitySources()(i, j), actual = base.velocitySources[{i, j}];
                    EXPECT_NEAR(actual.x, expected.x, 1e-9f) << resI << "x" << resJ << " cell " << i << "," << j;
                    EXPECT_NEAR(actual.y, expected.y, 1e-9f) << resI << "x" << resJ << " cell " << i << "," << j;
                }
        }
}

}  // namespace
