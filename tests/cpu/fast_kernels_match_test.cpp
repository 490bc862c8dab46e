// The fast kernels give every float of every field bit for bit as the plain kernels
// do, with every instruction set and on teams of 1, 2, 3 and 7 threads (more than
// the rows of the smallest grids, more than the sweeps of a relaxation per member):
// kernel by kernel on random fields, and over long random runs of the whole solver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iomanip>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "cpu/CPUSim.h"
#include "cpu/kernels/FastKernels.h"
#include "sim/StepSequence.h"
#include "cpu/PlainKernels.h"
#include "tests/support/SetFields.h"

namespace {

struct Grid {
    uint32_t resI, resJ;
};

// Tiny, odd, non-square, one vector wide and several vectors wide.
const Grid GRIDS[] = {{1, 1}, {2, 2}, {1, 6}, {7, 1}, {3, 5}, {8, 8}, {9, 17}, {16, 3}, {31, 33}, {70, 45}, {130, 97}};

struct Kernels {
    KernelIsa isa;
    unsigned threads;
};

std::vector<Kernels> everyChoice() {
    std::vector<Kernels> choices;
    for (KernelIsa isa : ALL_KERNEL_ISAS)
        if (kernelIsaAvailable(isa))
            for (unsigned threads : {1u, 2u, 3u, 7u}) choices.push_back({isa, threads});
    return choices;
}

uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Every float of the two fields, border included, has the same bits; with `anyNan`,
// two NaNs match whatever their payloads.
template <class FieldT>
::testing::AssertionResult sameBits(const FieldT& fast, const FieldT& plain, bool anyNan = false) {
    const size_t parts = sizeof(fast[0]) / sizeof(float), row = fast.resI() + 2;
    const float* a = reinterpret_cast<const float*>(fast.data());
    const float* b = reinterpret_cast<const float*>(plain.data());
    for (size_t k = 0; k < fast.size() * parts; ++k)
        if (bitsOf(a[k]) != bitsOf(b[k]) && !(anyNan && a[k] != a[k] && b[k] != b[k]))
            return ::testing::AssertionFailure()
                   << std::setprecision(9) << "float " << k % parts << " of cell (" << k / parts % row << ", "
                   << k / parts / row << "): fast " << a[k] << " plain " << b[k] << std::hex << " (bits "
                   << bitsOf(a[k]) << " and " << bitsOf(b[k]) << ")";
    return ::testing::AssertionSuccess();
}

// Random values in every cell, border included: the kernels must agree on what they
// read there too, and on leaving alone what they must not write.
template <class FieldT>
FieldT randomField(const Grid& g, std::mt19937& rng, float low, float high) {
    std::uniform_real_distribution<float> value(low, high);
    FieldT field(g.resI, g.resJ);
    for (uint32_t c = 0; c < field.size(); ++c)
        if constexpr (std::is_same_v<FieldT, ScalarField>)
            field[c] = value(rng);
        else
            field[c] = {value(rng), value(rng)};
    return field;
}

// One grid, solved with the fast kernels and with the plain ones. A team shares
// even a grid's coarsest levels unless it is given the solver's own threshold.
struct SolverPair {
    SolverPair(const Grid& grid, Kernels k, uint32_t minCellsPerThread = 1)
        : g(grid), plain(makePlainCpuSim(g.resI, g.resJ)) {
        auto kernels = std::make_unique<FastKernels>(g.resI, g.resJ, k.isa, k.threads, minCellsPerThread);
        fastKernels = kernels.get();
        fast = std::make_unique<CPUSim>(g.resI, g.resJ, std::move(kernels));
    }

    std::vector<CPUSim*> both() { return {fast.get(), plain.get()}; }

    // The same random velocity and density in both, put in through their sources.
    void loadRandomState(std::mt19937& rng, float speed) {
        const VectorField v = randomField<VectorField>(g, rng, -speed, speed);
        const ScalarField d = randomField<ScalarField>(g, rng, 0.0f, 90.0f);
        for (CPUSim* sim : both())
            setFields(
                *sim, [&](uint32_t i, uint32_t j) { return v(i, j); }, [&](uint32_t i, uint32_t j) { return d(i, j); });
    }

    // Two discs and a box somewhere around the grid, the same cells solid in both.
    void placeRandomSolids(std::mt19937& rng) {
        std::uniform_real_distribution<float> place(-0.2f, 1.2f), size(0.05f, 0.4f);
        const std::vector<SolidShape> shapes{SolidShape::circle({place(rng), place(rng)}, size(rng)),
                                             SolidShape::circle({place(rng), place(rng)}, size(rng)),
                                             SolidShape::box({place(rng), place(rng)}, {place(rng), place(rng)})};
        for (CPUSim* sim : both()) sim->setSolids(solidCellsOf(*sim, shapes));
    }

    // kernel(sim, out) on each solver, each writing its own copy of `start`; the two must match.
    template <class FieldT, class Kernel>
    ::testing::AssertionResult sameOutput(const FieldT& start, Kernel kernel, bool anyNan = false) {
        FieldT fastOut = start, plainOut = start;
        kernel(*fast, fastOut);
        kernel(*plain, plainOut);
        return sameBits(fastOut, plainOut, anyNan);
    }

    Grid g;
    std::unique_ptr<CPUSim> fast, plain;
    FastKernels* fastKernels;
};

class FastKernelsMatch : public ::testing::TestWithParam<Kernels> {};

std::string choiceName(const ::testing::TestParamInfo<Kernels>& info) {
    return std::string(kernelIsaName(info.param.isa)) + "_" + std::to_string(info.param.threads) + "threads";
}

INSTANTIATE_TEST_SUITE_P(EachInstructionSetAndTeam, FastKernelsMatch, ::testing::ValuesIn(everyChoice()), choiceName);

// Still fluids and flat curls, slow and fast flows (the fastest traces out of the
// domain and back), steps from none to long.
void everyKernelOnRandomFields(Kernels k, bool solids) {
    std::mt19937 rng(solids ? 12 : 11);
    for (const Grid& g : GRIDS) {
        SolverPair pair(g, k);
        if (solids) pair.placeRandomSolids(rng);
        for (const float speed : {0.0f, 1e-6f, 0.01f, 0.5f, 40.0f}) {
            pair.loadRandomState(rng, speed);
            const VectorField sources = randomField<VectorField>(g, rng, -0.1f, 0.1f);
            for (CPUSim* sim : pair.both())
                for (uint32_t c = 0; c < sources.size(); ++c)
                    sim->addVelocity(c % (g.resI + 2), c / (g.resI + 2), sources[c].x, sources[c].y);
            for (const double dt : {0.0, 0.013, 0.3, 0.9}) {
                SCOPED_TRACE(::testing::Message() << g.resI << "x" << g.resJ << " speed " << speed << " dt " << dt);
                const VectorField v = randomField<VectorField>(g, rng, -3.0f, 3.0f);
                const VectorField vs = randomField<VectorField>(g, rng, -1.0f, 1.0f);
                const ScalarField d = randomField<ScalarField>(g, rng, 0.0f, 100.0f);
                const ScalarField ds = randomField<ScalarField>(g, rng, 0.0f, 9.0f);
                const VectorField startV = randomField<VectorField>(g, rng, -1.0f, 1.0f);
                const ScalarField startD = randomField<ScalarField>(g, rng, -5.0f, 5.0f);
                EXPECT_TRUE(pair.sameOutput(startV, [&](CPUSim& sim, VectorField& out) { sim.diffuse(out, v, dt); }));
                EXPECT_TRUE(pair.sameOutput(startD, [&](CPUSim& sim, ScalarField& out) { sim.diffuse(out, d, dt); }));
                EXPECT_TRUE(pair.sameOutput(startV, [&](CPUSim& sim, VectorField& out) { sim.advect(out, v, dt); }));
                EXPECT_TRUE(pair.sameOutput(startD, [&](CPUSim& sim, ScalarField& out) { sim.advect(out, d, dt); }));
                EXPECT_TRUE(pair.sameOutput(startV, [&](CPUSim& sim, VectorField& out) { sim.project(out, v); }));
                for (CPUSim* sim : pair.both()) sim->setProjection(ProjectionMode::Converged);
                EXPECT_TRUE(pair.sameOutput(startV, [&](CPUSim& sim, VectorField& out) { sim.project(out, v); }))
                    << "converged";
                EXPECT_EQ(pair.fast->lastConvergedProjection().cycles, pair.plain->lastConvergedProjection().cycles);
                for (CPUSim* sim : pair.both()) sim->setProjection(ProjectionMode::FixedSweeps);
                EXPECT_TRUE(
                    pair.sameOutput(startV, [&](CPUSim& sim, VectorField& out) { sim.addSources(out, v, vs); }));
                EXPECT_TRUE(
                    pair.sameOutput(startD, [&](CPUSim& sim, ScalarField& out) { sim.addSources(out, d, ds); }));
                for (CPUSim* sim : pair.both()) sim->applyVorticity(dt);
                EXPECT_TRUE(sameBits(pair.fast->velocitySources(), pair.plain->velocitySources())) << "body forces";
            }
        }
    }
}

TEST_P(FastKernelsMatch, EveryKernelOnRandomFieldsReadsAndLeavesTheBorderAlike) {
    everyKernelOnRandomFields(GetParam(), false);
}

// Solid cells hold zero in every output, and reflect in the projection, alike.
TEST_P(FastKernelsMatch, EveryKernelHoldsSolidCellsAlike) { everyKernelOnRandomFields(GetParam(), true); }

// A NaN velocity escapes the clamp; the plain kernel then reads the corner cell (0, 0),
// and the fast one must neither read outside the array nor give other values.
TEST_P(FastKernelsMatch, AdvectionAlongANanVelocityReadsTheCornerCell) {
    std::mt19937 rng(16);
    for (const Grid& g : GRIDS) {
        SCOPED_TRACE(::testing::Message() << g.resI << "x" << g.resJ);
        SolverPair pair(g, GetParam());
        pair.loadRandomState(rng, 0.2f);
        const float nan = std::nanf("");
        const uint32_t i = 1 + rng() % g.resI, j = 1 + rng() % g.resJ, k = 1 + rng() % g.resI, l = 1 + rng() % g.resJ;
        for (CPUSim* sim : pair.both()) {
            sim->addVelocity(i, j, nan, 0.0f);
            sim->addVelocity(k, l, 0.0f, nan);
            setFlags(*sim, false, false, false);
            sim->step(0.0);
        }
        ScalarField d = randomField<ScalarField>(g, rng, 0.0f, 100.0f);
        d(0, 0) = 1000.0f;  // the corner's neighbours are ordinary values
        const ScalarField d0(g.resI, g.resJ);
        const VectorField v0(g.resI, g.resJ);
        EXPECT_TRUE(pair.sameOutput(
            d0, [&](CPUSim& sim, ScalarField& out) { sim.advect(out, d, 0.1); }, true));
        EXPECT_TRUE(pair.sameOutput(
            v0, [&](CPUSim& sim, VectorField& out) { sim.advect(out, sim.velocity(), 0.1); }, true));
    }
}

TEST_P(FastKernelsMatch, StrokesOfEveryShapeAndPlaceAddTheSameVelocity) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> beyond(-0.4f, 1.4f), length(-0.02f, 0.02f);
    for (const Grid& g : GRIDS) {
        SCOPED_TRACE(::testing::Message() << g.resI << "x" << g.resJ);
        SolverPair pair(g, GetParam());
        for (int k = 0; k < 30; ++k) {
            const Vec2 from{beyond(rng), beyond(rng)};
            // Long strokes, strokes shorter than a cell, and single points.
            const Vec2 to = k % 3 == 0   ? Vec2{beyond(rng), beyond(rng)}
                            : k % 3 == 1 ? Vec2{from.x + length(rng), from.y + length(rng)}
                                         : from;
            // Strengths of both signs, and one that turns even a zero weight into NaN.
            const float strength = k == 29 ? INFINITY : k % 2 ? 0.0065f : -3.0f;
            for (CPUSim* sim : pair.both()) sim->dragVelocity(strength, from, to);
        }
        EXPECT_TRUE(sameBits(pair.fast->velocitySources(), pair.plain->velocitySources()));
    }
}

// Random user input of every kind, every flag combination, resets: the two solvers
// must never part, step after step.
// With `anyCrew`, each step runs on a crew of a random size, as an adaptive team's do.
void runSideBySide(const Grid& g, Kernels k, int steps, uint32_t seed, const Rect& world,
                   ProjectionMode projection = ProjectionMode::FixedSweeps, uint32_t minCellsPerThread = 1,
                   bool anyCrew = false, bool solids = false) {
    SCOPED_TRACE(::testing::Message() << g.resI << "x" << g.resJ << " " << projectionModeName(projection));
    SolverPair pair(g, k, minCellsPerThread);
    for (CPUSim* sim : pair.both()) {
        sim->worldRect = world;
        sim->setProjection(projection);
    }
    std::mt19937 rng(seed);
    if (solids) pair.placeRandomSolids(rng);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), beyond(-0.3f, 1.3f);
    std::uniform_real_distribution<double> dt(0.0, 0.3);
    std::vector<DragSegment> strokes;
    for (int n = 0; n < steps; ++n) {
        const unsigned flags = rng() % 8;
        const double stepTime = n % 17 == 5 ? 0.0 : dt(rng);
        if (n % 9 == 0) strokes.push_back({{beyond(rng), beyond(rng)}, {beyond(rng), beyond(rng)}});
        if (n % 23 == 22) strokes.clear();
        const float strength = unit(rng) < 0.2f ? 0.5f : STROKE_STRENGTH;
        StepInput input;
        input.pouring = unit(rng) < 0.7f;
        input.pourCell = pair.fast->worldToCell({unit(rng), unit(rng)});
        input.strokes = &strokes;
        if (anyCrew) pair.fastKernels->useCrew(1 + rng() % k.threads);
        for (CPUSim* sim : pair.both()) {
            setFlags(*sim, flags & 1, flags & 2, flags & 4);
            if (n % 41 == 40) sim->reset();
            for (const DragSegment& s : strokes) sim->dragVelocity(strength, s.from, s.to);
            advanceSimulation(*sim, stepTime, input);
        }
        ASSERT_TRUE(sameBits(pair.fast->velocity(), pair.plain->velocity())) << "velocity after step " << n;
        ASSERT_TRUE(sameBits(pair.fast->density(), pair.plain->density())) << "density after step " << n;
    }
}

TEST_P(FastKernelsMatch, WholeSolverNeverPartsFromThePlainOneOverLongRandomRuns) {
    const Rect unit{0.0f, 0.0f, 1.0f, 1.0f};
    uint32_t seed = 100;
    for (const Grid& g : GRIDS) runSideBySide(g, GetParam(), g.resI * g.resJ > 5000 ? 40 : 120, ++seed, unit);
    runSideBySide({201, 201}, GetParam(), 12, 7, unit);
    // The kernels map between grid and world through the solver's rectangles, whatever they are.
    runSideBySide({37, 23}, GetParam(), 60, 9, {-1.5f, 0.25f, 3.0f, 0.75f});
}

// Every crew relaxes in bands laid out by its size, in the same scratch arrays.
TEST_P(FastKernelsMatch, WholeSolverKeepsItsBitsWhenTheCrewChangesFromStepToStep) {
    const Rect unit{0.0f, 0.0f, 1.0f, 1.0f};
    runSideBySide({70, 45}, GetParam(), 60, 21, unit, ProjectionMode::FixedSweeps, 1, true);
    runSideBySide({9, 17}, GetParam(), 60, 22, unit, ProjectionMode::Converged, 1, true);
}

// The multigrid levels halve odd and even sides, one axis only where cells are
// elongated (the world rectangle makes 70 by 45 cells 2.6 times as wide as tall), and
// run on fewer members, or member 0 alone, where they are small. In a world of cells
// 1e-37 across the heights come near the smallest floats, where a start from anything
// but zero would show.
TEST_P(FastKernelsMatch, ConvergedProjectionNeverPartsFromThePlainOne) {
    const Rect unit{0.0f, 0.0f, 1.0f, 1.0f};
    uint32_t seed = 300;
    for (const Grid& g : GRIDS) runSideBySide(g, GetParam(), 12, ++seed, unit, ProjectionMode::Converged);
    runSideBySide({70, 45}, GetParam(), 12, 8, {0.0f, 0.0f, 4.0f, 1.0f}, ProjectionMode::Converged);
    runSideBySide({2, 1}, GetParam(), 12, 9, {0.0f, 0.0f, 2e-37f, 2e-37f}, ProjectionMode::Converged);
    runSideBySide({201, 201}, GetParam(), 6, 5, unit, ProjectionMode::Converged, MIN_CELLS_PER_THREAD);
}

TEST_P(FastKernelsMatch, WholeSolverWithSolidsNeverPartsFromThePlainOne) {
    const Rect unit{0.0f, 0.0f, 1.0f, 1.0f};
    for (const Grid& g : {Grid{3, 5}, Grid{31, 33}, Grid{70, 45}, Grid{130, 97}})
        runSideBySide(g, GetParam(), 40, 30 + g.resI, unit, ProjectionMode::FixedSweeps, 1, true, true);
}

TEST(FastKernels, FieldsOfAnotherGridAreRefusedRatherThanOverrun) {
    CPUSim sim(12, 9);
    VectorField small(5, 5), out(12, 9);
    EXPECT_THROW(sim.diffuse(out, small, 0.1), std::invalid_argument);
    EXPECT_THROW(sim.project(small, out), std::invalid_argument);
}

TEST(FastKernelChoice, TheDefaultSetIsTheFastestThisProcessorRuns) {
    const KernelIsa fastest = kernelIsaAvailable(KernelIsa::Avx2)   ? KernelIsa::Avx2
                              : kernelIsaAvailable(KernelIsa::Sse2) ? KernelIsa::Sse2
                                                                    : KernelIsa::Portable;
    EXPECT_EQ(kernelIsaName(bestKernelIsa()), std::string(kernelIsaName(fastest)));
}

}  // namespace
