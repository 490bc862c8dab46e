#pragma once
// A scratch folder per test for scenario files and the pictures rendered from
// them, and smoke-render run in it to its end (waited for by its pid).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out, err;
};

inline std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class RenderFolder : public testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("smoke-render-test-" + std::to_string(getpid()) + "-" + info->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        if (!HasFailure()) std::filesystem::remove_all(dir);
    }

    std::string scenario(const std::string& name, const std::string& text) {
        const std::filesystem::path file = dir / name;
        std::ofstream(file) << text;
        return file.string();
    }

    // smoke-render started with these arguments, run from the source tree (where data
    // files live), its output going to files in the folder.
    pid_t start(const std::vector<std::string>& args) {
        const std::string program = SMOKE_RENDER_PATH;
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            const int out = open((dir / "stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open((dir / "stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(SMOKE_SOURCE_DIR) != 0) _exit(126);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        return pid;
    }

    // smoke-render run to its end.
    ProgramResult render(const std::vector<std::string>& args) {
        const pid_t pid = start(args);
        ProgramResult result;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        result.out = fileText(dir / "stdout.txt");
        result.err = fileText(dir / "stderr.txt");
        for (const char* name : {"stdout.txt", "stderr.txt"}) std::filesystem::remove(dir / name);
        return result;
    }

    std::set<std::string> filesIn(const std::string& folder) {
        std::set<std::string> names;
        if (!std::filesystem::exists(dir / folder)) return names;
        for (const auto& e : std::filesystem::directory_iterator(dir / folder))
            names.insert(e.path().filename().string());
        return names;
    }

    std::string path(const std::string& relative) { return (dir / relative).string(); }
};

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}
