#include "scenes/loader_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/startup.h"
#include "data/items.h"
#include "gfx/draw_state.h"
#include "scenes/texture_generator.h"
#include "tests/support/fakes.h"
#include "tests/scenes/scene_gl.h"

namespace zint {
namespace {

using test::CallLog;
using test::Frame;

// The real window, keeping every frame as it is swapped and writing the
// swaps and the teardown to the log.
class FrameRecordingWindow final : public platform::Window {
public:
    FrameRecordingWindow(std::unique_ptr<platform::Window> real, CallLog& log) : real(std::move(real)), log(log) {}
    bool Created() const override { return real->Created(); }
    platform::WindowEvent PollEvent() override { return real->PollEvent(); }
    void SwapBuffers() override {
        log.push_back("swap");
        frames.emplace_back();
        real->SwapBuffers();
    }
    void Destroy() override {
        log.push_back("destroy");
        real->Destroy();
    }
    std::unique_ptr<platform::Window> real;
    CallLog& log;
    std::vector<Frame> frames;
};

// A copy of an embedded picture whose magic no longer reads "KNOT".
struct BrokenPicture {
    explicit BrokenPicture(const unsigned char* item)
        : bytes(data::ItemBytes(item), data::ItemBytes(item) + data::ItemSize(item)) {
        bytes[0] = 'X';
    }
    MemoryFile Record() const { return {0, static_cast<std::uint32_t>(bytes.size()), bytes.data()}; }
    std::vector<std::uint8_t> bytes;
};

// Level 0 of a texture, RGBA, row 0 first.
struct TexelImage {
    explicit TexelImage(const Texture& texture) {
        texture.Bind();
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        rgba.resize(static_cast<std::size_t>(width * height * 4));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    const std::uint8_t* At(int column, int row) const { return &rgba[static_cast<std::size_t>((row * width + column) * 4)]; }
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

class LoaderSceneTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        recorder = std::make_unique<FrameRecordingWindow>(std::move(window), log);
    }
    std::unique_ptr<LoaderScene> MakeLoader(PictureBlobs pictures = EmbeddedPictures()) {
        return std::make_unique<LoaderScene>(*recorder, pictures);
    }
    CallLog log;
    std::unique_ptr<FrameRecordingWindow> recorder;
};

TEST(PowerOfTwoAtLeast, RoundsUpToThePowerOfTwoAndNeverBelowOne) {
    for (const auto& [pixels, side] : {std::pair{256, 256}, {257, 512}, {3, 4}, {2, 2}, {1, 1}, {0, 1}, {-7, 1}}) {
        EXPECT_EQ(PowerOfTwoAtLeast(pixels), side) << pixels;
    }
}

TEST_F(LoaderSceneTest, FillsTheFifteenSlotsWithTextsAsWideAsTheirPowerOfTwoAnd64High) {
    auto loader = MakeLoader();
    ASSERT_NE(resources, nullptr) << "construction publishes the shared set";
    EXPECT_FALSE(loader->IsFinished()) << "nothing is loaded before Start";
    EXPECT_TRUE(loader->Start());
    EXPECT_TRUE(loader->IsFinished() && resources->loaded);
    std::vector<GLuint> names;
    for (const auto& texture : resources->textures) {
        ASSERT_NE(texture, nullptr);
        EXPECT_TRUE(glIsTexture(texture->name));
        names.push_back(texture->name);
    }
    std::ranges::sort(names);
    EXPECT_EQ(std::ranges::adjacent_find(names), names.end()) << "fifteen distinct textures";
    EXPECT_EQ(resources->generator, nullptr) << "the freed generator is not left behind";
    EXPECT_EQ(TexelImage(*resources->textures[kGeneratedTexture2Slot]).width, 256);
    for (int k = 0; k < kScrollerTextCount; ++k) {
        const int advances = resources->font->TextWidth(ScrollerTexts[k]);
        const int width = resources->textWidths[k];
        ASSERT_GT(advances, 1) << "the font must give the texts a width";
        EXPECT_TRUE(width >= advances && width / 2 < advances && (width & (width - 1)) == 0) << k << ": " << width;
        const TexelImage texels(*resources->textures[kFirstTextSlot + k]);
        EXPECT_EQ(std::pair(texels.width, texels.height), std::pair(width, 64)) << k;
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(minFilter, GL_LINEAR) << "no mipmaps";
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    loader.reset();
    EXPECT_EQ(resources, nullptr) << "destroying the scene withdraws the shared set";
}

TEST_F(LoaderSceneTest, TextSitsOnItsBaselineAtTheLeftInWhiteAndIsBlackBeyondTheWindow) {
    const auto loader = MakeLoader();  // creates the font
    const TextFont& font = *resources->font;
    int width = 0;
    const TexelImage texels(*BuildTextTexture(font, "HHH", width));
    EXPECT_EQ(width, PowerOfTwoAtLeast(3 * font.advances['H']));
    int lowestRow = 64, highestRow = -1, leftmostColumn = width;
    for (int row = 0; row < texels.height; ++row) {
        for (int column = 0; column < texels.width; ++column) {
            const std::uint8_t* texel = texels.At(column, row);
            if (texel[0] == 0) continue;
            ASSERT_TRUE(texel[0] == 255 && texel[1] == 255 && texel[2] == 255) << "white on black";
            lowestRow = std::min(lowestRow, row);
            highestRow = std::max(highestRow, row);
            leftmostColumn = std::min(leftmostColumn, column);
        }
    }
    EXPECT_EQ(lowestRow, 16) << "the baseline is half the font height above the bottom";
    EXPECT_TRUE(highestRow > 32 && highestRow < 64) << "capitals rise well above the baseline";
    EXPECT_LT(leftmostColumn, 4) << "the text starts at the left edge";
    EXPECT_EQ(PixelAt(leftmostColumn, 479 - lowestRow).r, 0) << "the buffer is cleared after";

    // A previous upload of the same size leaves white memory that an undefined texel could show.
    {
        Texture dirty;
        dirty.Bind();
        const std::vector<GLubyte> white(1024 * 64 * 4, 255);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, 1024, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
        glDeleteTextures(1, &dirty.name);
    }
    const TexelImage wide(*BuildTextTexture(font, std::string(640 / std::max(1, font.advances['W']) + 2, 'W'), width));
    ASSERT_EQ(width, 1024);
    bool litInside = false;
    for (int row = 0; row < wide.height; ++row) {
        for (int column = 0; column < wide.width; ++column) {
            const std::uint8_t* texel = wide.At(column, row);
            if (column < 640) litInside = litInside || texel[0] == 255;
            else ASSERT_EQ(texel[0] | texel[1] | texel[2] | texel[3], 0) << column << ", " << row;
        }
    }
    EXPECT_TRUE(litInside);
}

TEST_F(LoaderSceneTest, ShowsABlackFrameThenText0AtItsOwnSizeAt340AndLeavesTheSceneState) {
    const auto loader = MakeLoader();
    loader->Start();
    ASSERT_EQ(recorder->frames.size(), 2u) << "a black frame, then the loading screen";
    EXPECT_TRUE(std::ranges::all_of(recorder->frames[0].rgb, [](std::uint8_t v) { return v == 0; }));
    const Frame& screen = recorder->frames[1];
    const int w0 = resources->textWidths[0];
    const TexelImage text(*resources->textures[kFirstTextSlot]);
    int lit = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const test::Rgb pixel = screen.At(x, y);
            if (x < 340 || x >= 340 + w0 || y < 340 || y >= 340 + 64) {
                ASSERT_EQ(pixel.r | pixel.g | pixel.b, 0) << "outside the box at " << x << ", " << y;
                continue;
            }
            // One texel per pixel, the texture's first row at the bottom.
            ASSERT_EQ(pixel.r, text.At(x - 340, 340 + 63 - y)[0]) << x << ", " << y;
            ASSERT_TRUE(pixel.r == pixel.g && pixel.g == pixel.b) << "white text at " << x << ", " << y;
            lit += pixel.r == 255;
        }
    }
    EXPECT_GT(lit, 200) << "the loading line is visible";

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D));
    const std::vector<GLenum> names{GL_CULL_FACE_MODE, GL_MATRIX_MODE, GL_LIST_BASE, GL_MODELVIEW_STACK_DEPTH,
                                    GL_PROJECTION_STACK_DEPTH};
    std::vector<GLint> values;
    for (const GLenum name : names) glGetIntegerv(name, &values.emplace_back());
    EXPECT_EQ(values, (std::vector<GLint>{GL_BACK, GL_MODELVIEW, 0, 1, 1}));
    std::array<GLfloat, 16> projection{};
    std::array<GLfloat, 16> modelview{};
    std::array<GLfloat, 4> clear{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    // Top-left pixel origin, y growing downwards.
    EXPECT_EQ((std::array{projection[0], projection[5], projection[12], projection[13]}),
              (std::array{2.0f / 640.0f, -2.0f / 480.0f, -1.0f, 1.0f}));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    EXPECT_EQ(clear, (std::array<GLfloat, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
}

TEST_F(LoaderSceneTest, BrokenPictureStopsTheBuildKeepingWhatCameBefore) {
    for (const unsigned char* item : {data::picture1, data::picture2}) {
        const BrokenPicture broken(item);
        const PictureBlobs embedded = EmbeddedPictures();
        const bool first = item == data::picture1;
        recorder->frames.clear();
        const auto loader = MakeLoader({first ? broken.Record() : embedded.picture1,
                                        first ? embedded.picture2 : broken.Record()});
        EXPECT_FALSE(loader->Start());
        EXPECT_FALSE(loader->IsFinished() || resources->loaded);
        EXPECT_EQ(resources->textures[kPicture1Slot] == nullptr, first);
        for (int slot = kPicture2Slot; slot <= kGeneratedTexture2Slot; ++slot) {
            EXPECT_EQ(resources->textures[slot], nullptr) << "slot " << slot << " stays unset";
        }
        for (int slot = kFirstTextSlot; slot < kTextureSlots; ++slot) EXPECT_NE(resources->textures[slot], nullptr);
        EXPECT_EQ(recorder->frames.size(), 2u) << "the loading screen was still shown";
    }
}

// A script's uploads reach the texture row 0 first; the sampling state and
// mipmaps of every upload are checked in tests/gfx/texture_gl_test.cpp.
TEST_F(LoaderSceneTest, ScriptsLastUploadWinsAndARejectedScriptUploadsNothing) {
    TextureGenerator g;
    Texture texture;
    std::vector<std::uint8_t> script = {
        0x94, 0x3C, 0, 0, 4, 4,      //
        7, 0, 128, 64, 32, 0, 0, 0,  // RadialGlow 0
        0, 0, 0, 0, 0, 0, 0, 0,      // UploadLayer 0
        13, 0, 1, 0, 0, 0, 0, 0,     // InvertLayer 0 -> 1
        0, 1, 0, 0, 0, 0, 0, 0,      // UploadLayer 1
    };
    ASSERT_TRUE(RunTextureScript(g, {0, static_cast<std::uint32_t>(script.size()), script.data()}, texture));
    const TexelImage texels(texture);
    ASSERT_EQ(texels.width * texels.height, g.layerPixels);
    for (int i = 0; i < g.layerPixels; ++i) {
        ASSERT_TRUE(std::equal(g.layers[1] + i * 3, g.layers[1] + i * 3 + 3, &texels.rgba[static_cast<std::size_t>(i) * 4]))
            << i;
    }
    EXPECT_NE(g.layers[0][0], g.layers[1][0]);
    Texture untouched;
    script[4] = 5;
    EXPECT_FALSE(RunTextureScript(g, {0, static_cast<std::uint32_t>(script.size()), script.data()}, untouched));
    EXPECT_EQ(TexelImage(untouched).width, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The real platform, with its error messages written to the log instead.
class RecordingSdlSystem final : public platform::System {
public:
    explicit RecordingSdlSystem(CallLog& log) : log(log) {}
    std::unique_ptr<platform::Window> CreateWindow(int width, int height, bool fullScreen) override {
        auto window = std::make_unique<FrameRecordingWindow>(real->CreateWindow(width, height, fullScreen), log);
        lastWindow = window.get();
        return window;
    }
    platform::Clock& GetClock() override { return real->GetClock(); }
    void ShowError(platform::Window* owner, std::string_view text) override {
        log.push_back(std::string(owner == lastWindow ? "error(owned):" : "error:") + std::string(text));
    }
    std::unique_ptr<platform::SoundDevice> CreateSoundDevice() override {
        return std::make_unique<test::FakeSoundDevice>(true, &log);
    }
    CallLog& log;
    std::unique_ptr<platform::System> real = platform::CreateSdlSystem();
    platform::Window* lastWindow = nullptr;
};

TEST(LoaderSceneStartUp, BrokenFirstPictureEndsWithTheLoadMessageBeforeTheMainLoop) {
    CallLog log;
    RecordingSdlSystem system(log);
    const BrokenPicture broken(data::picture1);
    const LineUpBuilder lineUp = [&](SceneList& scenes, platform::Window& window) {
        log.push_back("lineup");
        scenes.Append(std::make_unique<LoaderScene>(window, PictureBlobs{broken.Record(), EmbeddedPictures().picture2}));
        scenes.Append(std::make_unique<test::RecordingScene>(log, "next", 1));
    };
    EXPECT_EQ(RunIntro("-windowed", system, {lineUp, data::ItemSpan(data::musicModule)}), 0);
    // Black frame, loading screen, message, teardown; no music and no scene after the loader.
    EXPECT_EQ(log, (CallLog{"sound:open", "lineup", "swap", "swap", "error(owned):" + std::string(kLoadFailedMessage),
                            "destroy", "sound:reset"}));
    EXPECT_EQ(resources, nullptr) << "the scenes are gone with the start-up";
}

}  // namespace
}  // namespace zint
