#include "bench/SolverEntries.h"

#include <string>

#include "cpu/CPUSim.h"
#include "cpu/kernels/FastKernels.h"
#include "cpu/PlainKernels.h"

namespace {

std::vector<ExtraMeasure> softwareStages(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan) {
    CPUSim& cpu = static_cast<CPUSim&>(sim);
    return medianStageTimes(
        scene, plan, [&](StageTimes* times) { cpu.setStageTimes(times); },
        {Stage::Sources, Stage::Diffusion, Stage::Projection, Stage::Advection, Stage::Strokes, Stage::BodyForces,
         Stage::Clearing});
}

SolverEntry fastCpuEntry(const std::string& name, KernelIsa isa, bool byDefault) {
    SolverEntry entry;
    entry.name = name;
    entry.description = std::string("software solver, fast kernels (") + kernelIsaName(isa) + ")";
    entry.makeOnThreads = [isa](uint32_t resI, uint32_t resJ, ThreadCount threads) -> std::unique_ptr<FluidSim2D> {
        return std::make_unique<CPUSim>(resI, resJ, std::make_unique<FastKernels>(resI, resJ, isa, threads));
    };
    entry.make = [isa](uint32_t resI, uint32_t resJ) -> std::unique_ptr<FluidSim2D> {
        return std::make_unique<CPUSim>(resI, resJ, std::make_unique<FastKernels>(resI, resJ, isa));
    };
    entry.byDefault = byDefault;
    entry.stages = softwareStages;
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
    plain.make = [](uint32_t resI, uint32_t resJ) -> std::unique_ptr<FluidSim2D> {
        return makePlainCpuSim(resI, resJ);
    };
    plain.stages = softwareStages;
    entries.push_back(plain);
    entries.push_back(shaderSolverEntry());
    return entries;
}
