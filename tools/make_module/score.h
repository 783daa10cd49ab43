#pragma once
// Writing music into a pattern: note names, melody lines, drum step strings
// and effect runs, so the arrangement reads like a score.
#include <cstdint>
#include <map>
#include <string_view>

#include "tools/make_module/xm_writer.h"

namespace zint::compose {

inline constexpr int kRowsPerBar = 16;
inline constexpr int kRowsPerBeat = 4;

// Effect numbers as the player knows them.
enum Effect : std::uint8_t {
    kArpeggio = 0x00,
    kPortaUp = 0x01,
    kPortaDown = 0x02,
    kTonePorta = 0x03,
    kVibrato = 0x04,
    kVibratoSlide = 0x06,
    kTremolo = 0x07,
    kSetPanning = 0x08,
    kSampleOffset = 0x09,
    kVolumeSlide = 0x0A,
    kSetVolume = 0x0C,
    kPatternBreak = 0x0D,
    kGlobalVolume = 0x10,
    kGlobalVolumeSlide = 0x11,
    kKeyOffEffect = 0x14,
    kPanningSlide = 0x19,
    kRetrigger = 0x1B,
    kTremor = 0x1D,
};

// Volume-column commands.
constexpr std::uint8_t Volume(int volume) { return static_cast<std::uint8_t>(0x10 + volume); }
constexpr std::uint8_t VolumeDown(int step) { return static_cast<std::uint8_t>(0x60 + step); }
constexpr std::uint8_t VolumeUp(int step) { return static_cast<std::uint8_t>(0x70 + step); }
constexpr std::uint8_t Panning(int sixteenths) { return static_cast<std::uint8_t>(0xC0 + sixteenths); }

// "C-4", "C4", "C#4" or "Db4" to the file's note number (C-0 = 1, C-4 = 49).
std::uint8_t NoteNumber(std::string_view name);

// Volume-column byte for each step letter of a drum line.
using StepLevels = std::map<char, std::uint8_t>;

class Score {
public:
    Score(int rows, int channels);

    // A note with its instrument; volume 0 leaves the volume column empty.
    void Play(int row, int channel, std::string_view note, int instrument, std::uint8_t volume = 0);
    void Play(int row, int channel, std::uint8_t note, int instrument, std::uint8_t volume = 0);
    void KeyOff(int row, int channel);
    void Fx(int row, int channel, Effect effect, std::uint8_t param);
    void VolumeColumn(int row, int channel, std::uint8_t value);
    // The effect on `rows` consecutive rows: `param` first, then `laterParam`
    // (0 makes the player reuse the remembered parameter).
    void Hold(int row, int channel, int rows, Effect effect, std::uint8_t param, std::uint8_t laterParam = 0);

    // A melody such as "A4:4 C5:4 -:2 ~E5:6": note and length in rows, "-" a
    // rest (keyed off where it starts), "~" a glide into the note with tone
    // portamento at `glideSpeed`. Returns the row after the line.
    int Line(int row, int channel, int instrument, std::string_view line, std::uint8_t volume = 0,
             std::uint8_t glideSpeed = 0x10);
    // One character per row: '.' is silence, any other letter a hit at its level.
    void Steps(int row, int channel, int instrument, std::string_view note, std::string_view steps,
               const StepLevels& levels);

    // Copies one channel into another `delay` rows later (what falls past the
    // end is dropped), played by `instrument`. Set volumes are scaled by
    // `percent`; other notes sound at the echo instrument's own volume.
    void Echo(int fromChannel, int toChannel, int delay, int instrument, int percent);

    xm::XmCell& Cell(int row, int channel) { return pattern_.At(row, channel); }
    int Rows() const { return pattern_.rows; }
    xm::XmPattern Take() { return std::move(pattern_); }

private:
    xm::XmPattern pattern_;
};

}  // namespace zint::compose
