#include "sim/SolverFactory.h"

#include "cpu/CPUSim.h"
#include "gpu/GPUSim.h"

namespace {

std::unique_ptr<FluidSim2D> makeSoftwareSolver(GridSize2D grid, const SolverSettings& settings) {
    auto sim = settings.softwareThreads ? std::make_unique<CPUSim>(grid.resI, grid.resJ, settings.softwareThreads)
                                        : std::make_unique<CPUSim>(grid.resI, grid.resJ);
    sim->setProjection(settings.projection);
    return sim;
}

// The shader solver, or why it cannot run here.
std::unique_ptr<FluidSim2D> makeShaderSolver(GridSize2D grid, ProjectionMode projection, std::string& unavailable) {
    std::string missing;
    for (const std::string& name : missingGpuExtensions()) missing += (missing.empty() ? "" : ", ") + name;
    if (!missing.empty()) {
        unavailable = "this GL lacks " + missing;
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
    if (kind != SolverKind::Software) made.sim = makeShaderSolver(grid, settings.projection, made.shaderUnavailable);
    if (!made.sim && kind != SolverKind::Shader) made.sim = makeSoftwareSolver(grid, settings);
    return made;
}
