#include "solvers/SolverFactory.h"

#include "cpu/CPUSim.h"
#include "cpu/PlainKernels.h"
#include "gpu/GPUSim.h"

namespace {

std::unique_ptr<CPUSim> makeCpuSim(GridSize2D grid, const SolverSettings& settings) {
    if (settings.softwareKernels == SoftwareKernels::Plain) return makePlainCpuSim(grid.resI, grid.resJ);
    const KernelIsa isa = settings.kernelIsa ? *settings.kernelIsa : bestKernelIsa();
    const ThreadCount team = settings.softwareThreads ? *settings.softwareThreads : defaultThreads();
    return std::make_unique<CPUSim>(grid.resI, grid.resJ,
                                    std::make_unique<FastKernels>(grid.resI, grid.resJ, isa, team));
}

std::unique_ptr<FluidSim2D> makeSoftwareSolver(GridSize2D grid, const SolverSettings& settings) {
    std::unique_ptr<CPUSim> sim = makeCpuSim(grid, settings);
    sim->setProjection(settings.projection);
    return sim;
}

// The shader solver, or why it cannot run here.
std::unique_ptr<FluidSim2D> makeShaderSolver(GridSize2D grid, ProjectionMode projection, MadeSolver& made) {
    std::string& unavailable = made.shaderUnavailable;
    made.missingExtensions = missingGpuExtensions();
    if (!made.missingExtensions.empty()) {
        unavailable = "this GL lacks ";
        for (size_t k = 0; k < made.missingExtensions.size(); ++k)
            unavailable += (k ? ", " : "") + made.missingExtensions[k];
        return nullptr;
    }
    if (!shaderSolverTakes(grid)) {
        unavailable = "a grid of " + std::to_string(grid.resI) + " x " + std::to_string(grid.resJ) +
                      " cells is beyond its limit of " + std::to_string(MAX_GRID) + " a side";
        return nullptr;
    }
    try {
        return std::make_unique<GPUSim>(grid.resI, grid.resJ, shaderDirectory(), projection);
    } catch (const GPUSimUnavailable& why) {
        unavailable = why.what();
        return nullptr;
    }
}

}  // namespace

MadeSolver makeSolver(SolverKind kind, GridSize2D grid, const SolverSettings& settings) {
    MadeSolver made;
    if (kind == SolverKind::Shader)
        made.sim = makeShaderSolver(grid, settings.projection, made);
    else
        made.sim = makeSoftwareSolver(grid, settings);
    return made;
}

std::unique_ptr<FluidSim2D> makeSolverOrThrow(SolverKind kind, GridSize2D grid, const SolverSettings& settings) {
    MadeSolver made = makeSolver(kind, grid, settings);
    if (!made.sim) throw SolverUnavailable(made.shaderUnavailable);
    return std::move(made.sim);
}
