#include "music/loader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "music/module_file.h"
#include "music/player.h"
#include "music/tick_engine.h"

namespace zint {

namespace {

constexpr std::string_view kXmMagic = "Extended Module: ";
constexpr std::int64_t kHeaderSizeOffset = 60;
constexpr std::uint8_t kInitialGlobalVolume = 64;

// The order table holds bytes, so no more patterns can ever be played.
constexpr int kMaxStoredPatterns = 256;
// The most rows any tracker writes; it bounds what an empty pattern costs.
constexpr int kMaxPatternRows = 1024;
constexpr int kUnstoredPatternRows = 64;
// Cells name instruments 1..128; more could never be played.
constexpr int kMaxInstruments = 128;
constexpr int kMaxHeaderValue = 32767;  // what the signed 16-bit fields hold

constexpr std::uint8_t kCellIsMask = 0x80;
constexpr std::uint8_t kMaskNote = 0x01;
constexpr std::uint8_t kMaskInstrument = 0x02;
constexpr std::uint8_t kMaskVolumeColumn = 0x04;
constexpr std::uint8_t kMaskEffect = 0x08;
constexpr std::uint8_t kMaskEffectParam = 0x10;
constexpr std::uint8_t kFileKeyOffNote = 97;
constexpr std::uint8_t kMaxInstrumentNumber = 128;

constexpr std::uint32_t kInstrumentNameAndTypeBytes = 23;
constexpr std::uint32_t kSampleReservedAndNameBytes = 23;
constexpr std::uint8_t kMaxVolume = 64;
constexpr std::uint16_t kMaxEnvelopeValue = 64;

constexpr std::uint8_t kTypeForwardLoop = 0x01;
constexpr std::uint8_t kTypePingPongLoop = 0x02;
constexpr std::uint8_t kTypeSixteenBit = 0x10;

// Little-endian reads over the module stream. What the stream lacks reads
// as 0, so a truncated file degrades instead of leaving garbage behind.
class XmReader {
public:
    XmReader(ModuleStream& stream, std::uint32_t& repairs) : stream(stream), repairs(repairs), size(stream.Size()) {}

    void Bytes(void* destination, std::uint32_t count) {
        const std::uint32_t copied = stream.Read(destination, count);
        if (copied < count) {
            std::memset(static_cast<std::uint8_t*>(destination) + copied, 0, count - copied);
            Repaired(kRepairShortRead);
        }
    }
    std::uint8_t U8() {
        std::uint8_t byte;
        Bytes(&byte, 1);
        return byte;
    }
    std::uint16_t U16() {
        std::uint8_t bytes[2];
        Bytes(bytes, 2);
        return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    }
    std::uint32_t U32() {
        std::uint8_t bytes[4];
        Bytes(bytes, 4);
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    }
    void Skip(std::uint32_t count) { stream.Seek(count, kSeekCurrent); }
    void SeekTo(std::int64_t position) { stream.Seek(position, kSeekSet); }
    std::uint32_t Position() { return stream.Tell(); }
    std::uint32_t BytesLeft() {
        const std::uint32_t position = Position();
        return position < size ? size - position : 0;
    }
    void Repaired(LoadRepair what) { repairs |= what; }

private:
    ModuleStream& stream;
    std::uint32_t& repairs;
    std::uint32_t size;
};

// Reads the header; false refuses the file. Leaves the stream at the first pattern.
bool ReadHeader(XmReader& in, Song& song, int& storedPatternCount) {
    in.SeekTo(0);
    char magic[kXmMagic.size()];
    in.Bytes(magic, sizeof magic);
    if (std::string_view(magic, sizeof magic) != kXmMagic) return false;
    song.tickHandler = SongTick;
    song.initialGlobalVolume = kInitialGlobalVolume;

    in.SeekTo(kHeaderSizeOffset);
    const std::uint32_t headerSize = in.U32();
    const std::uint16_t songLength = in.U16();
    const std::uint16_t restartPosition = in.U16();
    const std::uint16_t channelCount = in.U16();
    const std::uint16_t patternCount = in.U16();
    const std::uint16_t instrumentCount = in.U16();
    song.songFlags = in.U16();
    const std::uint16_t defaultSpeed = in.U16();
    const std::uint16_t defaultBpm = in.U16();
    in.Bytes(song.orderTable.data(), kOrderTableSize);
    in.SeekTo(kHeaderSizeOffset + headerSize);

    // The channel and voice tables hold 32.
    if (channelCount > kMaxChannels || patternCount > kMaxStoredPatterns) return false;
    song.channelCount = static_cast<std::int16_t>(channelCount);
    storedPatternCount = patternCount;

    song.songLength = static_cast<std::int16_t>(std::min<int>(songLength, kOrderTableSize));
    if (songLength > kOrderTableSize) in.Repaired(kRepairSongLength);
    song.restartPosition = static_cast<std::int16_t>(restartPosition < song.songLength ? restartPosition : 0);
    if (song.restartPosition != restartPosition) in.Repaired(kRepairRestartPosition);
    song.instrumentCount = static_cast<std::int16_t>(std::min<int>(instrumentCount, kMaxInstruments));
    if (instrumentCount > kMaxInstruments) in.Repaired(kRepairInstrumentCount);

    // BPM 0 would make an endless tick.
    song.defaultSpeed = static_cast<std::int16_t>(std::min<int>(defaultSpeed, kMaxHeaderValue));
    song.defaultBpm = static_cast<std::int16_t>(std::clamp<int>(defaultBpm, 1, kMaxHeaderValue));
    if (song.defaultSpeed != defaultSpeed || song.defaultBpm != defaultBpm) in.Repaired(kRepairTempo);
    return true;
}

void CountPatternSlots(XmReader& in, Song& song, int storedPatternCount) {
    int used = 0;
    for (int i = 0; i < song.songLength; ++i) used = std::max(used, song.orderTable[i] + 1);
    song.usedPatternCount = used;
    song.patternSlotCount = std::max(storedPatternCount, used);
    // The player starts at order entry 0 even when the song has no entries.
    if (song.songLength == 0 && song.orderTable[0] >= song.patternSlotCount) {
        song.patternSlotCount = song.orderTable[0] + 1;
        in.Repaired(kRepairEmptyOrder);
    }
}

PatternCell ReadCell(XmReader& in) {
    PatternCell cell;
    const std::uint8_t first = in.U8();
    if (first & kCellIsMask) {
        if (first & kMaskNote) cell.note = in.U8();
        if (first & kMaskInstrument) cell.instrument = in.U8();
        if (first & kMaskVolumeColumn) cell.volumeColumn = in.U8();
        if (first & kMaskEffect) cell.effect = in.U8();
        if (first & kMaskEffectParam) cell.effectParam = in.U8();
    } else {
        cell.note = first;
        cell.instrument = in.U8();
        cell.volumeColumn = in.U8();
        cell.effect = in.U8();
        cell.effectParam = in.U8();
    }
    if (cell.note == kFileKeyOffNote) {
        cell.note = kKeyOffNote;
    } else if (cell.note > kNoteCount && cell.note != kKeyOffNote) {
        cell.note = 0;  // beyond the keyboard: the instrument has no sample for it
        in.Repaired(kRepairNote);
    }
    if (cell.instrument > kMaxInstrumentNumber) cell.instrument = 0;
    return cell;
}

// False refuses the file: a pattern too long, or one whose cells cannot fit
// in what is left of the file.
bool ReadPattern(XmReader& in, int channelCount, Pattern& pattern) {
    in.U32();  // header length: the header is taken to be 9 bytes
    in.U8();   // packing type
    const std::uint16_t rowCount = in.U16();
    const std::uint16_t packedSize = in.U16();
    if (rowCount > kMaxPatternRows) return false;
    const std::uint32_t cellCount = std::uint32_t{rowCount} * static_cast<std::uint32_t>(channelCount);
    // Every packed cell takes at least one byte.
    if (packedSize != 0 && cellCount > in.BytesLeft()) return false;

    pattern.rowCount = rowCount;
    pattern.cells.resize(cellCount);
    if (packedSize == 0) return true;
    for (PatternCell& cell : pattern.cells) cell = ReadCell(in);
    return true;
}

bool ReadPatterns(XmReader& in, Song& song, int storedPatternCount) {
    song.patterns.resize(static_cast<std::size_t>(song.patternSlotCount));
    for (int i = 0; i < storedPatternCount; ++i) {
        if (!ReadPattern(in, song.channelCount, song.patterns[i])) return false;
    }
    // Order entries beyond the stored patterns play 64 empty rows.
    for (int i = storedPatternCount; i < song.patternSlotCount; ++i) {
        song.patterns[i].rowCount = kUnstoredPatternRows;
        song.patterns[i].cells.resize(static_cast<std::size_t>(kUnstoredPatternRows * song.channelCount));
    }
    return true;
}

void ReadEnvelopePoints(XmReader& in, Envelope& envelope) {
    for (EnvelopePoint& point : envelope) {
        point.x = in.U16();
        point.y = in.U16();
    }
}

struct EnvelopeFields {
    Envelope& points;
    std::uint8_t& pointCount;
    std::uint8_t& sustainPoint;
    std::uint8_t& loopStart;
    std::uint8_t& loopEnd;
    std::uint8_t& flags;
};

// Keeps the envelope walker inside its points: returns whether anything had
// to change. A valid envelope (2..12 points, ticks rising, values up to 64)
// stays as it is.
bool SanitiseEnvelope(const EnvelopeFields& envelope) {
    bool repaired = false;
    if (envelope.pointCount > kEnvelopePoints) {
        envelope.pointCount = kEnvelopePoints;
        repaired = true;
    }
    if (envelope.pointCount < 2) envelope.flags = 0;
    if (!(envelope.flags & kEnvelopeOn)) return repaired;

    if ((envelope.flags & kEnvelopeSustain) && envelope.sustainPoint >= envelope.pointCount) {
        envelope.flags &= static_cast<std::uint8_t>(~kEnvelopeSustain);
        repaired = true;
    }
    if ((envelope.flags & kEnvelopeLoop) &&
        (envelope.loopStart >= envelope.pointCount || envelope.loopEnd >= envelope.pointCount)) {
        envelope.flags &= static_cast<std::uint8_t>(~kEnvelopeLoop);
        repaired = true;
    }
    // A tick going backwards would leave the walker sliding forever.
    for (int i = 0; i < envelope.pointCount; ++i) {
        EnvelopePoint& point = envelope.points[i];
        if (point.y > kMaxEnvelopeValue) {
            point.y = kMaxEnvelopeValue;
            repaired = true;
        }
        if (i > 0 && point.x < envelope.points[i - 1].x) {
            point.x = envelope.points[i - 1].x;
            repaired = true;
        }
    }
    return repaired;
}

void ReadInstrumentHeader(XmReader& in, Instrument& instrument) {
    in.Bytes(instrument.sampleMap.data(), kNoteCount);
    ReadEnvelopePoints(in, instrument.volumeEnvelope);
    ReadEnvelopePoints(in, instrument.panningEnvelope);
    instrument.volumePointCount = in.U8();
    instrument.panningPointCount = in.U8();
    instrument.volumeSustainPoint = in.U8();
    instrument.volumeLoopStart = in.U8();
    instrument.volumeLoopEnd = in.U8();
    instrument.panningSustainPoint = in.U8();
    instrument.panningLoopStart = in.U8();
    instrument.panningLoopEnd = in.U8();
    instrument.volumeEnvelopeFlags = in.U8();
    instrument.panningEnvelopeFlags = in.U8();
    instrument.vibratoType = in.U8();
    instrument.vibratoSweep = in.U8();
    instrument.vibratoDepth = in.U8();
    instrument.vibratoRate = in.U8();
    instrument.fadeout = static_cast<std::uint16_t>(in.U16() * 2);

    const bool volumeRepaired = SanitiseEnvelope({instrument.volumeEnvelope, instrument.volumePointCount,
                                                  instrument.volumeSustainPoint, instrument.volumeLoopStart,
                                                  instrument.volumeLoopEnd, instrument.volumeEnvelopeFlags});
    const bool panningRepaired = SanitiseEnvelope({instrument.panningEnvelope, instrument.panningPointCount,
                                                   instrument.panningSustainPoint, instrument.panningLoopStart,
                                                   instrument.panningLoopEnd, instrument.panningEnvelopeFlags});
    if (volumeRepaired || panningRepaired) in.Repaired(kRepairEnvelope);
}

// A sample header's sizes as the file gives them, in bytes, until the data is read.
struct SampleHeader {
    std::uint32_t length = 0;
    std::uint32_t loopStart = 0;
    std::uint32_t loopLength = 0;
    std::uint8_t type = 0;
};

SampleHeader ReadSampleHeader(XmReader& in, Sample& sample) {
    SampleHeader header;
    header.length = in.U32();
    header.loopStart = in.U32();
    header.loopLength = in.U32();
    sample.volume = in.U8();
    sample.finetune = static_cast<std::int8_t>(in.U8());
    header.type = in.U8();
    sample.panning = in.U8();
    sample.relativeNote = static_cast<std::int8_t>(in.U8());
    in.Skip(kSampleReservedAndNameBytes);
    if (sample.volume > kMaxVolume) {
        sample.volume = kMaxVolume;
        in.Repaired(kRepairSampleVolume);
    }
    return header;
}

// Loop mode and loop range in frames; every sample ends up with a loop range.
void NormaliseSample(Sample& sample, std::uint32_t length, const SampleHeader& header) {
    std::uint32_t loopStart = header.loopStart;
    std::uint32_t loopLength = header.loopLength;
    sample.loopMode = kNoLoop;
    if (header.type & kTypeForwardLoop) sample.loopMode = kForwardLoop;
    if (header.type & kTypePingPongLoop) sample.loopMode = kPingPongLoop;
    if (sample.loopMode == kNoLoop) {
        loopStart = 0;
        loopLength = length;
    }
    if (header.type & kTypeSixteenBit) {
        length /= 2;
        loopStart /= 2;
        loopLength /= 2;
    }
    if (loopLength == 0) {
        loopStart = 0;
        loopLength = length;
        sample.loopMode = kNoLoop;
    }
    sample.length = length;
    sample.loopStart = loopStart;
    sample.loopLength = loopLength;
}

// Returns whether the loop had to be pulled inside the sample.
bool KeepLoopInside(Sample& sample) {
    if (std::uint64_t{sample.loopStart} + sample.loopLength <= sample.length) return false;
    sample.loopLength = sample.loopStart < sample.length ? sample.length - sample.loopStart : 0;
    if (sample.loopLength == 0) {
        sample.loopStart = 0;
        sample.loopLength = sample.length;
        sample.loopMode = kNoLoop;
    }
    return true;
}

std::vector<std::int16_t> FramesFromBytes(const std::vector<std::uint8_t>& raw, std::uint32_t length,
                                          bool sixteenBit) {
    std::vector<std::int16_t> frames(std::size_t{length} + kGuardFrames);
    for (std::uint32_t i = 0; i < length; ++i) {
        const unsigned word = sixteenBit ? raw[2 * i] | raw[2 * i + 1] << 8 : raw[i] << 8;
        frames[i] = static_cast<std::int16_t>(word);
    }
    return frames;
}

void DecodeDelta(std::vector<std::int16_t>& frames, std::uint32_t length) {
    std::uint16_t previous = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        previous = static_cast<std::uint16_t>(previous + static_cast<std::uint16_t>(frames[i]));
        frames[i] = static_cast<std::int16_t>(previous);
    }
}

// The mixer interpolates from the loop's last frame towards the frame after it.
void WriteGuardFrame(Sample& sample) {
    const std::uint32_t loopEnd = sample.loopStart + sample.loopLength;
    if (sample.loopMode == kForwardLoop) sample.data[loopEnd] = sample.data[sample.loopStart];
    if (sample.loopMode == kPingPongLoop) sample.data[loopEnd] = sample.data[loopEnd - 1];
}

void ReadSampleData(XmReader& in, Sample& sample, const SampleHeader& header, const SampleDataSource& source,
                    int instrumentIndex, int sampleIndex) {
    const bool sixteenBit = header.type & kTypeSixteenBit;
    std::uint32_t byteLength = header.length;
    if (byteLength > in.BytesLeft()) {
        byteLength = in.BytesLeft();
        in.Repaired(kRepairSampleLength);
    }
    NormaliseSample(sample, byteLength, header);
    if (KeepLoopInside(sample)) in.Repaired(kRepairSampleLoop);
    if (sample.length == 0) return;

    const std::uint32_t byteCount = sixteenBit ? sample.length * 2 : sample.length;
    std::vector<std::uint8_t> raw(std::size_t{sample.length} * 2 + kGuardFrames * 2);
    if (source) {
        source(raw.data(), byteCount, sixteenBit ? 16 : 8, instrumentIndex, sampleIndex);
        in.Skip(byteCount);
    } else {
        in.Bytes(raw.data(), byteCount);
    }
    sample.data = FramesFromBytes(raw, sample.length, sixteenBit);
    if (!source) DecodeDelta(sample.data, sample.length);
    WriteGuardFrame(sample);
}

// False refuses the file (more than 16 samples).
bool ReadInstrument(XmReader& in, Song& song, int index) {
    Instrument& instrument = song.instruments[index];
    const std::int64_t start = in.Position();
    const std::uint32_t headerSize = in.U32();
    in.Skip(kInstrumentNameAndTypeBytes);
    const std::uint16_t sampleCount = in.U16();
    if (sampleCount > kMaxSamplesPerInstrument) return false;
    instrument.sampleCount = sampleCount;
    if (sampleCount == 0) {
        in.SeekTo(start + headerSize);
        return true;
    }

    in.U32();  // sample header size: sample headers are taken to be 40 bytes
    ReadInstrumentHeader(in, instrument);
    in.SeekTo(start + headerSize);

    std::array<SampleHeader, kMaxSamplesPerInstrument> headers;
    instrument.ownedSamples.resize(sampleCount);
    for (int i = 0; i < sampleCount; ++i) {
        headers[i] = ReadSampleHeader(in, instrument.ownedSamples[i]);
        instrument.samples[i] = &instrument.ownedSamples[i];
    }
    for (int i = 0; i < sampleCount; ++i) {
        ReadSampleData(in, instrument.ownedSamples[i], headers[i], song.sampleDataSource, index, i);
    }
    return true;
}

bool ReadInstruments(XmReader& in, Song& song) {
    song.instruments.resize(static_cast<std::size_t>(song.instrumentCount));
    for (int i = 0; i < song.instrumentCount; ++i) {
        if (!ReadInstrument(in, song, i)) return false;
    }
    return true;
}

std::unique_ptr<Song> ReadSong(XmReader& in, SampleDataSource sampleDataSource) {
    auto song = std::make_unique<Song>();
    song->sampleDataSource = std::move(sampleDataSource);
    int storedPatternCount = 0;
    if (!ReadHeader(in, *song, storedPatternCount)) return nullptr;
    CountPatternSlots(in, *song, storedPatternCount);
    if (!ReadPatterns(in, *song, storedPatternCount) || !ReadInstruments(in, *song)) return nullptr;
    return song;
}

}  // namespace

std::unique_ptr<Song> LoadSong(const void* name, SampleDataSource sampleDataSource, std::uint32_t* repairs) {
    std::uint32_t repaired = 0;
    std::unique_ptr<Song> song;
    {
        ModuleStream stream(name);
        if (!stream.IsOpen()) return nullptr;
        XmReader in(stream, repaired);
        try {
            song = ReadSong(in, std::move(sampleDataSource));
        } catch (const std::bad_alloc&) {
            song.reset();
        }
    }
    if (repairs) *repairs = repaired;
    return song;
}

bool FreeSong(std::unique_ptr<Song> song) {
    if (!song) return false;
    // The player thread may be inside a block of this very song.
    if (CurrentSong() == song.get()) StopPlayback(song.get());
    song.reset();
    return true;
}

}  // namespace zint
