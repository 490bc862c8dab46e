// Whole steps of the shader solver against the software solver on a scripted
// scenario: pouring, two strokes (one strong enough to trace cells out to the
// walls), every combination of stages, tiny, non-square and default grids.
//
// The solvers agree in method, not bit for bit (Jacobi against Gauss-Seidel; density
// carried by the velocity entering the advection against the final one). Each step
// starts both from the software solver's state and sources; each solver must be, to
// float rounding, the double-precision model of its own method.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "cpu/CPUSim.h"
#include "sim/StepSequence.h"
#include "tests/gpu/support/GpuProbe.h"

namespace {

// Float rounding through the 36 passes of a step, relative to the largest value.
constexpr double ROUNDING = 1e-4;

Texels texelsOf(const VectorField& velocity, const ScalarField& density) {
    Texels t(velocity.resI(), velocity.resJ());
    for (uint32_t i = 0; i <= t.resI + 1; ++i)
        for (uint32_t j = 0; j <= t.resJ + 1; ++j) {
            t(i, j, 0) = velocity(i, j).x;
            t(i, j, 1) = velocity(i, j).y;
            t(i, j, 3) = density(i, j);
        }
    return t;
}

// The software solver, keeping the state and the user sources each step starts from.
class RecordingCpu : public CPUSim {
public:
    RecordingCpu(uint32_t cellsI, uint32_t cellsJ)
        : CPUSim(cellsI, cellsJ), before(cellsI, cellsJ), sources(cellsI, cellsJ) {}
    void applyVorticity(double dt) override {
        before = state();
        sources = texelsOf(velocitySources(), densitySources());
        CPUSim::applyVorticity(dt);
    }
    Texels state() const { return texelsOf(velocity(), density()); }
    Texels before, sources;
};

void runScenario(uint32_t resI, uint32_t resJ) {
    const std::vector<DragSegment> strokes{{{0.2f, 0.3f}, {0.6f, 0.45f}}, {{0.8f, 0.8f}, {0.7f, 0.2f}}};
    RecordingCpu cpu(resI, resJ);
    GpuProbe lockstep(resI, resJ);
    StageTimes times;  // timing the passes must change no result
    lockstep.setStageTimes(&times);
    // Three steps of each stage combination, all stages first; frame-length and
    // single-step-length steps alternate; the pour moves along the lower half.
    for (int step = 0; step < 24; ++step) {
        const int combination = 7 - step / 3;
        const bool d = combination & 4, a = combination & 2, p = combination & 1;
        const double dt = step % 2 == 0 ? 1.0 / 60.0 : 0.1;
        setFlags(cpu, d, a, p);
        setFlags(lockstep, d, a, p);
        StepInput input;
        input.pouring = step % 4 != 3;
        input.pourCell = cpu.worldToCell({0.3f + 0.02f * float(step % 10), 0.25f});
        input.strokes = &strokes;
        if (step % 3 == 1) cpu.dragVelocity(100 * STROKE_STRENGTH, {0.1f, 0.6f}, {0.9f, 0.7f});
        advanceSimulation(cpu, dt, input);

        lockstep.write(lockstep.mFields, cpu.before);
        lockstep.addSources(cpu.sources);
        lockstep.applyVorticity(dt);
        lockstep.step(dt);
        lockstep.clearSources();

        const Texels gpuModel = modelStep(cpu.before, cpu.sources, float(dt), {d, a, p, Solver::Jacobi, false});
        const Texels cpuModel = modelStep(cpu.before, cpu.sources, float(dt), {d, a, p, Solver::GaussSeidel, true});
        const Texels gpu = lockstep.read(lockstep.mFields);
        const Texels software = cpu.state();
        for (const unsigned channels : {VELOCITY, DENSITY}) {
            const double scale = std::max(maxMagnitude(cpuModel, channels), 1e-30);
            const std::string where = std::to_string(resI) + "x" + std::to_string(resJ) + " step " +
                                      std::to_string(step) + (channels == VELOCITY ? " velocity" : " density");
            EXPECT_LT(maxDifference(gpu, gpuModel, channels) / scale, ROUNDING) << where;
            EXPECT_LT(maxDifference(software, cpuModel, channels) / scale, ROUNDING) << where;
        }
    }
    lockstep.setStageTimes(nullptr);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "a query asked again after it was booked";
    if (!GPUSim::canTimeStages()) return;
    for (const Stage s :
         {Stage::BodyForces, Stage::Sources, Stage::Diffusion, Stage::Projection, Stage::Advection, Stage::Readback})
        EXPECT_GT(times.ms[int(s)], 0.0) << STAGE_NAMES[int(s)] << " was not timed";
}

// 260 across is finer than the default grid: the confinement force shrinks.
TEST(WholeStep, ShaderAndSoftwareSolversDifferOnlyByTheirMethodsOnSmallGrids) {
    for (const auto& [resI, resJ] : {std::pair{1u, 1u}, {2u, 3u}, {23u, 17u}, {64u, 48u}, {260u, 24u}})
        runScenario(resI, resJ);
}

TEST(WholeStep, ShaderAndSoftwareSolversDifferOnlyByTheirMethodsOnTheDefaultGrid) { runScenario(201, 201); }

// Sources, border ones included, show after the next step only and act for that
// step alone; the accessors show the state last read back; reset clears every
// texture whatever the roles, and keeps the step count and the switches.
TEST(ShaderSolver, SourcesActForExactlyOneStepAndResetClearsEverythingElse) {
    GpuProbe sim(13, 8);
    std::mt19937 rng(4);
    const Texels sources = randomTexels(13, 8, rng);
    Texels expected(13, 8);
    for (uint32_t i = 1; i <= 13; ++i)
        for (uint32_t j = 1; j <= 8; ++j)
            for (const int c : {0, 1, 3}) expected(i, j, c) = 2 * sources(i, j, c);
    for (int twice = 0; twice < 2; ++twice) sim.addSources(sources);
    setFlags(sim, false, false, false);
    for (int step = 0; step < 3; ++step) {  // an odd number of role exchanges
        EXPECT_EQ(sim.getDensity(5, 5), step < 2 ? 0.0f : float(expected(5, 5, 3))) << "step " << step;
        sim.setReadbackEnabled(step > 0);          // without readback the accessors keep the last state read back
        advanceSimulation(sim, 0.0, StepInput{});  // the body forces come times dt: none
        EXPECT_EQ(maxDifference(sim.read(sim.mFields), expected, ALL_CHANNELS), 0.0) << "step " << step;
    }
    sim.stepCount = 17;
    setFlags(sim, false, true, false);
    sim.addSources(sources);
    sim.applyVorticity(0.1);
    sim.reset();
    EXPECT_EQ(sim.stepCount, 17);
    EXPECT_FALSE(sim.diffuseEnabled);
    EXPECT_TRUE(sim.advectEnabled);
    EXPECT_FALSE(sim.projectEnabled);
    for (const TexAttachment* t : sim.attachedTextures())
        EXPECT_EQ(maxMagnitude(sim.read(*t), ALL_CHANNELS), 0.0) << "attachment " << t->attachment;
    setFlags(sim, true, true, true);
    advanceSimulation(sim, 0.1, StepInput{});
    EXPECT_EQ(maxMagnitude(sim.read(sim.mFields), ALL_CHANNELS), 0.0) << "a source outlived the reset";
    EXPECT_EQ(sim.getDensity(5, 5), 0.0f);
}

}  // namespace
