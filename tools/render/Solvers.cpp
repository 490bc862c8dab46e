#include "tools/render/Solvers.h"

#include "cli/StdoutToStderr.h"

std::string solverLabel(SolverKind kind) { return kind == SolverKind::Software ? "cpu" : "gpu"; }

std::unique_ptr<FluidSim2D> makeRenderSolver(SolverKind kind, GridSize2D grid, const SolverSettings& settings) {
    // Standard output lists the files written.
    StdoutToStderr diagnostics;
    return makeSolverOrThrow(kind, grid, settings);
}
