#pragma once
// The shader solver: the whole grid lives in float textures on the graphics
// processor, and every solver stage is a chain of full-texture fragment passes.

#include <GL/glew.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "gl/GlObjects.h"
#include "sim/FluidSim2D.h"
#include "sim/ProjectionMode.h"
#include "sim/SolverConstants.h"
#include "sim/StageTimes.h"

// Why this GL cannot run the shader solver: a program that does not build, a grid
// larger than its textures, a framebuffer it cannot render into.
class GPUSimUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A texture and the colour attachment point of the solver's framebuffer where it
// stays for its whole life (0 for a texture that is never attached). It owns the
// texture, so exchanging two of them moves roles, never a copy of a name.
struct TexAttachment {
    GlTexture tex;
    uint32_t attachment = 0;
};

// A built program and the location of the one uniform a pass sets, found at link
// time; the samplers and grid sizes never change after it and are set then.
struct PassProgram {
    GlProgram program;
    GLint dt = -1;
    GLhandleARB name() const { return program.name(); }
};

struct ShaderMultigrid;

// The first folder of these that exists: "shaders" beside the given executable (the
// build folder has one), "../share/smoke/shaders" relative to it (where an
// installation puts them), and "shaders" below the current directory. Throws
// GPUSimUnavailable naming all three when none does.
std::string shaderDirectoryFor(const std::string& executablePath);
// The same for the running executable.
std::string shaderDirectory();

class GPUSim : public FluidSim2D {
public:
    // Needs a current GL context with framebuffer objects, float textures, draw
    // buffers and shader objects. Prints every program's log and uniform count (the
    // converged projection's programs are built quietly, their log printed only when
    // they fail). When the solver cannot run here it releases all it acquired and
    // throws GPUSimUnavailable.
    GPUSim(uint32_t resI, uint32_t resJ, const std::string& shaderDir = shaderDirectory(),
           ProjectionMode projection = ProjectionMode::FixedSweeps);
    ~GPUSim() override;

    void draw(int32_t arg) override;
    Vec2 getVelocity(uint32_t i, uint32_t j) override;
    float getDensity(uint32_t i, uint32_t j) override;
    uint32_t index(uint32_t i, uint32_t j) override;
    void addDensity(uint32_t i, uint32_t j, float amount) override;
    void addVelocity(uint32_t i, uint32_t j, float du, float dv) override;
    void reset() override;
    void applyVorticity(double dt) override;
    void step(double dt) override;
    void clearSources() override;
    // The mask lives in the blue channel of the fields textures, which every pass
    // that writes the fields keeps: 1 in a solid cell, whose other channels are zero.
    void setSolids(const SolidCells& solids) override;

    // For timing the passes alone. Without the readback the accessors keep the
    // state of the last step that read back.
    void setReadbackEnabled(bool enabled) { mReadbackEnabled = enabled; }
    // One projection of the velocity as it stands (a step runs two), read back.
    void projectOnce();
    // Passes run by the last applyVorticity and the last step together.
    int lastPassCount() const { return mVorticityPasses + mStepPasses; }
    // Whether this GL can time the passes on its own clock (timer queries).
    static bool canTimeStages() { return GLEW_ARB_timer_query; }
    // Adds the GL's time for each pass group (sources, diffusion, projection,
    // advection, body forces) and for the readback to `times`, at the end of every
    // step from now on; null stops timing. Without timer queries it times nothing.
    void setStageTimes(StageTimes* times);

protected:
    // A float texture of width by height texels, its texels undefined.
    GlTexture createFieldTexture(GLsizei textureWidth, GLsizei textureHeight);
    void createFramebuffer();
    void clearAttachment(uint32_t attachment);
    void swapFields();

    void loadShaders(const std::string& shaderDir);
    GlShader loadFragmentShader(const std::string& path);
    GlProgram buildProgram(const GlShader& shader);
    void printProgramInfo(GLhandleARB program);

    void doPass(const PassProgram& program, uint32_t attachment, float dt);
    void addSourcesPass(double dt);
    void diffusePass(double dt, int iterations = SOLVER_SWEEPS);
    void projectPass(double dt);
    void advectPass(double dt);
    void onRetrieve();

    GlFramebuffer mFramebuffer;
    std::vector<float> mFieldValues;
    TexAttachment mFields;
    TexAttachment mNewFields;
    std::vector<float> mUserSourceValues;
    TexAttachment mUserSources;
    TexAttachment mCurls;
    TexAttachment mNormCurlGrads;
    TexAttachment mHeights;
    // The second iterate of the diffusion and height solves, so that no iteration
    // samples the texture it renders into.
    TexAttachment mIterate;

    GlShader mVorticityShader;
    GlShader mNormCurlGradShader;
    GlShader mAddSourcesShader;
    GlShader mDiffuseShader;
    GlShader mDecompShader;
    GlShader mProjectShader;
    GlShader mAdvectShader;
    GlShader mDissipateShader;
    PassProgram mVorticityProgram;
    PassProgram mNormCurlGradProgram;
    PassProgram mAddSourcesProgram;
    PassProgram mDiffuseProgram;
    PassProgram mDecompProgram;
    PassProgram mProjectProgram;
    PassProgram mAdvectProgram;
    PassProgram mDissipateProgram;
    GlShader mRenderShader;
    PassProgram mRenderProgram;

private:
    class GlStageClock;

    struct ProgramSlot {
        const char* file;
        GlShader GPUSim::*shader;
        PassProgram GPUSim::*program;
        // Its samplers, in the order of the texture units its passes bind their inputs to.
        std::array<const char*, 4> samplers;
    };

    static const std::array<ProgramSlot, 9>& programSlots();
    void requireCapacity();
    void releasePrograms();
    void setLinkTimeUniforms(PassProgram& program, const std::array<const char*, 4>& samplers);
    void clearAttachments(GLuint framebuffer, GLsizei targetWidth, GLsizei targetHeight, const GLenum* attachments,
                          int count);
    void runPass(const PassProgram& program, std::initializer_list<const TexAttachment*> inputs, uint32_t attachment,
                 float dt);
    void solve(const PassProgram& program, const TexAttachment& target, float dt, int iterations);
    void defineTexture(GLuint tex, const float* texels);
    void uploadUserSources();
    void readFields(const TexAttachment& fields);
    void markSolids();
    void bodyForcePasses(float dt);
    void collectStageTimes();
    bool tracing() const { return stepCount < STEP_LOG_LIMIT; }
    uint32_t traceIndex();
    GLsizei width() const { return GLsizei(resI + 2); }
    GLsizei height() const { return GLsizei(resJ + 2); }

    // The converged projection (gpu/GPUSimMultigrid.cpp).
    void createMultigrid(const std::string& shaderDir);
    void loadMultigridShaders(const std::string& shaderDir);
    void convergedProjectPass(float dt);

    int mMaxDrawBuffers = 1;
    bool mReadbackEnabled = true;
    int mPassesRun = 0;
    int mVorticityPasses = 0;
    int mStepPasses = 0;
    StageTimes* mStageTimes = nullptr;
    // Timer queries issued and not read yet (read once a step, so that waiting for
    // them does not hold up the passes), and those read and free again.
    std::vector<std::pair<Stage, GlQuery>> mPendingQueries;
    std::vector<GlQuery> mSpareQueries;
    std::unique_ptr<ShaderMultigrid> mMultigrid;  // only with the converged projection
};

// The names (without the GL_ prefix), in a fixed order, of the extensions the shader
// solver needs that the current GL lacks, as GLEW reports them. Empty: it can run.
std::vector<std::string> missingGpuExtensions();
