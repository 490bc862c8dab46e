#pragma once
// The one place that makes solvers: the window, smoke-render and smoke-bench all ask
// here, so they agree on when the shader solver can run and why it cannot.

#include <memory>
#include <string>

#include "sim/FluidSim2D.h"
#include "sim/GridSize.h"
#include "sim/ProjectionMode.h"

enum class SolverKind {
    Software,          // CPUSim
    Shader,            // GPUSim, or nothing when it cannot run here
    ShaderOrSoftware,  // GPUSim, or CPUSim when the shader solver cannot run here
};

struct SolverSettings {
    // Threads the software solver steps with, exactly; 0: its default (SMOKE_THREADS,
    // else up to the processors this process may use, fewer while fewer are faster).
    unsigned softwareThreads = 0;
    // How either solver projects; the fixed sweeps unless a program's option says otherwise.
    ProjectionMode projection = ProjectionMode::FixedSweeps;
};

struct MadeSolver {
    std::unique_ptr<FluidSim2D> sim;  // null only for a Shader request that cannot run
    // Why the shader solver cannot run: this GL lacks extensions, the grid is beyond
    // MAX_GRID, no shader folder is found, a program does not build, the framebuffer
    // is incomplete. Empty when it runs or was not asked for.
    std::string shaderUnavailable;
};

// Needs a current GL context for the shader kinds. Throws std::bad_alloc for a grid
// that does not fit in memory.
MadeSolver makeSolver(SolverKind kind, GridSize2D grid, const SolverSettings& settings = {});
