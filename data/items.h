#pragma once
// The items carried inside the executable. Each is stored as a 16-bit
// little-endian byte count followed by that many bytes.
#include <cstddef>
#include <cstdint>
#include <span>

namespace zint::data {

// Image blobs (Motion JPEG frames) made by tools/pictures: 320 x 240 for the
// end scene and 256 x 256 for the tunnel's corner.
extern const unsigned char picture1[];
extern const unsigned char picture2[];
// The byte-coded image scripts of the two generated textures.
extern const unsigned char textureScript1[];
extern const unsigned char textureScript2[];
// The music: an XM module made by tools/make_module.
extern const unsigned char musicModule[];

inline std::size_t ItemSize(const unsigned char* item) {
    return static_cast<std::size_t>(item[0]) | static_cast<std::size_t>(item[1]) << 8;
}

inline const unsigned char* ItemBytes(const unsigned char* item) { return item + 2; }

inline std::span<const std::uint8_t> ItemSpan(const unsigned char* item) {
    return {ItemBytes(item), ItemSize(item)};
}

}  // namespace zint::data
