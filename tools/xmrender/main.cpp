// xmrender IN.xm OUT.wav [--seconds S] [--rate HZ]: renders an XM module
// with the intro's player into a WAV file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "music/file_callbacks.h"
#include "music/loader.h"
#include "music/module_file.h"
#include "tools/wav/wav_writer.h"
#include "tools/xmrender/options.h"
#include "tools/xmrender/song_render.h"

namespace zint::xmrender {

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr std::string_view kXmMagic = "Extended Module: ";

int Fail(const std::string& message, int code = kFailed) {
    std::fprintf(stderr, "xmrender: %s\n", message.c_str());
    return code;
}

std::string SystemReason() { return std::strerror(errno); }

// Null, with the reason, for what cannot be played.
std::unique_ptr<Song> LoadModule(const std::string& path, std::string& reason) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        reason = "is a folder, not an XM module";
        return nullptr;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        reason = "cannot be read (" + SystemReason() + ")";
        return nullptr;
    }
    char magic[kXmMagic.size()] = {};
    file.read(magic, sizeof magic);
    if (std::string_view(magic, static_cast<std::size_t>(file.gcount())) != kXmMagic) {
        reason = "not an XM module (it does not start with \"Extended Module: \")";
        return nullptr;
    }
    SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
    std::unique_ptr<Song> song = LoadSong(path.c_str());
    if (!song) reason = "damaged, or beyond the player's limits (32 channels, 256 patterns, 16 samples an instrument)";
    return song;
}

int Render(const RenderOptions& options) {
    std::string reason;
    std::unique_ptr<Song> song = LoadModule(options.input, reason);
    if (!song) return Fail(options.input + ": " + reason);

    // Written aside and renamed at the end, so that a failure leaves nothing.
    const std::string partial = options.output + ".part";
    std::string error;
    std::unique_ptr<WavWriter> wav = WavWriter::Open(partial, options.rate, error);
    if (!wav) return Fail(options.output + ": cannot be written (" + SystemReason() + ")");

    const RenderLength length{FramesIn(options.seconds.value_or(kMaxSeconds), options.rate), !options.seconds};
    const RenderResult result =
        RenderSong(*song, options.rate, length, [&](std::span<const std::int16_t> samples) {
            return wav->Write(samples);
        });
    FreeSong(std::move(song));
    const bool written = result.status == RenderStatus::kRendered && wav->Finish();
    std::string failure = SystemReason();
    wav.reset();
    std::error_code fileError;
    if (written) {
        std::filesystem::rename(partial, options.output, fileError);
        if (!fileError) return 0;
        failure = fileError.message();
    }
    std::filesystem::remove(partial, fileError);
    if (result.status == RenderStatus::kNoOutput) {
        return Fail("no offline output at " + std::to_string(options.rate) + " Hz");
    }
    return Fail(options.output + ": cannot be written (" + failure + ")");
}

}  // namespace

}  // namespace zint::xmrender

int main(int argc, char** argv) {
    using namespace zint::xmrender;
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    RenderOptions options;
    std::string error;
    if (!ParseOptions(arguments, options, error)) return Fail(error + " (see xmrender --help)", kUsage);
    if (options.help) {
        std::fputs(HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("xmrender " ZINT_VERSION);
        return 0;
    }
    return Render(options);
}
