#include "scenes/loader_scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.h"
#include "data/items.h"
#include "gfx/draw_state.h"
#include "tests/support/fakes.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

using test::CallLog;
using test::Rgb;

// One shown frame, as it was in the back buffer when it was swapped.
struct Frame {
    std::vector<std::uint8_t> rgb;

    Rgb At(int x, int y) const {
        const std::uint8_t* p = &rgb[static_cast<std::size_t>(((kScreenHeight - 1 - y) * kScreenWidth + x) * 3)];
        return {p[0], p[1], p[2]};
    }
};

Frame ReadBackBuffer() {
    Frame frame{std::vector<std::uint8_t>(static_cast<std::size_t>(kScreenWidth * kScreenHeight * 3))};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kScreenWidth, kScreenHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    return frame;
}

// The real window, with every frame kept as it is shown and the swaps and
// the teardown written to the log.
class FrameRecordingWindow final : public platform::Window {
public:
    FrameRecordingWindow(std::unique_ptr<platform::Window> real, CallLog& log) : real(std::move(real)), log(log) {}

    bool Created() const override { return real->Created(); }
    platform::WindowEvent PollEvent() override { return real->PollEvent(); }
    void SwapBuffers() override {
        log.push_back("swap");
        frames.push_back(ReadBackBuffer());
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

// A copy of an embedded picture whose magic no longer reads "KNOT".
struct BrokenPicture {
    explicit BrokenPicture(const unsigned char* item)
        : bytes(data::ItemBytes(item), data::ItemBytes(item) + data::ItemSize(item)) {
        bytes[0] = 'X';
    }
    MemoryFile Record() const { return {0, static_cast<std::uint32_t>(bytes.size()), bytes.data()}; }

    std::vector<std::uint8_t> bytes;
};

struct TexelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    const std::uint8_t* At(int column, int row) const {
        return &rgba[static_cast<std::size_t>((row * width + column) * 4)];
    }
    bool Lit(int column, int row) const { return At(column, row)[0] > 127; }
};

TexelImage LevelZero(const Texture& texture) {
    texture.Bind();
    TexelImage image;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.rgba.resize(static_cast<std::size_t>(image.width * image.height * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

class LoaderSceneTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        recorder = std::make_unique<FrameRecordingWindow>(std::move(window), log);
    }

    // A loader over the embedded pictures unless told otherwise.
    std::unique_ptr<LoaderScene> MakeLoader(PictureBlobs pictures = EmbeddedPictures()) {
        return std::make_unique<LoaderScene>(*recorder, pictures);
    }

    CallLog log;
    std::unique_ptr<FrameRecordingWindow> recorder;
};

TEST(PowerOfTwoAtLeast, RoundsUpToThePowerOfTwoAndNeverBelowOne) {
    EXPECT_EQ(PowerOfTwoAtLeast(256), 256);
    EXPECT_EQ(PowerOfTwoAtLeast(257), 512);
    EXPECT_EQ(PowerOfTwoAtLeast(64), 64);
    EXPECT_EQ(PowerOfTwoAtLeast(3), 4);
    EXPECT_EQ(PowerOfTwoAtLeast(2), 2);
    EXPECT_EQ(PowerOfTwoAtLeast(1), 1);
    EXPECT_EQ(PowerOfTwoAtLeast(0), 1);
    EXPECT_EQ(PowerOfTwoAtLeast(-7), 1);
}

TEST_F(LoaderSceneTest, FillsEveryOneOfTheFifteenSlotsAndSaysLoaded) {
    const auto loader = MakeLoader();
    ASSERT_NE(resources, nullptr) << "construction publishes the shared set";
    EXPECT_FALSE(loader->IsFinished()) << "nothing is loaded before Start";

    EXPECT_TRUE(loader->Start());
    EXPECT_TRUE(loader->IsFinished());
    EXPECT_TRUE(loader->IsFinished());
    EXPECT_TRUE(resources->loaded);
    std::vector<GLuint> names;
    for (const auto& texture : resources->textures) {
        ASSERT_NE(texture, nullptr);
        EXPECT_TRUE(glIsTexture(texture->name));
        names.push_back(texture->name);
    }
    std::ranges::sort(names);
    EXPECT_EQ(std::ranges::adjacent_find(names), names.end()) << "fifteen distinct textures";
    EXPECT_EQ(resources->generator, nullptr) << "the freed generator is not left behind";
    EXPECT_EQ(LevelZero(*resources->textures[kGeneratedTexture2Slot]).width, 256);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LoaderSceneTest, TextTexturesAreThePowerOfTwoAtOrAboveTheirAdvancesAnd64High) {
    const auto loader = MakeLoader();
    loader->Start();
    for (int k = 0; k < kScrollerTextCount; ++k) {
        const int advances = resources->font->TextWidth(ScrollerTexts[k]);
        const int width = resources->textWidths[k];
        ASSERT_GT(advances, 1) << "the font must give the texts a width";
        EXPECT_GE(width, advances) << k;
        EXPECT_LT(width / 2, advances) << k;
        EXPECT_EQ(width & (width - 1), 0) << k;

        const Texture& texture = *resources->textures[kFirstTextSlot + k];
        const TexelImage texels = LevelZero(texture);
        EXPECT_EQ(texels.width, width) << k;
        EXPECT_EQ(texels.height, 64) << k;
        GLint minFilter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        EXPECT_EQ(minFilter, GL_LINEAR) << "no mipmaps";
        // Whatever the window could not supply is black.
        for (int row = 0; row < texels.height; ++row) {
            for (int column = kScreenWidth; column < texels.width; ++column) {
                ASSERT_EQ(texels.At(column, row)[0], 0) << k << " at " << column << ", " << row;
            }
        }
    }
}

TEST_F(LoaderSceneTest, TextSitsOnItsBaselineAtTheLeftEdgeInWhiteAndTheBufferIsClearedAfter) {
    const auto loader = MakeLoader();  // creates the font
    const TextFont& font = *resources->font;
    int width = 0;
    const auto texture = BuildTextTexture(font, "HHH", width);
    EXPECT_EQ(width, PowerOfTwoAtLeast(3 * font.advances['H']));

    const TexelImage texels = LevelZero(*texture);
    int lowestRow = texels.height;
    int highestRow = -1;
    int leftmostColumn = texels.width;
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
    EXPECT_GT(highestRow, 32) << "capitals rise well above the baseline";
    EXPECT_LT(highestRow, 64);
    EXPECT_LT(leftmostColumn, 4) << "the text starts at the left edge";
    EXPECT_EQ(PixelAt(leftmostColumn, kScreenHeight - 1 - lowestRow).r, 0);
}

TEST_F(LoaderSceneTest, TextureOfATextWiderThanTheWindowIsBlackBeyondIt) {
    const auto loader = MakeLoader();
    const TextFont& font = *resources->font;
    const std::string text(kScreenWidth / std::max(1, font.advances['W']) + 2, 'W');
    // A previous upload of the same size leaves white memory that an
    // undefined texel could show.
    {
        Texture dirty;
        dirty.Bind();
        const std::vector<GLubyte> white(1024 * 64 * 4, 255);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, 1024, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, white.data());
        glDeleteTextures(1, &dirty.name);
    }
    int width = 0;
    const auto texture = BuildTextTexture(font, text, width);
    ASSERT_EQ(width, 1024);

    const TexelImage texels = LevelZero(*texture);
    bool litInside = false;
    for (int row = 0; row < texels.height; ++row) {
        for (int column = 0; column < texels.width; ++column) {
            const std::uint8_t* texel = texels.At(column, row);
            if (column < kScreenWidth) {
                litInside = litInside || texel[0] == 255;
                continue;
            }
            ASSERT_EQ(texel[0] | texel[1] | texel[2] | texel[3], 0) << column << ", " << row;
        }
    }
    EXPECT_TRUE(litInside);
}

TEST_F(LoaderSceneTest, LoadingScreenFollowsOneBlackFrameAndShowsText0AtItsOwnSizeAt340) {
    const auto loader = MakeLoader();
    loader->Start();
    ASSERT_EQ(recorder->frames.size(), 2u) << "a black frame, then the loading screen";

    const Frame& black = recorder->frames[0];
    EXPECT_TRUE(std::ranges::all_of(black.rgb, [](std::uint8_t v) { return v == 0; }));

    const Frame& screen = recorder->frames[1];
    const int w0 = resources->textWidths[0];
    const TexelImage text = LevelZero(*resources->textures[kFirstTextSlot]);
    ASSERT_EQ(text.width, w0);
    int lit = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            const Rgb pixel = screen.At(x, y);
            const bool inBox = x >= 340 && x < 340 + w0 && y >= 340 && y < 340 + 64;
            if (!inBox) {
                ASSERT_EQ(pixel.r | pixel.g | pixel.b, 0) << "outside the box at " << x << ", " << y;
                continue;
            }
            // One texel per pixel, the texture's first row at the bottom.
            const std::uint8_t* texel = text.At(x - 340, 340 + 63 - y);
            ASSERT_EQ(pixel.r, texel[0]) << x << ", " << y;
            ASSERT_TRUE(pixel.r == pixel.g && pixel.g == pixel.b) << "white text at " << x << ", " << y;
            lit += pixel.r == 255 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 200) << "the loading line is visible";
}

TEST_F(LoaderSceneTest, LeavesTheStateTheFollowingScenesRelyOn) {
    const auto loader = MakeLoader();
    loader->Start();
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_LIST_BASE, &value);
    EXPECT_EQ(value, 0) << "the list base is restored after every text";

    std::array<GLfloat, 16> projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    EXPECT_FLOAT_EQ(projection[0], 2.0f / 640.0f);
    EXPECT_FLOAT_EQ(projection[5], -2.0f / 480.0f) << "y grows downwards";
    EXPECT_FLOAT_EQ(projection[12], -1.0f);
    EXPECT_FLOAT_EQ(projection[13], 1.0f);
    std::array<GLfloat, 16> modelview{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    std::array<GLfloat, 4> clear{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(clear, (std::array<GLfloat, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST_F(LoaderSceneTest, BrokenFirstPictureStopsTheBuildWithTheTextsMadeAndNothingAfter) {
    const BrokenPicture broken(data::picture1);
    const auto loader = MakeLoader({broken.Record(), EmbeddedPictures().picture2});
    EXPECT_FALSE(loader->Start());
    EXPECT_FALSE(loader->IsFinished());
    EXPECT_FALSE(loader->IsFinished());
    EXPECT_FALSE(resources->loaded);
    for (int slot = kPicture1Slot; slot <= kGeneratedTexture2Slot; ++slot) {
        EXPECT_EQ(resources->textures[slot], nullptr) << "slot " << slot << " stays unset";
    }
    for (int slot = kFirstTextSlot; slot < kTextureSlots; ++slot) EXPECT_NE(resources->textures[slot], nullptr);
    EXPECT_EQ(recorder->frames.size(), 2u) << "the loading screen was still shown";
}

TEST_F(LoaderSceneTest, BrokenSecondPictureKeepsTheFirst) {
    const BrokenPicture broken(data::picture2);
    const auto loader = MakeLoader({EmbeddedPictures().picture1, broken.Record()});
    EXPECT_FALSE(loader->Start());
    EXPECT_NE(resources->textures[kPicture1Slot], nullptr);
    for (int slot = kPicture2Slot; slot <= kGeneratedTexture2Slot; ++slot) {
        EXPECT_EQ(resources->textures[slot], nullptr) << "slot " << slot;
    }
}

TEST_F(LoaderSceneTest, DestroyingTheSceneWithdrawsTheSharedSet) {
    auto loader = MakeLoader();
    ASSERT_NE(resources, nullptr);
    loader.reset();
    EXPECT_EQ(resources, nullptr);
}

TEST(LoaderSceneStartUp, BrokenFirstPictureEndsWithTheLoadMessageBeforeTheMainLoop) {
    CallLog log;
    RecordingSdlSystem system(log);
    const BrokenPicture broken(data::picture1);
    const LineUpBuilder lineUp = [&](SceneList& scenes, platform::Window& window) {
        log.push_back("lineup");
        const PictureBlobs pictures{broken.Record(), EmbeddedPictures().picture2};
        scenes.Append(std::make_unique<LoaderScene>(window, pictures));
        scenes.Append(std::make_unique<test::RecordingScene>(log, "next", 1));
    };

    EXPECT_EQ(RunIntro("-windowed", system, {lineUp, data::ItemSpan(data::musicModule)}), 0);
    const CallLog expected{"sound:open", "lineup", "swap", "swap",
                           std::string("error(owned):") + std::string(kLoadFailedMessage), "destroy", "sound:reset"};
    EXPECT_EQ(log, expected) << "black frame, loading screen, message, teardown; no music and no scene after the "
                                "loader";
    EXPECT_EQ(kLoadFailedMessage, "Unable to load data (most likely the codec thing)\r\nInform tov");
    EXPECT_EQ(resources, nullptr) << "the scenes are gone with the start-up";
}

}  // namespace
}  // namespace zint
