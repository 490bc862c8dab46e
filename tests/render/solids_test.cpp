// Solid obstacles in both solvers: smoke goes around them and never in, and every
// picture shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "view/Overlays.h"
#include "cpu/CPUSim.h"
#include "gpu/GPUSim.h"
#include "sim/StepSequence.h"
#include "headless/HeadlessGL.h"
#include "tests/support/SetFields.h"
#include "tools/render/Picture.h"
#include "tools/render/Solvers.h"

namespace {

struct Around {
    double left = 0, right = 0, total = 0;  // smoke beside the solid and above its middle
    int filledSolidCells = 0;               // solid cells that ever held smoke or motion
};

int filledSolidCells(FluidSim2D& sim) {
    int filled = 0;
    for (uint32_t i = 1; i <= sim.resI; ++i)
        for (uint32_t j = 1; j <= sim.resJ; ++j)
            if (sim.solids()(i, j) && (sim.getDensity(i, j) != 0.0f || sim.getVelocity(i, j) != Vec2{0, 0})) ++filled;
    return filled;
}

// Pours under the solid for 60 steps, lets it rise for 50, and looks at each step
// where the smoke is.
Around pourUnder(FluidSim2D& sim, const SolidShape& shape, float left, float right, float middle) {
    sim.setSolids(solidCellsOf(sim, {shape}));
    StepInput input;
    input.pourCell = sim.worldToCell({0.5f, 0.15f});
    Around a;
    for (int k = 0; k < 110; ++k) {
        input.pouring = k < 60;
        advanceSimulation(sim, 0.05, input);
        a.filledSolidCells += filledSolidCells(sim);
    }
    for (uint32_t i = 1; i <= sim.resI; ++i)
        for (uint32_t j = 1; j <= sim.resJ; ++j) {
            const Vec2 c = sim.cellToWorld(i, j);
            const double d = sim.getDensity(i, j);
            a.total += d;
            if (c.y > middle && c.x < left) a.left += d;
            if (c.y > middle && c.x > right) a.right += d;
        }
    return a;
}

class SolidsInEachSolver : public ::testing::TestWithParam<SolverKind> {};

INSTANTIATE_TEST_SUITE_P(Solvers, SolidsInEachSolver, ::testing::Values(SolverKind::Software, SolverKind::Shader),
                         [](const auto& param) { return solverLabel(param.param); });

TEST_P(SolidsInEachSolver, SmokePouredUnderADiscOrABoxRisesAroundItOnBothSidesAndNeverEntersIt) {
    headless::openWindow(64, 64, "solids test");
    struct Case {
        const char* name;
        SolidShape shape;
        float left, right, middle;
    };
    for (const Case& c : {Case{"disc", SolidShape::circle({0.5f, 0.42f}, 0.1f), 0.4f, 0.6f, 0.42f},
                          Case{"box", SolidShape::box({0.38f, 0.36f}, {0.62f, 0.46f}), 0.38f, 0.62f, 0.41f}}) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FluidSim2D> sim;
        try {
            if (GetParam() == SolverKind::Software)
                sim = std::make_unique<CPUSim>(128, 96);
            else
                sim = std::make_unique<GPUSim>(128, 96, SMOKE_SOURCE_DIR "/shaders");
        } catch (const GPUSimUnavailable& why) {
            GTEST_SKIP() << why.what();
        }
        // Set over moving smoke, they are emptied at once.
        setFields(
            *sim,
            [](uint32_t, uint32_t) {
                return Vec2{0.1f, 0.05f};
            },
            [](uint32_t, uint32_t) { return 0.2f; });
        sim->setSolids(solidCellsOf(*sim, {c.shape}));
        EXPECT_EQ(filledSolidCells(*sim), 0) << "as they are set";
        sim->reset();
        const Around a = pourUnder(*sim, c.shape, c.left, c.right, c.middle);
        EXPECT_EQ(a.filledSolidCells, 0);
        // Risen past the solid's middle, on each side about as much as on the other.
        EXPECT_GT((a.left + a.right) / a.total, 0.02);
        EXPECT_GT(a.left, a.right / 3);
        EXPECT_GT(a.right, a.left / 3);
    }
}

bool steelBlue(const uint8_t* p) {
    return std::abs(p[0] - int(255 * SOLID_COLOUR[0])) <= 1 && std::abs(p[1] - int(255 * SOLID_COLOUR[1])) <= 1 &&
           std::abs(p[2] - int(255 * SOLID_COLOUR[2])) <= 1;
}

// Drawn flat over the smoke, where its cells are: the smoke does not show through.
TEST(Solids, PicturesShowThemInTheirOwnColourOverTheSmoke) {
    headless::openWindow(64, 64, "solids test");
    CPUSim sim(40, 30);
    sim.setSolids(solidCellsOf(sim, {SolidShape::box({0.25f, 0.5f}, {0.75f, 1.0f})}));
    StepInput input;
    input.pouring = true;
    input.pourCell = sim.worldToCell({0.5f, 0.4f});
    for (int k = 0; k < 10; ++k) advanceSimulation(sim, 0.05, input);
    // Two pixels a cell: the box covers columns 11 to 30 and rows 16 to 30.
    const Image image = PictureCanvas(80, 60).paint(sim, {}, {});
    int blue = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) blue += steelBlue(image.pixel(x, y));
    EXPECT_EQ(blue, int(4 * sim.solids().count()));
    EXPECT_TRUE(steelBlue(image.pixel(20, 0)));
    EXPECT_TRUE(steelBlue(image.pixel(59, 29)));
    const uint8_t* under = image.pixel(40, 31);  // smoke just under the box: grey
    EXPECT_GT(under[0], 40);
    EXPECT_EQ(under[1], under[0]);
    EXPECT_EQ(under[2], under[0]);
}

}  // namespace
