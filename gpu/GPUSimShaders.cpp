// Reading, building, reporting and releasing the solver's nine shader programs.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "gpu/GPUSim.h"
#include "gpu/ShaderMultigrid.h"

namespace {

using FileHandle = std::unique_ptr<FILE, int (*)(FILE*)>;

// The whole file, byte for byte; nothing for a file that cannot be read.
std::vector<char> readWholeFile(const std::string& path) {
    FileHandle file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return {};
    const long length = std::ftell(file.get());
    if (length <= 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return {};
    std::vector<char> text(static_cast<size_t>(length));
    text.resize(std::fread(text.data(), 1, text.size(), file.get()));
    return text;
}

bool readable(const std::string& path) { return FileHandle(std::fopen(path.c_str(), "rb"), std::fclose) != nullptr; }

// The info log of a shader or program object; empty when the GL has nothing to say.
std::string infoLog(GLhandleARB object) {
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1) return {};
    std::vector<char> log(size_t(length), '\0');
    glGetInfoLogARB(object, length, nullptr, log.data());
    return std::string(log.data());
}

bool succeeded(GLhandleARB object, GLenum status) {
    GLint value = 0;
    glGetObjectParameterivARB(object, status, &value);
    return value != 0;
}

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// What keeps one program from running, or nothing when it built.
std::string buildFailure(const std::string& path, const GlShader& shader, const GlProgram& program) {
    if (!succeeded(shader.name(), GL_OBJECT_COMPILE_STATUS_ARB))
        return path + " does not compile: " + firstLine(infoLog(shader.name()));
    if (!succeeded(program.name(), GL_OBJECT_LINK_STATUS_ARB))
        return path + " does not link: " + firstLine(infoLog(program.name()));
    return {};
}

}  // namespace

std::string shaderDirectoryFor(const std::string& executablePath) {
    const std::filesystem::path beside = std::filesystem::path(executablePath).parent_path();
    // The program's own shaders before any in the current directory, which an installed
    // program started in some project's folder must not pick up.
    const std::string candidates[] = {(beside / "shaders").string(),
                                      (beside / ".." / "share" / "smoke" / "shaders").lexically_normal().string(),
                                      "shaders"};
    std::string searched;
    for (const std::string& folder : candidates) {
        std::error_code ignored;
        if (std::filesystem::is_directory(folder, ignored)) return folder;
        searched += (searched.empty() ? "" : ", ") + folder;
    }
    throw GPUSimUnavailable("no shader folder found (looked in " + searched + ")");
}

std::string shaderDirectory() {
    std::error_code failed;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", failed);
    return shaderDirectoryFor(failed ? std::string() : executable.string());
}

const std::array<GPUSim::ProgramSlot, 9>& GPUSim::programSlots() {
    static const std::array<ProgramSlot, 9> slots{{
        {"vorticity.frag", &GPUSim::mVorticityShader, &GPUSim::mVorticityProgram, {"fields"}},
        {"normCurlGrad.frag", &GPUSim::mNormCurlGradShader, &GPUSim::mNormCurlGradProgram, {"curls"}},
        {"addSources.frag",
         &GPUSim::mAddSourcesShader,
         &GPUSim::mAddSourcesProgram,
         {"userSources", "fields", "curls", "normCurlGrads"}},
        {"diffuse.frag", &GPUSim::mDiffuseShader, &GPUSim::mDiffuseProgram, {"fields", "newFields"}},
        {"decomp.frag", &GPUSim::mDecompShader, &GPUSim::mDecompProgram, {"fields", "heights"}},
        {"project.frag", &GPUSim::mProjectShader, &GPUSim::mProjectProgram, {"fields", "heights"}},
        {"advect.frag", &GPUSim::mAdvectShader, &GPUSim::mAdvectProgram, {"fields"}},
        {"dissipate.frag", &GPUSim::mDissipateShader, &GPUSim::mDissipateProgram, {}},
        {"render.frag", &GPUSim::mRenderShader, &GPUSim::mRenderProgram, {"fields"}},
    }};
    return slots;
}

// Builds all nine programs, reporting each, before refusing to run with any that
// failed: the logs of every broken file are on the console when the refusal comes.
// A file that cannot be read is refused before any program is built, so no log
// speaks of a program that never had a source.
void GPUSim::loadShaders(const std::string& shaderDir) {
    for (const ProgramSlot& slot : programSlots()) {
        const std::string path = shaderDir + "/" + slot.file;
        if (!readable(path)) throw GPUSimUnavailable("cannot read " + path);
    }
    std::string failure;
    for (const ProgramSlot& slot : programSlots()) {
        const std::string path = shaderDir + "/" + slot.file;
        this->*slot.shader = loadFragmentShader(path);
        (this->*slot.program).program = buildProgram(this->*slot.shader);
        if (failure.empty()) failure = buildFailure(path, this->*slot.shader, (this->*slot.program).program);
    }
    if (!failure.empty()) throw GPUSimUnavailable(failure);
    for (const ProgramSlot& slot : programSlots()) setLinkTimeUniforms(this->*slot.program, slot.samplers);
}

// Every uniform but the step length holds for the solver's life: each sampler reads
// its texture unit, and the texel and grid sizes are this grid's. A program without
// one of them gets location -1, which the GL ignores.
void GPUSim::setLinkTimeUniforms(PassProgram& program, const std::array<const char*, 4>& samplers) {
    const GLhandleARB name = program.name();
    glUseProgramObjectARB(name);
    for (GLint unit = 0; unit < GLint(samplers.size()) && samplers[unit] != nullptr; ++unit)
        glUniform1iARB(glGetUniformLocationARB(name, samplers[unit]), unit);
    glUniform1fARB(glGetUniformLocationARB(name, "dx"), 1.0f / float(resI + 2));
    glUniform1fARB(glGetUniformLocationARB(name, "dy"), 1.0f / float(resJ + 2));
    glUniform1iARB(glGetUniformLocationARB(name, "resI"), GLint(resI));
    glUniform1iARB(glGetUniformLocationARB(name, "resJ"), GLint(resJ));
    program.dt = glGetUniformLocationARB(name, "dt");
    glUseProgramObjectARB(0);
}

// A file that cannot be read gives an empty source, which fails to link.
GlShader GPUSim::loadFragmentShader(const std::string& path) {
    GlShader shader(glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB));
    const std::vector<char> text = readWholeFile(path);
    static const GLcharARB nothing = '\0';
    const GLcharARB* source = text.empty() ? &nothing : text.data();
    const GLint length = GLint(text.size());
    glShaderSourceARB(shader.name(), 1, &source, &length);
    glCompileShaderARB(shader.name());
    return shader;
}

const std::array<MultigridProgramFile, 6>& multigridProgramFiles() {
    static const std::array<MultigridProgramFile, 6> files{{
        {"mgDivergence.frag", {"fields"}},
        {"mgRelax.frag", {"iterate", "rhs", "fields"}},
        {"mgResidual.frag", {"iterate", "rhs", "fields"}},
        {"mgRestrict.frag", {"residual"}},
        {"mgProlong.frag", {"iterate", "coarse", "fields"}},
        {"mgLargest.frag", {"values"}},
    }};
    return files;
}

// The converged projection's programs, built without a word unless one fails: then
// its log is printed and the solver refuses to run, naming the file.
void GPUSim::loadMultigridShaders(const std::string& shaderDir) {
    const auto& files = multigridProgramFiles();
    for (const MultigridProgramFile& file : files)
        if (!readable(shaderDir + "/" + file.file))
            throw GPUSimUnavailable("cannot read " + shaderDir + "/" + file.file);
    for (size_t k = 0; k < files.size(); ++k) {
        const std::string path = shaderDir + "/" + files[k].file;
        GlShader& shader = mMultigrid->shaders[k];
        GlProgram& program = mMultigrid->programs[k];
        shader = loadFragmentShader(path);
        program = GlProgram(glCreateProgramObjectARB());
        glAttachObjectARB(program.name(), shader.name());
        glLinkProgramARB(program.name());
        const std::string failure = buildFailure(path, shader, program);
        if (!failure.empty()) {
            for (const std::string& log : {infoLog(shader.name()), infoLog(program.name())})
                if (!log.empty()) std::printf("%s\n", log.c_str());
            throw GPUSimUnavailable(failure);
        }
        glUseProgramObjectARB(program.name());
        for (GLint unit = 0; unit < GLint(files[k].samplers.size()) && files[k].samplers[unit]; ++unit)
            glUniform1iARB(glGetUniformLocationARB(program.name(), files[k].samplers[unit]), unit);
        glUseProgramObjectARB(0);
    }
}

GlProgram GPUSim::buildProgram(const GlShader& shader) {
    GlProgram program(glCreateProgramObjectARB());
    glAttachObjectARB(program.name(), shader.name());
    glLinkProgramARB(program.name());
    printProgramInfo(program.name());
    return program;
}

void GPUSim::printProgramInfo(GLhandleARB program) {
    const std::string log = infoLog(program);
    if (!log.empty()) std::printf("%s\n", log.c_str());
    GLint uniforms = 0;
    glGetObjectParameterivARB(program, GL_OBJECT_ACTIVE_UNIFORMS_ARB, &uniforms);
    std::printf("Max uniforms: %d\n", uniforms);
}

void GPUSim::releasePrograms() {
    for (const ProgramSlot& slot : programSlots())
        glDetachObjectARB((this->*slot.program).name(), (this->*slot.shader).name());
    for (const ProgramSlot& slot : programSlots()) (this->*slot.program).program.reset();
    for (const ProgramSlot& slot : programSlots()) (this->*slot.shader).reset();
}
