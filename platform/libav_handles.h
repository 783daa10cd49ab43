#pragma once
// Owning handles for libav objects, error texts and picture conversions
// shared by the platform's codec code. Included only by platform sources.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zint::platform::libav {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFree {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Scaler = std::unique_ptr<SwsContext, ScalerFree>;

inline std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// "what: libav's reason"
inline std::string Describe(const std::string& what, int code) { return what + ": " + ErrorText(code); }

// A frame with its own buffer for a picture of the given format and size.
inline Frame AllocatePicture(AVPixelFormat format, int width, int height) {
    Frame frame(av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    return frame;
}

// libav reports corrupt input on standard error; the program has no log.
inline void SilenceLog() { av_log_set_level(AV_LOG_QUIET); }

// Converts a frame of any format to a packed picture of the given format
// (same size), top row first, row after row without padding.
inline bool ConvertFrame(const AVFrame& source, AVPixelFormat format, int bytesPerPixel,
                         std::vector<std::uint8_t>& out) {
    Scaler scaler(sws_getContext(source.width, source.height, static_cast<AVPixelFormat>(source.format),
                                 source.width, source.height, format, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr,
                                 nullptr));
    if (!scaler) return false;
    const int stride = source.width * bytesPerPixel;
    out.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(source.height), 0);
    std::uint8_t* planes[4] = {out.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {stride, 0, 0, 0};
    return sws_scale(scaler.get(), source.data, source.linesize, 0, source.height, planes, strides) ==
           source.height;
}

// Reverses the order of the rows in place: top-first and bottom-first
// pictures are each other's mirror.
inline void FlipRows(std::span<std::uint8_t> pixels, std::size_t rowBytes) {
    const std::size_t rows = rowBytes == 0 ? 0 : pixels.size() / rowBytes;
    for (std::size_t top = 0, bottom = rows; top + 1 < bottom; ++top, --bottom) {
        std::swap_ranges(pixels.begin() + static_cast<std::ptrdiff_t>(top * rowBytes),
                         pixels.begin() + static_cast<std::ptrdiff_t>((top + 1) * rowBytes),
                         pixels.begin() + static_cast<std::ptrdiff_t>((bottom - 1) * rowBytes));
    }
}

}  // namespace zint::platform::libav
