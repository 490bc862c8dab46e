#pragma once
// The shader solver's converged projection: the multigrid levels of
// sim/MultigridPlan.h as textures, each level in a framebuffer of its own (every
// attachment of one framebuffer must have the same size), the programs of its passes,
// and the small textures that the largest residual is reduced into before it is read
// back. Made only when the converged projection is chosen.

#include <GL/glew.h>

#include <array>
#include <vector>

#include "gl/GlObjects.h"
#include "gpu/GPUSim.h"
#include "sim/MultigridPlan.h"

// A pass target: a framebuffer and its size in texels, border included.
struct PassSurface {
    GlFramebuffer framebuffer;
    GLsizei width = 0;
    GLsizei height = 0;
};

struct ShaderLevel {
    MultigridShape shape;
    PassSurface surface;
    std::array<TexAttachment, 2> iterate;  // a relaxation reads one and writes the other
    int current = 0;                       // the one that holds the iterate
    TexAttachment rhs;
    TexAttachment residual;
};

// One step of the reduction: each texel the largest of 8 by 8 of the last step's.
struct ReductionStep {
    PassSurface surface;
    TexAttachment largest;
};

struct ShaderMultigrid {
    std::vector<ShaderLevel> levels;
    std::vector<ReductionStep> reduction;
    std::vector<float> readback;  // the last reduction step's texels
    // The programs, in the order of multigridProgramFiles().
    std::array<GlShader, 6> shaders;
    std::array<GlProgram, 6> programs;
};

// The files of the converged projection's programs, and the samplers of each in the
// order of the texture units its inputs are bound to.
struct MultigridProgramFile {
    const char* file;
    std::array<const char*, 3> samplers;
};
const std::array<MultigridProgramFile, 6>& multigridProgramFiles();
enum MultigridProgram { MG_DIVERGENCE, MG_RELAX, MG_RESIDUAL, MG_RESTRICT, MG_PROLONG, MG_LARGEST };
