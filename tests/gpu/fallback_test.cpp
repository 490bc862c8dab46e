// When the shader solver cannot run, the program says why in one line and runs
// the software solver instead of showing an empty window.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/gpu/support/GpuProbe.h"

namespace {

namespace fs = std::filesystem;

const char* const SHADER_FILES[] = {"vorticity.frag", "normCurlGrad.frag", "addSources.frag",
                                    "diffuse.frag",   "decomp.frag",       "project.frag",
                                    "advect.frag",    "dissipate.frag",    "render.frag"};

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh directory, removed with everything in it when the test ends.
struct TempDir {
    TempDir() {
        char name[] = "/tmp/smoke-gpu-test-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { fs::remove_all(path); }
    fs::path path;
};

// Runs in another working directory and comes back.
struct WorkingDirectory {
    explicit WorkingDirectory(const fs::path& dir) : previous(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(previous); }
    fs::path previous;
};

// Copies the nine shaders, passing each file's text through `edit`.
template <class Edit>
void copyShaders(const fs::path& to, Edit edit) {
    for (const char* name : SHADER_FILES) {
        std::ofstream out(to / name, std::ios::binary);
        out << edit(name, contents(fs::path(SMOKE_SHADER_SOURCE_DIR) / name));
    }
}

struct Outcome {
    std::unique_ptr<FluidSim2D> sim;
    std::string console;
};

Outcome createCapturing(uint32_t resolution, const std::string* shaderDir = nullptr) {
    openTestWindow();
    testing::internal::CaptureStdout();
    Outcome o;
    o.sim = shaderDir ? createGpuSimOrFallback(resolution, *shaderDir) : createGpuSimOrFallback(resolution);
    o.console = testing::internal::GetCapturedStdout();
    return o;
}

size_t countOf(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(Fallback, MissingShadersPrintEveryLinkLogAndOneReasonThenTheSoftwareSolverRuns) {
    const std::string dir = "/nonexistent/shaders";
    const Outcome o = createCapturing(16, &dir);
    ASSERT_NE(dynamic_cast<CPUSim*>(o.sim.get()), nullptr);
    EXPECT_EQ(o.sim->resI, 16u);
    EXPECT_EQ(countOf(o.console, "Max uniforms: 0\n"), 9u);
    EXPECT_GE(countOf(o.console, "error"), 9u) << "no link log:\n" << o.console;
    EXPECT_TRUE(endsWith(o.console, "Max uniforms: 0\nShader solver unavailable: cannot read "
                                    "/nonexistent/shaders/vorticity.frag; using the software solver.\n"))
        << o.console;
}

TEST(Fallback, StartedWhereNoShadersAreBesideABinaryWithoutThemRunsTheSoftwareSolver) {
    ASSERT_FALSE(fs::exists(fs::read_symlink("/proc/self/exe").parent_path() / "shaders"));
    TempDir empty;
    WorkingDirectory inside(empty.path);
    const Outcome o = createCapturing(16);
    EXPECT_NE(dynamic_cast<CPUSim*>(o.sim.get()), nullptr);
    EXPECT_EQ(countOf(o.console, "Shader solver unavailable: cannot read "), 1u) << o.console;
}

TEST(Fallback, ShadersComeFromTheWorkingDirectoryOrElseFromBesideTheExecutable) {
    TempDir root;
    fs::create_directories(root.path / "bin" / "shaders");
    fs::create_directories(root.path / "work");
    WorkingDirectory inside(root.path / "work");
    EXPECT_EQ(shaderDirectoryFor((root.path / "bin" / "smoke").string()), (root.path / "bin" / "shaders").string());
    fs::create_directories(root.path / "work" / "shaders");
    EXPECT_EQ(shaderDirectoryFor((root.path / "bin" / "smoke").string()), "shaders");
}

TEST(Fallback, ASyntaxErrorNamesTheFileAndTheCompilerMessageAfterAllNineReports) {
    TempDir dir;
    copyShaders(dir.path, [](const std::string& name, std::string text) {
        return name == "advect.frag" ? text + "\nthis is not a shader\n" : text;
    });
    const std::string shaderDir = dir.path.string();
    const Outcome o = createCapturing(16, &shaderDir);
    EXPECT_NE(dynamic_cast<CPUSim*>(o.sim.get()), nullptr);
    EXPECT_EQ(countOf(o.console, "Max uniforms: "), 9u);
    EXPECT_EQ(countOf(o.console, "Shader solver unavailable: " + shaderDir + "/advect.frag does not compile: "), 1u)
        << o.console;
    EXPECT_TRUE(endsWith(o.console, "; using the software solver.\n"));
}

TEST(Fallback, FilesEndingWithoutANewlineStillBuild) {
    TempDir dir;
    copyShaders(dir.path, [](const std::string&, std::string text) {
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    });
    const std::string shaderDir = dir.path.string();
    const Outcome o = createCapturing(16, &shaderDir);
    EXPECT_NE(dynamic_cast<GPUSim*>(o.sim.get()), nullptr) << o.console;
}

TEST(Fallback, AGridBeyondTheTextureLimitIsRefusedBeforeAnyShaderIsBuilt) {
    openTestWindow();
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    testing::internal::CaptureStdout();
    EXPECT_THROW(GPUSim(uint32_t(limit) - 1, 1, SMOKE_SHADER_SOURCE_DIR), GPUSimUnavailable);
    EXPECT_THROW(GPUSim(3, 0xFFFFFFFFu, SMOKE_SHADER_SOURCE_DIR), GPUSimUnavailable);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    EXPECT_NO_THROW(GPUSim(uint32_t(limit) - 2, 1, SMOKE_SHADER_SOURCE_DIR));  // exactly at the limit
    testing::internal::GetCapturedStdout();
}

TEST(Fallback, TheBuildPutsTheShadersBesideItsExecutables) {
    for (const char* name : SHADER_FILES)
        EXPECT_EQ(contents(fs::path(SMOKE_BUILD_DIR) / "shaders" / name),
                  contents(fs::path(SMOKE_SHADER_SOURCE_DIR) / name))
            << name;
}

}  // namespace
