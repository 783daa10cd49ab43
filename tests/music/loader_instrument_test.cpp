// Instruments and samples: header fields, sample normalisation, 8- and
// 16-bit decoding, guard frames and the optional sample-data source.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/music/loader_test_support.h"

namespace zint {
namespace {

using test::Bytes;
using test::LoadFromBytes;
using test::SmallModule;
using test::XmModule;
using test::XmSample;

// The small module with one instrument holding the given samples.
XmModule ModuleWithSamples(std::vector<XmSample> samples) {
    XmModule module = SmallModule();
    module.instruments.resize(1);
    module.instruments[0] = {};
    module.instruments[0].samples = std::move(samples);
    return module;
}

const Sample& OnlySample(const test::LoadResult& loaded, int index = 0) {
    return loaded.song->instruments.at(0).ownedSamples.at(static_cast<std::size_t>(index));
}

TEST(LoaderInstrumentTest, AnInstrumentWithoutSamplesConsumesExactlyItsHeaderSize) {
    XmModule withoutSecond = SmallModule();
    withoutSecond.instruments.pop_back();
    const std::size_t emptyStart = withoutSecond.Build().size() - 40;
    Bytes bytes = SmallModule().Build();
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(emptyStart + 29),
              bytes.begin() + static_cast<std::ptrdiff_t>(emptyStart + 40), 0x55);

    const test::LoadResult loaded = LoadFromBytes(bytes);
    ASSERT_NE(loaded.song, nullptr);
    const Instrument& empty = loaded.song->instruments[0];
    EXPECT_EQ(empty.sampleCount, 0);
    for (const Sample* sample : empty.samples) EXPECT_EQ(sample, &emptySample);
    for (std::uint8_t entry : empty.sampleMap) EXPECT_EQ(entry, 0);
    EXPECT_EQ(empty.volumePointCount, 0);
    EXPECT_EQ(empty.fadeout, 0);
    EXPECT_EQ(empty.vibratoDepth, 0);
    EXPECT_EQ(loaded.song->instruments[1].sampleCount, 3);
}

TEST(LoaderInstrumentTest, ReadsTheInstrumentHeader) {
    const test::LoadResult loaded = LoadFromBytes(SmallModule().Build());
    ASSERT_NE(loaded.song, nullptr);
    const Instrument& instrument = loaded.song->instruments[1];
    EXPECT_EQ(instrument.sampleCount, 3);
    EXPECT_EQ(instrument.sampleMap[0], 0);
    EXPECT_EQ(instrument.sampleMap[1], 1);
    EXPECT_EQ(instrument.sampleMap[95], 2);
    EXPECT_EQ(instrument.volumeEnvelope[1].x, 10);
    EXPECT_EQ(instrument.volumeEnvelope[1].y, 32);
    EXPECT_EQ(instrument.panningEnvelope[3].x, 24);
    EXPECT_EQ(instrument.panningEnvelope[3].y, 32);
    EXPECT_EQ(instrument.volumePointCount, 3);
    EXPECT_EQ(instrument.panningPointCount, 4);
    EXPECT_EQ(instrument.volumeSustainPoint, 1);
    EXPECT_EQ(instrument.panningLoopStart, 1);
    EXPECT_EQ(instrument.panningLoopEnd, 3);
    EXPECT_EQ(instrument.volumeEnvelopeFlags, 0x03);
    EXPECT_EQ(instrument.panningEnvelopeFlags, 0x05);
    EXPECT_EQ(instrument.vibratoType, 1);
    EXPECT_EQ(instrument.vibratoSweep, 2);
    EXPECT_EQ(instrument.vibratoDepth, 3);
    EXPECT_EQ(instrument.vibratoRate, 4);
    EXPECT_EQ(instrument.fadeout, 0x1000);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(instrument.samples[i], &instrument.ownedSamples[i]);
    for (int i = 3; i < kMaxSamplesPerInstrument; ++i) EXPECT_EQ(instrument.samples[i], &emptySample);
}

TEST(LoaderInstrumentTest, AnEnvelopeWithFewerThanTwoPointsIsOff) {
    XmModule module = SmallModule();
    module.instruments[1].volume.pointCount = 1;
    module.instruments[1].panning.pointCount = 0;
    const test::LoadResult loaded = LoadFromBytes(module.Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_EQ(loaded.song->instruments[1].volumeEnvelopeFlags, 0);
    EXPECT_EQ(loaded.song->instruments[1].panningEnvelopeFlags, 0);
    EXPECT_EQ(loaded.repairs, 0u);
}

TEST(LoaderSampleTest, ReadsTheSampleHeader) {
    XmSample sample;
    sample.volume = 48;
    sample.finetune = -27;
    sample.panning = 200;
    sample.relativeNote = -12;
    sample.data = {1, 2};
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = OnlySample(loaded);
    EXPECT_EQ(read.volume, 48);
    EXPECT_EQ(read.finetune, -27);
    EXPECT_EQ(read.panning, 200);
    EXPECT_EQ(read.relativeNote, -12);
    EXPECT_EQ(read.length, 2u);
}

TEST(LoaderSampleTest, DecodesDeltaCodedEightBitSamplesIntoTheHighByte) {
    XmSample sample;
    sample.data = {0x10, 0xF0, 0x05};
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = OnlySample(loaded);
    ASSERT_EQ(read.data.size(), 3u + kGuardFrames);
    EXPECT_EQ(read.data[0], 0x1000);
    EXPECT_EQ(read.data[1], 0x0000);
    EXPECT_EQ(read.data[2], 0x0500);
    EXPECT_EQ(read.loopMode, kNoLoop);
    EXPECT_EQ(read.loopStart, 0u);
    EXPECT_EQ(read.loopLength, 3u);
    for (std::size_t i = 3; i < read.data.size(); ++i) EXPECT_EQ(read.data[i], 0);
}

TEST(LoaderSampleTest, DecodesSixteenBitSamplesModulo65536) {
    XmSample sample;
    sample.type = 0x10;
    sample.data = {0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80, 0x34, 0x12};  // 32767, +1, +32768, +0x1234
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = OnlySample(loaded);
    EXPECT_EQ(read.length, 4u);
    EXPECT_EQ(read.data[0], 32767);
    EXPECT_EQ(read.data[1], -32768);
    EXPECT_EQ(read.data[2], 0);
    EXPECT_EQ(read.data[3], 0x1234);
}

TEST(LoaderSampleTest, SixteenBitSizesAreHalvedRoundingDown) {
    XmSample sample;
    sample.type = 0x11;
    sample.data.assign(1132, 0);
    sample.loopStart = 101;
    sample.loopLength = 9;
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = OnlySample(loaded);
    EXPECT_EQ(read.length, 566u);
    EXPECT_EQ(read.loopStart, 50u);
    EXPECT_EQ(read.loopLength, 4u);
    EXPECT_EQ(read.loopMode, kForwardLoop);
}

TEST(LoaderSampleTest, LoopTypeBitsPickTheModeAndBitOneWins) {
    for (auto [type, mode] : {std::tuple{0x00, kNoLoop}, {0x01, kForwardLoop}, {0x02, kPingPongLoop},
                              {0x03, kPingPongLoop}, {0xE1, kForwardLoop}, {0x0C, kNoLoop}}) {
        XmSample sample;
        sample.type = static_cast<std::uint8_t>(type);
        sample.data.assign(8, 1);
        sample.loopStart = 2;
        sample.loopLength = 4;
        const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
        ASSERT_NE(loaded.song, nullptr);
        EXPECT_EQ(OnlySample(loaded).loopMode, mode) << "type " << type;
        EXPECT_EQ(OnlySample(loaded).loopStart, mode == kNoLoop ? 0u : 2u);
        EXPECT_EQ(OnlySample(loaded).loopLength, mode == kNoLoop ? 8u : 4u);
    }
}

TEST(LoaderSampleTest, ALoopOfLengthZeroMakesTheSampleUnlooped) {
    XmSample sample;
    sample.type = 0x02;
    sample.data.assign(10, 3);
    sample.loopStart = 4;
    sample.loopLength = 0;
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = OnlySample(loaded);
    EXPECT_EQ(read.loopMode, kNoLoop);
    EXPECT_EQ(read.loopStart, 0u);
    EXPECT_EQ(read.loopLength, 10u);
    EXPECT_EQ(read.data[10], 0);
    EXPECT_EQ(loaded.repairs, 0u);
}

TEST(LoaderSampleTest, AForwardLoopEndsWithACopyOfItsFirstFrame) {
    XmSample sample;
    sample.type = 0x01;
    std::vector<int> values(282);
    for (int i = 0; i < 282; ++i) values[i] = i % 100 - 50;
    sample.data = test::DeltaCode8(values);
    sample.loopStart = 280;
    sample.loopLength = 2;
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({sample}).Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& read = OnlySample(loaded);
    EXPECT_EQ(read.data[280], 30 << 8);
    EXPECT_EQ(read.data[281], 31 << 8);
    EXPECT_EQ(read.data[282], read.data[280]);
    EXPECT_EQ(read.data[283], 0);
}

TEST(LoaderSampleTest, APingPongLoopEndsWithACopyOfItsLastFrame) {
    const test::LoadResult loaded = LoadFromBytes(SmallModule().Build());
    ASSERT_NE(loaded.song, nullptr);
    const Sample& pingPong = loaded.song->instruments[1].ownedSamples[2];
    EXPECT_EQ(pingPong.loopMode, kPingPongLoop);
    EXPECT_EQ(pingPong.length, 7u);
    EXPECT_EQ(pingPong.loopStart, 2u);
    EXPECT_EQ(pingPong.loopLength, 4u);
    EXPECT_EQ(pingPong.data[5], -6000);
    EXPECT_EQ(pingPong.data[6], -6000);  // frame 6 (7000) lies past the loop and is overwritten
    const Sample& forward = loaded.song->instruments[1].ownedSamples[1];
    EXPECT_EQ(forward.data[6], forward.data[2]);
    EXPECT_EQ(forward.data[7], 80 << 8);
}

TEST(LoaderSampleTest, AnEmptySampleHasNoData) {
    XmSample empty;
    empty.type = 0x01;
    empty.loopLength = 4;
    XmSample next;
    next.data = {0x7F};
    const test::LoadResult loaded = LoadFromBytes(ModuleWithSamples({empty, next}).Build());
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_TRUE(OnlySample(loaded, 0).data.empty());
    EXPECT_EQ(OnlySample(loaded, 0).length, 0u);
    EXPECT_EQ(OnlySample(loaded, 0).loopMode, kNoLoop);
    EXPECT_EQ(OnlySample(loaded, 1).data[0], 0x7F00);
}

struct SourceCall {
    std::uint32_t byteCount;
    int bitDepth;
    int instrument;
    int sample;
};

TEST(LoaderSampleSourceTest, TakesRawBytesFromTheSourceAndSkipsThemInTheStream) {
    std::vector<SourceCall> calls;
    SampleDataSource source = [&calls](std::uint8_t* destination, std::uint32_t byteCount, int bitDepth,
                                       int instrument, int sample) {
        calls.push_back({byteCount, bitDepth, instrument, sample});
        for (std::uint32_t i = 0; i < byteCount; ++i) destination[i] = static_cast<std::uint8_t>(i + 1);
    };
    const Bytes bytes = SmallModule().Build();
    const test::LoadResult loaded = LoadFromBytes(bytes, source);
    ASSERT_NE(loaded.song, nullptr);
    EXPECT_TRUE(loaded.song->sampleDataSource);
    EXPECT_EQ(loaded.endPosition, bytes.size());

    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].byteCount, 8u);
    EXPECT_EQ(calls[0].bitDepth, 8);
    EXPECT_EQ(calls[0].instrument, 1);
    EXPECT_EQ(calls[0].sample, 0);
    EXPECT_EQ(calls[2].byteCount, 14u);
    EXPECT_EQ(calls[2].bitDepth, 16);
    EXPECT_EQ(calls[2].sample, 2);

    const Instrument& instrument = loaded.song->instruments[1];
    // Not delta-decoded: 8-bit bytes 1, 2, 3 ... and 16-bit words 0x0201, 0x0403 ...
    EXPECT_EQ(instrument.ownedSamples[0].data[1], 0x0200);
    EXPECT_EQ(instrument.ownedSamples[2].data[1], 0x0403);
    EXPECT_EQ(instrument.ownedSamples[1].data[6], instrument.ownedSamples[1].data[2]);
}

}  // namespace
}  // namespace zint
