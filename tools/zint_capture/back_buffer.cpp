#include "tools/zint_capture/back_buffer.h"

#include <GL/gl.h>

#include <algorithm>

namespace zint::capture {

void ReadBackBuffer(int width, int height, std::vector<std::uint8_t>& rgb) {
    const auto rowBytes = static_cast<std::size_t>(width) * 3;
    rgb.resize(rowBytes * static_cast<std::size_t>(height));

    // The scenes' own pixel-store and read-buffer state stays as they left it.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPopAttrib();
    glPopClientAttrib();

    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        const auto upper = rgb.begin() + static_cast<std::ptrdiff_t>(top * rowBytes);
        const auto lower = rgb.begin() + static_cast<std::ptrdiff_t>(bottom * rowBytes);
        std::swap_ranges(upper, upper + static_cast<std::ptrdiff_t>(rowBytes), lower);
    }
}

}  // namespace zint::capture
