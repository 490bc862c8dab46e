#include "bench/SolverEntries.h"

#include <string>

#include "cpu/CPUSim.h"
#include "cpu/kernels/FastKernels.h"
#include "cpu/PlainKernels.h"

namespace {

// The median of every stage over the plan's minimum of timed steps.
std::vector<ExtraMeasure> softwareStages(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan) {
    CPUSim& cpu = static_cast<CPUSim&>(sim);
    std::vector<std::vector<double>> perStep(STAGE_COUNT);
    for (int k = 0; k < plan.minRuns; ++k) {
        StageTimes times;
        cpu.setStageTimes(&times);
        scene.step();
        cpu.setStageTimes(nullptr);
        for (int s = 0; s < STAGE_COUNT; ++s) perStep[s].push_back(times.ms[s]);
    }
    std::vector<ExtraMeasure> stages;
    for (int s = 0; s < STAGE_COUNT; ++s) stages.push_back({STAGE_NAMES[s], medianOf(perStep[s]), "ms"});
    return stages;
}

SolverEntry fastCpuEntry(const std::string& name, KernelIsa isa, bool byDefault) {
    SolverEntry entry;
    entry.name = name;
    entry.description = std::string("software solver, fast kernels (") + kernelIsaName(isa) + ")";
    entry.makeOnThreads = [isa](uint32_t resI, uint32_t resJ, unsigned threads) -> std::unique_ptr<FluidSim2D> {
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
