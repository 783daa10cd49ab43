#include "platform/video_encoder.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "platform/libav_handles.h"

namespace zint::platform {

namespace {

using namespace libav;

constexpr const char* kVideoEncoderName = "libx264";
// Fixed encoder choices: the same frames must always give the same bytes.
// The preset codes the production's texts and textures cleanly at a third of
// medium's time; x264's output depends on its thread count, so that is fixed.
constexpr const char* kPreset = "veryfast";
constexpr int kVideoThreads = 1;
constexpr int kKeyFrameSeconds = 10;
constexpr std::int64_t kAudioBitRate = 192000;
constexpr int kChannels = 2;
constexpr float kSampleScale = 1.0f / 32768.0f;
constexpr int kScalerFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT | SWS_FULL_CHR_H_INP;

struct OutputFree {
    void operator()(AVFormatContext* output) const {
        if ((output->oformat->flags & AVFMT_NOFILE) == 0) avio_closep(&output->pb);
        avformat_free_context(output);
    }
};
struct ScalerFree {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

// Every object of ours is marked bit-exact: no library versions or other
// varying details end up in the file.
void MarkBitExact(AVCodecContext& codec, const AVFormatContext& output, int threads) {
    codec.flags |= AV_CODEC_FLAG_BITEXACT;
    codec.thread_count = threads;
    if ((output.oformat->flags & AVFMT_GLOBALHEADER) != 0) codec.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
}

class LibavVideoEncoder final : public VideoEncoder {
public:
    explicit LibavVideoEncoder(VideoSettings settings) : settings(std::move(settings)) {}

    bool Open() {
        if (!packet) return Fail("out of memory");
        return OpenContainer() && OpenVideo() && OpenAudio() && OpenFile();
    }

    bool AddFrame(std::span<const std::uint8_t> rgb) override;
    bool AddAudio(std::span<const std::int16_t> samples) override;
    bool Finish() override;
    const std::string& Error() const override { return error; }

private:
    bool OpenContainer();
    bool OpenVideo();
    bool OpenAudio();
    bool OpenFile();
    bool EncodeAudioFrame(std::span<const std::int16_t> samples);
    // Sends the frame (null drains the encoder) and writes what comes out.
    bool Encode(AVCodecContext& codec, const AVStream& stream, const AVFrame* frame);
    bool Fail(std::string why) {
        error = std::move(why);
        return false;
    }

    VideoSettings settings;
    std::unique_ptr<AVFormatContext, OutputFree> output;
    CodecContext video;
    CodecContext audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    std::unique_ptr<SwsContext, ScalerFree> scaler;
    Frame picture;
    Frame soundFrame;
    Packet packet{av_packet_alloc()};
    int audioFrameSize = 0;
    std::vector<std::int16_t> pendingAudio;
    std::int64_t videoFramesSent = 0;
    std::int64_t audioFramesSent = 0;
    bool finished = false;
    std::string error;
};

bool LibavVideoEncoder::OpenContainer() {
    AVFormatContext* context = nullptr;
    const char* path = settings.path.c_str();
    if (std::string problem = ContainerProblem(settings.path); !problem.empty()) return Fail(problem);
    const int code = avformat_alloc_output_context2(&context, nullptr, nullptr, path);
    if (code < 0) return Fail(Describe("cannot set up the container of " + settings.path, code));
    output.reset(context);
    output->flags |= AVFMT_FLAG_BITEXACT;
    return true;
}

bool LibavVideoEncoder::OpenVideo() {
    const AVCodec* codec = avcodec_find_encoder_by_name(kVideoEncoderName);
    if (codec == nullptr) return Fail("libavcodec has no H.264 encoder (" + std::string(kVideoEncoderName) + ")");
    video.reset(avcodec_alloc_context3(codec));
    if (!video) return Fail("out of memory");
    video->width = settings.width;
    video->height = settings.height;
    video->time_base = AVRational{1, settings.framesPerSecond};
    video->framerate = AVRational{settings.framesPerSecond, 1};
    video->pix_fmt = AV_PIX_FMT_YUV420P;
    video->gop_size = kKeyFrameSeconds * settings.framesPerSecond;
    video->color_range = AVCOL_RANGE_MPEG;
    video->colorspace = AVCOL_SPC_SMPTE170M;  // the scaler's matrix
    MarkBitExact(*video, *output, kVideoThreads);

    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", kPreset, 0);
    av_dict_set(&options, "crf", std::to_string(settings.constantRateFactor).c_str(), 0);
    const int code = avcodec_open2(video.get(), codec, &options);
    av_dict_free(&options);
    if (code < 0) return Fail(Describe("cannot open the H.264 encoder", code));

    videoStream = avformat_new_stream(output.get(), nullptr);
    if (videoStream == nullptr) return Fail("out of memory");
    videoStream->time_base = video->time_base;
    if (avcodec_parameters_from_context(videoStream->codecpar, video.get()) < 0) return Fail("out of memory");

    picture = AllocatePicture(AV_PIX_FMT_YUV420P, settings.width, settings.height);
    scaler.reset(sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGB24, settings.width,
                                settings.height, AV_PIX_FMT_YUV420P, kScalerFlags, nullptr, nullptr, nullptr));
    return (picture && scaler) || Fail("cannot set up the colour conversion");
}

bool LibavVideoEncoder::OpenAudio() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) return Fail("libavcodec has no AAC encoder");
    audio.reset(avcodec_alloc_context3(codec));
    if (!audio) return Fail("out of memory");
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = settings.sampleRate;
    av_channel_layout_default(&audio->ch_layout, kChannels);
    audio->bit_rate = kAudioBitRate;
    audio->time_base = AVRational{1, settings.sampleRate};
    MarkBitExact(*audio, *output, 1);
    const int code = avcodec_open2(audio.get(), codec, nullptr);
    if (code < 0) return Fail(Describe("cannot open the AAC encoder", code));

    audioStream = avformat_new_stream(output.get(), nullptr);
    if (audioStream == nullptr) return Fail("out of memory");
    audioStream->time_base = audio->time_base;
    if (avcodec_parameters_from_context(audioStream->codecpar, audio.get()) < 0) return Fail("out of memory");

    audioFrameSize = audio->frame_size;
    soundFrame.reset(av_frame_alloc());
    if (!soundFrame) return Fail("out of memory");
    soundFrame->format = audio->sample_fmt;
    soundFrame->sample_rate = audio->sample_rate;
    soundFrame->nb_samples = audioFrameSize;
    if (av_channel_layout_copy(&soundFrame->ch_layout, &audio->ch_layout) < 0 ||
        av_frame_get_buffer(soundFrame.get(), 0) < 0) {
        return Fail("out of memory");
    }
    return true;
}

bool LibavVideoEncoder::OpenFile() {
    if ((output->oformat->flags & AVFMT_NOFILE) == 0) {
        const int code = avio_open(&output->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
        if (code < 0) return Fail(Describe("cannot write " + settings.path, code));
    }
    const int code = avformat_write_header(output.get(), nullptr);
    return code >= 0 || Fail(Describe("cannot write the header of " + settings.path, code));
}

bool LibavVideoEncoder::AddFrame(std::span<const std::uint8_t> rgb) {
    if (finished) return Fail("frame after the end of the video");
    const auto expected = static_cast<std::size_t>(settings.width) * static_cast<std::size_t>(settings.height) * 3;
    if (rgb.size() != expected) return Fail("frame of " + std::to_string(rgb.size()) + " bytes, not " +
                                            std::to_string(expected));
    const int code = av_frame_make_writable(picture.get());
    if (code < 0) return Fail(Describe("cannot reuse the picture", code));

    const std::uint8_t* const source[1] = {rgb.data()};
    const int sourceStride[1] = {settings.width * 3};
    sws_scale(scaler.get(), source, sourceStride, 0, settings.height, picture->data, picture->linesize);
    picture->pts = videoFramesSent++;
    return Encode(*video, *videoStream, picture.get());
}

bool LibavVideoEncoder::AddAudio(std::span<const std::int16_t> samples) {
    if (finished) return Fail("sound after the end of the video");
    if (samples.size() % kChannels != 0) return Fail("sound of an odd sample count");
    pendingAudio.insert(pendingAudio.end(), samples.begin(), samples.end());

    const std::size_t frameSamples = static_cast<std::size_t>(audioFrameSize) * kChannels;
    std::size_t consumed = 0;
    while (pendingAudio.size() - consumed >= frameSamples) {
        if (!EncodeAudioFrame(std::span(pendingAudio).subspan(consumed, frameSamples))) return false;
        consumed += frameSamples;
    }
    pendingAudio.erase(pendingAudio.begin(), pendingAudio.begin() + static_cast<std::ptrdiff_t>(consumed));
    return true;
}

bool LibavVideoEncoder::EncodeAudioFrame(std::span<const std::int16_t> samples) {
    const int code = av_frame_make_writable(soundFrame.get());
    if (code < 0) return Fail(Describe("cannot reuse the sound frame", code));
    const auto frames = static_cast<int>(samples.size() / kChannels);
    auto* left = reinterpret_cast<float*>(soundFrame->data[0]);
    auto* right = reinterpret_cast<float*>(soundFrame->data[1]);
    for (int i = 0; i < frames; ++i) {
        left[i] = static_cast<float>(samples[2 * static_cast<std::size_t>(i)]) * kSampleScale;
        right[i] = static_cast<float>(samples[2 * static_cast<std::size_t>(i) + 1]) * kSampleScale;
    }
    // Only the last frame may be short; the encoder handles that.
    soundFrame->nb_samples = frames;
    soundFrame->pts = audioFramesSent;
    audioFramesSent += frames;
    return Encode(*audio, *audioStream, soundFrame.get());
}

bool LibavVideoEncoder::Encode(AVCodecContext& codec, const AVStream& stream, const AVFrame* frame) {
    int code = avcodec_send_frame(&codec, frame);
    if (code < 0) return Fail(Describe("encoding failed", code));
    while (true) {
        code = avcodec_receive_packet(&codec, packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
        if (code < 0) return Fail(Describe("encoding failed", code));
        // Without its length the container would drop the last picture.
        if (codec.codec_type == AVMEDIA_TYPE_VIDEO && packet->duration == 0) packet->duration = 1;
        av_packet_rescale_ts(packet.get(), codec.time_base, stream.time_base);
        packet->stream_index = stream.index;
        code = av_interleaved_write_frame(output.get(), packet.get());
        if (code < 0) return Fail(Describe("cannot write " + settings.path, code));
    }
}

bool LibavVideoEncoder::Finish() {
    if (finished) return true;
    if (!pendingAudio.empty() && !EncodeAudioFrame(pendingAudio)) return false;
    pendingAudio.clear();
    finished = true;
    if (!Encode(*video, *videoStream, nullptr) || !Encode(*audio, *audioStream, nullptr)) return false;
    int code = av_write_trailer(output.get());
    if (code < 0) return Fail(Describe("cannot complete " + settings.path, code));
    if ((output->oformat->flags & AVFMT_NOFILE) == 0) {
        code = avio_closep(&output->pb);
        if (code < 0) return Fail(Describe("cannot complete " + settings.path, code));
    }
    return true;
}

}  // namespace

std::string ContainerProblem(const std::string& path) {
    const AVOutputFormat* format = av_guess_format(nullptr, path.c_str(), nullptr);
    if (format == nullptr) {
        return path + ": no known container has this file name's extension (try .mp4, .mkv or .mov)";
    }
    if (avformat_query_codec(format, AV_CODEC_ID_H264, FF_COMPLIANCE_NORMAL) != 1 ||
        avformat_query_codec(format, AV_CODEC_ID_AAC, FF_COMPLIANCE_NORMAL) != 1) {
        return path + ": the " + format->name + " container cannot hold H.264 video with AAC sound " +
               "(try .mp4, .mkv or .mov)";
    }
    return {};
}

std::unique_ptr<VideoEncoder> OpenVideoEncoder(const VideoSettings& settings, std::string& error) {
    // The encoders' statistics are noise; their warnings and errors are not.
    av_log_set_level(AV_LOG_WARNING);
    auto encoder = std::make_unique<LibavVideoEncoder>(settings);
    if (!encoder->Open()) {
        error = encoder->Error();
        return nullptr;
    }
    return encoder;
}


}  // namespace zint::platform
