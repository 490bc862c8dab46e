#pragma once
// The one place that makes solvers: the window, smoke-render and smoke-bench all ask
// here, so they agree on when the shader solver can run and why it cannot.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cpu/ThreadTeam.h"
#include "cpu/kernels/FastKernels.h"
#include "sim/FluidSim2D.h"
#include "sim/GridSize.h"
#include "sim/ProjectionMode.h"

enum class SolverKind {
    Software,  // CPUSim
    Shader,    // GPUSim, or nothing when it cannot run here
};

// The software solver's kernels: the fast ones unless smoke-bench times the plain
// reference against them.
enum class SoftwareKernels { Fast, Plain };

struct SolverSettings {
    // The software solver's team; unset: its default (SMOKE_THREADS, else up to the
    // processors this process may use, fewer while fewer are faster).
    std::optional<ThreadCount> softwareThreads;
    SoftwareKernels softwareKernels = SoftwareKernels::Fast;
    // The fast kernels' instruction set; unset: the best this processor runs.
    std::optional<KernelIsa> kernelIsa;
    // How either solver projects; the fixed sweeps unless a program's option says otherwise.
    ProjectionMode projection = ProjectionMode::FixedSweeps;
};

struct MadeSolver {
    std::unique_ptr<FluidSim2D> sim;  // null only for a Shader request that cannot run
    // Why the shader solver cannot run: this GL lacks extensions, the grid is beyond
    // MAX_GRID, no shader folder is found, a program does not build, the framebuffer
    // is incomplete. Empty when it runs or was not asked for.
    std::string shaderUnavailable;
    // The extensions (without the GL_ prefix) this GL lacks for the shader solver, when
    // that is why it cannot run.
    std::vector<std::string> missingExtensions;
};

// A solver that was asked for and cannot run here; reason() says why, in the words of
// MadeSolver::shaderUnavailable.
class SolverUnavailable : public std::runtime_error {
public:
    explicit SolverUnavailable(const std::string& reason)
        : std::runtime_error("the shader solver is not available: " + reason), mReason(reason) {}
    const std::string& reason() const { return mReason; }

private:
    std::string mReason;
};

// Needs a current GL context for the shader kinds. Throws std::bad_alloc for a grid
// that does not fit in memory.
MadeSolver makeSolver(SolverKind kind, GridSize2D grid, const SolverSettings& settings = {});

// The solver of that kind, for a program that cannot go on without it: throws
// SolverUnavailable where makeSolver gives none.
std::unique_ptr<FluidSim2D> makeSolverOrThrow(SolverKind kind, GridSize2D grid, const SolverSettings& settings = {});
