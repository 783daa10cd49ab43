#include "scenes/loader_scene.h"

#include "gfx/drawing.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "data/items.h"
#include "gfx/draw_state.h"
#include "gfx/image_blob.h"
#include "scenes/texture_generator.h"

namespace zint {

namespace {

constexpr GLint kTextTextureComponents = 4;  // RGBA
constexpr int kLargestSide = 1 << 30;

MemoryFile ItemRecord(const unsigned char* item) {
    return {0, static_cast<std::uint32_t>(data::ItemSize(item)), data::ItemBytes(item)};
}

// Pixel coordinates with the origin at the bottom left, for the text pass.
void PushBottomLeftPixelProjection() {
    gl::MatrixMode(GL_MODELVIEW);
    gl::PushMatrix();
    gl::LoadIdentity();
    gl::MatrixMode(GL_PROJECTION);
    gl::PushMatrix();
    gl::LoadIdentity();
    gl::Ortho(0.0, kScreenWidth, 0.0, kScreenHeight, -1.0, 1.0);
}

void PopBottomLeftPixelProjection() {
    gl::PopMatrix();
    gl::MatrixMode(GL_MODELVIEW);
    gl::PopMatrix();
}

// The glyph lists of the text, starting at the left edge with the baseline
// half the font height above the bottom, in the current raster colour.
void DrawTextBottomLeft(const TextFont& font, std::string_view text) {
    GLint listBase = 0;
    gl::GetIntegerv(GL_LIST_BASE, &listBase);
    gl::ListBase(FontListBase);
    gl::RasterPos3i(0, font.height / 2, 0);
    gl::CallLists(static_cast<GLsizei>(text.size()), reinterpret_cast<const GLubyte*>(text.data()));
    gl::ListBase(static_cast<GLuint>(listBase));
}

// Level 0 starts black so that the part of a texture wider (or higher) than
// the window, which the copy cannot reach, is black rather than undefined.
void CopyBottomLeftOfBackBuffer(int width, int height) {
    const std::vector<GLubyte> black(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
    gl::TexImage2D(kTextTextureComponents, width, height, GL_RGBA, black.data());
    gl::CopyTexSubImage2D(std::min(width, kScreenWidth), std::min(height, kScreenHeight));
    gl::TexEnvi(GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gl::TexParameteri(GL_TEXTURE_WRAP_S, GL_REPEAT);
    gl::TexParameteri(GL_TEXTURE_WRAP_T, GL_REPEAT);
    gl::TexParameteri(GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl::TexParameteri(GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void ShowBlackFrame(platform::Window& window) {
    UseTopLeftPixelProjection();
    gl::ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl::Color4f(1.0f, 1.0f, 1.0f, 1.0f);
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::Flush();
    window.SwapBuffers();
}

void BuildTextTextures(Resources& set) {
    for (int k = 0; k < kScrollerTextCount; ++k) {
        set.textures[kFirstTextSlot + k] = BuildTextTexture(*set.font, ScrollerTexts[k], set.textWidths[k]);
    }
}

// Text 0 added onto a black screen at its own size, in the top-left-origin
// projection that the black frame set up.
void ShowLoadingScreen(const Resources& set) {
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::CullFace(GL_BACK);  // stays selected for the scenes that follow
    BeginAdditiveOverlay();
    gl::Color4f(1.0f, 1.0f, 1.0f, 1.0f);
    set.font->DrawTextQuad(*set.textures[kFirstTextSlot], set.textWidths[0], kLoadingTextX, kLoadingTextY);
    gl::Flush();
    set.window->SwapBuffers();
    RestoreSceneState();
}

bool DecodePicture(Resources& set, int slot, const MemoryFile& blob) {
    set.textures[slot] = DecodeImageBlob(blob);
    return set.textures[slot] != nullptr;
}

// A rejected script leaves its texture named but without an image; that is
// not a loading failure.
void GenerateTexture(Resources& set, TextureGenerator& generator, int slot, const unsigned char* script) {
    set.textures[slot] = std::make_unique<Texture>();
    RunTextureScript(generator, ItemRecord(script), *set.textures[slot]);
}

void GenerateTextures(Resources& set) {
    auto generator = std::make_unique<TextureGenerator>();
    set.generator = generator.get();
    GenerateTexture(set, *generator, kGeneratedTexture1Slot, data::textureScript1);
    GenerateTexture(set, *generator, kGeneratedTexture2Slot, data::textureScript2);
    set.generator = nullptr;
}

}  // namespace

PictureBlobs EmbeddedPictures() { return {ItemRecord(data::picture1), ItemRecord(data::picture2)}; }

int PowerOfTwoAtLeast(int pixels) {
    int side = 1;
    while (side < pixels && side < kLargestSide) side *= 2;
    return side;
}

std::unique_ptr<Texture> BuildTextTexture(const TextFont& font, std::string_view text, int& width) {
    PushBottomLeftPixelProjection();
    gl::Color4f(1.0f, 1.0f, 1.0f, 1.0f);
    gl::Clear(GL_COLOR_BUFFER_BIT);
    DrawTextBottomLeft(font, text);

    width = PowerOfTwoAtLeast(font.TextWidth(text));
    auto texture = std::make_unique<Texture>();
    texture->Bind();
    CopyBottomLeftOfBackBuffer(width, PowerOfTwoAtLeast(2 * font.height));

    gl::Clear(GL_COLOR_BUFFER_BIT);
    PopBottomLeftPixelProjection();
    return texture;
}

void BuildResources(Resources& set, const PictureBlobs& pictures) {
    set.loaded = false;
    ShowBlackFrame(*set.window);
    // Nothing is swapped while the texts are drawn: they are never seen so.
    BuildTextTextures(set);
    ShowLoadingScreen(set);
    if (!DecodePicture(set, kPicture1Slot, pictures.picture1)) return;
    if (!DecodePicture(set, kPicture2Slot, pictures.picture2)) return;
    GenerateTextures(set);
    set.loaded = true;
}

LoaderScene::LoaderScene(platform::Window& window, PictureBlobs pictures)
    : set(CreateResources(window)), pictures(pictures) {
    resources = set.get();
}

// The shared pointer must not outlive the set it points at.
LoaderScene::~LoaderScene() {
    if (resources == set.get()) resources = nullptr;
}

bool LoaderScene::Start() {
    BuildResources(*set, pictures);
    return set->loaded;
}

}  // namespace zint
