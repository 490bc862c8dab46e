// The shader solver's converged projection: the V-cycles of sim/MultigridCycles.h as
// full-texture passes over the levels' textures, in the GL's own arithmetic. A colour of a red-black sweep is one pass,
// which keeps the other colour's texels; the largest residual is reduced on the GL and read back, a few texels,
// whenever the cycles must decide whether to go on.
#include <GL/glew.h>

#include <initializer_list>
#include <vector>

#include "gl/GlState.h"
#include "gpu/GPUSim.h"
#include "gpu/PassTarget.h"
#include "gpu/ShaderMultigrid.h"
#include "sim/MultigridCycles.h"

namespace {

// A level's textures, at these attachment points of its framebuffer.
constexpr GLenum ITERATE_POINTS[2] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT};
constexpr GLenum RHS_POINT = GL_COLOR_ATTACHMENT2_EXT;
constexpr GLenum RESIDUAL_POINT = GL_COLOR_ATTACHMENT3_EXT;
// mgLargest.frag takes the largest of blocks this many texels a side; the residual
// is read back once it is reduced to at most READBACK_SIDE texels a side.
constexpr GLsizei REDUCTION_BLOCK = 8;
constexpr GLsizei READBACK_SIDE = 16;

void setUniform(GLhandleARB program, const char* name, float x) {
    glUniform1fARB(glGetUniformLocationARB(program, name), x);
}
void setUniform(GLhandleARB program, const char* name, float x, float y) {
    glUniform2fARB(glGetUniformLocationARB(program, name), x, y);
}
void setUniform(GLhandleARB program, const char* name, float x, float y, float z) {
    glUniform3fARB(glGetUniformLocationARB(program, name), x, y, z);
}

// A framebuffer with these textures attached, or the reason the solver cannot run.
PassSurface surfaceOf(std::initializer_list<const TexAttachment*> textures, GLsizei width, GLsizei height) {
    PassSurface surface{GlFramebuffer::generate(), width, height};
    GlStateGuard saved(0);
    saved.bindFramebuffer(surface.framebuffer.name());
    for (const TexAttachment* t : textures)
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, t->attachment, GL_TEXTURE_2D, t->tex.name(), 0);
    if (glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) != GL_FRAMEBUFFER_COMPLETE_EXT)
        throw GPUSimUnavailable("this GL cannot render into the converged projection's textures");
    return surface;
}

void clear(const PassSurface& surface, GLenum attachment) {
    FramebufferTarget target(surface.framebuffer.name(), surface.width, surface.height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDrawBuffer(attachment);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The passes of the V-cycles (sim/MultigridCycles.h) over the levels' textures.
class ShaderPasses {
public:
    // With `solids`, level 0 reads the fields' solid marks (blue): it relaxes the
    // reflecting equation and keeps its solid cells zero, as the software solver does.
    ShaderPasses(ShaderMultigrid& multigrid, int& passes, bool solids)
        : mGrid(multigrid), mPasses(passes), mSolids(solids) {}

    // The velocity's divergence as level 0's right-hand side, the heights zero.
    void start(GLuint fields, float hx, float hy) {
        mFields = fields;
        ShaderLevel& fine = mGrid.levels[0];
        const double x = hx, y = hy, scale = 4.0 * (x * x + y * y);
        pass(MG_DIVERGENCE, {fields}, fine, RHS_POINT, [&](GLhandleARB p) {
            setUniform(p, "divergenceWeights", float(x * y * y / scale), float(x * x * y / scale));
        });
        clear(fine.surface, ITERATE_POINTS[fine.current]);
    }

    size_t levels() const { return mGrid.levels.size(); }

    // Red-black sweeps: the cells with i + j even, then the others.
    void smooth(size_t l, int sweeps) {
        ShaderLevel& v = mGrid.levels[l];
        for (int sweep = 0; sweep < sweeps; ++sweep)
            for (int colour = 0; colour < 2; ++colour) {
                pass(MG_RELAX, inputsOf(l, {iterate(v), v.rhs.tex.name()}), v, ITERATE_POINTS[1 - v.current],
                     [&](GLhandleARB p) {
                         equationUniforms(p, v.shape, l);
                         setUniform(p, "colour", float(colour));
                     });
                v.current = 1 - v.current;
            }
    }

    // The largest of it is reduced and read back for level 0 only.
    float residual(size_t l) {
        ShaderLevel& v = mGrid.levels[l];
        pass(MG_RESIDUAL, inputsOf(l, {iterate(v), v.rhs.tex.name()}), v, RESIDUAL_POINT,
             [&](GLhandleARB p) { equationUniforms(p, v.shape, l); });
        return l == 0 ? largestResidual() : 0.0f;
    }

    // Level c's right-hand side from the finer level's residual; its correction starts from zero.
    void restrictTo(size_t c) {
        const ShaderLevel& fine = mGrid.levels[c - 1];
        ShaderLevel& v = mGrid.levels[c];
        pass(MG_RESTRICT, {fine.residual.tex.name()}, v, RHS_POINT, [&](GLhandleARB p) {
            setUniform(p, "fineSize", float(fine.surface.width), float(fine.surface.height));
            setUniform(p, "halved", v.shape.halvedI ? 1.0f : 0.0f, v.shape.halvedJ ? 1.0f : 0.0f);
            setUniform(p, "fold", v.shape.foldI, v.shape.foldJ);
            setUniform(p, "rhsScale", v.shape.rhsScale);
        });
        clear(v.surface, ITERATE_POINTS[v.current]);
    }

    // Adds level c's correction to the finer level.
    void prolongFrom(size_t c) {
        const ShaderLevel& v = mGrid.levels[c];
        ShaderLevel& fine = mGrid.levels[c - 1];
        pass(MG_PROLONG, inputsOf(c - 1, {iterate(fine), iterate(v)}), fine, ITERATE_POINTS[1 - fine.current],
             [&](GLhandleARB p) {
                 setUniform(p, "solids", c == 1 && mSolids ? 1.0f : 0.0f);
                 setUniform(p, "coarseSize", float(v.surface.width), float(v.surface.height));
                 setUniform(p, "halved", v.shape.halvedI ? 1.0f : 0.0f, v.shape.halvedJ ? 1.0f : 0.0f);
                 setUniform(p, "ghost", v.shape.ghostI, v.shape.ghostJ);
             });
        fine.current = 1 - fine.current;
    }

private:
    ShaderMultigrid& mGrid;
    int& mPasses;
    bool mSolids;
    GLuint mFields = 0;

    // A pass's inputs, with the fields (their solid marks) third on level 0 beside solids.
    std::vector<GLuint> inputsOf(size_t l, std::initializer_list<GLuint> inputs) const {
        std::vector<GLuint> all(inputs);
        if (l == 0 && mSolids) all.push_back(mFields);
        return all;
    }

    GLuint iterate(const ShaderLevel& v) const { return v.iterate[v.current].tex.name(); }

    // One pass of a program into `attachment` of a surface, input k on texture unit k;
    // `uniforms` sets the pass's own, with the program in use.
    template <class Uniforms>
    void pass(MultigridProgram program, const std::vector<GLuint>& inputs, const PassSurface& surface,
              GLenum attachment, const Uniforms& uniforms) {
        BoundInputs bound;
        for (GLuint input : inputs) bound.bind(input);
        const GLhandleARB name = mGrid.programs[program].name();
        glUseProgramObjectARB(name);
        setUniform(name, "size", float(surface.width), float(surface.height));
        uniforms(name);
        {
            FramebufferTarget target(surface.framebuffer.name(), surface.width, surface.height);
            glDrawBuffer(attachment);
            drawFullTarget();
        }
        glUseProgramObjectARB(0);
        ++mPasses;
    }
    template <class Uniforms>
    void pass(MultigridProgram program, const std::vector<GLuint>& inputs, const ShaderLevel& v, GLenum attachment,
              const Uniforms& uniforms) {
        pass(program, inputs, v.surface, attachment, uniforms);
    }

    void equationUniforms(GLhandleARB p, const MultigridShape& s, size_t l) {
        setUniform(p, "solids", l == 0 && mSolids ? 1.0f : 0.0f);
        setUniform(p, "weights", s.westEast, s.southNorth);
        setUniform(p, "edgeScales", s.lastColumnScale, s.lastRowScale, s.lastCellScale);
        setUniform(p, "edgeWeights", s.lastColumnWeight, s.lastRowWeight, s.lastCellWeight);
    }

    // Level 0's largest residual: reduced on the GL, the last few texels read back.
    float largestResidual() {
        const TexAttachment* values = &mGrid.levels[0].residual;
        GLsizei width = mGrid.levels[0].surface.width, height = mGrid.levels[0].surface.height;
        for (const ReductionStep& step : mGrid.reduction) {
            pass(MG_LARGEST, {values->tex.name()}, step.surface, step.largest.attachment,
                 [&](GLhandleARB p) { setUniform(p, "valuesSize", float(width), float(height)); });
            values = &step.largest;
            width = step.surface.width;
            height = step.surface.height;
        }
        mGrid.readback.resize(4 * size_t(width) * size_t(height));
        glBindTexture(GL_TEXTURE_2D, values->tex.name());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, mGrid.readback.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        float largest = 0.0f;
        for (size_t k = 0; k < mGrid.readback.size(); k += 4) {
            const float size = mGrid.readback[k] < 0.0f ? -mGrid.readback[k] : mGrid.readback[k];
            if (size > largest) largest = size;
        }
        return largest;
    }
};

}  // namespace

void GPUSim::createMultigrid(const std::string& shaderDir) {
    mMultigrid = std::make_unique<ShaderMultigrid>();
    ShaderMultigrid& grid = *mMultigrid;
    // The shaders take the world as the unit square, as every pass does.
    for (const MultigridShape& shape : planMultigrid(resI, resJ, 1.0f / float(resI), 1.0f / float(resJ))) {
        ShaderLevel& v = grid.levels.emplace_back();
        v.shape = shape;
        const GLsizei w = GLsizei(shape.resI + 2), h = GLsizei(shape.resJ + 2);
        const std::initializer_list<std::pair<TexAttachment*, GLenum>> textures{{&v.iterate[0], ITERATE_POINTS[0]},
                                                                                {&v.iterate[1], ITERATE_POINTS[1]},
                                                                                {&v.rhs, RHS_POINT},
                                                                                {&v.residual, RESIDUAL_POINT}};
        for (const auto& [texture, point] : textures) *texture = {createFieldTexture(w, h), point};
        v.surface = surfaceOf({&v.iterate[0], &v.iterate[1], &v.rhs, &v.residual}, w, h);
    }
    for (GLsizei w = width(), h = height(); w > READBACK_SIDE || h > READBACK_SIDE;) {
        w = (w + REDUCTION_BLOCK - 1) / REDUCTION_BLOCK;
        h = (h + REDUCTION_BLOCK - 1) / REDUCTION_BLOCK;
        ReductionStep& step = grid.reduction.emplace_back();
        step.largest = {createFieldTexture(w, h), GL_COLOR_ATTACHMENT0_EXT};
        step.surface = surfaceOf({&step.largest}, w, h);
    }
    loadMultigridShaders(shaderDir);
}

void GPUSim::convergedProjectPass(float dt) {
    ShaderPasses passes(*mMultigrid, mPassesRun, mSolids.any());
    passes.start(mFields.tex.name(), 1.0f / float(resI), 1.0f / float(resJ));
    runVCycles(passes);
    const ShaderLevel& fine = mMultigrid->levels[0];
    runPass(mProjectProgram, {&mFields, &fine.iterate[fine.current]}, mNewFields.attachment, dt);
    swapFields();
}
