// Cross-checks CPUSim against a separately written double-precision solver.
// Both are driven through the same scripted user input (splats, strokes,
// body forces, steps); their whole fields must agree up to the rounding of
// single-precision arithmetic.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string>
#include <tuple>

#include "cpu/CPUSim.h"
#include "reference/IndependentSolver.h"

namespace {

constexpr double kTolerance = 1e-4;
constexpr float kSplatAmount = 100.0f;
constexpr float kStrokeStrength = 0.0065f;

struct Stroke {
    float fromX, fromY, toX, toY;
};

// Stroke end points stay clear of cell edges after the 0.2 widening, so the
// cell ranges do not hinge on how the last bit of a coordinate rounds.
const Stroke kStrokeSets[][2] = {
    {{0.2137f, 0.3071f, 0.7219f, 0.4413f}, {0.8123f, 0.8567f, 0.4031f, 0.6189f}},
    {{0.1113f, 0.7271f, 0.4877f, 0.2919f}, {-0.0731f, 0.5123f, 1.0613f, 0.5477f}},
};

// Splat positions as fractions of the grid; the repeats drive the centre cell
// past the density cap, the extremes put the disc over the border ring.
const double kSpots[][2] = {
    {0.50, 0.25}, {0.50, 0.25}, {0.50, 0.25}, {0.31, 0.62}, {0.0, 0.0},
    {0.97, 0.55}, {0.66, 0.93}, {0.50, 0.25}, {0.22, 0.08}, {0.999, 0.999},
};

const double kTimeSteps[] = {0.03, 0.02, 0.045, 0.025, 0.05, 0.035};

struct Flags {
    bool diffuse;
    bool advect;
    bool project;
};

Flags flagsOf(int combo) { return {(combo & 1) != 0, (combo & 2) != 0, (combo & 4) != 0}; }

std::string flagName(Flags f) {
    std::string s;
    s += f.diffuse ? 'D' : '-';
    s += f.advect ? 'A' : '-';
    s += f.project ? 'P' : '-';
    return s;
}

struct Errors {
    double density;
    double velocity;
    double densityNorm;
    double velocityNorm;
};

unsigned spotCell(double fraction, unsigned res) {
    const unsigned c = 1 + unsigned(fraction * res);
    return c > res ? res : c;
}

struct StepOptions {
    float strength = kStrokeStrength;
    bool degenerateStroke = false;
    bool bodyForces = true;
};

// Free-running: both solvers evolve on their own from the same inputs.
// Lock-step: before every step the reference takes over CPUSim's fields, so
// each comparison covers exactly one step from identical state. Confinement
// normalises a second difference of the velocity, which on fine grids turns
// single-precision rounding into visible force differences that then grow
// from step to step; lock-step keeps that growth out of the comparison so
// long runs on large grids can still be held to a tight tolerance.
enum class Mode { FreeRunning, LockStep };

const char* modeName(Mode m) { return m == Mode::FreeRunning ? "free" : "lock"; }

class SideBySide {
public:
    SideBySide(unsigned resI, unsigned resJ, Mode mode)
        : mSim(resI, resJ), mRef(resI, resJ), mResI(resI), mResJ(resJ), mMode(mode) {}

    void setFlags(Flags f) {
        mSim.diffuseEnabled = mRef.diffuseEnabled = f.diffuse;
        mSim.advectEnabled = mRef.advectEnabled = f.advect;
        mSim.projectEnabled = mRef.projectEnabled = f.project;
    }

    // One application step, fed identically to both solvers.
    void scriptedStep(const StepOptions& o = {}) {
        if (mMode == Mode::LockStep) adoptSimState();

        const double dt = kTimeSteps[mStep % std::size(kTimeSteps)];
        const double* spot = kSpots[mStep % std::size(kSpots)];
        const unsigned ci = spotCell(spot[0], mResI);
        const unsigned cj = spotCell(spot[1], mResJ);
        mSim.splatDensity(kSplatAmount, ci, cj);
        mRef.splatDensity(kSplatAmount, ci, cj);

        for (const Stroke& s : kStrokeSets[(mStep / 4) % std::size(kStrokeSets)]) {
            mSim.dragVelocity(o.strength, Vec2{s.fromX, s.fromY}, Vec2{s.toX, s.toY});
            mRef.dragVelocity(o.strength, s.fromX, s.fromY, s.toX, s.toY);
        }
        if (o.degenerateStroke) {
            const Vec2 p{0.4419f, 0.5531f};
            mSim.dragVelocity(o.strength, p, p);
            mRef.dragVelocity(o.strength, p.x, p.y, p.x, p.y);
        }

        if (o.bodyForces) {
            mSim.applyVorticity(dt);
            mRef.applyVorticity(dt);
        }
        mSim.step(dt);
        mRef.step(dt);
        mSim.clearSources();
        mRef.clearSources();
        ++mStep;

        if (mMode == Mode::LockStep) {
            const Errors e = compare();
            mWorst.density = std::max(mWorst.density, e.density);
            mWorst.velocity = std::max(mWorst.velocity, e.velocity);
            mWorst.densityNorm = e.densityNorm;
            mWorst.velocityNorm = e.velocityNorm;
        }
    }

    // Runs a phase and returns its error: at its end when free-running, the
    // worst single step when in lock-step.
    Errors phase(int steps, Flags f, const StepOptions& o = {}) {
        setFlags(f);
        mWorst = {};
        for (int n = 0; n < steps; ++n) scriptedStep(o);
        return mMode == Mode::LockStep ? mWorst : compare();
    }

    void reset() {
        mSim.reset();
        mRef.reset();
    }

    // ||sim - ref||_2 / ||ref||_2 over every cell, border ring included.
    Errors compare() {
        double dd = 0, dn = 0, vd = 0, vn = 0;
        bool finite = true;
        for (unsigned j = 0; j <= mResJ + 1; ++j) {
            for (unsigned i = 0; i <= mResI + 1; ++i) {
                const double d = mSim.getDensity(i, j);
                const Vec2 v = mSim.getVelocity(i, j);
                finite = finite && std::isfinite(d) && std::isfinite(v.x) && std::isfinite(v.y);
                const double rd = mRef.density(i, j);
                const double rx = mRef.velocityX(i, j);
                const double ry = mRef.velocityY(i, j);
                dd += (d - rd) * (d - rd);
                dn += rd * rd;
                vd += (v.x - rx) * (v.x - rx) + (v.y - ry) * (v.y - ry);
                vn += rx * rx + ry * ry;
            }
        }
        EXPECT_TRUE(finite) << "CPUSim produced a non-finite value";
        EXPECT_GT(dn, 0.0) << "scenario left no density to compare";
        EXPECT_GT(vn, 0.0) << "scenario left no velocity to compare";
        return {std::sqrt(dd / dn), std::sqrt(vd / vn), std::sqrt(dn), std::sqrt(vn)};
    }

    void check(const std::string& label, const Errors& e) const {
        const std::string full = std::string(modeName(mMode)) + " " + label;
        std::printf("[cross-check] %-40s density rel err %.3e (|ref| %.3e)  velocity rel err %.3e (|ref| %.3e)\n",
                    full.c_str(), e.density, e.densityNorm, e.velocity, e.velocityNorm);
        EXPECT_LT(e.density, kTolerance) << full;
        EXPECT_LT(e.velocity, kTolerance) << full;
    }

    CPUSim& sim() { return mSim; }
    independent::Solver& ref() { return mRef; }

private:
    void adoptSimState() {
        for (unsigned j = 0; j <= mResJ + 1; ++j) {
            for (unsigned i = 0; i <= mResI + 1; ++i) {
                const Vec2 v = mSim.getVelocity(i, j);
                mRef.setVelocity(i, j, v.x, v.y);
                mRef.setDensity(i, j, mSim.getDensity(i, j));
            }
        }
    }

    CPUSim mSim;
    independent::Solver mRef;
    unsigned mResI;
    unsigned mResJ;
    Mode mMode;
    int mStep = 0;
    Errors mWorst{};
};

std::string gridName(unsigned resI, unsigned resJ) { return std::to_string(resI) + "x" + std::to_string(resJ); }

struct Grid {
    unsigned resI;
    unsigned resJ;
};

const Flags kAllOn{true, true, true};
const int kSequenceOrder[] = {0, 7, 1, 6, 2, 5, 3, 4};

std::string paramName(Grid g, Mode m) { return gridName(g.resI, g.resJ) + "_" + modeName(m); }

// ---------------------------------------------------------------------------
// Each flag combination, run from a flow that is already developed.

class EveryFlagCombination : public ::testing::TestWithParam<std::tuple<Grid, Mode, int>> {};

TEST_P(EveryFlagCombination, MatchesAfterWarmUpAndAfterCombination) {
    const Grid g = std::get<0>(GetParam());
    const Mode m = std::get<1>(GetParam());
    const Flags f = flagsOf(std::get<2>(GetParam()));
    // Free runs on the finer grid are kept shorter, for the reason given at Mode.
    const int steps = (m == Mode::FreeRunning && g.resI * g.resJ > 2000) ? 6 : 10;
    SideBySide pair(g.resI, g.resJ, m);
    const std::string name = gridName(g.resI, g.resJ);
    const std::string count = " x" + std::to_string(steps);

    pair.check(name + " warm-up DAP" + count, pair.phase(steps, kAllOn));
    pair.check(name + " then " + flagName(f) + count, pair.phase(steps, f));
}

INSTANTIATE_TEST_SUITE_P(SmallGrids, EveryFlagCombination,
                         ::testing::Combine(::testing::Values(Grid{32, 32}, Grid{64, 64}, Grid{48, 31}),
                                            ::testing::Values(Mode::FreeRunning, Mode::LockStep),
                                            ::testing::Range(0, 8)),
                         [](const ::testing::TestParamInfo<std::tuple<Grid, Mode, int>>& param) {
                             std::string f = flagName(flagsOf(std::get<2>(param.param)));
                             for (char& c : f)
                                 if (c == '-') c = '_';
                             return paramName(std::get<0>(param.param), std::get<1>(param.param)) + "_" + f;
                         });

// ---------------------------------------------------------------------------
// One continuous run that switches through all eight combinations, the way a
// user toggling stages mid-flight would; checked after every switch.

class CombinationSequence : public ::testing::TestWithParam<std::tuple<Grid, Mode, int>> {};

TEST_P(CombinationSequence, StaysInAgreementThroughEverySwitch) {
    const Grid g = std::get<0>(GetParam());
    const Mode m = std::get<1>(GetParam());
    const int perPhase = std::get<2>(GetParam());
    SideBySide pair(g.resI, g.resJ, m);
    const std::string name = gridName(g.resI, g.resJ);

    pair.check(name + " seq warm-up DAP x6", pair.phase(6, kAllOn));
    for (int combo : kSequenceOrder) {
        const Flags f = flagsOf(combo);
        pair.check(name + " seq " + flagName(f) + " x" + std::to_string(perPhase), pair.phase(perPhase, f));
    }
}

// The free-running sequences stop where confinement's growth of rounding
// differences would start to approach the tolerance; lock-step goes longer.
INSTANTIATE_TEST_SUITE_P(Grids, CombinationSequence,
                         ::testing::Values(std::make_tuple(Grid{32, 32}, Mode::FreeRunning, 5),
                                           std::make_tuple(Grid{48, 31}, Mode::FreeRunning, 5),
                                           std::make_tuple(Grid{64, 64}, Mode::FreeRunning, 2),
                                           std::make_tuple(Grid{32, 32}, Mode::LockStep, 6),
                                           std::make_tuple(Grid{48, 31}, Mode::LockStep, 6),
                                           std::make_tuple(Grid{64, 64}, Mode::LockStep, 6),
                                           std::make_tuple(Grid{31, 48}, Mode::LockStep, 6),
                                           std::make_tuple(Grid{201, 201}, Mode::LockStep, 3)),
                         [](const ::testing::TestParamInfo<std::tuple<Grid, Mode, int>>& param) {
                             return paramName(std::get<0>(param.param), std::get<1>(param.param));
                         });

// Without body forces nothing amplifies rounding, so even the full-size grid
// must stay in agreement over a long free run through every combination.
TEST(CombinationSequenceWithoutBodyForces, FullSizeGridAgreesOverLongFreeRun) {
    SideBySide pair(201, 201, Mode::FreeRunning);
    StepOptions noForces;
    noForces.bodyForces = false;
    pair.check("201x201 no forces warm-up DAP x6", pair.phase(6, kAllOn, noForces));
    for (int combo : kSequenceOrder) {
        const Flags f = flagsOf(combo);
        pair.check("201x201 no forces " + flagName(f) + " x3", pair.phase(3, f, noForces));
    }
}

// ---------------------------------------------------------------------------
// Strong stirring: strokes a hundred times stronger trace cells back across
// several cells and against the walls, so advection's clamp and the border
// interpolation are exercised and not just a near-identity lookup.

TEST(StrongStirring, MatchesWhenBackTracesCrossCellsAndHitWalls) {
    StepOptions strong;
    strong.strength = 0.65f;
    for (const Mode m : {Mode::FreeRunning, Mode::LockStep}) {
        for (const Grid g : {Grid{64, 64}, Grid{48, 31}}) {
            SideBySide pair(g.resI, g.resJ, m);
            const std::string name = gridName(g.resI, g.resJ);
            pair.check(name + " strong DAP x12", pair.phase(12, kAllOn, strong));
            pair.check(name + " strong -A- x4", pair.phase(4, {false, true, false}, strong));
        }
    }
}

// ---------------------------------------------------------------------------
// Lifecycle: reset mid-flight must leave both solvers at rest and the run that
// follows must start from the same clean state.

TEST(ResetMidRun, BothReturnToRestAndAgreeAfterwards) {
    SideBySide pair(48, 31, Mode::FreeRunning);
    pair.check("48x31 before reset", pair.phase(10, kAllOn));
    pair.reset();
    for (unsigned j = 0; j <= 32; ++j) {
        for (unsigned i = 0; i <= 49; ++i) {
            ASSERT_EQ(pair.sim().getDensity(i, j), 0.0f);
            ASSERT_EQ(pair.sim().getVelocity(i, j).x, 0.0f);
            ASSERT_EQ(pair.sim().getVelocity(i, j).y, 0.0f);
            ASSERT_EQ(pair.ref().density(i, j), 0.0);
            ASSERT_EQ(pair.ref().velocityX(i, j), 0.0);
            ASSERT_EQ(pair.ref().velocityY(i, j), 0.0);
        }
    }
    pair.check("48x31 after reset DA- x7", pair.phase(7, {true, true, false}));
}

// ---------------------------------------------------------------------------
// A stroke whose ends coincide has no direction and must contribute nothing.

TEST(DegenerateStroke, AddsNothingAndKeepsFieldsFinite) {
    StepOptions withPoint;
    withPoint.degenerateStroke = true;
    SideBySide pair(32, 32, Mode::FreeRunning);
    pair.check("32x32 with zero-length stroke x10", pair.phase(10, kAllOn, withPoint));
}

}  // namespace
