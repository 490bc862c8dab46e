#pragma once
// How the solvers make the velocity divergence-free: the fixed relaxation every
// program runs by default, or the height equation solved until it has converged.

#include <optional>
#include <string>

enum class ProjectionMode {
    FixedSweeps,  // SOLVER_SWEEPS relaxation sweeps per projection, whatever is left
    Converged,    // multigrid V-cycles until the residual has fallen a thousandfold
};

// The words the command lines and scenarios use: "specified" and "converged".
const char* projectionModeName(ProjectionMode mode);
std::optional<ProjectionMode> projectionModeNamed(const std::string& word);
