// CPUSim against the double-precision reference model (which the shader solver is held to as well), through the same
// scripted input (splats, strokes, a zero-length stroke, body forces): a warm-up with
// every stage on, then each stage combination, a reset half-way. Their whole fields
// must agree up to the rounding of single-precision arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "cpu/CPUSim.h"
#include "reference/IndependentSolver.h"

namespace {

constexpr double TOLERANCE = 1e-4;

// Stroke end points stay clear of cell edges after the 0.2 widening, so the
// cell ranges do not hinge on how the last bit of a coordinate rounds.
const Vec2 STROKES[][2][2] = {
    {{{0.2137f, 0.3071f}, {0.7219f, 0.4413f}}, {{0.8123f, 0.8567f}, {0.4031f, 0.6189f}}},
    {{{0.1113f, 0.7271f}, {0.4877f, 0.2919f}}, {{-0.0731f, 0.5123f}, {1.0613f, 0.5477f}}},
};
const Vec2 POINT_STROKE{0.4419f, 0.5531f};

// Splat positions as fractions of the grid; the repeats drive the centre cell
// past the density cap, the extremes put the disc over the border ring.
const double SPOTS[][2] = {
    {0.50, 0.25}, {0.50, 0.25}, {0.50, 0.25}, {0.31, 0.62}, {0.0, 0.0},
    {0.97, 0.55}, {0.66, 0.93}, {0.50, 0.25}, {0.22, 0.08}, {0.999, 0.999},
};

const double TIME_STEPS[] = {0.03, 0.02, 0.045, 0.025, 0.05, 0.035};

unsigned spotCell(double fraction, unsigned res) { return std::min(res, 1 + unsigned(fraction * res)); }

// Lock-step: before every step the reference takes over CPUSim's fields. Confinement
// normalises a second difference of the velocity, which on fine grids turns float
// rounding into force differences that grow from step to step; lock-step keeps that
// growth out, so large grids can be held to a tight tolerance too.
enum class Mode { FreeRunning, LockStep };

struct Run {
    unsigned resI, resJ;
    Mode mode;
    int stepsPerCombination;
    float strength;  // a hundred times the usual traces cells back to the walls
};

class SideBySide {
public:
    explicit SideBySide(const Run& run) : mRun(run), mSim(run.resI, run.resJ), mRef(run.resI, run.resJ) {}

    void phase(int stages, int steps) {
        mSim.diffuseEnabled = mRef.diffuseEnabled = stages & 1;
        mSim.advectEnabled = mRef.advectEnabled = stages & 2;
        mSim.projectEnabled = mRef.projectEnabled = stages & 4;
        const bool lockStep = mRun.mode == Mode::LockStep;
        for (int n = 0; n < steps; ++n) {
            if (lockStep) adoptSimState();
            scriptedStep();
            if (lockStep) compare(stages);
        }
        if (!lockStep) compare(stages);
    }

    void reset() {
        mSim.reset();
        mRef.reset();
    }

private:
    // One application step, fed identically to both solvers.
    void scriptedStep() {
        const double dt = TIME_STEPS[mStep % std::size(TIME_STEPS)];
        const double* spot = SPOTS[mStep % std::size(SPOTS)];
        const unsigned i = spotCell(spot[0], mRun.resI), j = spotCell(spot[1], mRun.resJ);
        mSim.splatDensity(100.0f, i, j);
        mRef.splatDensity(100.0f, i, j);
        for (const auto& s : STROKES[(mStep / 4) % std::size(STROKES)]) drag(s[0], s[1]);
        drag(POINT_STROKE, POINT_STROKE);
        mSim.applyVorticity(dt);
        mSim.step(dt);
        mRef.step(dt);
        mSim.clearSources();
        mRef.clearSources();
        ++mStep;
    }

    void drag(Vec2 from, Vec2 to) {
        mSim.dragVelocity(mRun.strength, from, to);
        mRef.dragVelocity(mRun.strength, from.x, from.y, to.x, to.y);
    }

    void adoptSimState() {
        for (unsigned j = 0; j <= mRun.resJ + 1; ++j)
            for (unsigned i = 0; i <= mRun.resI + 1; ++i) {
                const Vec2 v = mSim.getVelocity(i, j);
                mRef.setVelocity(i, j, v.x, v.y);
                mRef.setDensity(i, j, mSim.getDensity(i, j));
            }
    }

    // ||sim - ref||_2 / ||ref||_2 over every cell, border ring included.
    void compare(int stages) {
        double dd = 0, dn = 0, vd = 0, vn = 0;
        for (unsigned j = 0; j <= mRun.resJ + 1; ++j)
            for (unsigned i = 0; i <= mRun.resI + 1; ++i) {
                const double d = mSim.getDensity(i, j), rd = mRef.density(i, j);
                const Vec2 v = mSim.getVelocity(i, j);
                const double rx = mRef.velocityX(i, j), ry = mRef.velocityY(i, j);
                dd += (d - rd) * (d - rd);
                dn += rd * rd;
                vd += (v.x - rx) * (v.x - rx) + (v.y - ry) * (v.y - ry);
                vn += rx * rx + ry * ry;
            }
        const std::string where = "stages " + std::to_string(stages) + ", step " + std::to_string(mStep);
        ASSERT_GT(dn, 0.0) << "no density to compare at " << where;
        ASSERT_GT(vn, 0.0) << "no velocity to compare at " << where;
        EXPECT_LT(std::sqrt(dd / dn), TOLERANCE) << "density at " << where;  // NaN fails too
        EXPECT_LT(std::sqrt(vd / vn), TOLERANCE) << "velocity at " << where;
    }

    Run mRun;
    CPUSim mSim;
    independent::Solver mRef;
    int mStep = 0;
};

class IndependentSolver : public ::testing::TestWithParam<Run> {};

TEST_P(IndependentSolver, AgreesThroughEveryStageCombinationAndAReset) {
    SideBySide pair(GetParam());
    pair.phase(7, 6);
    for (const int stages : {0, 7, 1, 6, 2, 5, 3, 4}) {
        if (stages == 2) pair.reset();
        pair.phase(stages, GetParam().stepsPerCombination);
    }
}

constexpr float USUAL = 0.0065f, STRONG = 0.65f;

INSTANTIATE_TEST_SUITE_P(
    Grids, IndependentSolver,
    ::testing::Values(Run{32, 32, Mode::LockStep, 6, USUAL}, Run{201, 201, Mode::LockStep, 3, USUAL},
                      Run{48, 31, Mode::LockStep, 6, USUAL}, Run{32, 32, Mode::FreeRunning, 5, USUAL},
                      Run{48, 31, Mode::FreeRunning, 5, USUAL}, Run{64, 64, Mode::LockStep, 4, STRONG},
                      Run{48, 31, Mode::FreeRunning, 4, STRONG}),
    [](const ::testing::TestParamInfo<Run>& p) {
        return std::string(p.param.mode == Mode::LockStep ? "lock_" : "free_") + std::to_string(p.param.resI) + "x" +
               std::to_string(p.param.resJ) + (p.param.strength == STRONG ? "_strong" : "");
    });

}  // namespace
