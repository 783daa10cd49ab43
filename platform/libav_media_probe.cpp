#include "platform/media_probe.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "platform/libav_handles.h"

namespace zint::platform {

namespace {

using namespace libav;

struct InputClose {
    void operator()(AVFormatContext* input) const { avformat_close_input(&input); }
};

CodecContext OpenDecoder(const AVStream& stream, std::string& error) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (codec == nullptr) {
        error = std::string("no decoder for ") + avcodec_get_name(stream.codecpar->codec_id);
        return nullptr;
    }
    CodecContext context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0) {
        error = "out of memory";
        return nullptr;
    }
    context->pkt_timebase = stream.time_base;
    const int code = avcodec_open2(context.get(), codec, nullptr);
    if (code < 0) {
        error = Describe("cannot open the decoder", code);
        return nullptr;
    }
    return context;
}

// One decoder and what it has produced so far.
struct StreamCount {
    int index = -1;
    CodecContext decoder;
    std::int64_t pictures = 0;
    std::int64_t sampleFrames = 0;

    // Sends the packet (null drains) and counts every frame that comes out.
    bool Feed(const AVPacket* packet, AVFrame& frame, std::string& error) {
        int code = avcodec_send_packet(decoder.get(), packet);
        if (code < 0 && code != AVERROR_EOF) {
            error = Describe("decoding failed", code);
            return false;
        }
        while ((code = avcodec_receive_frame(decoder.get(), &frame)) >= 0) {
            ++pictures;
            sampleFrames += frame.nb_samples;
            av_frame_unref(&frame);
        }
        if (code != AVERROR(EAGAIN) && code != AVERROR_EOF) {
            error = Describe("decoding failed", code);
            return false;
        }
        return true;
    }
};

bool OpenStream(AVFormatContext& input, AVMediaType type, StreamCount& count, std::string& error) {
    count.index = av_find_best_stream(&input, type, -1, -1, nullptr, 0);
    if (count.index < 0) return true;
    count.decoder = OpenDecoder(*input.streams[count.index], error);
    return count.decoder != nullptr;
}

bool DecodeAll(AVFormatContext& input, StreamCount& video, StreamCount& audio, std::string& error) {
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    if (!packet || !frame) {
        error = "out of memory";
        return false;
    }
    int code = 0;
    while ((code = av_read_frame(&input, packet.get())) >= 0) {
        bool fed = true;
        if (packet->stream_index == video.index) fed = video.Feed(packet.get(), *frame, error);
        if (packet->stream_index == audio.index) fed = audio.Feed(packet.get(), *frame, error);
        av_packet_unref(packet.get());
        if (!fed) return false;
    }
    if (code != AVERROR_EOF) {
        error = Describe("cannot read", code);
        return false;
    }
    return video.Feed(nullptr, *frame, error) && (!audio.decoder || audio.Feed(nullptr, *frame, error));
}

}  // namespace

std::optional<MediaInfo> ProbeMedia(const std::string& path, std::string& error) {
    AVFormatContext* opened = nullptr;
    int code = avformat_open_input(&opened, path.c_str(), nullptr, nullptr);
    if (code < 0) {
        error = Describe("cannot open " + path, code);
        return std::nullopt;
    }
    std::unique_ptr<AVFormatContext, InputClose> input(opened);
    code = avformat_find_stream_info(input.get(), nullptr);
    if (code < 0) {
        error = Describe("cannot read the streams of " + path, code);
        return std::nullopt;
    }

    StreamCount video;
    StreamCount audio;
    if (!OpenStream(*input, AVMEDIA_TYPE_VIDEO, video, error) ||
        !OpenStream(*input, AVMEDIA_TYPE_AUDIO, audio, error)) {
        return std::nullopt;
    }
    if (video.index < 0) {
        error = path + " holds no video";
        return std::nullopt;
    }
    if (!DecodeAll(*input, video, audio, error)) return std::nullopt;

    MediaInfo info;
    const AVStream& videoStream = *input->streams[video.index];
    info.videoCodec = avcodec_get_name(videoStream.codecpar->codec_id);
    info.width = videoStream.codecpar->width;
    info.height = videoStream.codecpar->height;
    info.frameRateNumerator = videoStream.avg_frame_rate.num;
    info.frameRateDenominator = videoStream.avg_frame_rate.den;
    info.videoFrames = video.pictures;
    if (audio.index >= 0) {
        const AVStream& audioStream = *input->streams[audio.index];
        info.audioCodec = avcodec_get_name(audioStream.codecpar->codec_id);
        info.sampleRate = audioStream.codecpar->sample_rate;
        info.channels = audioStream.codecpar->ch_layout.nb_channels;
        info.audioFrames = audio.sampleFrames;
        if (audioStream.duration != AV_NOPTS_VALUE && info.sampleRate > 0) {
            const AVRational perSample{1, info.sampleRate};
            info.audioStatedFrames = av_rescale_q(audioStream.duration, audioStream.time_base, perSample);
        }
    }
    return info;
}

std::optional<RgbImage> DecodePng(std::span<const std::uint8_t> bytes, std::string& error) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PNG);
    CodecContext context(codec != nullptr ? avcodec_alloc_context3(codec) : nullptr);
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    if (!context || !packet || !frame || av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0) {
        error = "cannot set up the PNG decoder";
        return std::nullopt;
    }
    std::copy(bytes.begin(), bytes.end(), packet->data);
    int code = avcodec_open2(context.get(), codec, nullptr);
    if (code >= 0) code = avcodec_send_packet(context.get(), packet.get());
    if (code >= 0) code = avcodec_receive_frame(context.get(), frame.get());
    if (code < 0) {
        error = Describe("cannot decode the PNG", code);
        return std::nullopt;
    }
    if (frame->format != AV_PIX_FMT_RGB24) {
        error = std::string("PNG of pixel format ") + av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame->format)) +
                ", not RGB";
        return std::nullopt;
    }
    RgbImage image;
    image.width = frame->width;
    image.height = frame->height;
    const auto rowBytes = static_cast<std::size_t>(image.width) * 3;
    image.pixels.resize(rowBytes * static_cast<std::size_t>(image.height));
    for (int row = 0; row < image.height; ++row) {
        const std::uint8_t* source = frame->data[0] + static_cast<std::ptrdiff_t>(row) * frame->linesize[0];
        std::copy(source, source + rowBytes, image.pixels.begin() + static_cast<std::ptrdiff_t>(row * rowBytes));
    }
    return image;
}

}  // namespace zint::platform
