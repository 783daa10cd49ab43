#include "gfx/image_blob.h"

#include <gtest/gtest.h>

#include "data/items.h"
#include "platform/image_encoder.h"
#include "tests/gfx/test_pictures.h"

namespace zint {
namespace {

constexpr std::uint32_t kMjpg = FourCharacterCode("MJPG");
using Bytes = std::vector<std::uint8_t>;

MemoryFile FileOver(const Bytes& bytes, std::size_t cut = 0) {
    return MemoryFile{0, static_cast<std::uint32_t>(bytes.size() - cut), bytes.data()};
}

// Counts its calls, keeps what it was given and hands back `shortBy` bytes
// fewer than the picture needs, and `succeed`.
struct CountingDecoder final : platform::ImageDecoder {
    bool Decode(std::uint32_t codec, int width, int height, std::span<const std::uint8_t> frame,
                Bytes& pixels) override {
        ++calls;
        given = {codec, frame.size()};
        pixels.assign(static_cast<std::size_t>(width * height * 3) - shortBy, 0x5A);
        return succeed;
    }
    int calls = 0;
    std::pair<std::uint32_t, std::size_t> given;
    std::size_t shortBy = 0;
    bool succeed = true;
};

Bytes Encoded(int width, int height) {
    return platform::EncodeMjpegFrame(width, height, test::RampPicture(width, height), 2);
}

TEST(ImageBlob, MotionJpegFramesDecodeCloseToTheSourceBottomRowFirstWhateverTheCodesCase) {
    const auto decoder = platform::CreateLibavImageDecoder();
    for (auto [width, height, codec] : {std::tuple{64, 48, kMjpg}, {30, 17, FourCharacterCode("mjpg")}}) {
        const auto image =
            DecodeImageBlobPixels(FileOver(MakeImageBlob(codec, width, height, Encoded(width, height))), *decoder);
        ASSERT_TRUE(image.has_value()) << width << "x" << height;
        EXPECT_EQ(std::pair(image->width, image->height), std::pair(width, height));
        // The ramp's rows all differ: a flip or a channel swap is far from it.
        EXPECT_LT(test::MeanAbsoluteDifference(image->pixels, test::RampPicture(width, height)), 3.0);
    }
    using Embedded = std::tuple<const unsigned char*, int, int>;
    for (const auto& [item, width, height] : {Embedded{data::picture1, 320, 240}, {data::picture2, 256, 256}}) {
        const MemoryFile file{0, static_cast<std::uint32_t>(data::ItemSize(item)), data::ItemBytes(item)};
        const auto image = DecodeImageBlobPixels(file, *decoder);
        ASSERT_TRUE(image);
        EXPECT_EQ(std::tuple(image->width, image->height, ReadImageBlobHeader(file)->byteCount + ImageBlobHeaderSize),
                  std::tuple(width, height, file.size));
    }
}

TEST(ImageBlob, WhatTheDecoderCannotUseIsRefused) {
    const auto decoder = platform::CreateLibavImageDecoder();
    const Bytes frame = Encoded(32, 16);
    Bytes garbage(600);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37 + 11);
    for (const Bytes& blob :
         {MakeImageBlob(FourCharacterCode("ZQX9"), 32, 16, frame), MakeImageBlob(kMjpg, 16, 16, garbage),
          MakeImageBlob(kMjpg, 16, 16, {}), MakeImageBlob(kMjpg, 16, 16, frame), MakeImageBlob(kMjpg, 32, 32, frame)}) {
        EXPECT_FALSE(DecodeImageBlobPixels(FileOver(blob), *decoder));
    }
    // Damaged frames decode to nothing or to a picture of the header's size.
    const Bytes small = Encoded(24, 16);
    for (std::size_t at = 0; at < small.size(); at += 5) {
        Bytes damaged = small;
        damaged[at] = static_cast<std::uint8_t>(~damaged[at]);
        for (const Bytes& bytes : {damaged, Bytes(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(at))}) {
            const auto image = DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, 24, 16, bytes)), *decoder);
            EXPECT_EQ(image ? image->pixels.size() : 24u * 16u * 3u, 24u * 16u * 3u);
        }
    }
}

TEST(ImageBlob, HeaderIsCheckedBeforeDecodingAndTheDecodersAnswerAfter) {
    const Bytes plain = MakeImageBlob(kMjpg, 8, 4, Bytes(100, 1));
    CountingDecoder counting;
    const auto image = DecodeImageBlobPixels(FileOver(plain), counting);
    ASSERT_TRUE(image) << "exactly the declared count";
    EXPECT_EQ(std::tuple(image->width, image->height, counting.given), std::tuple(8, 4, std::pair(kMjpg, 100ul)));

    for (std::size_t cut : {std::size_t{1}, plain.size() - ImageBlobHeaderSize + 1}) {
        EXPECT_FALSE(DecodeImageBlobPixels(FileOver(plain, cut), counting)) << "cut by " << cut;
    }
    std::vector<Bytes> blobs(ImageBlobMagic.size() + 1, plain);
    for (std::size_t i = 0; i < ImageBlobMagic.size(); ++i) blobs[i][i] ^= 0x20;  // "kNOT" and the like
    blobs.back()[19] = 0xFF;  // a count near 4 GiB: must not wrap around
    for (auto [width, height] :
         {std::pair{0, 4}, {4, 0}, {-8, 4}, {4, -1}, {MaxImageBlobSide + 1, 4}, {4, 0x7FFFFFFF}}) {
        blobs.push_back(MakeImageBlob(kMjpg, width, height, Bytes(10, 0)));
    }
    for (const Bytes& blob : blobs) EXPECT_FALSE(DecodeImageBlobPixels(FileOver(blob), counting));
    EXPECT_EQ(counting.calls, 1);
    EXPECT_TRUE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, MaxImageBlobSide, 1, Bytes(10, 0))), counting));

    for (const auto& [shortBy, succeed] : {std::pair{std::size_t{3}, true}, {std::size_t{0}, false}}) {
        counting.shortBy = shortBy;
        counting.succeed = succeed;
        EXPECT_FALSE(DecodeImageBlobPixels(FileOver(plain), counting));
    }
}

}  // namespace
}  // namespace zint
