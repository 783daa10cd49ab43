#pragma once
// The process-wide set that the loader scene fills and the later scenes read.
#include <array>
#include <memory>

#include "gfx/text_font.h"
#include "gfx/texture.h"
#include "platform/window.h"

namespace zint {

inline constexpr int kTextureSlots = 15;
inline constexpr int kScrollerTextCount = 11;

// Fixed texture slots.
inline constexpr int kPicture1Slot = 0;           // 320 x 240, the end scene
inline constexpr int kPicture2Slot = 1;           // 256 x 256, the tunnel's corner
inline constexpr int kGeneratedTexture1Slot = 2;  // the boids' spheres
inline constexpr int kGeneratedTexture2Slot = 3;  // tunnel walls, boids floor
inline constexpr int kFirstTextSlot = 4;          // texts 0 to 10 in slots 4 to 14

struct TextureGenerator;

struct Resources {
    std::array<std::unique_ptr<Texture>, kTextureSlots> textures;
    platform::Window* window = nullptr;
    std::array<int, kScrollerTextCount> textWidths{};
    std::unique_ptr<TextFont> font;
    TextureGenerator* generator = nullptr;  // the loader's scratch while it generates textures
    bool loaded = false;
};

// The font every text is set in.
inline constexpr const char* kFontFaceName = "Impact";
inline constexpr int kFontWeight = 400;
inline constexpr int kFontHeight = 32;

// Records the window, allocates the empty texture table and creates the font
// with its glyph lists and advances; `loaded` stays false. Needs the window's
// context to be current.
std::unique_ptr<Resources> CreateResources(platform::Window& window);

// Set when the loader scene is constructed; cleared when it is destroyed.
extern Resources* resources;

}  // namespace zint
