#include "gfx/resources.h"

namespace zint {

Resources* resources = nullptr;

std::unique_ptr<Resources> CreateResources(platform::Window& window) {
    auto created = std::make_unique<Resources>();
    created->window = &window;
    auto font = std::make_unique<TextFont>();
    font->faceName = kFontFaceName;
    font->width = 0;
    font->height = kFontHeight;
    font->characterSet = 0;
    font->weight = kFontWeight;
    font->Create();
    created->font = std::move(font);
    return created;
}

}  // namespace zint
