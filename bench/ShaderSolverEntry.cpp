// The shader solver's entry: besides the common timings, its step without the
// readback and the number of passes one step runs.
#include <GL/glew.h>

#include <stdexcept>
#include <string>

#include "bench/SolverEntries.h"
#include "gpu/GPUSim.h"

namespace {

// The step without reading the fields back (GL finished before the clock stops),
// and how many passes one step runs.
std::vector<ExtraMeasure> shaderSolverExtras(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan) {
    GPUSim& gpu = static_cast<GPUSim&>(sim);
    scene.step();
    const int passes = gpu.lastPassCount();
    gpu.setReadbackEnabled(false);
    const Timing withoutReadback = timeRepeatedly(plan, [&] {
        scene.step();
        glFinish();
    });
    gpu.setReadbackEnabled(true);
    return {{"step without readback", withoutReadback.medianMs, "ms"}, {"passes per step", double(passes), ""}};
}

}  // namespace

SolverEntry shaderSolverEntry() {
    SolverEntry entry;
    entry.name = "gpu";
    entry.description = "shader solver (its step includes reading the fields back)";
    entry.make = [](uint32_t resI, uint32_t resJ) -> std::unique_ptr<FluidSim2D> {
        std::string missing;
        for (const std::string& name : missingGpuExtensions()) missing += (missing.empty() ? "" : ", ") + name;
        if (!missing.empty()) throw std::runtime_error("this GL lacks " + missing);
        return std::make_unique<GPUSim>(resI, resJ);
    };
    entry.extras = shaderSolverExtras;
    return entry;
}
