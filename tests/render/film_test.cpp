// smoke-render --video: films that players read frame for frame, refusals before
// anything runs, and nothing under the film's name after an interrupted run.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <thread>

#include "RenderFolder.h"
#include "tools/render/Image.h"

namespace {

using Film = RenderFolder;

// 17 steps, and no picture of its own.
const char* const POUR_AND_RISE = "grid 24 16\npour 0.3 0.3 9\nrun 8\n";

// What ffprobe says of the film's video stream: "codec,width,height,colour range and
// matrix,rate,frames".
std::string probe(const std::string& film) {
    const std::string command =
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=codec_name,width,height,color_range,color_space,nb_read_frames,r_frame_rate "
        "-of csv=p=0 '" +
        film + "'";
    std::string text;
    if (FILE* out = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, out)) text += buffer;
        pclose(out);
    }
    return text.empty() ? text : text.substr(0, text.find('\n'));
}

TEST_F(Film, EachFormatHoldsEveryFrameAtThePictureSizeAndRate) {
    const std::string file = scenario("rise.txt", POUR_AND_RISE);
    struct Case {
        std::vector<std::string> options;
        std::string name, probed;
    };
    const std::vector<Case> cases{
        {{}, "rise.mp4", "h264,96,64,tv,bt709,25/1,17"},
        {{"--every", "2", "--fps", "1"}, "rise.webm", "vp9,96,64,tv,bt709,1/1,8"},
        {{"--every", "3", "--fps", "50"}, "rise.GIF", "gif,96,64,unknown,unknown,50/1,5"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--size", "96x64", "--video", path(c.name), file};
        args.insert(args.begin(), c.options.begin(), c.options.end());
        const ProgramResult r = render(args);
        ASSERT_EQ(r.exitCode, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "wrote " + path(c.name) + "\n");
        EXPECT_EQ(probe(path(c.name)), c.probed);
    }
    EXPECT_EQ(filesIn("."), (std::set<std::string>{"rise.txt", "rise.mp4", "rise.webm", "rise.GIF"}));
}

// A GIF's frames have palettes of their own: each is the picture of its step, exactly.
// An H.264 frame is its step's picture up to the encoder's loss; a frame read from the
// picture's rows at another stride would be sheared.
TEST_F(Film, FramesAreThePicturesOfTheirSteps) {
    const std::string file = scenario("rise.txt", POUR_AND_RISE);
    ASSERT_EQ(render({"--size", "40x30", "--every", "4", "--velocity", "--out", path("png"), file}).exitCode, 0);
    const Image picture = readPng(path("png/frame-00003.png"));
    auto thirdFrameOf = [&](const std::string& name) {
        EXPECT_EQ(render({"--size", "40x30", "--every", "4", "--velocity", "--video", path(name), file}).exitCode, 0);
        const std::string third = path(name + ".png");
        const std::string command =
            "ffmpeg -v error -i '" + path(name) + "' -vf 'select=eq(n\\,2)' -vframes 1 '" + third + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return readPng(third);
    };
    EXPECT_EQ(thirdFrameOf("rise.gif").rgb, picture.rgb);
    const Image decoded = thirdFrameOf("rise.mp4");
    ASSERT_EQ(decoded.rgb.size(), picture.rgb.size());
    double difference = 0.0;
    for (size_t k = 0; k < picture.rgb.size(); ++k) difference += std::abs(int(decoded.rgb[k]) - int(picture.rgb[k]));
    EXPECT_LT(difference / double(picture.rgb.size()), 6.0);
}

TEST_F(Film, WhatCannotBeFilmedIsRefusedBeforeAnythingRuns) {
    const std::string file = scenario("rise.txt", POUR_AND_RISE);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--video", path("rise.avi")}, "--video: expects a name ending in .mp4, .webm or .gif"},
        {{"--video", path("rise.mp4"), "--size", "95x64"}, "width and height must be even, not 95x64"},
        {{"--video", path("rise.gif"), "--fps", "51"}, "a GIF plays at most 50 frames a second"},
        {{"--video", path("rise.webm"), "--solver", "both"}, "a film shows one solver"},
        {{"--video", path("rise.mp4"), "--every", "18"}, "nothing to write"},
    };
    for (const auto& [options, reason] : cases) {
        std::vector<std::string> args = options;
        args.push_back(file);
        const ProgramResult r = render(args);
        EXPECT_EQ(r.exitCode, 2) << options[1];
        EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
        EXPECT_EQ(filesIn("."), std::set<std::string>{"rise.txt"}) << options[1];
    }
}

TEST_F(Film, AnInterruptedRunLeavesNeitherTheFilmNorItsPart) {
    const std::string file = scenario("long.txt", "grid 16\nrun 1000000\n");
    const std::string film = path("long.mp4");
    const pid_t pid = start({"--size", "32", "--video", film, file});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(film + ".part") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(std::filesystem::exists(film + ".part"));
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_FALSE(std::filesystem::exists(film));
    EXPECT_FALSE(std::filesystem::exists(film + ".part"));
}

}  // namespace
