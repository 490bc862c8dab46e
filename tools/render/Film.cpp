#include "tools/render/Film.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "tools/render/PartFile.h"

namespace {

// What each kind of film is made of.
struct Kind {
    const char* container;  // FFmpeg's muxer
    const char* codecName;  // for messages
    const char* encoder;    // the software encoder preferred; else FFmpeg's default for the codec
    AVCodecID codec;
    AVPixelFormat pixels;
    // Encoder options: good quality at a size that suits the web, at a speed that keeps
    // up with the solver on small grids.
    const char* options;
    // H.264 keeps colour at half the resolution in whole samples: its sides must be even
    // (VP9 rounds the colour planes up instead).
    bool evenSides;
};

const Kind& kindOf(FilmFormat format) {
    static const Kind mp4{"mp4", "H.264", "libx264", AV_CODEC_ID_H264, AV_PIX_FMT_YUV420P, "crf=20:preset=medium",
                          true};
    static const Kind webm{"webm",
                           "VP9",
                           "libvpx-vp9",
                           AV_CODEC_ID_VP9,
                           AV_PIX_FMT_YUV420P,
                           "crf=32:b=0:deadline=good:cpu-used=4:row-mt=1",
                           false};
    static const Kind gif{"gif", "GIF", "gif", AV_CODEC_ID_GIF, AV_PIX_FMT_PAL8, "", false};
    switch (format) {
        case FilmFormat::Mp4: return mp4;
        case FilmFormat::WebM: return webm;
        case FilmFormat::Gif: return gif;
    }
    return mp4;
}

const AVCodec* encoderOf(const Kind& kind) {
    const AVCodec* preferred = avcodec_find_encoder_by_name(kind.encoder);
    return preferred ? preferred : avcodec_find_encoder(kind.codec);
}

// A GIF holds 256 colours a frame: each frame gets a palette of its own, and its pixels
// the nearest colours of it without dithering, which would only add noise to the smoke's
// smooth shades (and bytes to the file).
const char* const GIF_PALETTE = "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1:dither=none";
const char* const GIF_FILTERS[] = {"buffer", "buffersink", "split", "palettegen", "paletteuse"};

// A GIF counts time in hundredths of a second, and players slow down frames shorter
// than two hundredths.
constexpr uint32_t GIF_MAX_FRAMES_PER_SECOND = 50;

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void check(int code, const std::string& what) {
    if (code < 0) throw std::runtime_error(what + ": " + ffmpegError(code));
}

// One owner for each kind of FFmpeg object.
struct CloseContainer {
    void operator()(AVFormatContext* c) const {
        if (c->pb) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
struct FreeCodec {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FreeFrame {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct FreePacket {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FreeScaler {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct FreeGraph {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

}  // namespace

std::optional<FilmFormat> filmFormatOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "mp4") return FilmFormat::Mp4;
    if (extension == "webm") return FilmFormat::WebM;
    if (extension == "gif") return FilmFormat::Gif;
    return std::nullopt;
}

std::string filmRefusal(const FilmSettings& settings) {
    const Kind& kind = kindOf(settings.format);
    if (!av_guess_format(kind.container, nullptr, nullptr))
        return std::string("this FFmpeg cannot write ") + kind.container + " files";
    if (!encoderOf(kind)) return std::string("this FFmpeg has no ") + kind.codecName + " encoder";
    if (kind.evenSides && (settings.width % 2 != 0 || settings.height % 2 != 0))
        return std::string(kind.codecName) + " keeps colour at half the resolution, so the film's width and height " +
               "must be even, not " + std::to_string(settings.width) + "x" + std::to_string(settings.height);
    if (settings.format == FilmFormat::Gif) {
        for (const char* filter : GIF_FILTERS)
            if (!avfilter_get_by_name(filter))
                return std::string("this FFmpeg has no '") + filter + "' filter, which a GIF's colours need";
        if (settings.framesPerSecond > GIF_MAX_FRAMES_PER_SECOND)
            return "a GIF plays at most " + std::to_string(GIF_MAX_FRAMES_PER_SECOND) +
                   " frames a second (its frames last whole hundredths of a second, two at least)";
    }
    return "";
}

struct FilmEncoder::Stream {
    FilmSettings settings;
    const Kind& kind;
    PartFile part;
    std::unique_ptr<AVFormatContext, CloseContainer> container;
    std::unique_ptr<AVCodecContext, FreeCodec> codec;
    AVStream* stream = nullptr;
    std::unique_ptr<AVFrame, FreeFrame> input;     // the next picture, in the encoder's pixels (GIF: RGB)
    std::unique_ptr<AVFrame, FreeFrame> filtered;  // GIF: a picture with its palette
    std::unique_ptr<AVPacket, FreePacket> packet;
    std::unique_ptr<SwsContext, FreeScaler> scaler;   // MP4 and WebM: RGB to YUV
    std::unique_ptr<AVFilterGraph, FreeGraph> graph;  // GIF: the palettes
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    int64_t added = 0;
    uint64_t written = 0;
    std::function<void(uint64_t, uint64_t)> onWritten;

    explicit Stream(const FilmSettings& s) : settings(s), kind(kindOf(s.format)), part(s.path) {
        // The encoders' chatter would run through the progress line.
        av_log_set_level(AV_LOG_ERROR);
        AVFormatContext* made = nullptr;
        check(avformat_alloc_output_context2(&made, nullptr, kind.container, part.path().c_str()),
              std::string("cannot make a ") + kind.container + " file");
        container.reset(made);
        openCodec();
        writeHeader();
        input.reset(av_frame_alloc());
        filtered.reset(av_frame_alloc());
        packet.reset(av_packet_alloc());
        if (!input || !filtered || !packet) throw std::bad_alloc();
        input->format = settings.format == FilmFormat::Gif ? AV_PIX_FMT_RGB24 : kind.pixels;
        input->width = settings.width;
        input->height = settings.height;
        check(av_frame_get_buffer(input.get(), 0), "cannot hold a frame");
        if (settings.format == FilmFormat::Gif)
            openPalettes();
        else
            openScaler();
    }

    void openCodec() {
        const AVCodec* encoder = encoderOf(kind);
        if (!encoder) throw std::runtime_error(std::string("this FFmpeg has no ") + kind.codecName + " encoder");
        codec.reset(avcodec_alloc_context3(encoder));
        if (!codec) throw std::bad_alloc();
        AVCodecContext& c = *codec;
        c.width = settings.width;
        c.height = settings.height;
        c.time_base = AVRational{1, int(settings.framesPerSecond)};
        c.framerate = AVRational{int(settings.framesPerSecond), 1};
        c.pix_fmt = kind.pixels;
        c.sample_aspect_ratio = AVRational{1, 1};
        if (kind.pixels == AV_PIX_FMT_YUV420P) {
            // The pictures are sRGB; converted with the BT.709 matrix into studio range.
            c.color_primaries = AVCOL_PRI_BT709;
            c.color_trc = AVCOL_TRC_IEC61966_2_1;
            c.colorspace = AVCOL_SPC_BT709;
            c.color_range = AVCOL_RANGE_MPEG;
        }
        if (container->oformat->flags & AVFMT_GLOBALHEADER) c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        // Options another encoder of the codec does not know are left unused.
        AVDictionary* options = nullptr;
        av_dict_parse_string(&options, kind.options, "=", ":", 0);
        const int opened = avcodec_open2(&c, encoder, &options);
        av_dict_free(&options);
        check(opened, std::string("cannot start the ") + kind.codecName + " encoder");
    }

    void writeHeader() {
        stream = avformat_new_stream(container.get(), nullptr);
        if (!stream) throw std::bad_alloc();
        check(avcodec_parameters_from_context(stream->codecpar, codec.get()), "cannot describe the film's stream");
        stream->time_base = codec->time_base;
        check(avio_open(&container->pb, part.path().c_str(), AVIO_FLAG_WRITE), "cannot write " + settings.path);
        AVDictionary* options = nullptr;
        // The index at the front, so that a browser plays the film before it has all of it.
        if (settings.format == FilmFormat::Mp4) av_dict_set(&options, "movflags", "+faststart", 0);
        const int headed = avformat_write_header(container.get(), &options);
        av_dict_free(&options);
        check(headed, "cannot write " + settings.path);
    }

    void openScaler() {
        scaler.reset(sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGB24, settings.width, settings.height,
                                    kind.pixels, SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!scaler) throw std::runtime_error("cannot convert the pictures' colours");
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(scaler.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }

    void openPalettes() {
        graph.reset(avfilter_graph_alloc());
        if (!graph) throw std::bad_alloc();
        char arguments[160];
        std::snprintf(arguments, sizeof arguments, "video_size=%dx%d:pix_fmt=%d:time_base=1/%u:pixel_aspect=1/1",
                      settings.width, settings.height, int(AV_PIX_FMT_RGB24), settings.framesPerSecond);
        check(avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", arguments, nullptr,
                                           graph.get()),
              "cannot feed the GIF's palettes");
        check(avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                           graph.get()),
              "cannot take the GIF's frames");
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        const int parsed = avfilter_graph_parse_ptr(graph.get(), GIF_PALETTE, &inputs, &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        check(parsed, "cannot make the GIF's palettes");
        check(avfilter_graph_config(graph.get(), nullptr), "cannot make the GIF's palettes");
    }

    void add(const Image& frame) {
        if (frame.width != settings.width || frame.height != settings.height)
            throw std::invalid_argument("a frame of another size than the film's");
        check(av_frame_make_writable(input.get()), "cannot hold a frame");
        const uint8_t* rows[1] = {frame.rgb.data()};
        const int rowBytes[1] = {frame.width * 3};
        if (scaler) {
            sws_scale(scaler.get(), rows, rowBytes, 0, frame.height, input->data, input->linesize);
        } else {
            for (int y = 0; y < frame.height; ++y) {
                uint8_t* row = input->data[0] + size_t(y) * size_t(input->linesize[0]);
                std::memcpy(row, frame.pixel(0, y), size_t(rowBytes[0]));
            }
        }
        input->pts = added++;
        if (graph) {
            check(av_buffersrc_add_frame_flags(source, input.get(), AV_BUFFERSRC_FLAG_KEEP_REF), "cannot add a frame");
            encodeFiltered();
        } else {
            encode(input.get());
        }
    }

    // Every frame the palettes have finished goes to the encoder.
    void encodeFiltered() {
        for (;;) {
            const int got = av_buffersink_get_frame(sink, filtered.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
            check(got, "cannot make a frame's palette");
            encode(filtered.get());
            av_frame_unref(filtered.get());
        }
    }

    // Hands `frame` to the encoder (null: no more frames) and writes every packet it has ready.
    void encode(const AVFrame* frame) {
        check(avcodec_send_frame(codec.get(), frame), "cannot encode a frame");
        for (;;) {
            const int got = avcodec_receive_packet(codec.get(), packet.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
            check(got, "cannot encode a frame");
            // Every frame lasts one tick; without it the container takes the last frame to
            // last no time, and players cut it.
            packet->duration = 1;
            av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(container.get(), packet.get()), "cannot write " + settings.path);
            ++written;
            if (onWritten) onWritten(written, uint64_t(added));
        }
    }

    void finish() {
        if (graph) {
            check(av_buffersrc_add_frame(source, nullptr), "cannot end the GIF's palettes");
            encodeFiltered();
        }
        encode(nullptr);
        check(av_write_trailer(container.get()), "cannot write " + settings.path);
        check(avio_closep(&container->pb), "cannot write " + settings.path);
        part.commit();
    }
};

FilmEncoder::FilmEncoder(const FilmSettings& settings) : mStream(std::make_unique<Stream>(settings)) {}

FilmEncoder::~FilmEncoder() = default;

void FilmEncoder::add(const Image& frame) { mStream->add(frame); }

void FilmEncoder::finish(const std::function<void(uint64_t, uint64_t)>& written) {
    mStream->onWritten = written;
    mStream->finish();
}
