// smoke-render as a person runs it: files, the lines it prints, what it refuses.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "RenderFolder.h"
#include "tools/render/Image.h"
#include "scenario/Scenario.h"

namespace {

const char* const STIR_AND_POUR =
    "grid 30 22\ndt 0.05\nstroke 0.2 0.2 0.8 0.6\npour 0.3 0.25 8\npicture early\nrun 12\npicture\n";

using Program = RenderFolder;

TEST_F(Program, SoftwareRunsWriteByteIdenticalFilesEveryTime) {
    const std::string file = scenario("stir.txt", STIR_AND_POUR);
    const std::vector<std::string> options{"--size", "90x70", "--velocity", "--strokes", file};
    std::vector<std::string> first = options, second = options;
    first.insert(first.begin(), {"--out", path("one")});
    second.insert(second.begin(), {"--out", path("two")});
    const ProgramResult a = render(first);
    const ProgramResult b = render(second);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    ASSERT_EQ(b.exitCode, 0) << b.err;

    const std::set<std::string> expected{"early.png", "picture-2.png"};
    EXPECT_EQ(filesIn("one"), expected);
    EXPECT_EQ(filesIn("two"), expected);
    for (const std::string& name : expected)
        EXPECT_EQ(fileText(dir / "one" / name), fileText(dir / "two" / name)) << name << " differs between two runs";
    EXPECT_EQ(linesOf(a.out), (std::vector<std::string>{"wrote " + path("one") + "/early.png",
                                                        "wrote " + path("one") + "/picture-2.png"}));
    const Image picture = readPng(path("one/early.png"));
    EXPECT_EQ(picture.width, 90);
    EXPECT_EQ(picture.height, 70);
}

TEST_F(Program, EveryNStepsWritesANumberedFrameSequence) {
    const std::string file = scenario("frames.txt", "grid 9 7\npour 0.5 0.5 4\nrun 3\npicture end\n");
    const ProgramResult r = render({"--every", "3", "--size", "18", "--out", path("out"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(filesIn("out"), (std::set<std::string>{"frame-00001.png", "frame-00002.png", "end.png"}));
    const std::string out = path("out");
    EXPECT_EQ(linesOf(r.out),
              (std::vector<std::string>{"wrote " + out + "/frame-00001.png", "wrote " + out + "/frame-00002.png",
                                        "wrote " + out + "/end.png"}));
    // Frame 2 is taken after step 6, the end after step 7: the pour has moved on.
    EXPECT_NE(readPng(path("out/frame-00001.png")).rgb, readPng(path("out/frame-00002.png")).rgb);
}

// Status 2, the reason on standard error, nothing on standard output and no file.
TEST_F(Program, MistakesAreRefusedBeforeAnythingIsWritten) {
    const std::string bad = scenario("bad.txt", "grid 16\npour 0.5 0.5 3\nrun three\npicture\n");
    const std::string quiet = scenario("quiet.txt", "grid 8\nrun 4\n");
    const std::string ok = scenario("ok.txt", "grid 4\npicture\n");
    const std::string huge = scenario("huge.txt", "picture\n");
    std::filesystem::resize_file(huge, MAX_SCENARIO_BYTES + 1);
    const std::string recorded = scenario("recorded.txt", "grid 6\nstep 0.05 3 3\npicture\n");
    const std::string endless = scenario("endless.txt", "grid 4096\nrun 1000000\npicture\n");
    std::string steps = "grid 1\nsolver gpu\n";  // a tiny grid, but the shader solver's steps cost the same
    for (int k = 0; k < 3000; ++k) steps += "run 1000000\n";
    const std::string manySteps = scenario("many-steps.txt", steps + "picture\n");
    const std::string usage = "Usage: smoke-render";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{bad}, bad + ":3: expected 'run STEPS'"},
        {{quiet}, "nothing to write"},
        {{"--every", "5", quiet}, "nothing to write"},
        {{ok + ".missing"}, "cannot read " + ok + ".missing: No such file or directory"},
        {{dir.string()}, "cannot read " + dir.string() + ": it is a folder"},
        {{"/dev/zero"}, "cannot read /dev/zero: not a regular file"},
        {{huge}, "cannot read " + huge + ": larger than 256 MiB"},
        {{"--grid", "8", recorded}, recorded + ":2: names cells of the scenario's 6 by 6 grid"},
        {{"--grid", "4000x3", ok}, "refused: a 4000 by 3 grid has cells 1333 times as tall as wide"},
        {{endless}, "refused: 1000000 steps of a 4096 by 4096 grid on the software solver would take some 4.85 days"},
        {{manySteps}, "refused: 3000000000 steps of a 1 by 1 grid on the shader solver would take some 3.47 days"},
        {{}, usage},
        {{"--grid", "12x", ok}, usage},
        {{"--grid=4095x1", "--solver", "gpu", ok}, "(4094 a side)"},
    };
    for (const auto& [args, reason] : cases) {
        std::vector<std::string> withOut{"--out", path("out")};
        withOut.insert(withOut.end(), args.begin(), args.end());
        const ProgramResult r = render(withOut);
        const std::string shown = args.empty() ? "no scenario" : args[0];
        EXPECT_EQ(r.exitCode, 2) << shown;
        EXPECT_NE(r.err.find(reason), std::string::npos) << shown << ": " << r.err;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_TRUE(filesIn("out").empty()) << shown;
    }
    // Known before the run, in words, not at its first picture.
    const std::string file = scenario("afile", "");
    for (const std::string& out : {file, file + "/sub"}) {
        const ProgramResult r = render({"--out", out, ok});
        EXPECT_EQ(r.exitCode, 2) << out;
        EXPECT_NE(r.err.find("--out " + out + ": " + file + " is a file, not a folder\n"), std::string::npos) << r.err;
    }
    // A film as well: the scenario's picture still goes into that folder.
    EXPECT_EQ(render({"--out", file, "--video", path("ok.gif"), ok}).exitCode, 2);
}

// The child of `parent` that runs `command` (by its process name), or 0.
pid_t childRunning(pid_t parent, const std::string& command) {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state;
        pid_t ppid = 0;
        if (stat >> pid >> name >> state >> ppid && ppid == parent && name == "(" + command + ")")
            return pid_t(std::stol(pid));
    }
    return 0;
}

// Gone, or a zombie that only waits for its new parent to collect it.
bool ended(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string number, name, state;
    return !(stat >> number >> name >> state) || state == "Z";
}

bool within(std::chrono::seconds limit, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return condition();
}

// Ctrl-C, kill and a closed terminal end the program as such signals do (the shell
// reports 128 + the signal) and take the private X server it started with it.
TEST_F(Program, ASignalThatEndsTheProgramEndsItsVirtualDisplayToo) {
    const std::string file = scenario("long.txt", "grid 32\nrun 1000000\n");
    const char* display = std::getenv("DISPLAY");
    const std::string ownDisplay = display ? display : "";
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        unsetenv("DISPLAY");
        std::filesystem::remove_all(path("out"));
        const pid_t pid = start({"--every", "1", "--size", "8", "--out", path("out"), file});
        if (!ownDisplay.empty()) setenv("DISPLAY", ownDisplay.c_str(), 1);
        // A frame written shows the display in use; earlier, Xvfb may still be starting.
        EXPECT_TRUE(
            within(std::chrono::seconds(60), [&] { return std::filesystem::exists(path("out/frame-00001.png")); }));
        const pid_t xvfb = childRunning(pid, "Xvfb");
        EXPECT_NE(xvfb, 0);
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal << ", status " << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        if (xvfb == 0) continue;
        const bool gone = within(std::chrono::seconds(60), [&] { return ended(xvfb); });
        EXPECT_TRUE(gone) << "Xvfb outlived signal " << signal;
        if (!gone) kill(xvfb, SIGTERM);
    }
}

// The environment of the run to come, put back as it was once the test's scope ends.
struct Environment {
    std::string path = std::getenv("PATH"), display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    ~Environment() {
        setenv("PATH", path.c_str(), 1);
        if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
    }
};

// Xvfb complains of every display number other servers hold, even when it starts.
TEST_F(Program, ThePrivateDisplaysMessagesAreShownOnlyWhenItFailsToStart) {
    const std::string file = scenario("tiny.txt", "grid 4\npicture\n");
    const std::string noise = "_XSERVTransSocketUNIXCreateListener: ...SocketCreateListener() failed";
    const std::filesystem::path fake = dir / "bin" / "Xvfb";
    std::filesystem::create_directories(fake.parent_path());
    Environment environment;
    for (const bool starts : {true, false}) {
        std::ofstream(fake) << "#!/bin/sh\necho '" << noise << "' >&2\n"
                            << (starts ? "PATH='" + environment.path + "' exec Xvfb \"$@\"\n" : "exit 1\n");
        std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
        unsetenv("DISPLAY");
        setenv("PATH", (fake.parent_path().string() + ":" + environment.path).c_str(), 1);
        const ProgramResult r = render({"--size", "8", "--out", path("out"), file});
        EXPECT_EQ(r.exitCode, starts ? 0 : 1) << r.err;
        EXPECT_EQ(r.err.find(noise) != std::string::npos, !starts) << r.err;
    }
}

// A fixed team of six has five workers beside the main thread, a team of one none.
TEST_F(Program, ThreadsOptionReachesTheSoftwareSolver) {
    const std::string file = scenario("wide.txt", "grid 300 200\npicture\nrun 1000000\n");
    std::vector<int> threads;
    for (const char* count : {"1", "6"}) {
        std::filesystem::remove_all(path("out"));
        const pid_t pid = start({"--threads", count, "--size", "8", "--out", path("out"), file});
        EXPECT_TRUE(
            within(std::chrono::seconds(60), [&] { return std::filesystem::exists(path("out/picture-1.png")); }));
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("Threads:", 0) == 0) threads.push_back(std::stoi(line.substr(8)));
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    ASSERT_EQ(threads.size(), 2u);
    EXPECT_EQ(threads[1] - threads[0], 5);
}

TEST_F(Program, GridOnTheCommandLineReplacesTheScenarios) {
    // The same positions at two grid sizes: the pour lands in the same place.
    const std::string file = scenario("grid.txt", "grid 10\npour 0.25 0.75 3\npicture\n");
    const ProgramResult r = render({"--grid", "40x30", "--out", path("fine"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Image fine = readPng(path("fine/picture-1.png"));
    EXPECT_EQ(fine.width, 800) << "not the window's size";
    EXPECT_EQ(fine.height, 800) << "not the window's size";
    EXPECT_GT(fine.pixel(200, 200)[0], 100);  // world (0.25, 0.75)
    EXPECT_EQ(fine.pixel(600, 600)[0], 0);
}

TEST_F(Program, UnavailableShaderSolverIsReportedNotSkippedSilently) {
    const std::string file = scenario("gpu.txt", "grid 8\nsolver gpu\nrun 1\npicture\n");
    // Mesa hides one extension the shader solver needs.
    setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_texture_float", 1);
    const ProgramResult r = render({"--out", path("out"), file});
    unsetenv("MESA_EXTENSION_OVERRIDE");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("shader solver is not available"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("out")));
}

}  // namespace
