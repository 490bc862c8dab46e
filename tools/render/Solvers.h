#pragma once
// The one place that knows which solvers this build can make.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "sim/FluidSim2D.h"

enum class SolverKind { Software, Shader };

// The solver cannot run in this build or on this OpenGL; the message says why.
class SolverUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "cpu" or "gpu": the word scenarios and the command line use, and the suffix of file names.
std::string solverLabel(SolverKind kind);

// Needs a current GL context for the shader solver. Throws SolverUnavailable when
// that kind cannot run here.
std::unique_ptr<FluidSim2D> makeSolver(SolverKind kind, uint32_t resI, uint32_t resJ);

// The largest relative difference of either field (FieldComparison.h) between the
// shader and the software solver after a short scenario that the two are still
// taken to agree within. Provisional: the shader solver's own tests settle it.
constexpr double SHADER_AGREEMENT_BOUND = 1e-2;
