// The XM loader: what it reads and skips in the header, patterns,
// instruments and samples; what it refuses; what it mends in files that
// break the format's limits (and says so); and that any bytes at all load
// into a song the player can walk, or are refused. The file callbacks over
// memory and over disk keep one contract, and the loader's stream degrades
// to nothing when no file is open.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <random>
#include <tuple>

#include "data/items.h"
#include "music/file_callbacks.h"
#include "music/tick_engine.h"
#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

using test::Bytes;
using test::LoadFromBytes;
using test::LoadResult;
using test::SmallModule;
using test::XmModule;
using test::XmSample;

using CellFields = std::tuple<int, int, int, int, int>;
CellFields Fields(const PatternCell& cell) {
    return {cell.note, cell.instrument, cell.volumeColumn, cell.effect, cell.effectParam};
}

LoadResult Loaded(const XmModule& module) {
    LoadResult loaded = LoadFromBytes(module.Build());
    EXPECT_NE(loaded.song, nullptr);
    if (loaded.song) test::ExpectPlayable(*loaded.song);
    return loaded;
}

// The small module with its instrument 1 holding only `sample`.
LoadResult LoadedSample(XmSample sample) {
    XmModule module = SmallModule();
    module.instruments[1].samples = {std::move(sample)};
    return Loaded(module);
}
const Sample& FirstSample(const LoadResult& loaded) {
    return loaded.song->instruments.at(1).ownedSamples.at(0);
}

TEST(LoaderTest, ReadsTheHeaderAndFollowsItsSizeWithoutReadingTheNames) {
    XmModule module = SmallModule();
    module.restartPosition = 1;
    module.flags = 0;
    module.defaultSpeed = 3;
    module.defaultBpm = 150;
    module.headerSize = 300;
    Bytes bytes = module.Build();
    std::fill(bytes.begin() + 17, bytes.begin() + 60, 0xAB);    // names, 0x1A, version
    std::fill(bytes.begin() + 336, bytes.begin() + 360, 0xCD);  // header bytes past the order table
    const LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    const Song& song = *loaded.song;
    EXPECT_EQ(
        std::vector<int>({song.songLength, song.restartPosition, song.channelCount, song.instrumentCount,
                          song.songFlags, song.defaultSpeed, song.defaultBpm, song.initialGlobalVolume,
                          song.orderTable[2], song.globalVolumeSlide, song.samplesPerTick}),
        std::vector<int>({3, 1, 2, 2, 0, 3, 150, 64, 2, 0, 0}));
    EXPECT_EQ(song.tickHandler, SongTick);
    EXPECT_EQ(song.instruments[1].sampleCount, 3);
    EXPECT_EQ(loaded.endPosition, bytes.size());  // exactly the module's bytes
    EXPECT_EQ(loaded.repairs, 0u);
}

TEST(LoaderTest, RefusesAnythingButTheExactMagic) {
    const Bytes bytes = SmallModule().Build();
    for (std::size_t i : {0, 8, 16}) {
        Bytes changed = bytes;
        changed[i] ^= 0x20;
        EXPECT_EQ(LoadFromBytes(changed).song, nullptr) << "byte " << i;
    }
    EXPECT_EQ(LoadFromBytes(Bytes(bytes.begin(), bytes.begin() + 16)).song, nullptr);
}

TEST(LoaderTest, UnpacksMaskAndPlainCellsWhateverThePackedSizeSays) {
    XmModule module = SmallModule();
    module.patterns[0].packedSize = 1;
    const LoadResult loaded = Loaded(module);
    const Pattern& pattern = loaded.song->patterns[0];
    ASSERT_EQ(pattern.cells.size(), 8u);
    const std::vector<CellFields> expected{
        {49, 1, 0, 0, 0},          {0, 0, 0, 0, 0},
        {49, 1, 0x20, 0x0A, 0x05}, {255, 0, 0xC0, 0x0F, 0xFF},  // note 97, instrument 129
        {255, 0, 0, 0, 0},         {0, 0, 0, 0x0E, 0},
        {0, 0, 0, 0, 0},           {0, 0, 0, 0, 0x42}};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Fields(pattern.cells[i]), expected[i]) << i;
    // Packed size 0: empty for all its rows.
    EXPECT_EQ(loaded.song->patterns[1].rowCount, 16);
    for (const PatternCell& cell : loaded.song->patterns[1].cells) EXPECT_EQ(Fields(cell), CellFields{});

    // The highest note and instrument are kept; beyond them no note, no instrument.
    module.patterns[0] = {2, {0x83, 96, 128, 0x83, 255, 1, 0x81, 98, 0x83, 254, 7}, std::nullopt};
    const LoadResult edges = Loaded(module);
    const std::vector<CellFields> edgeCells{
        {96, 128, 0, 0, 0}, {255, 1, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 7, 0, 0, 0}};
    for (std::size_t i = 0; i < edgeCells.size(); ++i)
        EXPECT_EQ(Fields(edges.song->patterns[0].cells[i]), edgeCells[i]);
    EXPECT_EQ(edges.repairs, kRepairNote);
}

TEST(LoaderTest, PatternSlotsForEveryStoredPatternAndOrderEntry) {
    XmModule module = SmallModule();
    module.songLength = 4;
    module.orderTable = {0, 1, 5, 3, 200};  // entry 4 lies past the song's length
    module.patterns.push_back({8, {}, std::nullopt});
    module.patterns[1].rows = 0;
    const LoadResult loaded = Loaded(module);
    const Song& song = *loaded.song;
    EXPECT_EQ(song.usedPatternCount, 6);
    EXPECT_EQ(song.patternSlotCount, 6);
    EXPECT_TRUE(song.patterns[1].cells.empty());
    EXPECT_EQ(song.patterns[2].rowCount, 8);  // stored, though no entry uses it
    for (int slot = 3; slot < 6; ++slot) {
        EXPECT_EQ(song.patterns[slot].rowCount, 64);
        for (const PatternCell& cell : song.patterns[slot].cells) EXPECT_EQ(Fields(cell), CellFields{});
    }
    // No channels: patterns without cells, whatever their packed size says.
    module.channelCount = 0;
    module.patterns[0] = {4, {}, 4};
    EXPECT_TRUE(Loaded(module).song->patterns[0].cells.empty());
}

TEST(LoaderTest, ReadsInstrumentsAndAnInstrumentWithoutSamplesConsumesItsHeaderSize) {
    XmModule withoutSecond = SmallModule();
    withoutSecond.instruments.pop_back();
    const std::size_t emptyStart = withoutSecond.Build().size() - 40;
    Bytes bytes = SmallModule().Build();
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(emptyStart + 29),
              bytes.begin() + static_cast<std::ptrdiff_t>(emptyStart + 40), 0x55);
    const LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    const Instrument& empty = loaded.song->instruments[0];
    EXPECT_EQ(empty.sampleCount, 0);
    for (const Sample* sample : empty.samples) EXPECT_EQ(sample, &emptySample);
    EXPECT_EQ(
        std::vector<int>({empty.sampleMap[0], empty.volumePointCount, empty.fadeout, empty.vibratoDepth}),
        std::vector<int>({0, 0, 0, 0}));

    const Instrument& read = loaded.song->instruments[1];
    EXPECT_EQ(std::vector<int>({read.sampleCount,          read.sampleMap[0],
                                read.sampleMap[1],         read.sampleMap[95],
                                read.volumeEnvelope[1].x,  read.volumeEnvelope[1].y,
                                read.panningEnvelope[3].x, read.panningEnvelope[3].y,
                                read.volumePointCount,     read.panningPointCount,
                                read.volumeSustainPoint,   read.panningLoopStart,
                                read.panningLoopEnd,       read.volumeEnvelopeFlags,
                                read.panningEnvelopeFlags, read.vibratoType,
                                read.vibratoSweep,         read.vibratoDepth,
                                read.vibratoRate,          read.fadeout}),
              std::vector<int>({3, 0, 1, 2, 10, 32, 24, 32, 3, 4, 1, 1, 3, 0x03, 0x05, 1, 2, 3, 4, 0x1000}));
    for (int i = 0; i < kMaxSamplesPerInstrument; ++i) {
        EXPECT_EQ(read.samples[i], i < 3 ? &read.ownedSamples[i] : &emptySample);
    }
    // Fewer than two points: the envelope is off.
    XmModule module = SmallModule();
    module.instruments[1].volume.pointCount = 1;
    module.instruments[1].panning.pointCount = 0;
    const LoadResult off = Loaded(module);
    EXPECT_EQ(off.song->instruments[1].volumeEnvelopeFlags, 0);
    EXPECT_EQ(off.song->instruments[1].panningEnvelopeFlags, 0);
    EXPECT_EQ(off.repairs, 0u);
}

TEST(LoaderTest, DecodesSamplesAndNormalisesTheirLoops) {
    XmSample header;
    header.volume = 48;
    header.finetune = -27;
    header.panning = 200;
    header.relativeNote = -12;
    header.data = {0x10, 0xF0, 0x05};  // 8-bit deltas, into the high byte
    const LoadResult eight = LoadedSample(header);
    const Sample& read = FirstSample(eight);
    EXPECT_EQ(std::vector<int>({read.volume, read.finetune, read.panning, read.relativeNote, read.loopMode}),
              std::vector<int>({48, -27, 200, -12, kNoLoop}));
    EXPECT_EQ(read.data, std::vector<std::int16_t>({0x1000, 0, 0x0500, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(read.loopLength, 3u);

    XmSample sixteen;
    sixteen.type = 0x10;
    sixteen.data = {0xFF, 0x7F, 0x01, 0x00,
                    0x00, 0x80, 0x34, 0x12};  // 32767, +1, +32768, +0x1234: modulo 65536
    const LoadResult words = LoadedSample(sixteen);
    const std::vector<std::int16_t>& data = FirstSample(words).data;
    EXPECT_EQ(std::vector<std::int16_t>(data.begin(), data.begin() + 4),
              std::vector<std::int16_t>({32767, -32768, 0, 0x1234}));

    // Loop type bits pick the mode (bit 1 wins), 16-bit sizes halve rounding
    // down, and an empty loop leaves the sample unlooped.
    for (const auto& [type, bytes, loopStart, loopLength, mode, frames, start, length] :
         {std::tuple{0x00, 8, 2u, 4u, kNoLoop, 8u, 0u, 8u},
          {0x01, 8, 2u, 4u, kForwardLoop, 8u, 2u, 4u},
          {0x02, 8, 2u, 4u, kPingPongLoop, 8u, 2u, 4u},
          {0x03, 8, 2u, 4u, kPingPongLoop, 8u, 2u, 4u},
          {0xE1, 8, 2u, 4u, kForwardLoop, 8u, 2u, 4u},
          {0x0C, 8, 2u, 4u, kNoLoop, 8u, 0u, 8u},
          {0x11, 1132, 101u, 9u, kForwardLoop, 566u, 50u, 4u},
          {0x02, 10, 4u, 0u, kNoLoop, 10u, 0u, 10u}}) {
        XmSample sample;
        sample.type = static_cast<std::uint8_t>(type);
        sample.data.assign(static_cast<std::size_t>(bytes), 0);
        sample.loopStart = loopStart;
        sample.loopLength = loopLength;
        const LoadResult loaded = LoadedSample(sample);
        EXPECT_EQ(std::tuple(FirstSample(loaded).loopMode, FirstSample(loaded).length,
                             FirstSample(loaded).loopStart, FirstSample(loaded).loopLength),
                  std::tuple(mode, frames, start, length))
            << "type " << type;
        EXPECT_EQ(loaded.repairs, 0u);
    }
    // An empty sample has no data and does not disturb the next one. (Every
    // load checks the loops' guard frames: song_invariants.h.)
    XmSample empty;
    empty.type = 0x01;
    empty.loopLength = 4;
    XmSample next;
    next.data = {0x7F};
    XmModule module = SmallModule();
    module.instruments[1].samples = {empty, next};
    const LoadResult loaded = Loaded(module);
    EXPECT_TRUE(loaded.song->instruments[1].ownedSamples[0].data.empty());
    EXPECT_EQ(loaded.song->instruments[1].ownedSamples[1].data[0], 0x7F00);
}

TEST(LoaderTest, TakesRawBytesFromASampleDataSourceAndSkipsThemInTheStream) {
    std::vector<std::tuple<std::uint32_t, int, int, int>> calls;
    SampleDataSource source = [&calls](std::uint8_t* destination, std::uint32_t byteCount, int bitDepth,
                                       int instrument, int sample) {
        calls.emplace_back(byteCount, bitDepth, instrument, sample);
        for (std::uint32_t i = 0; i < byteCount; ++i) destination[i] = static_cast<std::uint8_t>(i + 1);
    };
    const Bytes bytes = SmallModule().Build();
    const LoadResult loaded = LoadFromBytes(bytes, source);
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_TRUE(loaded.song->sampleDataSource);
    EXPECT_EQ(loaded.endPosition, bytes.size());
    EXPECT_EQ(calls, (std::vector<std::tuple<std::uint32_t, int, int, int>>{
                         {8, 8, 1, 0}, {8, 8, 1, 1}, {14, 16, 1, 2}}));
    // Not delta-decoded: 8-bit bytes 1, 2, 3 ... and 16-bit words 0x0201, 0x0403 ...
    const Instrument& instrument = loaded.song->instruments[1];
    EXPECT_EQ(instrument.ownedSamples[0].data[1], 0x0200);
    EXPECT_EQ(instrument.ownedSamples[2].data[1], 0x0403);
    EXPECT_EQ(instrument.ownedSamples[1].data[6], instrument.ownedSamples[1].data[2]);
}

TEST(LoaderTest, RefusesWhatBreaksTheTablesJustPastTheLimit) {
    const auto refusedPastTheLimit = [](const std::function<void(XmModule&, bool)>& build) {
        XmModule module = SmallModule();
        build(module, false);
        EXPECT_NE(LoadFromBytes(module.Build()).song, nullptr);
        build(module, true);
        EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
    };
    refusedPastTheLimit([](XmModule& m, bool past) {
        m.patterns[0] = {4, {}, 0};
        m.channelCount = past ? 33 : 32;
    });
    refusedPastTheLimit([](XmModule& m, bool past) {
        m.patterns.resize(past ? 257 : 256, {1, {}, std::nullopt});
    });
    refusedPastTheLimit([](XmModule& m, bool past) { m.patterns[1].rows = past ? 1025 : 1024; });
    refusedPastTheLimit([](XmModule& m, bool past) {
        m.instruments.push_back({});
        m.instruments.back().samples.resize(16);
        if (past) m.instruments.back().sampleCount = 17;
    });
    // Packed cells that cannot fit in the rest of the file: 26 cells need 26 bytes.
    XmModule module = SmallModule();
    module.instruments.clear();
    module.patterns[1] = {13, {0x80, 0x80}, std::nullopt};
    Bytes bytes = module.Build();
    bytes.resize(bytes.size() + 24, 0x80);
    EXPECT_NE(LoadFromBytes(bytes).song, nullptr);
    bytes.pop_back();
    EXPECT_EQ(LoadFromBytes(bytes).song, nullptr);
}

TEST(LoaderTest, MendsHeaderFieldsAndSaysSo) {
    struct Case {
        const char* name;
        std::function<void(XmModule&)> change;
        std::function<int(const Song&)> field;
        int expected;
        std::uint32_t repairs;
    };
    const auto restart = [](const Song& s) { return int{s.restartPosition}; };
    const std::vector<Case> cases{
        {"song length 300", [](XmModule& m) { m.songLength = 300; }, [](const Song& s) { return int{s.songLength}; },
         256, kRepairSongLength},
        {"song length 256", [](XmModule& m) { m.songLength = 256; }, [](const Song& s) { return int{s.songLength}; },
         256, 0},
        {"restart at the last entry", [](XmModule& m) { m.restartPosition = 2; }, restart, 2, 0},
        {"restart past the song", [](XmModule& m) { m.restartPosition = 3; }, restart, 0, kRepairRestartPosition},
        {"restart 0xFFFF", [](XmModule& m) { m.restartPosition = 0xFFFF; }, restart, 0, kRepairRestartPosition},
        {"speed 0 is allowed, BPM 0 not", [](XmModule& m) { m.defaultSpeed = m.defaultBpm = 0; },
         [](const Song& s) { return s.defaultSpeed * 1000 + s.defaultBpm; }, 1, kRepairTempo},
        {"tempo beyond 16 signed bits", [](XmModule& m) { m.defaultSpeed = 0xFFFF, m.defaultBpm = 0x8000; },
         [](const Song& s) { return s.defaultSpeed + s.defaultBpm; }, 2 * 32767, kRepairTempo},
        {"speed 31, BPM 255", [](XmModule& m) { m.defaultSpeed = 31, m.defaultBpm = 255; },
         [](const Song& s) { return s.defaultSpeed + s.defaultBpm; }, 286, 0},
        {"130 instruments", [](XmModule& m) { m.instruments.resize(130); },
         [](const Song& s) { return int{s.instrumentCount}; }, 128, kRepairInstrumentCount},
        {"5 instruments, 2 in the file", [](XmModule& m) { m.instrumentCount = 5; },
         [](const Song& s) { return s.instruments.at(4).sampleCount; }, 0, kRepairShortRead},
        {"no order entries", [](XmModule& m) { m.songLength = 0, m.orderTable[0] = 1; },
         [](const Song& s) { return int{s.patternSlotCount}; }, 2, 0},
        {"no order entries, entry 0 unstored", [](XmModule& m) { m.songLength = 0, m.orderTable[0] = 9; },
         [](const Song& s) { return s.patterns.at(9).rowCount; }, 64, kRepairEmptyOrder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        XmModule module = SmallModule();
        c.change(module);
        const LoadResult loaded = Loaded(module);
        EXPECT_EQ(std::pair(c.field(*loaded.song), loaded.repairs), std::pair(c.expected, c.repairs));
    }
}

TEST(LoaderTest, MendsEnvelopesAndSamplesToStayInsideTheirTables) {
    XmModule module = SmallModule();
    test::XmInstrument& instrument = module.instruments[1];
    instrument.volume = {{0, 64, 5, 200, 3, 10, 9, 0}, 40, 12, 2, 11, 0x07};  // y 200 too high, x 3 backwards
    instrument.panning = {{}, 3, 0, 1, 3, 0x05};
    const LoadResult loaded = Loaded(module);
    const Instrument& read = loaded.song->instruments[1];
    EXPECT_EQ(
        std::vector<int>({read.volumePointCount, read.volumeEnvelopeFlags, read.volumeEnvelope[1].y,
                          read.volumeEnvelope[2].x, read.volumeEnvelope[3].x, read.panningEnvelopeFlags}),
        std::vector<int>({12, 0x05, 64, 5, 9, 0x01}));  // sustain 12 and loop end 3 of 3 do not exist
    EXPECT_EQ(loaded.repairs, kRepairEnvelope);
    // An envelope that is off only has its point count cut.
    instrument.volume = {{0, 99, 0, 99}, 13, 7, 8, 9, 0x06};
    const LoadResult off = Loaded(module);
    EXPECT_EQ(std::vector<int>({off.song->instruments[1].volumeEnvelopeFlags,
                                off.song->instruments[1].volumeEnvelope[0].y,
                                off.song->instruments[1].volumePointCount}),
              std::vector<int>({0x06, 99, 12}));

    XmSample loud;
    loud.volume = 65;
    EXPECT_EQ(FirstSample(LoadedSample(loud)).volume, 64);
    // A sample is cut to the bytes the file holds: 7 bytes, three 16-bit frames.
    XmSample cut;
    cut.type = 0x11;
    cut.data = test::DeltaCode16({100, 200, 300, 400});
    cut.length = 0xFFFFFFFE;
    cut.loopStart = 2;
    cut.loopLength = 0x10000;
    module = SmallModule();
    module.instruments[1].samples = {cut};
    Bytes bytes = module.Build();
    bytes.pop_back();
    const LoadResult shortened = LoadFromBytes(bytes);
    ASSERT_NE(shortened.song, nullptr);
    const Sample& read3 = FirstSample(shortened);
    EXPECT_EQ(std::tuple(read3.length, read3.loopStart, read3.loopLength), std::tuple(3u, 1u, 2u));
    EXPECT_EQ(read3.data[2], 300);
    EXPECT_EQ(read3.data[3], 200);
    EXPECT_EQ(shortened.repairs, kRepairSampleLength | kRepairSampleLoop);
    // A loop past the end ends with the sample; one starting at or past it is no loop.
    for (const auto& [type, loopStart, loopLength, mode, start, length] :
         {std::tuple{0x02, 2u, 100u, kPingPongLoop, 2u, 6u},
          {0x01, 8u, 4u, kNoLoop, 0u, 8u},
          {0x01, 0xFFFFFFF0u, 0x20u, kNoLoop, 0u, 8u},
          {0x01, 9u, 0xFFFFFFFFu, kNoLoop, 0u, 8u}}) {
        XmSample sample;
        sample.type = static_cast<std::uint8_t>(type);
        sample.data = test::DeltaCode8({1, 2, 3, 4, 5, 6, 7, 8});
        sample.loopStart = loopStart;
        sample.loopLength = loopLength;
        const LoadResult mended = LoadedSample(sample);
        EXPECT_EQ(std::tuple(FirstSample(mended).loopMode, FirstSample(mended).loopStart,
                             FirstSample(mended).loopLength),
                  std::tuple(mode, start, length));
        EXPECT_EQ(FirstSample(mended).data[8], mode == kNoLoop ? 0 : 8 << 8);
        EXPECT_EQ(mended.repairs, kRepairSampleLoop);
    }
}

TEST(LoaderTest, EveryTruncationAndRandomDamageLoadsPlayablyOrIsRefused) {
    const Bytes original = SmallModule().Build();
    int loaded = 0;
    for (std::size_t size = 0; size <= original.size(); ++size) {
        SCOPED_TRACE(size);
        const LoadResult result =
            LoadFromBytes(Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(size)));
        if (!result.song) continue;
        ++loaded;
        test::ExpectPlayable(*result.song);
        EXPECT_EQ(result.repairs == 0, size == original.size());
    }
    EXPECT_GT(loaded, 0);
    std::mt19937 random(20240607);
    std::uniform_int_distribution<std::size_t> position(0, original.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes = original;
        for (int i = 0; i < 1 + round % 8; ++i)
            bytes[position(random)] = static_cast<std::uint8_t>(byte(random));
        const LoadResult result = LoadFromBytes(bytes);
        if (result.song) {
            EXPECT_EQ(test::FirstViolation(*result.song), "") << round;
        }
    }
}

TEST(LoaderTest, TheProductionsModuleLoadsWholeWithNothingToMend) {
    const auto embedded = data::ItemSpan(data::musicModule);
    const Bytes bytes(embedded.begin(), embedded.end());
    ASSERT_EQ(bytes, test::ReadFile(ZINT_PRODUCTION_MODULE)) << "the embedded item is data/module.xm";
    const LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.repairs, 0u);
    EXPECT_EQ(loaded.endPosition, bytes.size());
    test::ExpectPlayable(*loaded.song);
    const Song& song = *loaded.song;
    EXPECT_EQ(
        std::vector<int>({song.channelCount, song.patternSlotCount, song.songLength, song.restartPosition,
                          song.songFlags & 1, song.defaultSpeed, song.defaultBpm}),
        std::vector<int>({32, 10, 10, 0, 1, 6, 108}));
}

// The same 100 counting bytes in memory and in a file, read through each
// set of callbacks: reads are cut at the end and leave the rest of the
// destination alone; seeks follow their origin and stop at the end (an
// unknown origin moves nothing, before the start counts as past the end).
TEST(ModuleFileCallbacksTest, MemoryAndDiskKeepOneContract) {
    Bytes bytes(100);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    MemoryFile memory{0, 100, bytes.data()};
    const std::string path =
        std::filesystem::temp_directory_path() / ("zint_module_" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 100);
    for (const bool disk : {false, true}) {
        SCOPED_TRACE(disk ? "disk" : "memory");
        if (disk) {
            SetModuleFileCallbacks(DiskFileOpen, DiskFileClose, DiskFileRead, DiskFileSeek, DiskFileTell);
        } else {
            test::UseMemoryFileCallbacks();
        }
        ModuleStream stream(disk ? static_cast<const void*>(path.c_str()) : &memory);
        ASSERT_TRUE(stream.IsOpen());
        std::uint8_t buffer[10];
        EXPECT_EQ(stream.Read(buffer, 10), 10u);
        EXPECT_EQ(buffer[9], 9);
        stream.Seek(-3, kSeekEnd);
        std::fill(std::begin(buffer), std::end(buffer), 0xEE);
        EXPECT_EQ(stream.Read(buffer, 10), 3u);
        EXPECT_EQ(std::vector<int>(buffer, buffer + 4), std::vector<int>({97, 98, 99, 0xEE}));
        EXPECT_EQ(stream.Read(buffer, 10), 0u);
        EXPECT_EQ(buffer[0], 97);
        for (const auto& [offset, origin, position] : {std::tuple{20, kSeekSet, 20u},
                                                       {5, kSeekCurrent, 25u},
                                                       {-5, kSeekCurrent, 20u},
                                                       {0, kSeekEnd, 100u},
                                                       {-40, kSeekEnd, 60u},
                                                       {7, 3, 60u},
                                                       {101, kSeekSet, 100u},
                                                       {10, kSeekSet, 10u},
                                                       {-11, kSeekCurrent, 100u},
                                                       {5, kSeekEnd, 100u}}) {
            stream.Seek(offset, static_cast<std::uint8_t>(origin));
            EXPECT_EQ(stream.Tell(), position) << offset << " from " << int{origin};
        }
        EXPECT_EQ(stream.Size(), 100u);
    }
    std::filesystem::remove(path);
}

TEST(ModuleFileCallbacksTest, WhatDoesNotOpenYieldsNothingAndAMissingOperationClearsAllFive) {
    EXPECT_EQ(DiskFileOpen("/nonexistent/zint/module.xm"), nullptr);
    EXPECT_EQ(DiskFileOpen(nullptr), nullptr);
    SetModuleFileCallbacks(MemoryFileOpen, MemoryFileClose, MemoryFileRead, MemoryFileSeek, nullptr);
    const ModuleFileCallbacks& installed = InstalledModuleFileCallbacks();
    EXPECT_FALSE(installed.open || installed.close || installed.read || installed.seek || installed.tell);
    const Bytes module = test::SmallModule().Build();
    MemoryFile file{0, static_cast<std::uint32_t>(module.size()), module.data()};
    EXPECT_EQ(LoadSong(&file), nullptr);

    ModuleStream stream("anything");
    EXPECT_FALSE(stream.IsOpen());
    std::uint8_t byte = 7;
    EXPECT_EQ(stream.Read(&byte, 1), 0u);
    EXPECT_EQ(byte, 7);
    stream.Seek(5, kSeekSet);
    EXPECT_EQ(stream.Tell(), 0u);
    EXPECT_EQ(stream.Size(), 0u);
}

// Counts opens and closes, and fails to open on request.
struct CountingFile {
    static inline int opens = 0;
    static inline int closes = 0;
    static inline bool failOpen = false;
    static ModuleFileHandle Open(const void* name) {
        ++opens;
        return failOpen ? nullptr : MemoryFileOpen(name);
    }
    static void Close(ModuleFileHandle handle) {
        ++closes;
        MemoryFileClose(handle);
    }
};

TEST(ModuleFileCallbacksTest, LoadSongClosesWhatItOpenedOnSuccessAndFailure) {
    SetModuleFileCallbacks(CountingFile::Open, CountingFile::Close, MemoryFileRead, MemoryFileSeek,
                           MemoryFileTell);
    const Bytes good = test::SmallModule().Build();
    Bytes bad = good;
    bad[0] = 'e';
    MemoryFile goodFile{0, static_cast<std::uint32_t>(good.size()), good.data()};
    MemoryFile badFile{0, static_cast<std::uint32_t>(bad.size()), bad.data()};
    EXPECT_NE(LoadSong(&goodFile), nullptr);
    EXPECT_EQ(LoadSong(&badFile), nullptr);
    CountingFile::failOpen = true;
    EXPECT_EQ(LoadSong(&goodFile), nullptr);
    CountingFile::failOpen = false;
    EXPECT_EQ(CountingFile::opens, 3);
    EXPECT_EQ(CountingFile::closes, 2);
}

}  // namespace
}  // namespace zint
