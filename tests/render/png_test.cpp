// PNG files: the pixels survive the round trip, and the bytes depend on nothing else.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "tools/render/Image.h"

namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("smoke-png-test-" + std::to_string(getpid()) + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The names of the chunks in a PNG file, in order.
std::vector<std::string> chunkNames(const std::string& png) {
    std::vector<std::string> names;
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length = (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
                                (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
        names.push_back(png.substr(at + 4, 4));
        at += 12 + size_t(length);
    }
    return names;
}

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

TEST(Png, PixelsSurviveTheRoundTripOnWideTallAndTinyPictures) {
    const fs::path dir = freshFolder("round-trip");
    for (auto [w, h] : {std::pair{37, 5}, std::pair{3, 41}, std::pair{1, 1}}) {
        const Image original = gradient(w, h);
        const fs::path file = dir / ("g" + std::to_string(w) + ".png");
        writePng(file.string(), original);
        const Image back = readPng(file.string());
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, h);
        EXPECT_EQ(back.rgb, original.rgb) << w << " by " << h;
    }
    fs::remove_all(dir);
}

TEST(Png, SamePicturesGiveSameBytesWithNoTimeOrTextChunks) {
    const fs::path dir = freshFolder("bytes");
    const Image image = gradient(64, 48);
    writePng((dir / "a.png").string(), image);
    writePng((dir / "b.png").string(), image);
    const std::string a = bytesOf(dir / "a.png");
    EXPECT_EQ(a, bytesOf(dir / "b.png"));
    for (const std::string& name : chunkNames(a)) {
        EXPECT_NE(name, "tIME");
        EXPECT_NE(name, "tEXt");
        EXPECT_NE(name, "zTXt");
        EXPECT_NE(name, "iTXt");
    }
    EXPECT_EQ(chunkNames(a).front(), "IHDR");
    EXPECT_EQ(chunkNames(a).back(), "IEND");
    fs::remove_all(dir);
}

TEST(Png, AFileThatCannotBeWrittenIsAnErrorAndLeavesNothingBehind) {
    const fs::path dir = freshFolder("unwritable");
    EXPECT_THROW(writePng((dir / "missing" / "x.png").string(), gradient(4, 4)), std::runtime_error);
    // A folder standing where the file should go: the rename fails, the part file goes.
    fs::create_directories(dir / "taken.png" / "inside");
    EXPECT_THROW(writePng((dir / "taken.png").string(), gradient(4, 4)), std::runtime_error);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"taken.png"}));
    EXPECT_THROW(readPng((dir / "nothing.png").string()), std::runtime_error);
    fs::remove_all(dir);
}

}  // namespace
