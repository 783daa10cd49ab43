#include "gfx/image_blob.h"

#include "gfx/drawing.h"
#include <GL/glext.h>

#include <algorithm>

namespace zint {

namespace {

std::uint32_t ReadU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

bool SideAcceptable(std::int32_t side) { return side > 0 && side <= MaxImageBlobSide; }

}  // namespace

std::optional<ImageBlobHeader> ReadImageBlobHeader(const MemoryFile& file) {
    if (file.data == nullptr || file.size < ImageBlobHeaderSize) return std::nullopt;
    if (!std::equal(ImageBlobMagic.begin(), ImageBlobMagic.end(), file.data)) return std::nullopt;
    ImageBlobHeader header;
    header.codec = ReadU32(file.data + 4);
    header.width = static_cast<std::int32_t>(ReadU32(file.data + 8));
    header.height = static_cast<std::int32_t>(ReadU32(file.data + 12));
    header.byteCount = ReadU32(file.data + 16);
    if (!SideAcceptable(header.width) || !SideAcceptable(header.height)) return std::nullopt;
    if (header.byteCount > file.size - ImageBlobHeaderSize) return std::nullopt;
    return header;
}

std::optional<DecodedImage> DecodeImageBlobPixels(const MemoryFile& file, platform::ImageDecoder& decoder) {
    const std::optional<ImageBlobHeader> header = ReadImageBlobHeader(file);
    if (!header) return std::nullopt;
    DecodedImage image{header->width, header->height, {}};
    const std::span<const std::uint8_t> frame(file.data + ImageBlobHeaderSize, header->byteCount);
    if (!decoder.Decode(header->codec, image.width, image.height, frame, image.pixels)) return std::nullopt;
    const std::size_t expected = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3;
    if (image.pixels.size() != expected) return std::nullopt;
    return image;
}

std::unique_ptr<Texture> DecodeImageBlob(const MemoryFile& file, platform::ImageDecoder& decoder) {
    const std::optional<DecodedImage> image = DecodeImageBlobPixels(file, decoder);
    if (!image) return nullptr;
    // Rows of width * 3 bytes need not be 4-byte aligned.
    GLint alignment = 4;
    gl::GetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    gl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    auto texture = std::make_unique<Texture>();
    texture->Upload(3, image->width, image->height, GL_BGR_EXT, image->pixels.data());
    gl::PixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return texture;
}

std::unique_ptr<Texture> DecodeImageBlob(const MemoryFile& file) {
    static const std::unique_ptr<platform::ImageDecoder> decoder = platform::CreateImageDecoder();
    return DecodeImageBlob(file, *decoder);
}

std::vector<std::uint8_t> MakeImageBlob(std::uint32_t codec, int width, int height,
                                        std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> blob(ImageBlobMagic.begin(), ImageBlobMagic.end());
    WriteU32(blob, codec);
    WriteU32(blob, static_cast<std::uint32_t>(width));
    WriteU32(blob, static_cast<std::uint32_t>(height));
    WriteU32(blob, static_cast<std::uint32_t>(frame.size()));
    blob.insert(blob.end(), frame.begin(), frame.end());
    return blob;
}

}  // namespace zint
