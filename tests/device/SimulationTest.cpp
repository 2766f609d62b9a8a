#include <gtest/gtest.h>

#include <cmath>

#include "DeviceTestSupport.h"
#include "device/DeviceProtocol.h"
#include "device/Simulation.h"

namespace pelmor::test {
namespace {

constexpr double kOmega = 4.397399999999999;

struct SimulationFixture : ::testing::Test {
    MeasurementState state;
    ScriptedUserInterface ui;
    CollectingSink sink;
    ScriptedDriver unusedDriver;

    // Runs the simulation on this thread until the clock has paused `blocks` times.
    void Run(const AcquisitionParameters& p, int blocks) {
        StopAtClock clock(state, 100 * blocks);
        PrepareBuffers(state, p);
        RunSimulation(p, {state, unusedDriver, ui, clock, sink});
        EXPECT_EQ(clock.sleeps, blocks);
        EXPECT_TRUE(WordsAtRest(state));
        EXPECT_TRUE(unusedDriver.calls.empty());
    }
};

TEST_F(SimulationFixture, AMidScaleTableLeavesThePhaseShiftedBreathingSine) {
    state.excitationTable.fill(32768);
    AcquisitionParameters p;
    p.channelMask = 0xE0;
    Run(p, 2);
    const double dt = 1.0 / 512;
    for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(state.buffers[c].Count(), 102);
        for (int k : {0, 1, 77, 101})
            EXPECT_DOUBLE_EQ(state.buffers[c].ValueFromOldest(k),
                             std::sin(0.5 * c + k * dt * kOmega));
    }
    EXPECT_EQ(state.buffers[3].Count(), 0);
}

TEST_F(SimulationFixture, RecordedValuesAreTheInvertedTableAtTheDevicePositions) {
    // 1024 Hz: one table position per sample; code 32768 + 6553 gives -214,728,704.
    state.excitationTable.fill(32768 + 6553);
    AcquisitionParameters p;
    p.sampleRateIndex = 2;
    p.channelMask = 0x80;
    StartRecording(state, 1);
    Run(p, 1);
    ASSERT_EQ(sink.recordings.size(), 1u);
    EXPECT_EQ(sink.recordings[0].rawValues[0], -214728704);
    EXPECT_NEAR(state.buffers[0].ValueFromOldest(0) - std::sin(0.0), -0.99991, 1e-5);

    // 512 Hz: output sample k reads positions 2k + 2 and 2k + 3 (the phase moves first).
    for (int i = 0; i < kExcitationTableSize; ++i)
        state.excitationTable[i] = static_cast<uint16_t>(32768 + i);
    p.sampleRateIndex = 1;
    StartRecording(state, 1);
    Run(p, 1);
    ASSERT_EQ(sink.recordings.size(), 2u);
    const Recording& r = sink.recordings[1];
    ASSERT_EQ(r.frames, 51);
    for (int k : {0, 1, 50}) {
        const int sum = ((2 * k + 2) + (2 * k + 3)) * 128;
        EXPECT_EQ(r.rawValues[k], -(256 * (sum / 2)));
    }
}

TEST_F(SimulationFixture, ATenSecondRecordingAt256HzTakes103Blocks) {
    AcquisitionParameters p;
    p.sampleRateIndex = 0;
    StartRecording(state, 10 * 256);
    FakeClock clock;
    PrepareBuffers(state, p);
    RunSimulation(p, {state, unusedDriver, ui, clock, sink});
    ASSERT_EQ(sink.recordings.size(), 1u);
    EXPECT_EQ(sink.recordings[0].frames, 2575);
    EXPECT_EQ(clock.milliseconds, 103 * 100);
    EXPECT_TRUE(WordsAtRest(state));
}

}  // namespace
}  // namespace pelmor::test
