// PNG files: the pixels survive the round trip, and the bytes depend on nothing else.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <set>
#include <string>

#include "RenderFolder.h"
#include "tools/render/Image.h"
#include "tools/render/PartFile.h"

namespace {

using Png = RenderFolder;

Image gradient(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = image.pixel(x, y);
            p[0] = uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = uint8_t((x * 7 + y * 13) % 256);
        }
    return image;
}

TEST_F(Png, PixelsSurviveTheRoundTripAndTheBytesDependOnThePixelsAlone) {
    for (auto [w, h] : {std::pair{37, 5}, std::pair{3, 41}, std::pair{1, 1}}) {
        const Image original = gradient(w, h);
        writePng(path("a.png"), original);
        writePng(path("b.png"), original);
        const Image back = readPng(path("a.png"));
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, h);
        EXPECT_EQ(back.rgb, original.rgb) << w << " by " << h;
        EXPECT_EQ(fileText(dir / "a.png"), fileText(dir / "b.png")) << w << " by " << h;
    }
    const std::string tiny = fileText(dir / "a.png");
    for (const char* chunk : {"tIME", "tEXt", "zTXt", "iTXt"}) EXPECT_EQ(tiny.find(chunk), std::string::npos) << chunk;
}

TEST_F(Png, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothingBehind) {
    EXPECT_THROW(writePng(path("missing/x.png"), gradient(4, 4)), std::runtime_error);
    // A folder standing where the file should go: the rename fails, the part file goes.
    std::filesystem::create_directories(dir / "taken.png" / "inside");
    EXPECT_THROW(writePng(path("taken.png"), gradient(4, 4)), std::runtime_error);
    EXPECT_EQ(filesIn(""), (std::set<std::string>{"taken.png"}));
    EXPECT_THROW(readPng(path("nothing.png")), std::runtime_error);
    // A full disk, as /dev/full stands for one, is named as the system names it.
    std::filesystem::create_symlink("/dev/full", dir / "full.png.part");
    try {
        writePng(path("full.png"), gradient(64, 64));
        ADD_FAILURE() << "a full disk went unnoticed";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
    }
    EXPECT_EQ(filesIn(""), (std::set<std::string>{"taken.png"}));
}

// Ctrl-C while a picture is half written leaves neither it nor its part file.
TEST_F(Png, ASignalThatEndsTheProgramRemovesThePartBeingWritten) {
    const pid_t pid = fork();
    if (pid == 0) {
        PartFile part(path("half.png"));
        std::ofstream(part.path()) << "half a picture";
        raise(SIGINT);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_TRUE(filesIn("").empty());
}

// The README promises differences eight times as bright, limited to white.
TEST(DifferenceImage, AmplifiesEachChannelEightTimesUpToWhite) {
    Image a(2, 1), b(2, 1);
    a.rgb = {10, 200, 0, 40, 255, 7};
    b.rgb = {13, 190, 0, 72, 0, 7};
    EXPECT_EQ(differenceImage(a, b).rgb, (std::vector<uint8_t>{24, 80, 0, 255, 255, 0}));
}

}  // namespace
