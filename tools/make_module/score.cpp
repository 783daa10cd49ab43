#include "tools/make_module/score.h"

#include <charconv>
#include <stdexcept>
#include <string>

namespace zint::compose {
namespace {

int SemitoneOf(char letter) {
    switch (letter) {
        case 'C': return 0;
        case 'D': return 2;
        case 'E': return 4;
        case 'F': return 5;
        case 'G': return 7;
        case 'A': return 9;
        case 'B': return 11;
        default: throw std::invalid_argument(std::string("not a note letter: ") + letter);
    }
}

int ParseNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        throw std::invalid_argument("not a number: " + std::string(text));
    return value;
}

}  // namespace

std::uint8_t NoteNumber(std::string_view name) {
    if (name.size() < 2) throw std::invalid_argument("note name too short: " + std::string(name));
    int semitone = SemitoneOf(name[0]);
    std::size_t next = 1;
    if (name[next] == '#') semitone += 1, ++next;
    else if (name[next] == 'b') semitone -= 1, ++next;
    else if (name[next] == '-') ++next;
    const int octave = ParseNumber(name.substr(next));
    const int number = octave * 12 + semitone + 1;
    if (number < 1 || number > 96) throw std::invalid_argument("note out of range: " + std::string(name));
    return static_cast<std::uint8_t>(number);
}

Score::Score(int rows, int channels) : pattern_(rows, channels) {}

void Score::Play(int row, int channel, std::string_view note, int instrument, std::uint8_t volume) {
    Play(row, channel, NoteNumber(note), instrument, volume);
}

void Score::Play(int row, int channel, std::uint8_t note, int instrument, std::uint8_t volume) {
    auto& cell = pattern_.At(row, channel);
    cell.note = note;
    cell.instrument = static_cast<std::uint8_t>(instrument);
    if (volume != 0) cell.volume = volume;
}

void Score::KeyOff(int row, int channel) { pattern_.At(row, channel).note = xm::kKeyOff; }

void Score::Fx(int row, int channel, Effect effect, std::uint8_t param) {
    auto& cell = pattern_.At(row, channel);
    cell.effect = effect;
    cell.param = param;
}

void Score::VolumeColumn(int row, int channel, std::uint8_t value) { pattern_.At(row, channel).volume = value; }

void Score::Hold(int row, int channel, int rows, Effect effect, std::uint8_t param, std::uint8_t laterParam) {
    for (int i = 0; i < rows; ++i) Fx(row + i, channel, effect, i == 0 ? param : laterParam);
}

int Score::Line(int row, int channel, int instrument, std::string_view line, std::uint8_t volume,
                std::uint8_t glideSpeed) {
    while (!line.empty()) {
        const auto space = line.find(' ');
        const auto token = line.substr(0, space);
        line = space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        if (token.empty()) continue;
        const auto colon = token.find(':');
        if (colon == std::string_view::npos)
            throw std::invalid_argument("melody token without length: " + std::string(token));
        const auto pitch = token.substr(0, colon);
        const int length = ParseNumber(token.substr(colon + 1));
        if (pitch == "-") {
            KeyOff(row, channel);
        } else if (pitch.front() == '~') {
            // A glide keeps the sounding note and its envelope: no instrument number.
            auto& cell = pattern_.At(row, channel);
            cell.note = NoteNumber(pitch.substr(1));
            Fx(row, channel, kTonePorta, glideSpeed);
        } else {
            Play(row, channel, pitch, instrument, volume);
        }
        row += length;
    }
    return row;
}

void Score::Echo(int fromChannel, int toChannel, int delay, int instrument, int percent) {
    for (int row = Rows() - 1 - delay; row >= 0; --row) {
        xm::XmCell cell = pattern_.At(row, fromChannel);
        if (cell.instrument != 0) cell.instrument = static_cast<std::uint8_t>(instrument);
        if (cell.volume >= Volume(0) && cell.volume <= Volume(64))
            cell.volume = Volume((cell.volume - Volume(0)) * percent / 100);
        pattern_.At(row + delay, toChannel) = cell;
    }
}

void Score::Steps(int row, int channel, int instrument, std::string_view note, std::string_view steps,
                  const StepLevels& levels) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == '.') continue;
        const auto level = levels.find(steps[i]);
        if (level == levels.end()) throw std::invalid_argument(std::string("unknown step letter: ") + steps[i]);
        Play(row + static_cast<int>(i), channel, note, instrument, level->second);
    }
}

}  // namespace zint::compose
