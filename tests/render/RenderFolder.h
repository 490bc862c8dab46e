#pragma once
// A scratch folder per test for scenario files and the pictures rendered from them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "RunProgram.h"

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

    // smoke-render with these arguments, run from the source tree (where data files live).
    ProgramResult render(const std::vector<std::string>& args) {
        return runProgram(SMOKE_RENDER_PATH, args, SMOKE_SOURCE_DIR, dir);
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
