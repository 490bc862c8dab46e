// The shader solver's entry, in a build that has the shader solver.
#include "bench/SolverEntries.h"

#if __has_include("gpu/GPUSim.h")

#include <GL/glew.h>

#include <stdexcept>

#include "gpu/GPUSim.h"

namespace {

bool shaderSolverExtensionsPresent() {
    return GLEW_EXT_framebuffer_object && GLEW_ARB_shader_objects && GLEW_ARB_vertex_shader &&
           GLEW_ARB_fragment_shader && GLEW_ARB_shading_language_100 && GLEW_ARB_texture_non_power_of_two &&
           GLEW_ARB_texture_float && GLEW_ARB_draw_buffers && GLEW_ARB_multitexture;
}

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

std::optional<SolverEntry> shaderSolverEntry() {
    SolverEntry entry;
    entry.name = "gpu";
    entry.description = "shader solver (step includes reading the fields back)";
    entry.make = [](uint32_t resI, uint32_t resJ) -> std::unique_ptr<FluidSim2D> {
        if (!shaderSolverExtensionsPresent()) throw std::runtime_error("this GL lacks an extension the shader solver needs");
        return std::make_unique<GPUSim>(resI, resJ);
    };
    entry.extras = shaderSolverExtras;
    return entry;
}

#else

std::optional<SolverEntry> shaderSolverEntry() { return std::nullopt; }

#endif
