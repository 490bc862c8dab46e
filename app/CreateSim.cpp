#include <cstdio>

#include "app/Shell.h"
#include "solvers/SolverFactory.h"

// The shader solver when every extension it needs is there, and the software solver
// when it is not, when "-s" asks for it, or when the shader solver finds it cannot run
// after all (no shader folder, a program that does not build, an incomplete
// framebuffer); then the console says why.
void createSim(uint32_t resolution, bool useGPU, ProjectionMode projection) {
    SolverSettings settings;
    settings.projection = projection;
    const GridSize2D grid{resolution, resolution};
    MadeSolver made;
    if (useGPU) made = makeSolver(SolverKind::Shader, grid, settings);
    if (!made.missingExtensions.empty())
        std::printf("%s\n", missingExtensionsReport(made.missingExtensions).c_str());
    else if (!made.shaderUnavailable.empty())
        std::printf("Shader solver unavailable: %s; using the software solver.\n", made.shaderUnavailable.c_str());
    if (!made.sim) made.sim = makeSolver(SolverKind::Software, grid, settings).sim;
    sim = std::move(made.sim);
}
