#include "bench/SolverEntries.h"

#include <string>

#include "cpu/CPUSim.h"
#include "cpu/kernels/FastKernels.h"
#include "cpu/PlainKernels.h"

namespace {

SolverEntry fastCpuEntry(const std::string& name, KernelIsa isa, bool byDefault) {
    SolverEntry entry;
    entry.name = name;
    entry.description = std::string("software solver, fast kernels (") + kernelIsaName(isa) + ")";
    entry.make = [isa](uint32_t resI, uint32_t resJ) -> std::unique_ptr<FluidSim2D> {
        return std::make_unique<CPUSim>(resI, resJ, std::make_unique<FastKernels>(resI, resJ, isa));
    };
    entry.byDefault = byDefault;
    return entry;
}

}  // namespace

std::vector<SolverEntry> solverEntries() {
    std::vector<SolverEntry> entries;
    entries.push_back(fastCpuEntry("cpu", bestKernelIsa(), true));
    // The fast kernels as a processor without AVX2 runs them.
    if (bestKernelIsa() != KernelIsa::Sse2) entries.push_back(fastCpuEntry("cpu-sse2", KernelIsa::Sse2, false));
    SolverEntry plain;
    plain.name = "cpu-reference";
    plain.description = "software solver, plain kernels (the reference for the fast ones)";
    plain.make = [](uint32_t resI, uint32_t resJ) -> std::unique_ptr<FluidSim2D> {
        return makePlainCpuSim(resI, resJ);
    };
    entries.push_back(plain);
    entries.push_back(shaderSolverEntry());
    return entries;
}
