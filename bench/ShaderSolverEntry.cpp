// The shader solver's entry: besides the common timings, its step without the
// readback and the number of passes one step runs.
#include <GL/glew.h>

#include <string>

#include "bench/SolverEntries.h"
#include "gpu/GPUSim.h"
#include "solvers/SolverFactory.h"

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

// The GL's own time for each pass group and the readback (none where it cannot tell).
std::vector<ExtraMeasure> shaderSolverStages(FluidSim2D& sim, BenchScene& scene, const TimingPlan& plan) {
    GPUSim& gpu = static_cast<GPUSim&>(sim);
    if (!GPUSim::canTimeStages()) return {};
    return medianStageTimes(
        scene, plan, [&](StageTimes* times) { gpu.setStageTimes(times); },
        {Stage::BodyForces, Stage::Sources, Stage::Diffusion, Stage::Projection, Stage::Advection, Stage::Readback});
}

}  // namespace

SolverEntry shaderSolverEntry() {
    SolverEntry entry;
    entry.name = "gpu";
    entry.description = "shader solver (its step includes reading the fields back)";
    entry.make = [](uint32_t resI, uint32_t resJ, ProjectionMode projection) -> std::unique_ptr<FluidSim2D> {
        SolverSettings settings;
        settings.projection = projection;
        return makeSolverOrThrow(SolverKind::Shader, {resI, resJ}, settings);
    };
    entry.extras = shaderSolverExtras;
    entry.divergenceLeft = [](FluidSim2D& sim) {
        GPUSim& gpu = static_cast<GPUSim&>(sim);
        return divergenceLeftBy(
            gpu, [&] { gpu.projectOnce(); }, [&](uint32_t i, uint32_t j) { return gpu.getVelocity(i, j); });
    };
    entry.stages = shaderSolverStages;
    return entry;
}
