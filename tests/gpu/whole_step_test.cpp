// Whole steps of the shader solver against the software solver on a scripted
// scenario: pouring, two strokes, every combination of stages, two grid sizes.
//
// The solvers agree in method, not bit for bit: the shader solver relaxes its
// diffusion and height equations with ten Jacobi iterations where the software
// solver makes ten Gauss-Seidel sweeps, and it carries the density with the
// velocity that enters the advection, where the software solver uses the step's
// final velocity. Each step therefore starts both from the software solver's
// state and sources, and checks that each solver is, to float rounding, the
// double-precision model of its own method; their difference is then bounded by
// the difference of the two models, plus that rounding twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

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
    RecordingCpu(uint32_t res) : CPUSim(res, res), before(res, res), sources(res, res) {}
    void applyVorticity(double dt) override {
        before = state();
        sources = texelsOf(velocitySources(), densitySources());
        CPUSim::applyVorticity(dt);
    }
    Texels state() const { return texelsOf(velocity(), density()); }
    Texels before;
    Texels sources;
};

struct Stages {
    bool diffuse, advect, project;
};

// Three steps of each stage combination, all stages first; frame-length and
// single-step-length steps alternate; the pour moves along the lower half.
constexpr int STEPS_PER_COMBINATION = 3;
constexpr int STEPS = 8 * STEPS_PER_COMBINATION;
Stages stagesAt(int step) {
    const int combination = 7 - step / STEPS_PER_COMBINATION;
    return {(combination & 4) != 0, (combination & 2) != 0, (combination & 1) != 0};
}
double dtAt(int step) { return step % 2 == 0 ? 1.0 / 60.0 : 0.1; }
StepInput inputAt(int step, const FluidSim2D& sim, const std::vector<DragSegment>& strokes) {
    StepInput input;
    input.pouring = step % 4 != 3;
    input.pourCell = sim.worldToCell({0.3f + 0.02f * float(step % 10), 0.25f});
    input.strokes = &strokes;
    return input;
}
void setStages(FluidSim2D& sim, Stages s) {
    sim.diffuseEnabled = s.diffuse;
    sim.advectEnabled = s.advect;
    sim.projectEnabled = s.project;
}

struct Figures {
    double gpuToCpu = 0;    // largest step difference of the solvers
    double modelGap = 0;    // largest step difference of the two models
};

void runScenario(uint32_t res) {
    const std::vector<DragSegment> strokes{{{0.2f, 0.3f}, {0.6f, 0.45f}}, {{0.8f, 0.8f}, {0.7f, 0.2f}}};
    RecordingCpu cpu(res);
    GpuProbe lockstep(res, res);
    GpuProbe freeRunning(res, res);
    Figures velocity, density;
    for (int step = 0; step < STEPS; ++step) {
        const Stages stages = stagesAt(step);
        const double dt = dtAt(step);
        for (FluidSim2D* sim : {static_cast<FluidSim2D*>(&cpu), static_cast<FluidSim2D*>(&lockstep),
                                static_cast<FluidSim2D*>(&freeRunning)})
            setStages(*sim, stages);
        advanceSimulation(cpu, dt, inputAt(step, cpu, strokes));
        advanceSimulation(freeRunning, dt, inputAt(step, freeRunning, strokes));

        lockstep.write(lockstep.mFields, cpu.before);
        lockstep.addSources(cpu.sources);
        lockstep.applyVorticity(dt);
        lockstep.step(dt);
        lockstep.clearSources();

        StepOptions jacobi{stages.diffuse, stages.advect, stages.project, Solver::Jacobi, false};
        StepOptions gaussSeidel{stages.diffuse, stages.advect, stages.project, Solver::GaussSeidel, true};
        const Texels gpuModel = modelStep(cpu.before, cpu.sources, float(dt), jacobi);
        const Texels cpuModel = modelStep(cpu.before, cpu.sources, float(dt), gaussSeidel);
        const Texels gpu = lockstep.read(lockstep.mFields);
        const Texels software = cpu.state();
        for (auto [channels, figures] : {std::pair{VELOCITY, &velocity}, std::pair{DENSITY, &density}}) {
            const double scale = std::max(maxMagnitude(cpuModel, channels), 1e-30);
            const double gap = maxDifference(gpuModel, cpuModel, channels) / scale;
            const double difference = maxDifference(gpu, software, channels) / scale;
            const std::string where = "step " + std::to_string(step) + (channels == VELOCITY ? " velocity" : " density");
            EXPECT_LT(maxDifference(gpu, gpuModel, channels) / scale, ROUNDING) << where;
            EXPECT_LT(maxDifference(software, cpuModel, channels) / scale, ROUNDING) << where;
            EXPECT_LE(difference, gap + 2 * ROUNDING) << where;
            figures->gpuToCpu = std::max(figures->gpuToCpu, difference);
            figures->modelGap = std::max(figures->modelGap, gap);
        }
    }
    const Texels apart = freeRunning.read(freeRunning.mFields);
    const Texels software = cpu.state();
    std::printf("grid %u: per step, shader vs software solver: velocity %.3g, density %.3g "
                "(models of the two methods: %.3g, %.3g); after %d free-running steps: velocity %.3g, density %.3g\n",
                res, velocity.gpuToCpu, density.gpuToCpu, velocity.modelGap, density.modelGap, STEPS,
                maxDifference(apart, software, VELOCITY) / maxMagnitude(software, VELOCITY),
                maxDifference(apart, software, DENSITY) / maxMagnitude(software, DENSITY));
}

TEST(WholeStep, ShaderAndSoftwareSolversDifferOnlyByTheirMethodsOnASmallGrid) { runScenario(64); }

TEST(WholeStep, ShaderAndSoftwareSolversDifferOnlyByTheirMethodsOnTheDefaultGrid) { runScenario(201); }

}  // namespace
