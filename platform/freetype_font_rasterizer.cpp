#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <strings.h>

#include "platform/font_rasterizer.h"
#include "platform/font_stand_ins.h"

namespace zint::platform {

namespace {

struct FaceFile {
    std::string path;
    int index = 0;
    std::string family;
    double setWidth = 1.0;  // glyph width relative to the face's own
};

bool HasFamily(FcPattern* pattern, std::string_view family) {
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
        if (family.size() == std::strlen(reinterpret_cast<const char*>(value)) &&
            strncasecmp(reinterpret_cast<const char*>(value), family.data(), family.size()) == 0) {
            return true;
        }
    }
    return false;
}

// The file fontconfig offers for the family; with exactFamily, only when it
// is that family and not a substitute.
std::optional<FaceFile> MatchFace(std::string_view family, int weight, bool exactFamily) {
    const std::string familyName(family);
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyName.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;

    std::optional<FaceFile> face;
    FcChar8* path = nullptr;
    FcChar8* matchedFamily = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        (!exactFamily || HasFamily(match, family))) {
        face = FaceFile{reinterpret_cast<const char*>(path), 0, familyName};
        FcPatternGetInteger(match, FC_INDEX, 0, &face->index);
        if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch) {
            face->family = reinterpret_cast<const char*>(matchedFamily);
        }
    }
    FcPatternDestroy(match);
    return face;
}

std::optional<FaceFile> ChooseFace(std::string_view faceName, int weight) {
    if (auto face = MatchFace(faceName, weight, true)) return face;
    for (const FaceRequest& standIn : kStandIns) {
        if (auto face = MatchFace(standIn.family, standIn.weight, true)) {
            face->family = standIn.family;
            face->setWidth = standIn.setWidth;
            return face;
        }
    }
    return MatchFace(faceName, weight, false);
}

// The em size in whole pixels that makes ascent plus descent cellHeight
// pixels, with the ascent and descent the face declares for Windows.
FT_UInt PixelsPerEm(FT_Face face, int cellHeight) {
    long cellUnits = face->ascender - face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) cellUnits = os2->usWinAscent + os2->usWinDescent;
    }
    if (cellUnits <= 0 || face->units_per_EM == 0) return static_cast<FT_UInt>(cellHeight);
    const double pixels = static_cast<double>(cellHeight) * face->units_per_EM / static_cast<double>(cellUnits);
    return static_cast<FT_UInt>(std::lround(pixels));
}

GlyphBitmap CopyBitmap(const FT_GlyphSlot slot) {
    const FT_Bitmap& source = slot->bitmap;
    GlyphBitmap glyph;
    glyph.width = static_cast<int>(source.width);
    glyph.rows = static_cast<int>(source.rows);
    glyph.pitch = (glyph.width + 7) / 8;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.bits.assign(static_cast<std::size_t>(glyph.pitch * glyph.rows), 0);
    for (int row = 0; row < glyph.rows; ++row) {
        // A negative pitch means FreeType stored the rows bottom first.
        const int sourceRow = source.pitch >= 0 ? row : glyph.rows - 1 - row;
        const unsigned char* line = source.buffer + static_cast<std::ptrdiff_t>(sourceRow) * std::abs(source.pitch);
        for (int x = 0; x < glyph.width; ++x) {
            const bool set = source.pixel_mode == FT_PIXEL_MODE_MONO ? (line[x / 8] >> (7 - x % 8) & 1) != 0
                                                                       : line[x] >= 128;
            if (set) glyph.bits[static_cast<std::size_t>(row * glyph.pitch + x / 8)] |= 0x80 >> (x % 8);
        }
    }
    return glyph;
}

class FreeTypeFontRasterizer final : public FontRasterizer {
public:
    FreeTypeFontRasterizer(FT_Library library, FT_Face face, std::string family)
        : library(library), face(face), family(std::move(family)) {}
    ~FreeTypeFontRasterizer() override {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    FreeTypeFontRasterizer(const FreeTypeFontRasterizer&) = delete;
    FreeTypeFontRasterizer& operator=(const FreeTypeFontRasterizer&) = delete;

    std::string FamilyName() const override { return family; }

    GlyphBitmap Render(char32_t codePoint) override {
        const FT_UInt index = FT_Get_Char_Index(face, codePoint);
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return {};
        return CopyBitmap(face->glyph);
    }

private:
    FT_Library library;
    FT_Face face;
    std::string family;
};

FT_Error SetPixelSize(FT_Face face, FT_UInt pixelsPerEm, double setWidth) {
    const auto width = static_cast<FT_UInt>(static_cast<double>(pixelsPerEm) * setWidth + 0.5);
    return FT_Set_Pixel_Sizes(face, width, pixelsPerEm);
}

}  // namespace

std::unique_ptr<FontRasterizer> CreateFontRasterizer(std::string_view faceName, int weight, int cellHeight) {
    if (FcInit() == FcFalse) return nullptr;
    const std::optional<FaceFile> file = ChooseFace(faceName, weight);
    if (!file) return nullptr;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file->path.c_str(), file->index, &face) != 0 ||
        SetPixelSize(face, PixelsPerEm(face, cellHeight), file->setWidth) != 0) {
        if (face != nullptr) FT_Done_Face(face);
        FT_Done_FreeType(library);
        return nullptr;
    }
    return std::make_unique<FreeTypeFontRasterizer>(library, face, file->family);
}

}  // namespace zint::platform
