// Paints the intro's two pictures and writes them as image blobs:
//   make_pictures OUT_DIR [PREVIEW_DIR]
// OUT_DIR receives picture1.blob (320 x 240) and picture2.blob (256 x 256),
// Motion JPEG frames in the container the intro embeds; PREVIEW_DIR, when
// given, receives the same pictures as PNG files, once as painted and once as
// decoded from the blobs.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "gfx/image_blob.h"
#include "platform/image_encoder.h"
#include "tools/pictures/pictures.h"

namespace {

using zint::pictures::Canvas;

// Quantiser scale of the frames: as fine as fits an embedded item.
constexpr int kQuality = 2;
constexpr std::size_t kMaxItemBytes = 65535 - 2;

bool WriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// pixels: blue-green-red, bottom row first, as blobs decode.
bool WritePreview(const std::filesystem::path& path, int width, int height, std::span<const std::uint8_t> pixels) {
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint8_t> rgb(pixels.size());
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row) {
        const std::uint8_t* from = pixels.data() + (static_cast<std::size_t>(height) - 1 - row) * rowBytes;
        std::uint8_t* to = rgb.data() + row * rowBytes;
        for (std::size_t i = 0; i < rowBytes; i += 3) {
            to[i] = from[i + 2];
            to[i + 1] = from[i + 1];
            to[i + 2] = from[i];
        }
    }
    std::string why;
    const auto png = zint::platform::EncodePng(width, height, rgb, why);
    if (!png) std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
    return png && WriteFile(path, *png);
}

// Encodes the canvas, checks that the blob decodes and fits, and writes it.
bool WritePicture(const Canvas& canvas, const std::string& name, const std::filesystem::path& outDir,
                  const std::filesystem::path* previewDir) {
    const std::vector<std::uint8_t> pixels = canvas.BgrBottomUp();
    const auto frame = zint::platform::EncodeMjpegFrame(canvas.width,
                                                   canvas.height, pixels, kQuality);
    const auto blob = zint::MakeImageBlob(zint::FourCharacterCode("MJPG"), canvas.width, canvas.height, frame);
    if (frame.empty() || blob.size() > kMaxItemBytes) {
        std::fprintf(stderr, "%s: %zu bytes do not fit an embedded item\n", name.c_str(), blob.size());
        return false;
    }
    const auto decoder = zint::platform::CreateLibavImageDecoder();
    const zint::MemoryFile file{0, static_cast<std::uint32_t>(blob.size()), blob.data()};
    const auto decoded = zint::DecodeImageBlobPixels(file, *decoder);
    if (!decoded) {
        std::fprintf(stderr, "%s: the blob does not decode\n", name.c_str());
        return false;
    }
    std::printf("%s: %d x %d, %zu bytes\n", name.c_str(), canvas.width, canvas.height, blob.size());
    if (!WriteFile(outDir / (name + ".blob"), blob)) return false;
    if (previewDir == nullptr) return true;
    return WritePreview(*previewDir / (name + ".png"), canvas.width, canvas.height, pixels) &&
           WritePreview(*previewDir / (name + "-decoded.png"), canvas.width, canvas.height, decoded->pixels);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT_DIR [PREVIEW_DIR]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    const std::filesystem::path previewDir = argc == 3 ? argv[2] : "";
    const std::filesystem::path* preview = argc == 3 ? &previewDir : nullptr;
    const bool ok = WritePicture(zint::pictures::PaintDusk(), "picture1", outDir, preview) &&
                    WritePicture(zint::pictures::PaintTunnelEmblem(), "picture2", outDir, preview);
    return ok ? 0 : 1;
}
