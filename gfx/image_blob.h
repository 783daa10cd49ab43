#pragma once
// The container of the embedded pictures: a 20-byte little-endian header
// ("KNOT", the codec's four-character code, width, height, byte count)
// followed by one compressed frame.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "data/memory_file.h"
#include "gfx/texture.h"
#include "platform/image_decoder.h"

namespace zint {

inline constexpr std::array<std::uint8_t, 4> ImageBlobMagic{'K', 'N', 'O', 'T'};
inline constexpr std::size_t ImageBlobHeaderSize = 20;
// Far beyond any picture of the program; keeps a forged header from asking
// for gigabytes.
inline constexpr int MaxImageBlobSide = 8192;

// Packs four characters the way a little-endian read of them yields.
constexpr std::uint32_t FourCharacterCode(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])) << 24;
}

struct ImageBlobHeader {
    std::uint32_t codec = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t byteCount = 0;
};

// Pixels as the decoder delivers them: 24-bit blue-green-red, bottom row first.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// The header, when the magic is right, the sides are positive and at most
// MaxImageBlobSide, and the declared frame lies within the file's size.
std::optional<ImageBlobHeader> ReadImageBlobHeader(const MemoryFile& file);

// The picture of a blob, or nothing when the header is refused (then the
// decoder is not called) or the frame does not decode.
std::optional<DecodedImage> DecodeImageBlobPixels(const MemoryFile& file, platform::ImageDecoder& decoder);

// The picture as a new mipmapped texture, or null. Needs a current context.
std::unique_ptr<Texture> DecodeImageBlob(const MemoryFile& file, platform::ImageDecoder& decoder);

// The same with the platform's decoder.
std::unique_ptr<Texture> DecodeImageBlob(const MemoryFile& file);

// A blob around one compressed frame: for the picture generator and tests.
std::vector<std::uint8_t> MakeImageBlob(std::uint32_t codec, int width, int height,
                                        std::span<const std::uint8_t> frame);

}  // namespace zint
