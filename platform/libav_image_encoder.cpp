#include "platform/image_encoder.h"
#include "platform/libav_handles.h"

namespace zint::platform {

namespace {

using namespace libav;

// Full-range 4:4:4 keeps the colours of thin bright lines.
constexpr AVPixelFormat kMjpegFormat = AV_PIX_FMT_YUVJ444P;

Frame FrameFromPixels(int width, int height, AVPixelFormat format, std::span<const std::uint8_t> pixels) {
    Frame frame = AllocatePicture(format, width, height);
    if (!frame) return nullptr;

    Scaler scaler(sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, format,
                                 SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
                                 nullptr));
    if (!scaler) return nullptr;
    // Read the bottom-first rows from the last one upwards.
    const int stride = width * 3;
    const std::uint8_t* top = pixels.data() + static_cast<std::size_t>(stride) * static_cast<std::size_t>(height - 1);
    const std::uint8_t* sourcePlanes[4] = {top, nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {-stride, 0, 0, 0};
    if (sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, height, frame->data, frame->linesize) != height) {
        return nullptr;
    }
    return frame;
}

std::vector<std::uint8_t> ReceiveAll(AVCodecContext& context) {
    std::vector<std::uint8_t> out;
    Packet packet(av_packet_alloc());
    if (!packet) return out;
    while (avcodec_receive_packet(&context, packet.get()) == 0) {
        out.insert(out.end(), packet->data, packet->data + packet->size);
        av_packet_unref(packet.get());
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeMjpegFrame(int width, int height, std::span<const std::uint8_t> pixels,
                                           int quality) {
    if (width <= 0 || height <= 0) return {};
    if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) return {};
    SilenceLog();

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (encoder == nullptr) return {};
    CodecContext context(avcodec_alloc_context3(encoder));
    if (!context) return {};
    context->width = width;
    context->height = height;
    context->pix_fmt = kMjpegFormat;
    context->color_range = AVCOL_RANGE_JPEG;
    context->time_base = AVRational{1, 25};
    context->flags |= AV_CODEC_FLAG_QSCALE;
    context->global_quality = FF_QP2LAMBDA * quality;
    if (avcodec_open2(context.get(), encoder, nullptr) != 0) return {};

    Frame frame = FrameFromPixels(width, height, kMjpegFormat, pixels);
    if (!frame) return {};
    frame->quality = context->global_quality;
    frame->pts = 0;
    if (avcodec_send_frame(context.get(), frame.get()) != 0) return {};
    if (avcodec_send_frame(context.get(), nullptr) != 0) return {};
    return ReceiveAll(*context);
}

std::optional<std::vector<std::uint8_t>> EncodePng(int width, int height, std::span<const std::uint8_t> rgb,
                                                  std::string& error) {
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgb.size() != rowBytes * static_cast<std::size_t>(height)) {
        error = "image size does not match its pixels";
        return std::nullopt;
    }
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr) {
        error = "libavcodec has no PNG encoder";
        return std::nullopt;
    }
    CodecContext context(avcodec_alloc_context3(codec));
    Frame frame = AllocatePicture(AV_PIX_FMT_RGB24, width, height);
    Packet packet(av_packet_alloc());
    if (!context || !frame || !packet) {
        error = "out of memory";
        return std::nullopt;
    }
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = AVRational{1, 1};
    context->flags |= AV_CODEC_FLAG_BITEXACT;
    int code = avcodec_open2(context.get(), codec, nullptr);
    if (code < 0) {
        error = Describe("cannot open the PNG encoder", code);
        return std::nullopt;
    }
    for (int row = 0; row < height; ++row) {
        const auto source = rgb.subspan(static_cast<std::size_t>(row) * rowBytes, rowBytes);
        std::copy(source.begin(), source.end(), frame->data[0] + static_cast<std::ptrdiff_t>(row) * frame->linesize[0]);
    }
    code = avcodec_send_frame(context.get(), frame.get());
    if (code >= 0) code = avcodec_receive_packet(context.get(), packet.get());
    if (code < 0) {
        error = Describe("PNG encoding failed", code);
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(packet->data, packet->data + packet->size);
}

}  // namespace zint::platform
