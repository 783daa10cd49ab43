#pragma once
// Pictures made in the tests, packed blue-green-red with the bottom row
// first, the layout the image decoder delivers.
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace zint::test {

// Smooth ramps: red grows to the right, green upwards, blue is their mix.
// Every row and every column differs from its neighbours, so a flip, a crop
// or a channel swap shows.
inline std::vector<std::uint8_t> RampPicture(int width, int height) {
    std::vector<std::uint8_t> pixels;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const int red = x * 255 / (width - 1);
            const int green = row * 255 / (height - 1);
            pixels.insert(pixels.end(), {std::uint8_t((red + green) / 4 + 32), std::uint8_t(green), std::uint8_t(red)});
        }
    }
    return pixels;
}

inline double MeanAbsoluteDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum / static_cast<double>(a.size());
}

}  // namespace zint::test
