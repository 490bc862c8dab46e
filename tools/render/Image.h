#pragma once
// An 8-bit RGB picture held in memory, top row first (the order of image files).

#include <cstdint>
#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3 bytes

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(size_t(w) * size_t(h) * 3, 0) {}

    // x to the right, y downward from the top row.
    uint8_t* pixel(int x, int y) { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
    const uint8_t* pixel(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

// Differences of a tenth of a grey level stay visible: each channel of the result is
// |a - b| times this gain, limited to 255.
constexpr int DIFFERENCE_GAIN = 8;

// Both images must have the same size.
Image differenceImage(const Image& a, const Image& b);

// Writes an 8-bit RGB PNG file. The bytes depend on the pixels alone (no time
// stamp, no text), so the same picture always gives the same file. The file
// appears complete or not at all: it is written beside its place and renamed
// (tools/render/PartFile.h). Throws std::runtime_error, with the system's reason, when
// it cannot be written.
void writePng(const std::string& path, const Image& image);

// Reads any PNG file as 8-bit RGB; throws std::runtime_error when it cannot.
Image readPng(const std::string& path);
