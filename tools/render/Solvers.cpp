#include "tools/render/Solvers.h"

#include "tools/cli/StdoutToStderr.h"

std::string solverLabel(SolverKind kind) { return kind == SolverKind::Software ? "cpu" : "gpu"; }

std::unique_ptr<FluidSim2D> makeRenderSolver(SolverKind kind, GridSize2D grid, const SolverSettings& settings) {
    // Standard output lists the files written.
    StdoutToStderr diagnostics;
    MadeSolver made = makeSolver(kind, grid, settings);
    if (!made.sim) throw SolverUnavailable("the shader solver is not available: " + made.shaderUnavailable);
    return std::move(made.sim);
}
