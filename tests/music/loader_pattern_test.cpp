// The module header and the patterns: what the loader reads, what it skips,
// and how packed and plain cells unpack.
#include <gtest/gtest.h>

#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

using test::Bytes;
using test::LoadFromBytes;
using test::SmallModule;
using test::XmModule;

void ExpectCell(const PatternCell& cell, int note, int instrument, int volumeColumn, int effect, int effectParam) {
    EXPECT_EQ(cell.note, note);
    EXPECT_EQ(cell.instrument, instrument);
    EXPECT_EQ(cell.volumeColumn, volumeColumn);
    EXPECT_EQ(cell.effect, effect);
    EXPECT_EQ(cell.effectParam, effectParam);
}

TEST(LoaderHeaderTest, ReadsTheSongFields) {
    XmModule module = SmallModule();
    module.restartPosition = 1;
    module.flags = 0;
    module.defaultSpeed = 3;
    module.defaultBpm = 150;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    const Song& song = *loaded.song;
    EXPECT_EQ(song.songLength, 3);
    EXPECT_EQ(song.restartPosition, 1);
    EXPECT_EQ(song.channelCount, 2);
    EXPECT_EQ(song.instrumentCount, 2);
    EXPECT_EQ(song.songFlags, 0);
    EXPECT_EQ(song.defaultSpeed, 3);
    EXPECT_EQ(song.defaultBpm, 150);
    EXPECT_EQ(song.initialGlobalVolume, 64);
    EXPECT_EQ(song.orderTable[2], 2);
    EXPECT_EQ(song.globalVolumeSlide, 0);
    EXPECT_EQ(song.samplesPerTick, 0);
    EXPECT_EQ(loaded.repairs, 0u);
}

TEST(LoaderHeaderTest, RefusesAnythingButTheExactMagic) {
    Bytes bytes = SmallModule().Build();
    for (std::size_t i : {0, 8, 16}) {
        Bytes changed = bytes;
        changed[i] ^= 0x20;
        EXPECT_EQ(LoadFromBytes(changed).song, nullptr) << "byte " << i;
    }
    EXPECT_EQ(LoadFromBytes(Bytes(bytes.begin(), bytes.begin() + 16)).song, nullptr);
    EXPECT_EQ(LoadFromBytes(Bytes()).song, nullptr);
}

TEST(LoaderHeaderTest, NeverReadsTheNamesAndFollowsTheHeaderSize) {
    XmModule module = SmallModule();
    module.headerSize = 300;
    Bytes bytes = module.Build();
    std::fill(bytes.begin() + 17, bytes.begin() + 60, 0xAB);    // names, 0x1A, version
    std::fill(bytes.begin() + 336, bytes.begin() + 360, 0xCD);  // header bytes past the order table
    const test::LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    ExpectCell(loaded.song->patterns[0].cells[0], 49, 1, 0, 0, 0);
    EXPECT_EQ(loaded.song->instruments[1].sampleCount, 3);
    EXPECT_EQ(loaded.endPosition, bytes.size());
}

TEST(LoaderHeaderTest, ConsumesExactlyTheModulesBytes) {
    const Bytes bytes = SmallModule().Build();
    const test::LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.endPosition, bytes.size());
    test::ExpectPlayable(*loaded.song);
}

TEST(LoaderPatternSlotsTest, OrderEntriesBeyondTheStoredPatternsPlay64EmptyRows) {
    XmModule module = SmallModule();
    module.songLength = 4;
    module.orderTable = {0, 1, 5, 3, 200};  // entry 4 lies past the song's length
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    const Song& song = *loaded.song;
    EXPECT_EQ(song.usedPatternCount, 6);
    EXPECT_EQ(song.patternSlotCount, 6);
    for (int slot = 2; slot < 6; ++slot) {
        EXPECT_EQ(song.patterns[slot].rowCount, 64);
        ASSERT_EQ(song.patterns[slot].cells.size(), 128u);
        for (const PatternCell& cell : song.patterns[slot].cells) ExpectCell(cell, 0, 0, 0, 0, 0);
    }
}

TEST(LoaderPatternSlotsTest, StoredPatternsThatNoOrderEntryUsesStillGetSlots) {
    XmModule module = SmallModule();
    module.songLength = 1;
    module.patterns.push_back({8, {}, std::nullopt});
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->usedPatternCount, 1);
    EXPECT_EQ(loaded.song->patternSlotCount, 3);
    EXPECT_EQ(loaded.song->patterns[2].rowCount, 8);
}

TEST(LoaderPatternTest, UnpacksMaskAndPlainCells) {
    const test::LoadResult loaded = LoadFromBytes(SmallModule().Build());
    ASSERT_NE(loaded.song, nullptr);
    const Pattern& pattern = loaded.song->patterns[0];
    ASSERT_EQ(pattern.rowCount, 4);
    ASSERT_EQ(pattern.cells.size(), 8u);
    ExpectCell(pattern.cells[0], 49, 1, 0, 0, 0);             // 0x83, 0x31, 0x01
    ExpectCell(pattern.cells[1], 0, 0, 0, 0, 0);              // 0x80
    ExpectCell(pattern.cells[2], 49, 1, 0x20, 0x0A, 0x05);    // plain
    ExpectCell(pattern.cells[3], 255, 0, 0xC0, 0x0F, 0xFF);   // note 97, instrument 129
    ExpectCell(pattern.cells[4], 255, 0, 0, 0, 0);            // plain note 97
    ExpectCell(pattern.cells[5], 0, 0, 0, 0x0E, 0);
    ExpectCell(pattern.cells[6], 0, 0, 0, 0, 0);
    ExpectCell(pattern.cells[7], 0, 0, 0, 0, 0x42);
}

TEST(LoaderPatternTest, KeepsTheHighestNoteAndInstrumentAndTheFilesKeyOffValue) {
    XmModule module = SmallModule();
    module.patterns[0] = {1, {0x83, 96, 128, 0x83, 255, 1}, std::nullopt};
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    ExpectCell(loaded.song->patterns[0].cells[0], 96, 128, 0, 0, 0);
    ExpectCell(loaded.song->patterns[0].cells[1], 255, 1, 0, 0, 0);
    EXPECT_EQ(loaded.repairs, 0u);
}

TEST(LoaderPatternTest, APatternWithPackedSizeZeroIsEmptyForAllItsRows) {
    const test::LoadResult loaded = LoadFromBytes(SmallModule().Build());
    ASSERT_NE(loaded.song, nullptr);
    const Pattern& pattern = loaded.song->patterns[1];
    EXPECT_EQ(pattern.rowCount, 16);
    ASSERT_EQ(pattern.cells.size(), 32u);
    for (const PatternCell& cell : pattern.cells) ExpectCell(cell, 0, 0, 0, 0, 0);
}

TEST(LoaderPatternTest, UnpacksEveryCellWhateverThePackedSizeSays) {
    XmModule module = SmallModule();
    module.patterns[0].packedSize = 1;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    ExpectCell(loaded.song->patterns[0].cells[7], 0, 0, 0, 0, 0x42);
    EXPECT_EQ(loaded.song->instruments[1].sampleCount, 3);
}

TEST(LoaderPatternTest, APatternWithoutRowsHasNoCells) {
    XmModule module = SmallModule();
    module.patterns[1].rows = 0;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->patterns[1].rowCount, 0);
    EXPECT_TRUE(loaded.song->patterns[1].cells.empty());
}

TEST(LoaderPatternTest, ASongWithoutChannelsHasPatternsWithoutCells) {
    XmModule module = SmallModule();
    module.channelCount = 0;
    module.patterns[0].packed.clear();
    module.patterns[0].packedSize = 4;  // nothing to unpack for no channels
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->patterns[0].rowCount, 4);
    EXPECT_TRUE(loaded.song->patterns[0].cells.empty());
    EXPECT_EQ(loaded.song->patterns[2].rowCount, 64);
    test::ExpectPlayable(*loaded.song);
}

}  // namespace
}  // namespace zint
