#include <climits>
#include <cstring>

#include "platform/image_decoder.h"
#include "platform/libav_handles.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace zint::platform {

namespace {

using namespace libav;

const AVCodec* FindDecoder(std::uint32_t codec) {
    const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
    const AVCodecID id = av_codec_get_id(tables, codec);
    return id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
}

// Decoders may read a little past the end of their input; libav asks for
// zeroed padding there.
Packet PaddedPacket(std::span<const std::uint8_t> frame) {
    if (frame.size() > static_cast<std::size_t>(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE)) return nullptr;
    Packet packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), static_cast<int>(frame.size())) != 0) return nullptr;
    if (!frame.empty()) std::memcpy(packet->data, frame.data(), frame.size());
    return packet;
}

Frame DecodeOneFrame(const AVCodec& decoder, std::uint32_t codec, int width, int height,
                     std::span<const std::uint8_t> data) {
    CodecContext context(avcodec_alloc_context3(&decoder));
    if (!context) return nullptr;
    // Some codecs take the picture's size and tag from the container alone.
    context->width = width;
    context->height = height;
    context->codec_tag = codec;
    context->bits_per_coded_sample = 24;
    context->thread_count = 1;  // no frame threading: the one frame comes out at once
    if (avcodec_open2(context.get(), &decoder, nullptr) != 0) return nullptr;

    Packet packet = PaddedPacket(data);
    Frame frame(av_frame_alloc());
    if (!packet || !frame) return nullptr;
    if (avcodec_send_packet(context.get(), packet.get()) != 0) return nullptr;
    avcodec_send_packet(context.get(), nullptr);
    if (avcodec_receive_frame(context.get(), frame.get()) != 0) return nullptr;
    if (frame->decode_error_flags != 0) return nullptr;
    return frame;
}

class LibavImageDecoder final : public ImageDecoder {
public:
    LibavImageDecoder() { SilenceLog(); }

    bool Decode(std::uint32_t codec, int width, int height, std::span<const std::uint8_t> data,
                std::vector<std::uint8_t>& pixels) override {
        const AVCodec* decoder = FindDecoder(codec);
        if (decoder == nullptr) return false;
        Frame frame = DecodeOneFrame(*decoder, codec, width, height, data);
        if (!frame || frame->width != width || frame->height != height) return false;
        if (!ConvertFrame(*frame, AV_PIX_FMT_BGR24, 3, pixels)) return false;
        FlipRows(pixels, static_cast<std::size_t>(width) * 3);
        return true;
    }
};

}  // namespace

std::unique_ptr<ImageDecoder> CreateLibavImageDecoder() { return std::make_unique<LibavImageDecoder>(); }

std::unique_ptr<ImageDecoder> CreateImageDecoder() { return CreateLibavImageDecoder(); }

}  // namespace zint::platform
