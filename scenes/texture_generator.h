#pragma once
// Expands the tiny byte-coded image scripts into RGB textures at load time.
// A script is a header and up to 127 eight-byte operations that work on four
// 256 x 256 RGB layers; `UploadLayer` hands a layer to OpenGL.
//
// Operations whose source and destination are the same layer work in place in
// their order of writes (rows, pixels, channels), so later pixels read values
// already overwritten. The generated images depend on that, so keep it.
#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "data/memory_file.h"

namespace zint {

class Texture;

inline constexpr int kGeneratorLayerCount = 4;
inline constexpr int kGeneratorSize = 256;  // width and height of every layer
inline constexpr int kGeneratorBytesPerPixel = 3;

// Header of a script: a 32-bit magic, a version byte and a signed count byte.
inline constexpr std::uint32_t kTextureScriptMagic = 0x3C94;
inline constexpr std::uint8_t kTextureScriptVersion = 4;
inline constexpr std::size_t kTextureScriptHeaderBytes = 6;
inline constexpr std::size_t kTextureOperationBytes = 8;

enum class TextureOp : std::uint8_t {
    UploadLayer,
    ClearLayer,
    CopyLayer,
    SineChannel,
    NoiseLayer,
    Speckle,
    Blur,
    RadialGlow,
    ShiftLayer,
    MultiplyLayers,
    Plasma,
    Swirl,
    WaveWarp,
    InvertLayer,
    Emboss,
    SineWarp,
};
inline constexpr int kTextureOpCount = 16;

// -1 < result <= 1, a hash of n.
float IntegerNoise(std::int32_t n);

std::uint8_t ClampByte(int value);

struct TextureGenerator {
    TextureGenerator();  // four zeroed layers
    TextureGenerator(const TextureGenerator&) = delete;
    TextureGenerator& operator=(const TextureGenerator&) = delete;

    const int width = kGeneratorSize;
    const int height = kGeneratorSize;
    const int bytesPerPixel = kGeneratorBytesPerPixel;
    const int layerBytes = width * height * bytesPerPixel;
    const int layerPixels = width * height;
    const int rowBytes = width * bytesPerPixel;
    const GLenum pixelFormat = GL_RGB;

    std::vector<std::uint8_t> pixels;  // all four layers, one after the other
    std::array<std::uint8_t*, kGeneratorLayerCount> layers{};

    std::span<std::uint8_t> Layer(int layer) { return {layers[layer], static_cast<std::size_t>(layerBytes)}; }
    std::span<const std::uint8_t> Layer(int layer) const {
        return {layers[layer], static_cast<std::size_t>(layerBytes)};
    }
    // The three channels of pixel (x, y); both must be in range.
    std::uint8_t* Pixel(int layer, int x, int y) { return layers[layer] + y * rowBytes + x * bytesPerPixel; }

    // The sixteen operations. Layers are 0..3 and the channel 0..2; the
    // interpreter checks script parameters before it calls these.
    void UploadLayer(int layer, Texture& texture) const;
    void ClearLayer(int layer);
    void CopyLayer(int source, int destination);
    void SineChannel(int layer, int channel, int xFrequency, int yFrequency);
    void NoiseLayer(int layer, int seed);
    void Speckle(int layer, int seed, int redGain, int greenGain, int blueGain);
    void Blur(int source, int destination, int passes);
    void RadialGlow(int layer, int red, int green, int blue);
    void ShiftLayer(int source, int destination, int xOffset, int yOffset);
    void MultiplyLayers(int sourceA, int sourceB, int destination);
    void Plasma(int layer, int amplitudeHigh, int amplitudeLow);
    void Swirl(int source, int destination);
    void WaveWarp(int source, int destination, int xFrequency, int yFrequency, int xAmplitude, int yAmplitude);
    void InvertLayer(int source, int destination);
    void Emboss(int source, int destination);
    void SineWarp(int source, int destination, int xFrequency, int yFrequency, int xAmplitude, int yAmplitude);

    // One level of the plasma's midpoint displacement on one channel, over
    // the square (x0, y0)-(x1, y1) whose far edges may be x = width or
    // y = height (read and written as 0: the layer is a torus).
    void PlasmaSubdivide(int layer, int channel, int x0, int y0, int x1, int y1, int amplitude);

private:
    void BlurPass(int source, int destination);
    // dst(x, y) = src(sourceX, sourceY) for the source coordinates given per
    // destination pixel, in the order of writes.
    template <typename SourceOf>
    void Remap(int source, int destination, SourceOf sourceOf);
};

// Receives each `UploadLayer` of a script: the generator and the layer index.
using LayerUpload = std::function<void(const TextureGenerator&, int layer)>;

// Zeroes the layers and runs the script's operations, handing every upload to
// `upload`. False when the header is not a version-4 script. Reading stops at
// the script's end even if its count asks for more; operations naming a
// layer above 3 or a channel above 2 are skipped, as are unknown opcodes.
bool RunTextureScript(TextureGenerator& generator, const MemoryFile& script, const LayerUpload& upload);

// The same, uploading into `texture` (the last upload wins).
bool RunTextureScript(TextureGenerator& generator, const MemoryFile& script, Texture& texture);

}  // namespace zint
