#include "tools/render/Image.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

Image differenceImage(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) throw std::invalid_argument("the two pictures differ in size");
    Image d(a.width, a.height);
    for (size_t k = 0; k < d.rgb.size(); ++k) {
        const int scaled = std::abs(int(a.rgb[k]) - int(b.rgb[k])) * DIFFERENCE_GAIN;
        d.rgb[k] = uint8_t(scaled > 255 ? 255 : scaled);
    }
    return d;
}

void writePng(const std::string& path, const Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    const std::string part = path + ".part";
    if (!png_image_write_to_file(&png, part.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        const std::string why = png.message;
        png_image_free(&png);
        std::remove(part.c_str());
        throw std::runtime_error("cannot write " + path + ": " + why);
    }
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        throw std::runtime_error("cannot write " + path);
    }
}

Image readPng(const std::string& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        throw std::runtime_error("cannot read " + path + ": " + png.message);
    png.format = PNG_FORMAT_RGB;
    Image image(int(png.width), int(png.height));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        const std::string why = png.message;
        png_image_free(&png);
        throw std::runtime_error("cannot read " + path + ": " + why);
    }
    return image;
}
