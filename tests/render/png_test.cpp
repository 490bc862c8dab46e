// PNG files: the pixels survive the round trip, and the bytes depend on nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "RenderFolder.h"
#include "tools/render/Image.h"

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
        EXPECT_TRUE(back.width == w && back.height == h && back.rgb == original.rgb) << w << " by " << h;
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
}

}  // namespace
