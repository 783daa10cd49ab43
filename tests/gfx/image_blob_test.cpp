#include "gfx/image_blob.h"

#include <gtest/gtest.h>

#include "data/items.h"
#include "platform/image_encoder.h"
#include "tests/gfx/test_pictures.h"

namespace zint {
namespace {

constexpr std::uint32_t kMjpg = FourCharacterCode("MJPG");

MemoryFile FileOver(const std::vector<std::uint8_t>& bytes) {
    return MemoryFile{0, static_cast<std::uint32_t>(bytes.size()), bytes.data()};
}

// Records its calls and hands back whatever it was told to.
class CountingDecoder final : public platform::ImageDecoder {
public:
    bool Decode(std::uint32_t codec, int width, int height, std::span<const std::uint8_t> frame,
                std::vector<std::uint8_t>& pixels) override {
        ++calls;
        lastCodec = codec;
        lastFrameSize = frame.size();
        pixels.assign(static_cast<std::size_t>(width * height * 3) - shortBy, 0x5A);
        return succeed;
    }
    int calls = 0;
    std::uint32_t lastCodec = 0;
    std::size_t lastFrameSize = 0;
    std::size_t shortBy = 0;
    bool succeed = true;
};

struct ImageBlobTest : ::testing::Test {
    static std::vector<std::uint8_t> Encoded(int width, int height) {
        return platform::EncodeMjpegFrame(width, height, test::RampPicture(width, height), 2);
    }
    std::unique_ptr<platform::ImageDecoder> decoder = platform::CreateLibavImageDecoder();
    CountingDecoder counting;
    // A valid header around a frame the counting decoder never looks into.
    std::vector<std::uint8_t> plainBlob = MakeImageBlob(kMjpg, 8, 4, std::vector<std::uint8_t>(100, 1));
};

TEST_F(ImageBlobTest, MotionJpegFrameDecodesCloseToTheSourceBottomRowFirst) {
    for (auto [width, height] : {std::pair{64, 48}, std::pair{30, 17}}) {
        const std::vector<std::uint8_t> blob = MakeImageBlob(kMjpg, width, height, Encoded(width, height));
        const auto image = DecodeImageBlobPixels(FileOver(blob), *decoder);
        ASSERT_TRUE(image.has_value()) << width << "x" << height;
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        const std::vector<std::uint8_t> source = test::RampPicture(width, height);
        EXPECT_LT(test::MeanAbsoluteDifference(image->pixels, source), 3.0);
        // The first row is the darkest in green (the source's bottom row).
        EXPECT_LT(image->pixels[1], 16);
        EXPECT_GT(image->pixels[image->pixels.size() - 2], 240);
    }
}

TEST_F(ImageBlobTest, CodecCodeIsMatchedWithoutRegardToCase) {
    const std::vector<std::uint8_t> blob = MakeImageBlob(FourCharacterCode("mjpg"), 16, 16, Encoded(16, 16));
    EXPECT_TRUE(DecodeImageBlobPixels(FileOver(blob), *decoder).has_value());
}

TEST_F(ImageBlobTest, HeaderFieldsReachTheDecoder) {
    const auto header = ReadImageBlobHeader(FileOver(plainBlob));
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->codec, kMjpg);
    EXPECT_EQ(header->width, 8);
    EXPECT_EQ(header->height, 4);
    EXPECT_EQ(header->byteCount, 100u);
    const auto image = DecodeImageBlobPixels(FileOver(plainBlob), counting);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(counting.lastCodec, kMjpg);
    EXPECT_EQ(counting.lastFrameSize, 100u);
}

TEST_F(ImageBlobTest, AnyWrongMagicByteIsRefusedWithoutCallingTheDecoder) {
    for (std::size_t i = 0; i < ImageBlobMagic.size(); ++i) {
        std::vector<std::uint8_t> blob = plainBlob;
        blob[i] = static_cast<std::uint8_t>(blob[i] ^ 0x20);  // "kNOT" and the like
        EXPECT_FALSE(DecodeImageBlobPixels(FileOver(blob), counting).has_value()) << "byte " << i;
    }
    EXPECT_EQ(counting.calls, 0);
}

TEST_F(ImageBlobTest, UnknownCodecOrUndecodableFrameGivesNothing) {
    const std::vector<std::uint8_t> frame = Encoded(16, 16);
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(MakeImageBlob(FourCharacterCode("ZQX9"), 16, 16, frame)), *decoder));

    std::vector<std::uint8_t> garbage(600);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * 37 + 11);
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, 16, 16, garbage)), *decoder));
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, 16, 16, {})), *decoder));
}

TEST_F(ImageBlobTest, DamagedFramesDecodeToNothingOrToAPictureOfTheHeadersSize) {
    const std::vector<std::uint8_t> frame = Encoded(24, 16);
    auto check = [&](const std::vector<std::uint8_t>& damaged) {
        const auto image = DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, 24, 16, damaged)), *decoder);
        if (image) {
            EXPECT_EQ(image->pixels.size(), 24u * 16u * 3u);
        }
    };
    for (std::size_t length = 0; length < frame.size(); length += 7) {
        check(std::vector<std::uint8_t>(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    for (std::size_t at = 0; at < frame.size(); at += 5) {
        std::vector<std::uint8_t> damaged = frame;
        damaged[at] = static_cast<std::uint8_t>(~damaged[at]);
        check(damaged);
    }
}

TEST_F(ImageBlobTest, FrameOfAnotherSizeThanTheHeaderSaysIsRefused) {
    const std::vector<std::uint8_t> frame = Encoded(32, 16);
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, 16, 16, frame)), *decoder));
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, 32, 32, frame)), *decoder));
}

TEST_F(ImageBlobTest, DecoderOutputOfTheWrongLengthIsRefused) {
    counting.shortBy = 3;
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(plainBlob), counting).has_value());
    counting.shortBy = 0;
    counting.succeed = false;
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(plainBlob), counting).has_value());
}

TEST_F(ImageBlobTest, DeclaredCountBeyondTheGivenBytesIsRefusedBeforeDecoding) {
    MemoryFile file = FileOver(plainBlob);
    file.size -= 1;  // the frame's last byte is missing
    EXPECT_FALSE(DecodeImageBlobPixels(file, counting).has_value());
    file.size = ImageBlobHeaderSize - 1;  // not even a header
    EXPECT_FALSE(DecodeImageBlobPixels(file, counting).has_value());

    std::vector<std::uint8_t> overLong = plainBlob;
    overLong[19] = 0xFF;  // a count near 4 GiB: must not wrap around
    EXPECT_FALSE(DecodeImageBlobPixels(FileOver(overLong), counting).has_value());
    EXPECT_EQ(counting.calls, 0);

    file.size = static_cast<std::uint32_t>(plainBlob.size());  // exactly the count: fine
    EXPECT_TRUE(DecodeImageBlobPixels(file, counting).has_value());
}

TEST_F(ImageBlobTest, SidesMustBePositiveAndSane) {
    const std::vector<std::uint8_t> frame(10, 0);
    for (auto [width, height] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-8, 4}, std::pair{4, -1},
                                 std::pair{MaxImageBlobSide + 1, 4}, std::pair{4, 0x7FFFFFFF}}) {
        EXPECT_FALSE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, width, height, frame)), counting))
            << width << "x" << height;
    }
    EXPECT_EQ(counting.calls, 0);
    EXPECT_TRUE(DecodeImageBlobPixels(FileOver(MakeImageBlob(kMjpg, MaxImageBlobSide, 1, frame)), counting));
}

TEST_F(ImageBlobTest, EmbeddedPicturesDecodeAtTheirSizes) {
    struct Embedded {
        const unsigned char* item;
        int width;
        int height;
    };
    for (const Embedded& embedded : {Embedded{data::picture1, 320, 240}, Embedded{data::picture2, 256, 256}}) {
        const unsigned char* item = embedded.item;
        const int width = embedded.width;
        const int height = embedded.height;
        const MemoryFile file{0, static_cast<std::uint32_t>(data::ItemSize(item)), data::ItemBytes(item)};
        const auto image = DecodeImageBlobPixels(file, *decoder);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, width);
        EXPECT_EQ(image->height, height);
        const auto header = ReadImageBlobHeader(file);
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->codec, kMjpg);
        EXPECT_EQ(header->byteCount + ImageBlobHeaderSize, file.size);
    }
}

}  // namespace
}  // namespace zint
