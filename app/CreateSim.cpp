#include <cstdio>

#include "app/Shell.h"
#include "sim/SolverFactory.h"

// The shader solver when every extension it needs is there, and the software solver
// when it is not, when "-s" asks for it, or when the shader solver finds it cannot run
// after all (no shader folder, a program that does not build, an incomplete
// framebuffer); then one line says why.
void createSim(uint32_t resolution, bool useGPU, ProjectionMode projection) {
    SolverSettings settings;
    settings.projection = projection;
    MadeSolver made = makeSolver(useGPU ? SolverKind::ShaderOrSoftware : SolverKind::Software,
                                 {resolution, resolution}, settings);
    if (!made.shaderUnavailable.empty())
        std::printf("Shader solver unavailable: %s; using the software solver.\n", made.shaderUnavailable.c_str());
    sim = std::move(made.sim);
}
