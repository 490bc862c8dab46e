#include "bench/SolverEntries.h"

#include <string>

#include "cpu/CPUSim.h"
#include "sim/DivergenceProbe.h"
#include "solvers/SolverFactory.h"

namespace {

std::vector<ExtraMeasure> softwareStages(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan) {
    CPUSim& cpu = static_cast<CPUSim&>(sim);
    return medianStageTimes(scene, plan, [&](StageTimes* times) { cpu.setStageTimes(times); },
                            {Stage::Sources, Stage::Diffusion, Stage::Projection, Stage::Advection, Stage::Strokes,
                             Stage::BodyForces, Stage::Clearing});
}

std::unique_ptr<FluidSim2D> makeSoftware(uint32_t resI, uint32_t resJ, SolverSettings settings,
                                         ProjectionMode projection) {
    settings.projection = projection;
    return makeSolverOrThrow(SolverKind::Software, {resI, resJ}, settings);
}

double softwareDivergenceLeft(FluidSim2D& sim) {
    CPUSim& cpu = static_cast<CPUSim&>(sim);
    VectorField projected(cpu.resI, cpu.resJ);
    return divergenceLeftBy(
        cpu, [&] { cpu.project(projected, cpu.velocity()); }, [&](uint32_t i, uint32_t j) { return projected(i, j); });
}

SolverEntry fastCpuEntry(const std::string& name, KernelIsa isa, bool byDefault) {
    SolverEntry entry;
    entry.name = name;
    entry.description = std::string("software solver, fast kernels (") + kernelIsaName(isa) + ")";
    SolverSettings settings;
    settings.kernelIsa = isa;
    entry.makeOnThreads = [settings](uint32_t resI, uint32_t resJ, ThreadCount threads, ProjectionMode projection) {
        SolverSettings onThreads = settings;
        onThreads.softwareThreads = threads;
        return makeSoftware(resI, resJ, onThreads, projection);
    };
    entry.make = [settings](uint32_t resI, uint32_t resJ, ProjectionMode projection) {
        return makeSoftware(resI, resJ, settings, projection);
    };
    entry.byDefault = byDefault;
    entry.stages = softwareStages;
    entry.divergenceLeft = softwareDivergenceLeft;
    return entry;
}

}  // namespace

std::vector<ExtraMeasure> medianStageTimes(BenchScene& scene, const TimingPlan& plan,
                                           const std::function<void(StageTimes*)>& timeStages,
                                           std::initializer_list<Stage> stages) {
    std::vector<std::vector<double>> perStep(STAGE_COUNT);
    for (int k = 0; k < plan.minRuns; ++k) {
        StageTimes times;
        timeStages(&times);
        scene.step();
        timeStages(nullptr);
        for (Stage stage : stages) perStep[int(stage)].push_back(times.ms[int(stage)]);
    }
    std::vector<ExtraMeasure> medians;
    for (Stage stage : stages) medians.push_back({STAGE_NAMES[int(stage)], medianOf(perStep[int(stage)]), "ms"});
    return medians;
}

double divergenceLeftBy(FluidSim2D& sim, const std::function<void()>& project,
                        const std::function<Vec2(uint32_t i, uint32_t j)>& velocity) {
    loadProbeVelocity(sim);
    const double before = divergenceRms(sim, [&](uint32_t i, uint32_t j) { return sim.getVelocity(i, j); });
    project();
    return divergenceRms(sim, velocity) / before;
}

std::vector<SolverEntry> solverEntries() {
    std::vector<SolverEntry> entries;
    entries.push_back(fastCpuEntry("cpu", bestKernelIsa(), true));
    // The other kernel sets this processor can run.
    for (KernelIsa isa : ALL_KERNEL_ISAS)
        if (isa != bestKernelIsa() && kernelIsaAvailable(isa))
            entries.push_back(fastCpuEntry(std::string("cpu-") + kernelIsaName(isa), isa, false));
    SolverEntry plain;
    plain.name = "cpu-reference";
    plain.description = "software solver, plain kernels (the reference for the fast ones)";
    plain.make = [](uint32_t resI, uint32_t resJ, ProjectionMode projection) {
        SolverSettings settings;
        settings.softwareKernels = SoftwareKernels::Plain;
        return makeSoftware(resI, resJ, settings, projection);
    };
    plain.stages = softwareStages;
    plain.divergenceLeft = softwareDivergenceLeft;
    entries.push_back(plain);
    entries.push_back(shaderSolverEntry());
    return entries;
}
