#pragma once
// A film of a run, encoded through FFmpeg's libraries: H.264 in MP4, VP9 in WebM, or an
// animated GIF, chosen by the file name. It is written beside its place, as NAME.part,
// and renamed once complete, so that a run that fails or is interrupted leaves nothing
// under the film's name (a signal that ends the program removes the part too).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tools/render/Image.h"

enum class FilmFormat { Mp4, WebM, Gif };

struct FilmSettings {
    std::string path;
    FilmFormat format = FilmFormat::Mp4;
    int width = 0;
    int height = 0;
    uint32_t framesPerSecond = 25;
};

// The frame rate when none is asked for: the films play at 25 frames a second, which a
// GIF holds exactly (a frame every 4 hundredths of a second).
constexpr uint32_t DEFAULT_FRAMES_PER_SECOND = 25;
constexpr uint32_t MAX_FRAMES_PER_SECOND = 120;

// By the extension, in any case: .mp4, .webm or .gif; nothing for any other.
std::optional<FilmFormat> filmFormatOf(const std::string& path);

// Why this film cannot be written here: FFmpeg lacks the encoder or the container, or
// the format cannot hold the picture size or frame rate. Empty when it can.
std::string filmRefusal(const FilmSettings& settings);

class FilmEncoder {
public:
    // Opens PATH.part and writes the film's header. Throws std::runtime_error when it cannot.
    explicit FilmEncoder(const FilmSettings& settings);
    // Without finish(), the part file is removed.
    ~FilmEncoder();
    FilmEncoder(const FilmEncoder&) = delete;
    FilmEncoder& operator=(const FilmEncoder&) = delete;

    // The next frame, of the film's size.
    void add(const Image& frame);

    // Encodes the frames the encoder still holds, closes the file and gives it its
    // name. `written(k, n)` is told as the k-th of n frames reaches the file.
    void finish(const std::function<void(uint64_t, uint64_t)>& written);

private:
    struct Stream;  // FFmpeg's state
    std::unique_ptr<Stream> mStream;
};
