// When the shader solver cannot run, the program says why in one line and runs
// the software solver instead of showing an empty window (the reasons printed for
// missing and broken shaders are checked end to end, by tests/e2e/shader_fallback.sh).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "tests/gpu/support/GpuProbe.h"

namespace {

namespace fs = std::filesystem;

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

// An installed program keeps to its own shaders wherever it is started; the current
// directory's are the last resort.
TEST(Fallback, ShadersComeFromBesideTheExecutableOrTheShareFolderBeforeTheWorkingDirectoryAndNeedNoFinalNewline) {
    TempDir root;
    const std::string smoke = (root.path / "bin" / "smoke").string();
    fs::create_directories(root.path / "work");
    WorkingDirectory inside(root.path / "work");
    EXPECT_THROW(shaderDirectoryFor(smoke), GPUSimUnavailable);  // its message: tests/e2e/shader_fallback.sh
    fs::create_directories(root.path / "work" / "shaders");
    EXPECT_EQ(shaderDirectoryFor(smoke), "shaders");
    fs::create_directories(root.path / "share" / "smoke" / "shaders");
    EXPECT_EQ(shaderDirectoryFor(smoke), (root.path / "share" / "smoke" / "shaders").string());
    fs::create_directories(root.path / "bin" / "shaders");
    EXPECT_EQ(shaderDirectoryFor(smoke), (root.path / "bin" / "shaders").string());
    // Files that end without a newline still build.
    for (const fs::directory_entry& shader : fs::directory_iterator(SMOKE_SHADER_SOURCE_DIR)) {
        std::string text = contents(shader.path());
        while (!text.empty() && text.back() == '\n') text.pop_back();
        std::ofstream(root.path / "work" / "shaders" / shader.path().filename(), std::ios::binary) << text;
    }
    openTestWindow();
    testing::internal::CaptureStdout();
    EXPECT_NO_THROW(GPUSim(16, 16, "shaders"));
    testing::internal::GetCapturedStdout();
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

}  // namespace
