#include "gfx/mip_chain.h"

#include <algorithm>

namespace zint {

namespace {

// Sizes and strides of an image in bytes; everything is counted in size_t.
struct Layout {
    std::size_t channels;
    std::size_t width;
    std::size_t height;
    std::size_t stride;

    std::size_t RowBytes() const { return width * channels; }
    std::size_t At(std::size_t x, std::size_t y) const { return y * stride + x * channels; }
};

Layout MakeLayout(int channels, int width, int height, int rowAlignment) {
    const auto alignment = static_cast<std::size_t>(rowAlignment);
    Layout layout{static_cast<std::size_t>(channels), static_cast<std::size_t>(width),
                  static_cast<std::size_t>(height), 0};
    layout.stride = (layout.RowBytes() + alignment - 1) / alignment * alignment;
    return layout;
}

bool InputAcceptable(int channels, int width, int height, std::size_t byteCount, int rowAlignment, int maxSide) {
    if (channels < 1 || channels > 4 || width < 1 || height < 1 || maxSide < 1) return false;
    if (rowAlignment != 1 && rowAlignment != 2 && rowAlignment != 4 && rowAlignment != 8) return false;
    const Layout layout = MakeLayout(channels, width, height, rowAlignment);
    // The last row need not carry its padding.
    return byteCount >= layout.stride * (layout.height - 1) + layout.RowBytes();
}

MipLevel Repack(const Layout& in, std::span<const std::uint8_t> pixels) {
    MipLevel level{static_cast<int>(in.width), static_cast<int>(in.height), {}};
    level.pixels.reserve(in.RowBytes() * in.height);
    for (std::size_t y = 0; y < in.height; ++y) {
        const auto row = pixels.begin() + static_cast<std::ptrdiff_t>(in.At(0, y));
        level.pixels.insert(level.pixels.end(), row, row + static_cast<std::ptrdiff_t>(in.RowBytes()));
    }
    return level;
}

// The input area one output pixel covers, in input pixels: [x0, x1) x [y0, y1).
struct Box {
    float x0;
    float x1;
    float y0;
    float y1;
};

// How much of input pixel `index` lies within [low, high).
float Cover(float low, float high, std::size_t index) {
    return std::min(high, static_cast<float>(index + 1)) - std::max(low, static_cast<float>(index));
}

// The last input pixel that [low, high) reaches, within `count` pixels.
std::size_t LastCovered(float low, float high, std::size_t count) {
    std::size_t last = static_cast<std::size_t>(low);
    while (last + 1 < count && static_cast<float>(last + 1) < high) ++last;
    return last;
}

// The pixels one output pixel averages over: its box, the first and last
// input columns and rows the box reaches, and the channel.
struct BoxSource {
    const Layout& in;
    std::span<const std::uint8_t> pixels;
    std::size_t channel;
    Box box;
    std::size_t left;
    std::size_t right;
    std::size_t bottom;
    std::size_t top;
};

BoxSource MakeBoxSource(const Layout& in, std::span<const std::uint8_t> pixels, std::size_t channel, const Box& box) {
    return {in,
            pixels,
            channel,
            box,
            static_cast<std::size_t>(box.x0),
            LastCovered(box.x0, box.x1, in.width),
            static_cast<std::size_t>(box.y0),
            LastCovered(box.y0, box.y1, in.height)};
}

// One input pixel's value weighted by the part of it the box covers.
float Term(const BoxSource& source, std::size_t x, std::size_t y) {
    const float cover = Cover(source.box.x0, source.box.x1, x) * Cover(source.box.y0, source.box.y1, y);
    return cover * static_cast<float>(source.pixels[source.in.At(x, y) + source.channel]);
}

float AddRow(float sum, const BoxSource& source, std::size_t y) {
    for (std::size_t x = source.left; x <= source.right; ++x) sum += Term(source, x, y);
    return sum;
}

// Area-weighted mean of the box, truncated, in float as GLU works; the order
// of the additions is GLU's too, as it decides where the truncation lands. A
// box one column wide or one row high is summed in reading order; a larger
// one takes its bottom and top rows, then the two end pixels of each row
// between as a pair, then the pixels inside.
std::uint8_t BoxMean(const BoxSource& source) {
    float sum = AddRow(0, source, source.bottom);
    if (source.left == source.right) {
        for (std::size_t y = source.bottom + 1; y <= source.top; ++y) sum = AddRow(sum, source, y);
    } else if (source.top > source.bottom) {
        sum = AddRow(sum, source, source.top);
        for (std::size_t y = source.bottom + 1; y < source.top; ++y) {
            sum += Term(source, source.left, y) + Term(source, source.right, y);
        }
        for (std::size_t y = source.bottom + 1; y < source.top; ++y) {
            for (std::size_t x = source.left + 1; x < source.right; ++x) sum += Term(source, x, y);
        }
    }
    const Box& box = source.box;
    return static_cast<std::uint8_t>(sum / ((box.x1 - box.x0) * (box.y1 - box.y0)));
}

MipLevel Resample(const Layout& in, std::span<const std::uint8_t> pixels, int width, int height) {
    MipLevel level{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) *
                                                            static_cast<std::size_t>(height) * in.channels)};
    const float stepX = static_cast<float>(in.width) / static_cast<float>(width);
    const float stepY = static_cast<float>(in.height) / static_cast<float>(height);
    auto out = level.pixels.begin();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Box box{static_cast<float>(x) * stepX, static_cast<float>(x + 1) * stepX,
                          static_cast<float>(y) * stepY, static_cast<float>(y + 1) * stepY};
            for (std::size_t channel = 0; channel < in.channels; ++channel) {
                *out++ = BoxMean(MakeBoxSource(in, pixels, channel, box));
            }
        }
    }
    // GLU leaves the top row black when only the width is resampled; so do we,
    // so both drawing paths show the same.
    if (static_cast<std::size_t>(height) == in.height) {
        std::fill(level.pixels.end() - static_cast<std::ptrdiff_t>(static_cast<std::size_t>(width) * in.channels),
                  level.pixels.end(), std::uint8_t{0});
    }
    return level;
}

// 2 x 2 box, rounded to nearest (halves up).
MipLevel HalveBoth(const MipLevel& above, std::size_t channels) {
    const Layout in = MakeLayout(static_cast<int>(channels), above.width, above.height, 1);
    MipLevel level{above.width / 2, above.height / 2, {}};
    level.pixels.reserve(in.RowBytes() * in.height / 4);
    for (std::size_t y = 0; y + 1 < in.height; y += 2) {
        for (std::size_t x = 0; x + 1 < in.width; x += 2) {
            for (std::size_t c = 0; c < channels; ++c) {
                const int sum = above.pixels[in.At(x, y) + c] + above.pixels[in.At(x + 1, y) + c] +
                                above.pixels[in.At(x, y + 1) + c] + above.pixels[in.At(x + 1, y + 1) + c];
                level.pixels.push_back(static_cast<std::uint8_t>((sum + 2) / 4));
            }
        }
    }
    return level;
}

// Pairs along the one side longer than 1, truncated (GLU does not round here).
MipLevel HalveLine(const MipLevel& above, std::size_t channels) {
    MipLevel level{std::max(above.width / 2, 1), std::max(above.height / 2, 1), {}};
    const std::size_t pixelCount = static_cast<std::size_t>(level.width) * static_cast<std::size_t>(level.height);
    level.pixels.reserve(pixelCount * channels);
    for (std::size_t i = 0; i < pixelCount; ++i) {
        for (std::size_t c = 0; c < channels; ++c) {
            const int sum = above.pixels[2 * i * channels + c] + above.pixels[(2 * i + 1) * channels + c];
            level.pixels.push_back(static_cast<std::uint8_t>(sum / 2));
        }
    }
    return level;
}

}  // namespace

int MipBaseSide(int side) {
    if (side <= 1) return 1;
    long long power = 1;
    while (power * 2 <= side) power *= 2;
    if (2LL * side >= 3 * power) power *= 2;
    return static_cast<int>(std::min<long long>(power, 1LL << 30));
}

std::vector<MipLevel> BuildMipChain(int channels, int width, int height, std::span<const std::uint8_t> pixels,
                                    int rowAlignment, int maxSide) {
    if (!InputAcceptable(channels, width, height, pixels.size(), rowAlignment, maxSide)) return {};
    const Layout in = MakeLayout(channels, width, height, rowAlignment);
    int baseWidth = MipBaseSide(width);
    int baseHeight = MipBaseSide(height);
    // GLU shrinks both sides together until the texture fits.
    while (baseWidth > maxSide || baseHeight > maxSide) {
        baseWidth = std::max(baseWidth / 2, 1);
        baseHeight = std::max(baseHeight / 2, 1);
    }
    std::vector<MipLevel> chain;
    chain.push_back(baseWidth == width && baseHeight == height ? Repack(in, pixels)
                                                               : Resample(in, pixels, baseWidth, baseHeight));
    const auto size = static_cast<std::size_t>(channels);
    while (chain.back().width > 1 || chain.back().height > 1) {
        const MipLevel& above = chain.back();
        chain.push_back(above.width > 1 && above.height > 1 ? HalveBoth(above, size) : HalveLine(above, size));
    }
    return chain;
}

}  // namespace zint
