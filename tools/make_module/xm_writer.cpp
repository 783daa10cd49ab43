#include "tools/make_module/xm_writer.h"

#include <stdexcept>

namespace zint::xm {
namespace {

constexpr std::uint16_t kFormatVersion = 0x0104;
constexpr std::uint32_t kHeaderSize = 276;  // counted from offset 60
constexpr std::uint32_t kPatternHeaderSize = 9;
constexpr std::uint32_t kInstrumentHeaderSize = 263;
constexpr std::uint32_t kInstrumentHeaderSizeNoSamples = 29;
constexpr std::uint32_t kSampleHeaderSize = 40;
constexpr int kMaxRows = 256;

class ByteWriter {
public:
    void U8(unsigned value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
    void U16(unsigned value) {
        U8(value & 0xFF);
        U8(value >> 8 & 0xFF);
    }
    void U32(std::uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    // Fixed-width text field, padded with zero bytes and cut to width.
    void Text(const std::string& text, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) U8(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
    }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void Bytes(const std::vector<std::uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    std::size_t Size() const { return bytes_.size(); }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

void Require(bool condition, const std::string& what) {
    if (!condition) throw std::invalid_argument("module: " + what);
}

void CheckCell(const XmCell& cell) {
    Require(cell.note <= kKeyOff, "note above key-off");
    Require(cell.instrument <= 128, "instrument number above 128");
}

void CheckEnvelope(const XmEnvelope& envelope, const std::string& what) {
    const auto count = envelope.points.size();
    Require(count <= kMaxEnvelopePoints, what + " has more than 12 points");
    for (std::size_t i = 1; i < count; ++i)
        Require(envelope.points[i].x > envelope.points[i - 1].x, what + " ticks must rise");
    for (const auto& point : envelope.points) Require(point.y <= 64, what + " value above 64");
    if (envelope.sustain) Require(envelope.sustainPoint < count, what + " sustain point outside");
    if (envelope.loop)
        Require(envelope.loopStart <= envelope.loopEnd && envelope.loopEnd < count, what + " loop outside");
}

void CheckSample(const XmSample& sample) {
    const auto length = sample.frames.size();
    Require(sample.volume <= 64, sample.name + ": volume above 64");
    if (sample.loop != XmLoop::None) {
        Require(sample.loopLength > 0, sample.name + ": empty loop");
        Require(std::uint64_t{sample.loopStart} + sample.loopLength <= length, sample.name + ": loop beyond end");
    }
    if (!sample.sixteenBit)
        for (auto frame : sample.frames)
            Require(frame % 256 == 0, sample.name + ": 8-bit frame with a low byte");
}

void CheckModule(const XmModule& module) {
    Require(module.channels >= 1 && module.channels <= kMaxChannels, "channel count outside 1..32");
    Require(!module.orders.empty() && module.orders.size() <= 256, "order count outside 1..256");
    Require(module.restartPosition >= 0 && module.restartPosition < static_cast<int>(module.orders.size()),
            "restart position outside the song");
    Require(module.patterns.size() <= 256, "more than 256 patterns");
    Require(module.instruments.size() <= 128, "more than 128 instruments");
    for (auto order : module.orders) Require(order < module.patterns.size(), "order entry without pattern");
    for (const auto& pattern : module.patterns) {
        Require(pattern.rows >= 1 && pattern.rows <= kMaxRows, "pattern row count outside 1..256");
        Require(pattern.channels == module.channels, "pattern channel count differs from the module's");
        Require(pattern.cells.size() == static_cast<std::size_t>(pattern.rows * pattern.channels),
                "pattern cell count differs from rows x channels");
        for (const auto& cell : pattern.cells) CheckCell(cell);
    }
    for (const auto& instrument : module.instruments) {
        Require(instrument.samples.size() <= kMaxSamplesPerInstrument, instrument.name + ": more than 16 samples");
        for (auto number : instrument.sampleMap)
            Require(number < instrument.samples.size() || instrument.samples.empty(),
                    instrument.name + ": sample map names a missing sample");
        CheckEnvelope(instrument.volumeEnvelope, instrument.name + " volume envelope");
        CheckEnvelope(instrument.panningEnvelope, instrument.name + " panning envelope");
        for (const auto& sample : instrument.samples) CheckSample(sample);
    }
}

void WriteHeader(ByteWriter& out, const XmModule& module) {
    out.Text("Extended Module: ", 17);
    out.Text(module.name, 20);
    out.U8(0x1A);
    out.Text(module.trackerName, 20);
    out.U16(kFormatVersion);
    out.U32(kHeaderSize);
    out.U16(static_cast<unsigned>(module.orders.size()));
    out.U16(static_cast<unsigned>(module.restartPosition));
    out.U16(static_cast<unsigned>(module.channels));
    out.U16(static_cast<unsigned>(module.patterns.size()));
    out.U16(static_cast<unsigned>(module.instruments.size()));
    out.U16(module.linearFrequencies ? 1 : 0);
    out.U16(static_cast<unsigned>(module.defaultSpeed));
    out.U16(static_cast<unsigned>(module.defaultBpm));
    for (std::size_t i = 0; i < 256; ++i) out.U8(i < module.orders.size() ? module.orders[i] : 0);
}

void WritePattern(ByteWriter& out, const XmPattern& pattern) {
    const auto packed = PackPattern(pattern);
    Require(packed.size() <= 0xFFFF, "packed pattern larger than 65535 bytes");
    out.U32(kPatternHeaderSize);
    out.U8(0);  // packing type
    out.U16(static_cast<unsigned>(pattern.rows));
    out.U16(static_cast<unsigned>(packed.size()));
    out.Bytes(packed);
}

std::uint8_t EnvelopeType(const XmEnvelope& envelope) {
    if (!envelope.IsOn()) return 0;
    return static_cast<std::uint8_t>(1 | (envelope.sustain ? 2 : 0) | (envelope.loop ? 4 : 0));
}

void WriteEnvelopePoints(ByteWriter& out, const XmEnvelope& envelope) {
    for (std::size_t i = 0; i < kMaxEnvelopePoints; ++i) {
        const XmEnvelopePoint point = i < envelope.points.size() ? envelope.points[i] : XmEnvelopePoint{};
        out.U16(point.x);
        out.U16(point.y);
    }
}

std::uint8_t SampleType(const XmSample& sample) {
    std::uint8_t type = sample.sixteenBit ? 0x10 : 0x00;
    if (sample.loop == XmLoop::Forward) type |= 1;
    if (sample.loop == XmLoop::PingPong) type |= 2;
    return type;
}

void WriteSampleHeader(ByteWriter& out, const XmSample& sample) {
    const std::uint32_t bytesPerFrame = sample.sixteenBit ? 2 : 1;
    const bool looped = sample.loop != XmLoop::None;
    out.U32(static_cast<std::uint32_t>(sample.frames.size()) * bytesPerFrame);
    out.U32(looped ? sample.loopStart * bytesPerFrame : 0);
    out.U32(looped ? sample.loopLength * bytesPerFrame : 0);
    out.U8(sample.volume);
    out.U8(static_cast<std::uint8_t>(sample.finetune));
    out.U8(SampleType(sample));
    out.U8(sample.panning);
    out.U8(static_cast<std::uint8_t>(sample.relativeNote));
    out.U8(0);  // reserved
    out.Text(sample.name, 22);
}

// Each stored value is the difference from the previous one, wrapping.
void WriteSampleData(ByteWriter& out, const XmSample& sample) {
    int previous = 0;
    for (auto frame : sample.frames) {
        const int value = sample.sixteenBit ? frame : frame >> 8;
        const int delta = value - previous;
        previous = value;
        if (sample.sixteenBit)
            out.U16(static_cast<unsigned>(delta) & 0xFFFF);
        else
            out.U8(static_cast<unsigned>(delta) & 0xFF);
    }
}

void WriteInstrument(ByteWriter& out, const XmInstrument& instrument) {
    const std::size_t start = out.Size();
    const bool hasSamples = !instrument.samples.empty();
    const std::uint32_t headerSize = hasSamples ? kInstrumentHeaderSize : kInstrumentHeaderSizeNoSamples;
    out.U32(headerSize);
    out.Text(instrument.name, 22);
    out.U8(0);  // type
    out.U16(static_cast<unsigned>(instrument.samples.size()));
    if (!hasSamples) return;

    out.U32(kSampleHeaderSize);
    for (auto number : instrument.sampleMap) out.U8(number);
    WriteEnvelopePoints(out, instrument.volumeEnvelope);
    WriteEnvelopePoints(out, instrument.panningEnvelope);
    const auto& volume = instrument.volumeEnvelope;
    const auto& panning = instrument.panningEnvelope;
    out.U8(static_cast<unsigned>(volume.points.size()));
    out.U8(static_cast<unsigned>(panning.points.size()));
    out.U8(volume.sustainPoint);
    out.U8(volume.loopStart);
    out.U8(volume.loopEnd);
    out.U8(panning.sustainPoint);
    out.U8(panning.loopStart);
    out.U8(panning.loopEnd);
    out.U8(EnvelopeType(volume));
    out.U8(EnvelopeType(panning));
    out.U8(instrument.vibratoType);
    out.U8(instrument.vibratoSweep);
    out.U8(instrument.vibratoDepth);
    out.U8(instrument.vibratoRate);
    out.U16(instrument.fadeout);
    out.Zeros(start + headerSize - out.Size());  // reserved

    for (const auto& sample : instrument.samples) WriteSampleHeader(out, sample);
    for (const auto& sample : instrument.samples) WriteSampleData(out, sample);
}

std::size_t CellIndex(const XmPattern& pattern, int row, int channel) {
    if (row < 0 || row >= pattern.rows || channel < 0 || channel >= pattern.channels)
        throw std::out_of_range("pattern cell outside the pattern");
    return static_cast<std::size_t>(row * pattern.channels + channel);
}

}  // namespace

XmPattern::XmPattern(int rowCount, int channelCount)
    : rows(rowCount), channels(channelCount), cells(static_cast<std::size_t>(rowCount * channelCount)) {}

XmCell& XmPattern::At(int row, int channel) { return cells[CellIndex(*this, row, channel)]; }

const XmCell& XmPattern::At(int row, int channel) const { return cells[CellIndex(*this, row, channel)]; }

std::vector<std::uint8_t> PackPattern(const XmPattern& pattern) {
    std::vector<std::uint8_t> packed;
    for (const auto& cell : pattern.cells) {
        const std::uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.param};
        std::uint8_t mask = 0x80;
        for (int i = 0; i < 5; ++i)
            if (fields[i] != 0) mask |= static_cast<std::uint8_t>(1 << i);
        if (mask == 0x9F) {
            packed.insert(packed.end(), fields, fields + 5);
            continue;
        }
        packed.push_back(mask);
        for (int i = 0; i < 5; ++i)
            if (fields[i] != 0) packed.push_back(fields[i]);
    }
    return packed;
}

std::vector<std::uint8_t> WriteXm(const XmModule& module) {
    CheckModule(module);
    ByteWriter out;
    WriteHeader(out, module);
    for (const auto& pattern : module.patterns) WritePattern(out, pattern);
    for (const auto& instrument : module.instruments) WriteInstrument(out, instrument);
    return out.Take();
}

}  // namespace zint::xm
