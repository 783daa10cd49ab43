#pragma once
// The first scene. All loading happens in its Start: the eleven texts are
// rendered into textures, the loading screen is shown, the two pictures are
// decoded and the two generated textures made. Its verdict, `loaded`, is
// both Start's result and IsFinished's answer; the start-up reads it once.
#include <array>
#include <memory>
#include <string_view>

#include "app/scene.h"
#include "data/memory_file.h"
#include "gfx/resources.h"
#include "gfx/text_font.h"
#include "gfx/texture.h"
#include "platform/window.h"

namespace zint {

// Text 0 is the loading line, texts 1 to 3 the credits of the end scene,
// texts 4 to 10 the boids scene's messages.
inline constexpr std::array<std::string_view, kScrollerTextCount> ScrollerTexts{
    "loading shite intro..",
    "code by tov",
    "music by quib",
    "node sign by Mirvet",
    "how shit was that tunnel.. you'd think I'd know better..",
    "anyways, yeah, erm.. vote for Plovrek's entry",
    "he actually cares about winning and all that",
    "this was entered just to make sure the intro compo was held",
    "and there'll be no ironic voting for this piece of shit",
    "so, just put Plovrek's entry numero uno and no one gets hurt",
    "in the mean time, enjoy the crappy boids below.",
};

// Where the loading line's box has its top-left corner on the loading screen.
inline constexpr float kLoadingTextX = 340.0f;
inline constexpr float kLoadingTextY = 340.0f;

// The two picture blobs, each a record over the blob's bytes.
struct PictureBlobs {
    MemoryFile picture1;
    MemoryFile picture2;
};

// The pictures carried in the executable.
PictureBlobs EmbeddedPictures();

// The smallest power of two at or above `pixels`; 1 when `pixels` is 1 or less.
int PowerOfTwoAtLeast(int pixels);

// Renders the text in white on black at the bottom-left of the back buffer
// (baseline half the font height up) and copies it into a new texture as wide
// as the power of two at or above its advance sum, which `width` receives, and
// as high as the power of two at or above twice the font height. Texels the
// window cannot supply stay black. Leaves the colour buffer cleared and the
// matrices as they were.
std::unique_ptr<Texture> BuildTextTexture(const TextFont& font, std::string_view text, int& width);

// Fills `set` step by step: black frame, text textures, loading screen,
// pictures, generated textures, then `loaded`. Stops at the first picture
// that does not decode, leaving `loaded` false and what follows unmade.
void BuildResources(Resources& set, const PictureBlobs& pictures);

class LoaderScene final : public Scene {
public:
    // Creates the shared resources on the window and publishes them in
    // `resources`, for the scenes constructed after this one.
    explicit LoaderScene(platform::Window& window, PictureBlobs pictures = EmbeddedPictures());
    ~LoaderScene() override;
    LoaderScene(const LoaderScene&) = delete;
    LoaderScene& operator=(const LoaderScene&) = delete;

    bool Start() override;
    void Update(float) override {}
    void Render() override {}
    bool IsFinished() override { return set->loaded; }

private:
    std::unique_ptr<Resources> set;
    PictureBlobs pictures;
};

}  // namespace zint
