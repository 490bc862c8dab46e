#include "tools/render/Solvers.h"

#include "cpu/CPUSim.h"

std::string solverLabel(SolverKind kind) { return kind == SolverKind::Software ? "cpu" : "gpu"; }

std::unique_ptr<FluidSim2D> makeSolver(SolverKind kind, uint32_t resI, uint32_t resJ) {
    if (kind == SolverKind::Software) return std::make_unique<CPUSim>(resI, resJ);
    throw SolverUnavailable("the shader solver is not available in this build");
}
