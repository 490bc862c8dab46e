#include "tools/render/Image.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "tools/render/PartFile.h"

Image differenceImage(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) throw std::invalid_argument("the two pictures differ in size");
    Image d(a.width, a.height);
    for (size_t k = 0; k < d.rgb.size(); ++k) {
        const int scaled = std::abs(int(a.rgb[k]) - int(b.rgb[k])) * DIFFERENCE_GAIN;
        d.rgb[k] = uint8_t(scaled > 255 ? 255 : scaled);
    }
    return d;
}

namespace {

// The whole of `bytes` into a new file at `path`; the system's reason when it cannot
// (a full disk says "No space left on device"), else nothing.
std::string writeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return std::strerror(errno);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    const std::string why = done < bytes.size() ? std::strerror(errno) : "";
    // Some file systems report a full disk only when the file is closed.
    if (close(fd) != 0 && why.empty()) return std::strerror(errno);
    return why;
}

}  // namespace

void writePng(const std::string& path, const Image& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    // Encoded in memory and written here, so that a write that fails says why: libpng's
    // own writing reports every failure as "Write Error". The smoke's dark pictures
    // shrink to a small part of their pixels; a larger one is encoded again.
    std::vector<unsigned char> bytes(image.rgb.size() / 4 + 4096);
    bool encoded = false;
    for (int attempt = 0; attempt < 2 && !encoded; ++attempt) {
        png_alloc_size_t size = bytes.size();
        encoded = png_image_write_to_memory(&png, bytes.data(), &size, 0, image.rgb.data(), 0, nullptr) != 0;
        if (!encoded && size <= bytes.size()) break;  // not for want of room
        bytes.resize(size);
    }
    if (!encoded) {
        const std::string why = png.message;
        png_image_free(&png);
        throw std::runtime_error("cannot write " + path + ": " + why);
    }
    PartFile part(path);
    const std::string why = writeFile(part.path(), bytes);
    if (!why.empty()) throw std::runtime_error("cannot write " + path + ": " + why);
    part.commit();
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
