#pragma once
// An encoder that keeps what it is given, for the capture's tests.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/video_encoder.h"

namespace zint::test {

struct FakeEncoder final : platform::VideoEncoder {
    bool AddFrame(std::span<const std::uint8_t> rgb) override {
        firstBytes.push_back(rgb.empty() ? -1 : rgb[0]);
        order += 'v';
        if (firstBytes.size() == failAtFrame) error = "disk full";
        return firstBytes.size() != failAtFrame;
    }
    bool AddAudio(std::span<const std::int16_t> samples) override {
        sound.insert(sound.end(), samples.begin(), samples.end());
        order += 'a';
        return true;
    }
    bool Finish() override { return ++finishes > 0; }
    const std::string& Error() const override { return error; }

    std::vector<int> firstBytes;  // of each frame: which frame the grabber made
    std::vector<std::int16_t> sound;
    std::string order;            // 'v' for each frame, 'a' for each sound, as called
    std::size_t failAtFrame = 0;  // 1-based; 0 never
    int finishes = 0;
    std::string error;
};

}  // namespace zint::test
