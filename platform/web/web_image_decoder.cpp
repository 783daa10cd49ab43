#include <emscripten.h>


#include "platform/image_decoder.h"

namespace {

// The browser decodes asynchronously: the program waits here (the page keeps
// running) until the picture is in `out` as 24-bit blue-green-red rows,
// bottom row first. 0 when it does not decode at width x height.
EM_ASYNC_JS(int, zint_decode_picture, (const char* type, const unsigned char* data, int size, int width, int height,
                                        unsigned char* out), {
    try {
        const blob = new Blob([HEAPU8.slice(data, data + size)], {type: UTF8ToString(type)});
        const picture = await createImageBitmap(blob, {premultiplyAlpha: 'none', colorSpaceConversion: 'none'});
        if (picture.width !== width || picture.height !== height) return 0;
        const canvas = document.createElement('canvas');
        canvas.width = width;
        canvas.height = height;
        const context = canvas.getContext('2d');
        context.drawImage(picture, 0, 0);
        const rgba = context.getImageData(0, 0, width, height).data;
        const pixels = HEAPU8;
        for (let y = 0; y < height; ++y) {
            let from = y * width * 4;
            let to = out + (height - 1 - y) * width * 3;
            for (let x = 0; x < width; ++x, from += 4, to += 3) {
                pixels[to] = rgba[from + 2];
                pixels[to + 1] = rgba[from + 1];
                pixels[to + 2] = rgba[from];
            }
        }
        return 1;
    } catch (e) {
        return 0;
    }
});

constexpr std::uint32_t FourCc(const char (&code)[5]) {
    return static_cast<std::uint32_t>(code[0]) | static_cast<std::uint32_t>(code[1]) << 8 |
           static_cast<std::uint32_t>(code[2]) << 16 | static_cast<std::uint32_t>(code[3]) << 24;
}

// The codes whose frames are files a browser reads on its own.
const char* MediaType(std::uint32_t codec) {
    switch (codec) {
    case FourCc("MJPG"):
    case FourCc("mjpg"):
    case FourCc("JPEG"):
        return "image/jpeg";
    case FourCc("MPNG"):
    case FourCc("PNG "):
        return "image/png";
    default:
        return nullptr;
    }
}

class BrowserImageDecoder final : public zint::platform::ImageDecoder {
public:
    bool Decode(std::uint32_t codec, int width, int height, std::span<const std::uint8_t> frame,
                std::vector<std::uint8_t>& pixels) override {
        const char* type = MediaType(codec);
        if (type == nullptr || width <= 0 || height <= 0) return false;
        pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
        if (zint_decode_picture(type, frame.data(), static_cast<int>(frame.size()), width, height, pixels.data()) == 0) {
            pixels.clear();
            return false;
        }
        return true;
    }
};

}  // namespace

namespace zint::platform {

std::unique_ptr<ImageDecoder> CreateImageDecoder() { return std::make_unique<BrowserImageDecoder>(); }

}  // namespace zint::platform
