#include "tools/render/Solvers.h"

#include <cstdio>
#include <unistd.h>
#include <vector>

#include "cpu/CPUSim.h"
#include "gpu/GPUSim.h"

namespace {

// The shader solver reports its programs on standard output while it is built; here
// standard output lists the files written, so those lines go to standard error.
class StdoutToStderr {
public:
    StdoutToStderr() : mSaved(dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StdoutToStderr() {
        std::fflush(stdout);
        dup2(mSaved, STDOUT_FILENO);
        close(mSaved);
    }
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;

private:
    int mSaved;
};

}  // namespace

std::string solverLabel(SolverKind kind) { return kind == SolverKind::Software ? "cpu" : "gpu"; }

std::unique_ptr<FluidSim2D> makeSolver(SolverKind kind, uint32_t resI, uint32_t resJ) {
    if (kind == SolverKind::Software) return std::make_unique<CPUSim>(resI, resJ);
    const std::vector<std::string> missing = missingGpuExtensions();
    if (!missing.empty()) {
        std::string names;
        for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
        throw SolverUnavailable("the shader solver is not available: this OpenGL lacks " + names);
    }
    try {
        StdoutToStderr diagnostics;
        return std::make_unique<GPUSim>(resI, resJ);
    } catch (const GPUSimUnavailable& unavailable) {
        throw SolverUnavailable(std::string("the shader solver is not available: ") + unavailable.what());
    }
}
