// Files that break the format's limits: the loader refuses them or mends
// them so that the player never leaves its tables, and says what it mended.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

using test::Bytes;
using test::LoadFromBytes;
using test::SmallModule;
using test::XmModule;
using test::XmSample;

XmModule ModuleWithSample(XmSample sample) {
    XmModule module = SmallModule();
    module.instruments[1].samples = {std::move(sample)};
    return module;
}

const Sample& FirstSample(const test::LoadResult& loaded) { return loaded.song->instruments.at(1).ownedSamples.at(0); }

// --- refused ---------------------------------------------------------------

TEST(LoaderRefusesTest, MoreThan32Channels) {
    XmModule module = SmallModule();
    module.patterns[0].packed.clear();
    module.patterns[0].packedSize = 0;
    module.channelCount = 32;
    const test::LoadResult accepted = LoadFromBytes(module.Build());
    ASSERT_NE(accepted.song, nullptr);
    EXPECT_EQ(accepted.song->patterns[2].cells.size(), 64u * 32u);
    module.channelCount = 33;
    EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
    module.channelCount = 0xFFFF;
    EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
}

TEST(LoaderRefusesTest, MoreThan256StoredPatterns) {
    XmModule module = SmallModule();
    module.patterns.resize(256, {1, {}, std::nullopt});
    EXPECT_NE(LoadFromBytes(module.Build()).song, nullptr);
    module.patterns.push_back({1, {}, std::nullopt});
    EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
}

TEST(LoaderRefusesTest, PatternsLongerThan1024Rows) {
    XmModule module = SmallModule();
    module.patterns[1].rows = 1024;
    const test::LoadResult accepted = LoadFromBytes(module.Build());
    ASSERT_NE(accepted.song, nullptr);
    EXPECT_EQ(accepted.song->patterns[1].cells.size(), 2048u);
    module.patterns[1].rows = 1025;
    EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
}

TEST(LoaderRefusesTest, PackedPatternsWhoseCellsCannotFitInTheRestOfTheFile) {
    XmModule module = SmallModule();
    module.instruments.clear();
    module.patterns[1] = {13, {0x80, 0x80}, std::nullopt};  // 26 cells need at least 26 bytes
    Bytes bytes = module.Build();
    bytes.resize(bytes.size() + 24, 0x80);  // 26 bytes in all: just fits
    EXPECT_NE(LoadFromBytes(bytes).song, nullptr);
    bytes.pop_back();
    EXPECT_EQ(LoadFromBytes(bytes).song, nullptr);
}

TEST(LoaderRefusesTest, AnInstrumentWithMoreThan16SamplesAfterOthersWereRead) {
    XmModule module = SmallModule();
    test::XmInstrument many;
    many.samples.resize(16);
    for (int i = 0; i < 16; ++i) many.samples[i].data = {static_cast<std::uint8_t>(i)};
    module.instruments.push_back(many);
    const test::LoadResult accepted = LoadFromBytes(module.Build());
    ASSERT_NE(accepted.song, nullptr);
    EXPECT_EQ(accepted.song->instruments[2].ownedSamples[15].data[0], 15 << 8);

    module.instruments.back().sampleCount = 17;
    EXPECT_EQ(LoadFromBytes(module.Build()).song, nullptr);
}

// --- mended header ---------------------------------------------------------

TEST(LoaderMendsTest, ASongLongerThanTheOrderTableIsCut) {
    XmModule module = SmallModule();
    module.songLength = 300;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->songLength, 256);
    EXPECT_EQ(loaded.repairs, kRepairSongLength);
    module.songLength = 256;
    EXPECT_EQ(LoadFromBytes(module.Build()).repairs, 0u);
}

TEST(LoaderMendsTest, ARestartPositionPastTheSongRestartsAtZero) {
    XmModule module = SmallModule();
    module.restartPosition = 2;  // the last entry of three
    EXPECT_EQ(LoadFromBytes(module.Build()).song->restartPosition, 2);
    for (std::uint16_t restart : {3, 0xFFFF}) {
        module.restartPosition = restart;
        const test::LoadResult loaded = LoadFromBytes(module.Build());
        ASSERT_NE(loaded.song, nullptr);
        EXPECT_EQ(loaded.song->restartPosition, 0);
        EXPECT_EQ(loaded.repairs, kRepairRestartPosition);
    }
}

TEST(LoaderMendsTest, TempoFieldsStayWithinWhatTheTickLengthCanUse) {
    XmModule module = SmallModule();
    module.defaultSpeed = 0;  // every tick a row: allowed
    module.defaultBpm = 0;
    test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->defaultSpeed, 0);
    EXPECT_EQ(loaded.song->defaultBpm, 1);
    EXPECT_EQ(loaded.repairs, kRepairTempo);

    module.defaultSpeed = 0xFFFF;
    module.defaultBpm = 0x8000;
    loaded = LoadFromBytes(module.Build());
    EXPECT_EQ(loaded.song->defaultSpeed, 32767);
    EXPECT_EQ(loaded.song->defaultBpm, 32767);

    module.defaultSpeed = 31;
    module.defaultBpm = 255;
    EXPECT_EQ(LoadFromBytes(module.Build()).repairs, 0u);
}

TEST(LoaderMendsTest, ASongWithoutOrderEntriesStillHasAPatternForEntryZero) {
    XmModule module = SmallModule();
    module.songLength = 0;
    for (auto [entryZero, slots, repairs] : {std::tuple{1, 2, 0u}, {9, 10, std::uint32_t{kRepairEmptyOrder}}}) {
        module.orderTable[0] = static_cast<std::uint8_t>(entryZero);
        const test::LoadResult loaded = LoadFromBytes(module.Build());
        ASSERT_NE(loaded.song, nullptr);
        EXPECT_EQ(loaded.song->usedPatternCount, 0);
        EXPECT_EQ(loaded.song->patternSlotCount, slots);
        EXPECT_EQ(loaded.song->patterns[slots - 1].rowCount, entryZero == 1 ? 16 : 64);
        EXPECT_EQ(loaded.repairs, repairs);
    }
}

TEST(LoaderMendsTest, InstrumentsPast128AreNotRead) {
    XmModule module = SmallModule();
    module.instruments.resize(130);
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->instrumentCount, 128);
    EXPECT_EQ(loaded.song->instruments.size(), 128u);
    EXPECT_EQ(loaded.repairs, kRepairInstrumentCount);
}

TEST(LoaderMendsTest, InstrumentsTheFileDoesNotHoldAreEmpty) {
    XmModule module = SmallModule();
    module.instrumentCount = 5;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    ASSERT_EQ(loaded.song->instrumentCount, 5);
    EXPECT_EQ(loaded.song->instruments[4].sampleCount, 0);
    EXPECT_EQ(loaded.repairs, kRepairShortRead);
}

TEST(LoaderMendsTest, NotesBeyondTheKeyboardBecomeNoNote) {
    XmModule module = SmallModule();
    module.patterns[0] = {1, {0x81, 98, 0x83, 254, 7}, std::nullopt};
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->patterns[0].cells[0].note, 0);
    EXPECT_EQ(loaded.song->patterns[0].cells[1].note, 0);
    EXPECT_EQ(loaded.song->patterns[0].cells[1].instrument, 7);
    EXPECT_EQ(loaded.repairs, kRepairNote);
}

// --- mended instruments and samples ----------------------------------------

TEST(LoaderMendsTest, EnvelopesAreKeptWithinTheirTwelvePoints) {
    XmModule module = SmallModule();
    test::XmInstrument& instrument = module.instruments[1];
    instrument.volume.pointCount = 40;
    instrument.volume.type = 0x07;
    instrument.volume.sustainPoint = 12;
    instrument.volume.loopStart = 2;
    instrument.volume.loopEnd = 11;
    instrument.volume.points = {0, 64, 5, 200, 3, 10, 9, 0};  // y 200 too high, x 3 goes backwards
    instrument.panning.pointCount = 3;
    instrument.panning.type = 0x05;
    instrument.panning.loopStart = 1;
    instrument.panning.loopEnd = 3;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    const Instrument& read = loaded.song->instruments[1];
    EXPECT_EQ(read.volumePointCount, 12);
    EXPECT_EQ(read.volumeEnvelopeFlags, 0x05);  // sustain point 12 does not exist
    EXPECT_EQ(read.volumeEnvelope[1].y, 64);
    EXPECT_EQ(read.volumeEnvelope[2].x, 5);
    EXPECT_EQ(read.volumeEnvelope[3].x, 9);
    EXPECT_EQ(read.panningEnvelopeFlags, 0x01);  // loop end 3 of 3 points does not exist
    EXPECT_EQ(loaded.repairs, kRepairEnvelope);
    test::ExpectPlayable(*loaded.song);
}

TEST(LoaderMendsTest, AnEnvelopeThatIsOffOnlyHasItsPointCountCut) {
    XmModule module = SmallModule();
    module.instruments[1].volume = {{0, 99, 0, 99}, 2, 7, 8, 9, 0x06};
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->instruments[1].volumeEnvelopeFlags, 0x06);
    EXPECT_EQ(loaded.song->instruments[1].volumeEnvelope[0].y, 99);
    EXPECT_EQ(loaded.repairs, 0u);
    module.instruments[1].volume.pointCount = 13;
    EXPECT_EQ(LoadFromBytes(module.Build()).song->instruments[1].volumePointCount, 12);
}

TEST(LoaderMendsTest, SampleVolumesAbove64Are64) {
    XmSample sample;
    sample.volume = 65;
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSample(sample).Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(FirstSample(loaded).volume, 64);
    EXPECT_EQ(loaded.repairs, kRepairSampleVolume);
}

TEST(LoaderMendsTest, ASampleIsCutToTheBytesTheFileHolds) {
    XmSample sample;
    sample.type = 0x11;
    sample.data = test::DeltaCode16({100, 200, 300, 400});
    sample.length = 0xFFFFFFFE;
    sample.loopStart = 2;
    sample.loopLength = 0x10000;
    Bytes bytes = ModuleWithSample(sample).Build();
    bytes.pop_back();  // 7 bytes: three whole frames
    const test::LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = FirstSample(loaded);
    EXPECT_EQ(read.length, 3u);
    ASSERT_EQ(read.data.size(), 3u + kGuardFrames);
    EXPECT_EQ(read.data[2], 300);
    EXPECT_EQ(read.loopStart, 1u);
    EXPECT_EQ(read.loopLength, 2u);
    EXPECT_EQ(read.data[3], 200);
    EXPECT_EQ(loaded.repairs, kRepairSampleLength | kRepairSampleLoop);
}

TEST(LoaderMendsTest, ALoopEndingPastTheSampleEndsWithIt) {
    XmSample sample;
    sample.type = 0x02;
    sample.data = test::DeltaCode8({1, 2, 3, 4, 5, 6, 7, 8});
    sample.loopStart = 2;
    sample.loopLength = 100;
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSample(sample).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = FirstSample(loaded);
    EXPECT_EQ(read.loopMode, kPingPongLoop);
    EXPECT_EQ(read.loopStart, 2u);
    EXPECT_EQ(read.loopLength, 6u);
    EXPECT_EQ(read.data[8], 8 << 8);
    EXPECT_EQ(loaded.repairs, kRepairSampleLoop);
}

TEST(LoaderMendsTest, ALoopStartingAtOrPastTheEndLeavesTheSampleUnlooped) {
    for (auto [loopStart, loopLength] : {std::pair{8u, 4u}, {0xFFFFFFF0u, 0x20u}, {9u, 0xFFFFFFFFu}}) {
        XmSample sample;
        sample.type = 0x01;
        sample.data.assign(8, 1);
        sample.loopStart = loopStart;
        sample.loopLength = loopLength;
        const test::LoadResult loaded = LoadFromBytes(ModuleWithSample(sample).Build());
        ASSERT_NE(loaded.song, nullptr);
        const Sample& read = FirstSample(loaded);
        EXPECT_EQ(read.loopMode, kNoLoop) << loopStart;
        EXPECT_EQ(read.loopStart, 0u);
        EXPECT_EQ(read.loopLength, 8u);
        EXPECT_EQ(read.data[8], 0);
        EXPECT_EQ(loaded.repairs, kRepairSampleLoop);
    }
}

// --- any bytes at all ------------------------------------------------------

void ExpectRefusedOrPlayable(const Bytes& bytes) {
    const test::LoadResult loaded = LoadFromBytes(bytes);
    if (loaded.song) test::ExpectPlayable(*loaded.song);
}

TEST(LoaderAnyBytesTest, EveryTruncationLoadsPlayablyOrIsRefused) {
    const Bytes bytes = SmallModule().Build();
    int loaded = 0;
    for (std::size_t size = 0; size <= bytes.size(); ++size) {
        SCOPED_TRACE(size);
        const Bytes prefix(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        const test::LoadResult result = LoadFromBytes(prefix);
        if (!result.song) continue;
        ++loaded;
        test::ExpectPlayable(*result.song);
        EXPECT_EQ(result.repairs == 0, size == bytes.size());
    }
    EXPECT_GT(loaded, 0);
}

TEST(LoaderAnyBytesTest, RandomlyDamagedModulesLoadPlayablyOrAreRefused) {
    const Bytes original = SmallModule().Build();
    std::mt19937 random(20240607);
    std::uniform_int_distribution<std::size_t> position(0, original.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        Bytes bytes = original;
        const int changes = 1 + round % 8;
        for (int i = 0; i < changes; ++i) bytes[position(random)] = static_cast<std::uint8_t>(byte(random));
        SCOPED_TRACE(round);
        ExpectRefusedOrPlayable(bytes);
    }
}

}  // namespace
}  // namespace zint
