// The XM loader: what it reads and skips, what it refuses, what it mends in
// files that break the format's limits (and says so), and that any bytes at
// all load into a song the player can walk, or are refused. The file
// callbacks over memory and over disk keep one contract.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <numeric>
#include <random>
#include <tuple>

#include "music/file_callbacks.h"
#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

using namespace test;

using Cells = std::vector<PatternCell>;

LoadResult Loaded(const XmModule& module) {
    LoadResult loaded = LoadFromBytes(module.Build());
    EXPECT_NE(loaded.song, nullptr);
    if (loaded.song) ExpectPlayable(*loaded.song);
    return loaded;
}

// The small module with its instrument 1 holding only `sample`, and that sample as loaded.
LoadResult LoadedSample(XmSample sample) {
    XmModule module = SmallModule();
    module.instruments[1].samples = {std::move(sample)};
    return Loaded(module);
}
const Sample& FirstSample(const LoadResult& loaded) { return loaded.song->instruments.at(1).ownedSamples.at(0); }

// (Instrument 0 has no samples and a header of 40 bytes, past the 29 read.)
TEST(LoaderTest, UnpacksMaskAndPlainCellsWhateverThePackedSizeSaysAndReadsInstruments) {
    XmModule module = SmallModule();
    module.patterns[0].packedSize = 1;
    const LoadResult loaded = Loaded(module);
    EXPECT_EQ(loaded.song->patterns[0].cells, (Cells{{49, 1, 0, 0, 0}, {}, {49, 1, 0x20, 0x0A, 0x05},
                                                      {255, 0, 0xC0, 0x0F, 0xFF},  // note 97, instrument 129
                                                      {255, 0, 0, 0, 0}, {0, 0, 0, 0x0E, 0}, {}, {0, 0, 0, 0, 0x42}}));
    // Packed size 0: empty for all its rows.
    EXPECT_EQ(loaded.song->patterns[1].cells, Cells(32));
    EXPECT_EQ(loaded.song->instruments[0].sampleCount, 0);
    const Instrument& read = loaded.song->instruments[1];
    EXPECT_EQ(std::vector<int>({read.sampleCount, read.sampleMap[0], read.sampleMap[1], read.sampleMap[95],
                                read.volumeEnvelope[1].x, read.volumeEnvelope[1].y, read.panningEnvelope[3].x,
                                read.panningEnvelope[3].y, read.volumePointCount, read.panningPointCount,
                                read.volumeSustainPoint, read.panningLoopStart, read.panningLoopEnd,
                                read.volumeEnvelopeFlags, read.panningEnvelopeFlags, read.vibratoType,
                                read.vibratoSweep, read.vibratoDepth, read.vibratoRate, read.fadeout}),
              std::vector<int>({3, 0, 1, 2, 10, 32, 24, 32, 3, 4, 1, 1, 3, 0x03, 0x05, 1, 2, 3, 4, 0x1000}));
    // The highest note and instrument are kept; beyond them no note, no instrument.
    module.patterns[0] = {2, {0x83, 96, 128, 0x83, 255, 1, 0x81, 98, 0x83, 254, 7}, std::nullopt};
    const LoadResult edges = Loaded(module);
    EXPECT_EQ(edges.song->patterns[0].cells, (Cells{{96, 128, 0, 0, 0}, {255, 1, 0, 0, 0}, {}, {0, 7, 0, 0, 0}}));
    EXPECT_EQ(edges.repairs, kRepairNote);
}

TEST(LoaderTest, DecodesSamplesAndNormalisesTheirLoops) {
    const LoadResult eight = LoadedSample(
        {.volume = 48, .finetune = -27, .panning = 200, .relativeNote = -12, .data = {0x10, 0xF0, 0x05}});
    const Sample& read = FirstSample(eight);
    EXPECT_EQ(std::vector<int>({read.volume, read.finetune, read.panning, read.relativeNote, read.loopMode}),
              std::vector<int>({48, -27, 200, -12, kNoLoop}));
    // 8-bit deltas go into the high byte; 16-bit ones add modulo 65536.
    EXPECT_EQ(read.data, std::vector<std::int16_t>({0x1000, 0, 0x0500, 0, 0, 0, 0, 0, 0, 0, 0}));
    const LoadResult words = LoadedSample({.type = 0x10, .data = {0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80, 0x34, 0x12}});
    EXPECT_EQ(std::vector<std::int16_t>(FirstSample(words).data.begin(), FirstSample(words).data.begin() + 4),
              std::vector<std::int16_t>({32767, -32768, 0, 0x1234}));

    // Loop type bits pick the mode (bit 1 wins), 16-bit sizes halve rounding
    // down, and an empty loop leaves the sample unlooped.
    for (const auto& [type, bytes, loopStart, loopLength, mode, frames, start, length] :
         {std::tuple{0x00, 8, 2u, 4u, kNoLoop, 8u, 0u, 8u}, {0x01, 8, 2u, 4u, kForwardLoop, 8u, 2u, 4u},
          {0x02, 8, 2u, 4u, kPingPongLoop, 8u, 2u, 4u}, {0x03, 8, 2u, 4u, kPingPongLoop, 8u, 2u, 4u},
          {0xE1, 8, 2u, 4u, kForwardLoop, 8u, 2u, 4u}, {0x0C, 8, 2u, 4u, kNoLoop, 8u, 0u, 8u},
          {0x11, 1132, 101u, 9u, kForwardLoop, 566u, 50u, 4u}, {0x02, 10, 4u, 0u, kNoLoop, 10u, 0u, 10u}}) {
        const LoadResult loaded = LoadedSample({.loopStart = loopStart, .loopLength = loopLength,
                                                .type = static_cast<std::uint8_t>(type),
                                                .data = Bytes(static_cast<std::size_t>(bytes))});
        const Sample& sample = FirstSample(loaded);
        EXPECT_EQ(std::tuple(sample.loopMode, sample.length, sample.loopStart, sample.loopLength, loaded.repairs),
                  std::tuple(mode, frames, start, length, 0u))
            << "type " << type;
    }
}

TEST(LoaderTest, RefusesAWrongMagicAndWhatBreaksTheTablesJustPastTheLimit) {
    const Bytes bytes = SmallModule().Build();
    for (std::size_t i : {0, 8, 16}) {
        Bytes changed = bytes;
        changed[i] ^= 0x20;
        EXPECT_EQ(LoadFromBytes(changed).song, nullptr) << "byte " << i;
    }
    const std::vector<std::function<void(XmModule&, bool)>> limits{
        [](XmModule& m, bool past) { m.channelCount = past ? 33 : 32, m.patterns[0] = {4, {}, 0}; },
        [](XmModule& m, bool past) { m.patterns.resize(past ? 257 : 256, {1, {}, std::nullopt}); },
        [](XmModule& m, bool past) { m.patterns[1].rows = past ? 1025 : 1024; },
        [](XmModule& m, bool past) {
            m.instruments.push_back({.sampleCount = past ? 17 : 16, .samples = std::vector<XmSample>(16)});
        }};
    for (const auto& build : limits) {
        XmModule module = SmallModule();
        build(module, false);
        EXPECT_NE(LoadFromBytes(module.Build()).song, nullptr);
        build(module, true);
        EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
    }
    // Packed cells that cannot fit in the rest of the file: 26 cells need 26 bytes.
    XmModule module = SmallModule();
    module.instruments.clear();
    module.patterns[1] = {13, {0x80, 0x80}, std::nullopt};
    Bytes packed = module.Build();
    packed.resize(packed.size() + 24, 0x80);
    EXPECT_NE(LoadFromBytes(packed).song, nullptr);
    packed.pop_back();
    EXPECT_EQ(LoadFromBytes(packed).song, nullptr);
}

// What each change reads as, and which repairs the loader reports for it.
TEST(LoaderTest, MendsHeaderFieldsEnvelopesAndSamplesAndSaysSo) {
    using Fields = std::vector<int>;
    struct Case {
        const char* name;
        std::function<void(XmModule&)> change;
        std::function<Fields(const Song&)> fields;
        Fields expected;
        std::uint32_t repairs;
    };
    const auto length = [](const Song& s) { return Fields{s.songLength}; };
    const auto restart = [](const Song& s) { return Fields{s.restartPosition}; };
    const auto tempo = [](const Song& s) { return Fields{s.defaultSpeed, s.defaultBpm}; };
    const auto sample = [](const Song& s) -> const Sample& { return s.instruments.at(1).ownedSamples.at(0); };
    const std::vector<Case> cases{
        {"a longer header, skipped", [](XmModule& m) { m.headerSize = 300; },
         [](const Song& s) { return Fields{s.patterns.at(0).rowCount}; }, {4}, 0},
        {"an order entry past the stored patterns", [](XmModule&) {},
         [](const Song& s) { return Fields{s.patterns.at(2).rowCount}; }, {64}, 0},
        {"song length 300", [](XmModule& m) { m.songLength = 300; }, length, {256}, kRepairSongLength},
        {"song length 256", [](XmModule& m) { m.songLength = 256; }, length, {256}, 0},
        {"restart at the last entry", [](XmModule& m) { m.restartPosition = 2; }, restart, {2}, 0},
        {"restart past the song", [](XmModule& m) { m.restartPosition = 3; }, restart, {0}, kRepairRestartPosition},
        {"restart 0xFFFF", [](XmModule& m) { m.restartPosition = 0xFFFF; }, restart, {0}, kRepairRestartPosition},
        {"speed 0 is allowed, BPM 0 not", [](XmModule& m) { m.defaultSpeed = m.defaultBpm = 0; }, tempo, {0, 1},
         kRepairTempo},
        {"tempo beyond 16 signed bits", [](XmModule& m) { m.defaultSpeed = 0xFFFF, m.defaultBpm = 0x8000; }, tempo,
         {32767, 32767}, kRepairTempo},
        {"speed 31, BPM 255", [](XmModule& m) { m.defaultSpeed = 31, m.defaultBpm = 255; }, tempo, {31, 255}, 0},
        {"130 instruments", [](XmModule& m) { m.instruments.resize(130); },
         [](const Song& s) { return Fields{s.instrumentCount}; }, {128}, kRepairInstrumentCount},
        {"5 instruments, 2 in the file", [](XmModule& m) { m.instrumentCount = 5; },
         [](const Song& s) { return Fields{s.instruments.at(4).sampleCount}; }, {0}, kRepairShortRead},
        {"no order entries", [](XmModule& m) { m.songLength = 0, m.orderTable[0] = 1; },
         [](const Song& s) { return Fields{s.patternSlotCount}; }, {2}, 0},
        {"no order entries, entry 0 unstored", [](XmModule& m) { m.songLength = 0, m.orderTable[0] = 9; },
         [](const Song& s) { return Fields{s.patterns.at(9).rowCount}; }, {64}, kRepairEmptyOrder},
        // Value 200 too high, tick 3 backwards; sustain 12 and loop end 3 of 3 points do not exist.
        {"a volume envelope past its table",
         [](XmModule& m) { m.instruments[1].volume = {{0, 64, 5, 200, 3, 10, 9, 0}, 40, 12, 2, 11, 0x07}; },
         [](const Song& s) {
             const Instrument& read = s.instruments.at(1);
             return Fields{read.volumePointCount, read.volumeEnvelopeFlags, read.volumeEnvelope[1].y,
                           read.volumeEnvelope[2].x, read.volumeEnvelope[3].x};
         },
         {12, 0x05, 64, 5, 9}, kRepairEnvelope},
        {"a panning envelope looping past its points",
         [](XmModule& m) { m.instruments[1].panning = {{}, 3, 0, 1, 3, 0x05}; },
         [](const Song& s) { return Fields{s.instruments.at(1).panningEnvelopeFlags}; }, {0x01}, kRepairEnvelope},
        {"sample volume 65", [](XmModule& m) { m.instruments[1].samples[0].volume = 65; },
         [&](const Song& s) { return Fields{sample(s).volume}; }, {64}, kRepairSampleVolume},
        // The file's last 7 bytes hold three 16-bit frames of a sample said to be far longer.
        {"a sample cut to the bytes the file holds",
         [](XmModule& m) {
             m.instruments[1].samples = {{.length = 0xFFFFFFFE, .loopStart = 2, .loopLength = 0x10000, .type = 0x11,
                                          .data = DeltaCode({100, 200, 300, 400}, 16)}};
             m.instruments[1].samples[0].data.pop_back();
         },
         [&](const Song& s) {
             const Sample& cut = sample(s);
             return Fields{static_cast<int>(cut.length), static_cast<int>(cut.loopStart),
                           static_cast<int>(cut.loopLength), cut.data[2], cut.data[3]};
         },
         {3, 1, 2, 300, 200}, kRepairSampleLength | kRepairSampleLoop},
    };
    for (const Case& c : cases) {
        XmModule module = SmallModule();
        c.change(module);
        const LoadResult loaded = Loaded(module);
        EXPECT_EQ(std::pair(c.fields(*loaded.song), loaded.repairs), std::pair(c.expected, c.repairs)) << c.name;
    }
}

TEST(LoaderTest, EveryTruncationAndRandomDamageLoadsPlayablyOrIsRefused) {
    const Bytes original = SmallModule().Build();
    int loaded = 0;
    for (std::size_t size = 0; size <= original.size(); ++size) {
        const LoadResult result = LoadFromBytes(Bytes(original.begin(), original.begin() + static_cast<long>(size)));
        if (!result.song) continue;
        ++loaded;
        EXPECT_EQ(FirstViolation(*result.song), "") << size;
        EXPECT_EQ(result.repairs == 0, size == original.size()) << size;
    }
    EXPECT_GT(loaded, 0);
    std::mt19937 random(20240607);
    std::uniform_int_distribution<std::size_t> position(0, original.size() - 1);
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes = original;
        for (int i = 0; i < 1 + round % 8; ++i) bytes[position(random)] = static_cast<std::uint8_t>(random());
        const LoadResult result = LoadFromBytes(bytes);
        if (result.song) {
            EXPECT_EQ(FirstViolation(*result.song), "") << round;
        }
    }
}

// The same 100 counting bytes in memory and in a file, read through each
// set of callbacks: reads are cut at the end and leave the rest of the
// destination alone; seeks follow their origin and stop at the end (an
// unknown origin moves nothing, before the start counts as past the end).
// What does not open yields nothing, and a missing operation clears all five.
TEST(ModuleFileCallbacksTest, MemoryAndDiskKeepOneContractAndWhatDoesNotOpenYieldsNothing) {
    Bytes bytes(100);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    MemoryFile memory{0, 100, bytes.data()};
    const std::string path = std::filesystem::temp_directory_path() / ("zint_module_" + std::to_string(::getpid()));
    WriteFile(path, bytes);
    for (const bool disk : {false, true}) {
        SCOPED_TRACE(disk ? "disk" : "memory");
        if (disk) {
            SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        } else {
            UseMemoryFileCallbacks();
        }
        ModuleStream stream(disk ? static_cast<const void*>(path.c_str()) : &memory);
        ASSERT_TRUE(stream.IsOpen());
        std::uint8_t buffer[10];
        EXPECT_EQ(stream.Read(buffer, 10), 10u);
        EXPECT_EQ(buffer[9], 9);
        stream.Seek(-3, kSeekEnd);
        std::fill(std::begin(buffer), std::end(buffer), 0xEE);
        EXPECT_EQ(stream.Read(buffer, 10), 3u);
        EXPECT_EQ(stream.Read(buffer, 10), 0u);
        EXPECT_EQ(std::vector<int>(buffer, buffer + 4), std::vector<int>({97, 98, 99, 0xEE}));
        for (const auto& [offset, origin, position] :
             {std::tuple{20, kSeekSet, 20u}, {5, kSeekCurrent, 25u}, {-5, kSeekCurrent, 20u}, {0, kSeekEnd, 100u},
              {-40, kSeekEnd, 60u}, {7, 3, 60u}, {101, kSeekSet, 100u}, {10, kSeekSet, 10u},
              {-11, kSeekCurrent, 100u}, {5, kSeekEnd, 100u}}) {
            stream.Seek(offset, static_cast<std::uint8_t>(origin));
            EXPECT_EQ(stream.Tell(), position) << offset << " from " << int{origin};
        }
        stream.Seek(10, kSeekSet);
        EXPECT_EQ(stream.Size(), 100u);
        EXPECT_EQ(stream.Tell(), 10u);  // where Size() found it
    }
    std::filesystem::remove(path);
    EXPECT_EQ(DiskFileOpen("/nonexistent/zint/module.xm"), nullptr);
    EXPECT_EQ(DiskFileOpen(nullptr), nullptr);
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, nullptr);
    const ModuleFileCallbacks& installed = InstalledModuleFileCallbacks();
    EXPECT_FALSE(installed.open || installed.close || installed.read || installed.seek || installed.tell);
    const Bytes good = SmallModule().Build();
    MemoryFile goodFile{0, static_cast<std::uint32_t>(good.size()), good.data()};
    EXPECT_EQ(LoadSong(&goodFile), nullptr);
    ModuleStream stream("anything");
    EXPECT_FALSE(stream.IsOpen());
    std::uint8_t byte = 7;
    EXPECT_EQ(stream.Read(&byte, 1), 0u);
    EXPECT_EQ(byte, 7);
    stream.Seek(5, kSeekSet);
    EXPECT_EQ(stream.Tell() + stream.Size(), 0u);
}

}  // namespace
}  // namespace zint
