// smoke-render as a person runs it: files, the lines it prints, what it refuses.
#include <gtest/gtest.h>

#include "RenderFolder.h"
#include "tools/render/Image.h"

namespace {

const char* const STIR_AND_POUR =
    "grid 30 22\n"
    "dt 0.05\n"
    "stroke 0.2 0.2 0.8 0.6\n"
    "pour 0.3 0.25 8\n"
    "picture early\n"
    "run 12\n"
    "picture\n";

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
    for (const std::string& name : expected) {
        const std::string bytes = fileText(dir / "one" / name);
        EXPECT_GT(bytes.size(), 100u);
        EXPECT_EQ(bytes, fileText(dir / "two" / name)) << name << " differs between two runs";
    }
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
    const std::string usage = "Usage: smoke-render";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{bad}, bad + ":3: expected 'run STEPS'"},
        {{quiet}, "nothing to write"},
        {{"--every", "5", quiet}, "nothing to write"},
        {{ok + ".missing"}, ok + ".missing:0: cannot read"},
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
}

TEST_F(Program, GridOnTheCommandLineReplacesTheScenarios) {
    // The same positions at two grid sizes: the pour lands in the same place.
    const std::string file = scenario("grid.txt", "grid 10\npour 0.25 0.75 3\npicture\n");
    ASSERT_EQ(render({"--grid", "40x30", "--size", "80", "--out", path("fine"), file}).exitCode, 0);
    const Image fine = readPng(path("fine/picture-1.png"));
    const uint8_t* centre = fine.pixel(20, 20);  // world (0.25, 0.75)
    const uint8_t* far = fine.pixel(60, 60);
    EXPECT_GT(centre[0], 100);
    EXPECT_EQ(far[0], 0);
    // The largest grid the shader solver takes (a grid beyond is refused above).
    const ProgramResult edge = render({"--grid", "4094x1", "--solver=gpu", "--size", "8", "--out", path("edge"), file});
    EXPECT_EQ(edge.exitCode, 0) << edge.err;
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
