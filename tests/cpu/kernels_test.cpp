// The software solver: its storage, and the numbers a step must give where the
// arithmetic can be done on paper. The step as a whole, sources, body forces and reset
// included, is checked against an independently written solver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <random>
#include <tuple>

#include "cpu/CPUSim.h"
#include "cpu/kernels/FastKernels.h"
#include "sim/StepSequence.h"
#include "tests/support/SetFields.h"

namespace {

TEST(CpuStorage, GridTooLargeRaisesOutOfMemory) {
    EXPECT_THROW(CPUSim(100000, 100000), std::bad_alloc);
    EXPECT_THROW(CPUSim(0xFFFFFFFFu, 3), std::bad_alloc);
}

// A fill must reach every cell, border included, and a clear to zero bytes must not
// swallow a value whose bytes are not all zero, such as −0.
TEST(CpuStorage, FillReachesTheBorderAndKeepsTheSignOfNegativeZero) {
    VectorField field(3, 2);
    for (const Vec2 value : {Vec2{-0.0f, 0.0f}, Vec2{0.0f, 0.0f}}) {
        for (uint32_t c = 0; c < field.size(); ++c) field[c] = {1.5f + float(c), -0.25f * float(c) - 1.0f};
        field.fill(value);
        for (uint32_t c = 0; c < field.size(); ++c) {
            EXPECT_EQ(field[c], (Vec2{0.0f, 0.0f})) << "cell " << c;
            EXPECT_EQ(std::signbit(field[c].x), std::signbit(value.x)) << "cell " << c;
            EXPECT_FALSE(std::signbit(field[c].y)) << "cell " << c;
        }
    }
}

TEST(Diffusion, SingleCellSpreadsAsTheWorkedExampleSays) {
    CPUSim sim(41, 41);
    setFields(
        sim,
        [](uint32_t, uint32_t) {
            return Vec2{0, 0};
        },
        [](uint32_t i, uint32_t j) { return i == 21 && j == 21 ? 100.0f : 0.0f; });
    setFlags(sim, true, false, false);
    sim.step(0.1);
    EXPECT_NEAR(sim.getDensity(21, 21), 25.39, 0.01);
    // Gauss-Seidel: the neighbours updated before the centre hold a little less.
    for (const auto& [i, j, expected] :
         {std::tuple{22u, 21u, 6.743}, {21u, 22u, 6.743}, {20u, 21u, 6.735}, {21u, 20u, 6.735}})
        EXPECT_NEAR(sim.getDensity(i, j), expected, 0.001) << i << "," << j;
    double total = 0;
    for (uint32_t c = 0; c < sim.density().size(); ++c) total += sim.density()[c];
    EXPECT_NEAR(total, 98.3, 0.05);
}

double divergenceNorm(const CPUSim& sim, const VectorField& v) {
    double sum = 0;
    for (uint32_t i = 1; i <= sim.resI; ++i)
        for (uint32_t j = 1; j <= sim.resJ; ++j) {
            const double d =
                (v(i + 1, j).x - v(i - 1, j).x) * 0.5 * sim.resI + (v(i, j + 1).y - v(i, j - 1).y) * 0.5 * sim.resJ;
            sum += d * d;
        }
    return std::sqrt(sum);
}

// A random compressible flow: the gradient of a sum of Gaussian bumps, 1.5 to 3 cells
// wide, at random places. White noise is no test: ten sweeps cannot reach its longest
// modes and the central-difference divergence does not see its shortest.
VectorField randomPotentialFlow(uint32_t resI, uint32_t resJ, std::mt19937& rng) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> width(1.5f, 3.0f);
    VectorField v(resI, resJ);
    for (int bump = 0; bump < 10; ++bump) {
        const float s = width(rng), amplitude = unit(rng);
        const float cx = 1.0f + float(resI - 1) * (unit(rng) + 1.0f) / 2.0f;
        const float cy = 1.0f + float(resJ - 1) * (unit(rng) + 1.0f) / 2.0f;
        for (uint32_t i = 1; i <= resI; ++i)
            for (uint32_t j = 1; j <= resJ; ++j) {
                const float dx = float(i) - cx, dy = float(j) - cy;
                const float g = amplitude * std::exp(-(dx * dx + dy * dy) / (2 * s * s)) / (s * s);
                v(i, j) += Vec2{-dx * g, -dy * g};
            }
    }
    return v;
}

// Central differences of a stream function: divergence-free to float rounding. The
// function is zero on the outer two rings of cells, so the walls' zeros belong to it.
VectorField streamFlow(uint32_t resI, uint32_t resJ) {
    auto psi = [&](int i, int j) {
        if (i < 1 || j < 1 || i > int(resI) || j > int(resJ)) return 0.0;
        const double x = M_PI * (i - 1) / (resI - 1), y = M_PI * (j - 1) / (resJ - 1);
        return std::pow(std::sin(x) * std::sin(y), 2) * (1.0 + 0.5 * std::sin(3 * x + 2 * y)) / resI;
    };
    VectorField v(resI, resJ);
    for (int i = 1; i <= int(resI); ++i)
        for (int j = 1; j <= int(resJ); ++j)
            v(i, j) = {float((psi(i, j + 1) - psi(i, j - 1)) * resJ / 2),
                       float((psi(i - 1, j) - psi(i + 1, j)) * resI / 2)};
    return v;
}

// Cells of any shape: the projection solves the Poisson equation of their own width
// and height, so it leaves a divergence-free field alone, and repeated projections
// take a random field's divergence down by orders of magnitude, as on square cells
// (an equation for the wrong cell shape stalls at a tenth or so).
TEST(Projection, KeepsADivergenceFreeFieldAndRemovesDivergenceOnCellsOfAnyShape) {
    for (auto [resI, resJ] : {std::pair{64u, 64u}, std::pair{64u, 32u}, std::pair{32u, 64u}, std::pair{48u, 31u}}) {
        CPUSim sim(resI, resJ);
        const VectorField still = streamFlow(resI, resJ);
        VectorField out(resI, resJ);
        sim.project(out, still);
        float largest = 0, change = 0;
        for (uint32_t c = 0; c < still.size(); ++c) {
            largest = std::max(largest, std::hypot(still[c].x, still[c].y));
            change = std::max(change, std::hypot(out[c].x - still[c].x, out[c].y - still[c].y));
        }
        EXPECT_LT(change, 1e-5f * largest) << resI << "x" << resJ;

        std::mt19937 rng(resI + resJ);
        VectorField v = randomPotentialFlow(resI, resJ, rng);
        const double before = divergenceNorm(sim, v);
        for (int n = 0; n < 100; ++n) {
            sim.project(out, v);
            std::swap(out, v);
        }
        const double fall = divergenceNorm(sim, v) / before;
        EXPECT_LT(fall, 0.02) << resI << "x" << resJ << ": " << before << " -> " << fall * before;
        for (uint32_t i = 0; i <= resI + 1; ++i) EXPECT_EQ(v(i, 0), (Vec2{0, 0}));
    }
}

// ---- vorticity confinement on fine grids ----------------------------------

// The same solver with no confinement force: the yardstick of a smooth field.
class WithoutConfinement : public FastKernels {
public:
    using FastKernels::FastKernels;
    void addBodyForces(const BodyForceFields& f, float hx, float hy, float t, float) override {
        FastKernels::addBodyForces(f, hx, hy, t, 0.0f);
    }
};

struct Pour {
    double roughness;  // mean |Laplacian of the density| over the mean density
    double topSpeed;
};

Pour pourTwelveSteps(CPUSim& sim) {
    StepInput input;
    input.pouring = true;
    input.pourCell = sim.worldToCell({0.5f, 0.25f});
    for (int k = 0; k < 12; ++k) advanceSimulation(sim, 0.05, input);
    double laplacian = 0.0, total = 0.0, top = 0.0;
    for (uint32_t i = 2; i < sim.resI; ++i)
        for (uint32_t j = 2; j < sim.resJ; ++j) {
            const double d = sim.getDensity(i, j);
            laplacian += std::fabs(sim.getDensity(i + 1, j) + sim.getDensity(i - 1, j) + sim.getDensity(i, j + 1) +
                                   sim.getDensity(i, j - 1) - 4.0 * d);
            total += d;
            top = std::max(top, double(std::hypot(sim.getVelocity(i, j).x, sim.getVelocity(i, j).y)));
        }
    return {laplacian / total, top};
}

// A force that grows with the curl of one-cell wiggles, as an unscaled one does on
// cells this fine, makes the pour 13 times as rough and speckles it within a second.
TEST(VorticityConfinement, AShortPourOnAFineGridStaysAboutAsSmoothAsWithoutIt) {
    const uint32_t resI = 1024, resJ = 896;
    CPUSim confined(resI, resJ);
    CPUSim smooth(resI, resJ, std::make_unique<WithoutConfinement>(resI, resJ));
    const Pour a = pourTwelveSteps(confined), b = pourTwelveSteps(smooth);
    EXPECT_LT(a.roughness, 2.0 * b.roughness);
    EXPECT_LT(a.topSpeed, 1.2 * b.topSpeed);
}

TEST(VorticityConfinement, KeepsItsStrengthExactlyUpToTheDefaultGridAndShrinksBeyond) {
    EXPECT_EQ(confinementStrength(1.0f / 201.0f, 1.0f / 201.0f), VORTICITY_STRENGTH);
    EXPECT_EQ(confinementStrength(1.0f / 64.0f, 1.0f / 150.0f), VORTICITY_STRENGTH);
    EXPECT_FLOAT_EQ(confinementStrength(1.0f / 804.0f, 1.0f / 100.0f), VORTICITY_STRENGTH / 4.0f);
}

}  // namespace
