#include <gtest/gtest.h>

#include "core/MeasurementSetup.h"
#include "core/PlotWindow.h"

namespace pelmor {
namespace {

TEST(MeasurementSetup, FreshDefaults) {
    MeasurementSetup s;
    DeriveRate(s);
    EXPECT_EQ(s.sampleRate, 512.0);
    EXPECT_EQ(s.decimation, 2);
    EXPECT_EQ(s.channelMask, 0xC0);
    EXPECT_EQ(s.recordingTime, 10);
    EXPECT_EQ(s.dataBits, 1);
    EXPECT_EQ(s.xChannelIndex, 0);
    EXPECT_EQ(s.yChannelIndex, 0);
    EXPECT_EQ(s.sweep.enabled, 0);
    EXPECT_EQ(s.sweep.period, 20.0);
    EXPECT_EQ(s.sweep.startFrequency, 1.0);
    EXPECT_EQ(s.sweep.endFrequency, 10.0);
}

TEST(MeasurementSetup, RateAndDecimationPerIndex) {
    struct Case {
        int index;
        double rate;
        int decimation;
    };
    for (Case c : {Case{0, 256, 4}, Case{1, 512, 2}, Case{2, 1024, 1},
                   // indexes outside 0 ... 2 are brought into range, never used as they are
                   Case{3, 1024, 1}, Case{7, 1024, 1}, Case{-1, 256, 4}}) {
        MeasurementSetup s;
        s.sampleRateIndex = c.index;
        DeriveRate(s);
        EXPECT_EQ(s.sampleRate, c.rate) << c.index;
        EXPECT_EQ(s.decimation, c.decimation) << c.index;
        EXPECT_GE(s.sampleRateIndex, 0);
        EXPECT_LE(s.sampleRateIndex, 2);
    }
}

TEST(MeasurementSetup, CountChannelsFillsSlotsInChannelOrder) {
    MeasurementState state;
    MeasurementSetup s;
    for (int i = 0; i < 8; ++i) state.buffers[i].SetChannelNumber(40 + i);
    EXPECT_EQ(CountChannels(0x21, s, state), 2);
    EXPECT_EQ(s.channelCount, 2);
    EXPECT_EQ(state.buffers[0].ChannelNumber(), 2);   // channel 3
    EXPECT_EQ(state.buffers[1].ChannelNumber(), 7);   // channel 8
    EXPECT_EQ(state.buffers[2].ChannelNumber(), 42);  // untouched

    EXPECT_EQ(CountChannels(0xC0, s, state), 2);
    EXPECT_EQ(state.buffers[0].ChannelNumber(), 0);
    EXPECT_EQ(state.buffers[1].ChannelNumber(), 1);

    EXPECT_EQ(CountChannels(0xFF, s, state), 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(state.buffers[i].ChannelNumber(), i);

    for (int i = 0; i < 8; ++i) state.buffers[i].SetChannelNumber(40 + i);
    EXPECT_EQ(CountChannels(0, s, state), 0);
    EXPECT_EQ(s.channelCount, 0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(state.buffers[i].ChannelNumber(), 40 + i);
}

TEST(MeasurementSetup, SweepBlockImage) {
    SweepBlock sweep;
    sweep.enabled = 1;
    auto bytes = SweepBlockBytes(sweep);
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(bytes[0], 1);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(bytes[15], 0x40);  // 20.0 = 0x4034000000000000, little-endian
    EXPECT_EQ(bytes[14], 0x34);
    SweepBlock back;
    back.enabled = 0;
    back.period = 0;
    ASSERT_TRUE(SweepBlockFromBytes(bytes, back));
    EXPECT_EQ(back.enabled, 1);
    EXPECT_EQ(back.period, 20.0);
    EXPECT_EQ(back.endFrequency, 10.0);
    bytes.pop_back();
    EXPECT_FALSE(SweepBlockFromBytes(bytes, back));
}

TEST(PlotSetup, FactoryRangesAndByteImage) {
    PlotSetup p;
    SetFactoryRanges(p);
    p.timeStep = 0.5;
    p.windows[3].shown = 1;
    p.windows[3].left = -2;
    EXPECT_EQ(p.windows[7].xmax, 8);
    EXPECT_EQ(p.windows[15].ymax, 5);
    EXPECT_EQ(p.windows[kImpedanceTimeWindow].ymin, -0.2);
    EXPECT_EQ(p.windows[kXYWindow].xmin, -5);
    auto bytes = PlotSetupBytes(p);
    ASSERT_EQ(bytes.size(), 1128u);
    EXPECT_EQ(bytes[3 * 56], 1);
    EXPECT_EQ(bytes[3 * 56 + 4], 0xFE);
    EXPECT_EQ(bytes[3 * 56 + 7], 0xFF);
    EXPECT_EQ(bytes[1127], 0x3F);  // 0.5 = 0x3FE0000000000000
    PlotSetup q;
    ASSERT_TRUE(PlotSetupFromBytes(bytes, q));
    EXPECT_EQ(q.timeStep, 0.5);
    EXPECT_EQ(q.windows[kImpedanceTimeWindow].ymax, 1.2);
    EXPECT_EQ(q.windows[3].left, -2);
    bytes.push_back(0);
    EXPECT_FALSE(PlotSetupFromBytes(bytes, q));
}

}  // namespace
}  // namespace pelmor
