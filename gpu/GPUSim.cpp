#include "gpu/GPUSim.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>
#include <utility>

#include "gl/GlState.h"
#include "gpu/PassTarget.h"
#include "gpu/ShaderMultigrid.h"

namespace {

// Every texture the passes write, each at its own attachment point for life:
// the two fields textures, curls, curl gradients, heights, and the second iterate.
constexpr int ATTACHED_TEXTURES = 6;
constexpr GLenum ATTACHMENT_POINTS[ATTACHED_TEXTURES] = {GL_COLOR_ATTACHMENT0_EXT, GL_COLOR_ATTACHMENT1_EXT,
                                                         GL_COLOR_ATTACHMENT2_EXT, GL_COLOR_ATTACHMENT3_EXT,
                                                         GL_COLOR_ATTACHMENT4_EXT, GL_COLOR_ATTACHMENT5_EXT};
// Reset clears this many draw buffers at a time.
constexpr GLint CLEAR_GROUP = 4;
// The per-step traces show this cell (or the last one, on smaller grids).
constexpr uint32_t TRACE_CELL = 10;

}  // namespace

// While it lives, the GL's time for the commands issued goes to a stage's account
// (when the solver is timed): one timer query around them, read at the end of the step.
class GPUSim::GlStageClock {
public:
    GlStageClock(GPUSim& sim, Stage stage) : mSim(sim.mStageTimes ? &sim : nullptr), mStage(stage) {
        if (!mSim) return;
        std::vector<GlQuery>& spare = mSim->mSpareQueries;
        if (spare.empty()) {
            mQuery = GlQuery::generate();
        } else {
            mQuery = std::move(spare.back());
            spare.pop_back();
        }
        glBeginQuery(GL_TIME_ELAPSED, mQuery.name());
    }
    ~GlStageClock() {
        if (!mSim) return;
        glEndQuery(GL_TIME_ELAPSED);
        mSim->mPendingQueries.emplace_back(mStage, std::move(mQuery));
    }
    GlStageClock(const GlStageClock&) = delete;
    GlStageClock& operator=(const GlStageClock&) = delete;

private:
    GPUSim* mSim;
    Stage mStage;
    GlQuery mQuery;
};

// ---- construction and destruction ------------------------------------------

GPUSim::GPUSim(uint32_t resI_, uint32_t resJ_, const std::string& shaderDir, ProjectionMode projection)
    : FluidSim2D(resI_, resJ_) {
    requireCapacity();
    const uint64_t floats = 4 * uint64_t(width()) * uint64_t(height());
    // `index` counts floats in 32 bits; a larger grid is an allocation that cannot be met.
    if (floats * sizeof(float) > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    mFieldValues.assign(floats, 0.0f);
    mUserSourceValues.assign(floats, 0.0f);
    for (TexAttachment* t : {&mFields, &mNewFields, &mUserSources, &mCurls, &mNormCurlGrads, &mHeights, &mIterate})
        t->tex = createFieldTexture(width(), height());
    createFramebuffer();
    GPUSim::reset();
    loadShaders(shaderDir);
    if (projection == ProjectionMode::Converged) createMultigrid(shaderDir);
}

void GPUSim::requireCapacity() {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (uint64_t(resI) + 2 > uint64_t(maxSize) || uint64_t(resJ) + 2 > uint64_t(maxSize)) {
        char reason[200];
        std::snprintf(reason, sizeof reason,
                      "a grid of %u x %u cells and its border needs textures of %llu x %llu texels, "
                      "larger than this GL's limit of %d",
                      resI, resJ, (unsigned long long)resI + 2, (unsigned long long)resJ + 2, maxSize);
        throw GPUSimUnavailable(reason);
    }
    GLint attachments = 0;
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS_EXT, &attachments);
    if (attachments < ATTACHED_TEXTURES)
        throw GPUSimUnavailable("the framebuffer offers " + std::to_string(attachments) + " colour attachments, " +
                                std::to_string(ATTACHED_TEXTURES) + " are needed");
    GLint drawBuffers = 1;
    glGetIntegerv(GL_MAX_DRAW_BUFFERS_ARB, &drawBuffers);
    mMaxDrawBuffers = std::clamp(drawBuffers, 1, CLEAR_GROUP);
}

GlTexture GPUSim::createFieldTexture(GLsizei textureWidth, GLsizei textureHeight) {
    GlTexture tex = GlTexture::generate();
    glBindTexture(GL_TEXTURE_2D, tex.name());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F_ARB, textureWidth, textureHeight, 0, GL_RGBA, GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return tex;
}

// (Re)defines level 0 of a texture at grid size; no texels leaves it undefined.
void GPUSim::defineTexture(GLuint tex, const float* texels) {
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F_ARB, width(), height(), 0, GL_RGBA, GL_FLOAT, texels);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GPUSim::createFramebuffer() {
    mFramebuffer = GlFramebuffer::generate();
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, mFramebuffer.name());
    TexAttachment* attached[ATTACHED_TEXTURES] = {&mFields,        &mNewFields, &mCurls,
                                                  &mNormCurlGrads, &mHeights,   &mIterate};
    for (int k = 0; k < ATTACHED_TEXTURES; ++k) {
        attached[k]->attachment = ATTACHMENT_POINTS[k];
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, ATTACHMENT_POINTS[k], GL_TEXTURE_2D, attached[k]->tex.name(), 0);
    }
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        char reason[120];
        std::snprintf(reason, sizeof reason, "this GL cannot render into float textures (framebuffer status 0x%04X)",
                      status);
        throw GPUSimUnavailable(reason);
    }
}

GPUSim::~GPUSim() {
    mMultigrid.reset();
    for (TexAttachment* t : {&mFields, &mNewFields, &mUserSources, &mCurls, &mNormCurlGrads, &mHeights, &mIterate})
        t->tex.reset();
    releasePrograms();
    mFramebuffer.reset();
}

// ---- clearing and roles ----------------------------------------------------

void GPUSim::clearAttachment(uint32_t attachment) {
    const GLenum point = attachment;
    clearAttachments(mFramebuffer.name(), width(), height(), &point, 1);
}

// Clears a few draw buffers at a time, naming only attachment points that carry a
// texture: a group naming an empty point is an incomplete framebuffer on some GLs,
// where the clear would silently do nothing.
void GPUSim::clearAttachments(GLuint framebuffer, GLsizei targetWidth, GLsizei targetHeight, const GLenum* attachments,
                              int count) {
    FramebufferTarget target(framebuffer, targetWidth, targetHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    for (int first = 0; first < count; first += mMaxDrawBuffers) {
        glDrawBuffersARB(std::min(mMaxDrawBuffers, count - first), attachments + first);
        glClear(GL_COLOR_BUFFER_BIT);
    }
}

void GPUSim::reset() {
    clearAttachments(mFramebuffer.name(), width(), height(), ATTACHMENT_POINTS, ATTACHED_TEXTURES);
    std::fill(mFieldValues.begin(), mFieldValues.end(), 0.0f);
    std::fill(mUserSourceValues.begin(), mUserSourceValues.end(), 0.0f);
    clearSources();
    if (mSolids.any()) markSolids();
}

void GPUSim::setSolids(const SolidCells& solids) {
    FluidSim2D::setSolids(solids);
    markSolids();
}

// Writes the mask into the state last read back, empties the solid cells, and makes
// that the current fields.
void GPUSim::markSolids() {
    for (uint32_t j = 0; j <= resJ + 1; ++j)
        for (uint32_t i = 0; i <= resI + 1; ++i) {
            float* cell = &mFieldValues[index(i, j)];
            const bool solid = mSolids(i, j);
            if (solid) cell[0] = cell[1] = cell[3] = 0.0f;
            cell[2] = solid ? 1.0f : 0.0f;
        }
    glBindTexture(GL_TEXTURE_2D, mFields.tex.name());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width(), height(), GL_RGBA, GL_FLOAT, mFieldValues.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GPUSim::swapFields() { std::swap(mFields, mNewFields); }

// ---- accessors and user sources --------------------------------------------

uint32_t GPUSim::index(uint32_t i, uint32_t j) { return 4 * cellNumber(i, j, resI); }

Vec2 GPUSim::getVelocity(uint32_t i, uint32_t j) {
    const uint32_t k = index(i, j);
    return {mFieldValues[k], mFieldValues[k + 1]};
}

float GPUSim::getDensity(uint32_t i, uint32_t j) { return mFieldValues[index(i, j) + 3]; }

void GPUSim::addDensity(uint32_t i, uint32_t j, float amount) { mUserSourceValues[index(i, j) + 3] += amount; }

void GPUSim::addVelocity(uint32_t i, uint32_t j, float du, float dv) {
    const uint32_t k = index(i, j);
    mUserSourceValues[k] += du;
    mUserSourceValues[k + 1] += dv;
}

uint32_t GPUSim::traceIndex() { return index(std::min(TRACE_CELL, resI + 1), std::min(TRACE_CELL, resJ + 1)); }

void GPUSim::clearSources() {
    if (tracing()) std::printf("before clear: mUserSourceValues = %f\n", mUserSourceValues[traceIndex() + 3]);
    std::fill(mUserSourceValues.begin(), mUserSourceValues.end(), 0.0f);
    if (tracing()) std::printf("after clear: mUserSourceValues = %f\n", mUserSourceValues[traceIndex() + 3]);
}

void GPUSim::uploadUserSources() {
    const GlStageClock clock(*this, Stage::Sources);
    defineTexture(mUserSources.tex.name(), mUserSourceValues.data());
}

void GPUSim::readFields(const TexAttachment& fields) {
    glBindTexture(GL_TEXTURE_2D, fields.tex.name());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, mFieldValues.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GPUSim::onRetrieve() {
    const GlStageClock clock(*this, Stage::Readback);
    const bool trace = tracing();
    float newFieldsValue = 0.0f;
    if (trace) {
        readFields(mNewFields);
        newFieldsValue = mFieldValues[traceIndex() + 3];
    }
    readFields(mFields);
    if (trace)
        std::printf("onRetrieve, mFields = %f, mNewFields = %f\n", mFieldValues[traceIndex() + 3], newFieldsValue);
}

// ---- passes ----------------------------------------------------------------

void GPUSim::doPass(const PassProgram& program, uint32_t attachment, float dt) {
    glUniform1fARB(program.dt, dt);
    FramebufferTarget target(mFramebuffer.name(), width(), height());
    if (tracing())
        std::printf("doPass, attachment=%u, shader=%u, dtLoc=%d, dt=%f\n", attachment, program.name(), program.dt, dt);
    glDrawBuffer(attachment);
    drawFullTarget();
    glUseProgramObjectARB(0);
    ++mPassesRun;
}

// Binds input k on texture unit k, where the program's k-th sampler reads (see
// programSlots), runs one pass, and leaves every unit it used empty and unit 0 active.
void GPUSim::runPass(const PassProgram& program, std::initializer_list<const TexAttachment*> inputs,
                     uint32_t attachment, float dt) {
    BoundInputs bound;
    for (const TexAttachment* input : inputs) bound.bind(input->tex.name());
    glUseProgramObjectARB(program.name());
    doPass(program, attachment, dt);
}

// Jacobi iterations of `program` from a zero start. The iterate alternates between
// `target` and mIterate, so that no pass samples the texture it renders into, and
// starts where the last iterate ends in `target`.
void GPUSim::solve(const PassProgram& program, const TexAttachment& target, float dt, int iterations) {
    const TexAttachment* read = iterations % 2 == 0 ? &target : &mIterate;
    const TexAttachment* write = iterations % 2 == 0 ? &mIterate : &target;
    clearAttachment(read->attachment);
    for (int k = 0; k < iterations; ++k) {
        runPass(program, {&mFields, read}, write->attachment, dt);
        std::swap(read, write);
    }
}

void GPUSim::applyVorticity(double dt) {
    const int passesBefore = mPassesRun;
    bodyForcePasses(float(dt));
    uploadUserSources();
    mVorticityPasses = mPassesRun - passesBefore;
}

void GPUSim::bodyForcePasses(float dt) {
    const GlStageClock clock(*this, Stage::BodyForces);
    clearAttachment(mCurls.attachment);
    runPass(mVorticityProgram, {&mFields}, mCurls.attachment, dt);
    clearAttachment(mNormCurlGrads.attachment);
    runPass(mNormCurlGradProgram, {&mCurls}, mNormCurlGrads.attachment, dt);
}

void GPUSim::step(double dt) {
    const int passesBefore = mPassesRun;
    addSourcesPass(dt);
    if (diffuseEnabled) diffusePass(dt);
    if (projectEnabled) projectPass(dt);
    if (advectEnabled) advectPass(dt);
    if (projectEnabled) projectPass(dt);
    mStepPasses = mPassesRun - passesBefore;
    if (mReadbackEnabled) onRetrieve();
    collectStageTimes();
}

void GPUSim::setStageTimes(StageTimes* times) {
    collectStageTimes();
    mStageTimes = canTimeStages() ? times : nullptr;
    // A step's queries, kept without allocating while the clocks run.
    if (mStageTimes) mPendingQueries.reserve(32);
}

// Waits for the GL to finish the queries' commands, and books their times.
void GPUSim::collectStageTimes() {
    for (auto& [stage, query] : mPendingQueries) {
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(query.name(), GL_QUERY_RESULT, &nanoseconds);
        if (mStageTimes) mStageTimes->ms[int(stage)] += double(nanoseconds) * 1e-6;
        mSpareQueries.push_back(std::move(query));
    }
    mPendingQueries.clear();
}

void GPUSim::addSourcesPass(double dt) {
    const GlStageClock clock(*this, Stage::Sources);
    runPass(mAddSourcesProgram, {&mUserSources, &mFields, &mCurls, &mNormCurlGrads}, mNewFields.attachment, float(dt));
    const char* format = "%s: mFields.{tex, attachment} = {%u, %u}, mNewFields.{tex, attachment} = {%u, %u}\n";
    if (tracing())
        std::printf(format, "before", mFields.tex.name(), mFields.attachment, mNewFields.tex.name(),
                    mNewFields.attachment);
    swapFields();
    if (tracing())
        std::printf(format, "after", mFields.tex.name(), mFields.attachment, mNewFields.tex.name(),
                    mNewFields.attachment);
}

void GPUSim::diffusePass(double dt, int iterations) {
    const GlStageClock clock(*this, Stage::Diffusion);
    solve(mDiffuseProgram, mNewFields, float(dt), iterations);
    swapFields();
}

void GPUSim::projectPass(double dt) {
    const GlStageClock clock(*this, Stage::Projection);
    const float t = float(dt);
    if (mMultigrid) {
        convergedProjectPass(t);
        return;
    }
    solve(mDecompProgram, mHeights, t, SOLVER_SWEEPS);
    runPass(mProjectProgram, {&mFields, &mHeights}, mNewFields.attachment, t);
    swapFields();
}

void GPUSim::projectOnce() {
    projectPass(0.0);
    readFields(mFields);
}

void GPUSim::advectPass(double dt) {
    const GlStageClock clock(*this, Stage::Advection);
    runPass(mAdvectProgram, {&mFields}, mNewFields.attachment, float(dt));
    swapFields();
}

// ---- drawing ---------------------------------------------------------------

// The quad is the world square widened by one cell on every side, so each texel
// covers one cell's world square and the border texels fall outside the world.
void GPUSim::draw(int32_t) {
    glBindTexture(GL_TEXTURE_2D, mFields.tex.name());
    glUseProgramObjectARB(mRenderProgram.name());
    const float left = -1.0f / float(resI);
    const float bottom = -1.0f / float(resJ);
    drawTexturedQuad(left, bottom, 1.0f - left, 1.0f - bottom);
    glUseProgramObjectARB(0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// ---- what the solver needs ------------------------------------------------

std::vector<std::string> missingGpuExtensions() {
    const std::pair<const char*, bool> required[] = {
        {"EXT_framebuffer_object", GLEW_EXT_framebuffer_object},
        {"ARB_shader_objects", GLEW_ARB_shader_objects},
        {"ARB_vertex_shader", GLEW_ARB_vertex_shader},
        {"ARB_fragment_shader", GLEW_ARB_fragment_shader},
        {"ARB_shading_language_100", GLEW_ARB_shading_language_100},
        {"ARB_texture_non_power_of_two", GLEW_ARB_texture_non_power_of_two},
        {"ARB_texture_float", GLEW_ARB_texture_float},
        {"ARB_draw_buffers", GLEW_ARB_draw_buffers},
        {"ARB_multitexture", GLEW_ARB_multitexture},
    };
    std::vector<std::string> missing;
    for (const auto& [name, present] : required)
        if (!present) missing.emplace_back(name);
    return missing;
}
