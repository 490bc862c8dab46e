#pragma once
// The solvers smoke-render runs, made by the one solver factory.

#include <memory>
#include <string>

#include "solvers/SolverFactory.h"

// "cpu" or "gpu": the word scenarios and the command line use, and the suffix of file names.
std::string solverLabel(SolverKind kind);

// Needs a current GL context for the shader solver, whose reports go to standard
// error. Throws SolverUnavailable when that kind cannot run here.
std::unique_ptr<FluidSim2D> makeRenderSolver(SolverKind kind, GridSize2D grid, const SolverSettings& settings);

// The largest relative difference of either field (FieldComparison.h) that the
// shader and the software solver may show after a short scenario. The two agree in
// method, not bit for bit: the shader solver relaxes by Jacobi where the software one
// sweeps by Gauss-Seidel, ten iterations each, far from converged, and it carries the
// density with the velocity that enters the advection rather than the step's final
// one. The shader solver's tests measure single steps from the same state differing
// by up to 0.12 of the largest velocity and, at fresh smoke edges, by much of the
// density; over a few tens of steps the whole-field difference grows to tenths.
// A broken pass (no advection, a sign error, a wrong constant) gives differences of
// order one.
constexpr double SHADER_AGREEMENT_BOUND = 0.3;
