#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "DeviceTestSupport.h"
#include "device/AcquisitionThread.h"
#include "device/BlockRecorder.h"
#include "device/DeviceEmulator.h"
#include "device/DeviceProtocol.h"

namespace pelmor::test {
namespace {

struct AcquisitionFixture : ::testing::Test {
    MeasurementState state;
    ScriptedUserInterface ui;
    FakeClock clock;
    CollectingSink sink;

    AcquisitionContext Context(SerialDriver& driver) { return {state, driver, ui, clock, sink}; }
    AcquisitionContext Context(SerialDriver& driver, Clock& c) {
        return {state, driver, ui, c, sink};
    }
};

void Append(std::vector<uint8_t>& bytes, std::initializer_list<int> values) {
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
}

std::vector<uint8_t> ProgrammingBytes(const MeasurementState& state, bool sweep, int mask) {
    std::vector<uint8_t> bytes;
    if (sweep) {
        Append(bytes, {'!', 'g', 0x0B, 0xDC});
        for (int i = 0; i < 128; ++i)
            Append(bytes, {SineCode(i) & 0xFF, (SineCode(i) >> 8) & 0xFF});
        Append(bytes, {'!', 'f', 0x67, 0x69});
        for (int i = 0; i < 128; ++i) {
            const int r = SweepReload(i, 1.0, 10.0);
            Append(bytes, {r & 0xFF, (r >> 8) & 0xFF});
        }
    } else {
        Append(bytes, {'!', 'N'});
        for (uint16_t code : state.excitationTable) Append(bytes, {code & 0xFF, code >> 8});
    }
    Append(bytes, {'!', 'd', 0x80, 0x00, '!', 'D', 0x80, 0x00, '!', 'M', mask});
    Append(bytes, {'!', 'C', 0x5C, 0x5B, 0x01, 0x01, '!', 'G', sweep ? 3 : 0, '!', 'S'});
    return bytes;
}

TEST_F(AcquisitionFixture, TheDeviceReceivesExactlyTheProgrammingSequence) {
    for (bool sweep : {false, true}) {
        SCOPED_TRACE(sweep ? "sweep" : "table");
        for (int i = 0; i < kExcitationTableSize; ++i)
            state.excitationTable[i] = static_cast<uint16_t>(32768 + 27 * (i % 300) - 4000);
        EmulatorOptions options;
        options.realtime = false;
        DeviceEmulator emulator(options, &clock);
        AcquisitionParameters p;
        p.channelMask = 0xE0;
        p.sweep.enabled = sweep ? 1 : 0;
        StartRecording(state, 1);  // one block, then the measurement ends by itself
        RunMeasurement(p, Context(emulator));

        std::vector<uint8_t> expected = ProgrammingBytes(state, sweep, 0xE0);
        Append(expected, {27, 27, 27});  // two to stop the stream, one from the close sequence
        EXPECT_EQ(emulator.ReceivedBytes(), expected);
        EXPECT_EQ(emulator.PendingEchoes(), 0u);  // every echo sent was read, and no more
        EXPECT_EQ(emulator.ChannelMask(), 0xE0);
        if (!sweep) {
            EXPECT_EQ(emulator.Table(), state.excitationTable);
        }
        EXPECT_FALSE(emulator.IsOpen());
        EXPECT_TRUE(ui.Messages().empty());
        ASSERT_EQ(sink.recordings.size(), 1u);
        EXPECT_EQ(sink.recordings[0].frames, 51);
        EXPECT_EQ(sink.recordings[0].startTime, clock.calendarSeconds);
        EXPECT_TRUE(WordsAtRest(state));
        sink.recordings.clear();
    }
}

TEST_F(AcquisitionFixture, SweepValues) {
    EXPECT_EQ(GeneratorReload(1.0), 3036);
    EXPECT_EQ(SweepStepReload(20.0), 26473);
    EXPECT_EQ(SineCode(0), 32768);
    EXPECT_EQ(SineCode(32), 64768);
    EXPECT_EQ(SweepReload(64, 1.0, 10.0), GeneratorReload(10.0));
    EXPECT_EQ(SweepReload(127, 1.0, 10.0), GeneratorReload(1.0 + 9.0 / 64));
    // A zero frequency or period from a hand-edited sweep block stays defined.
    EXPECT_EQ(GeneratorReload(0.0), -2147483647 - 1);
    EXPECT_EQ(SweepStepReload(0.0), 65536);
}

TEST_F(AcquisitionFixture, FramesDecodeHighestSlotFirstIntoVolts) {
    struct Case {
        std::vector<uint8_t> frame;
        double slot0, slot1;
    };
    const Case cases[] = {
        {{0x80, 0x00, 0x00, 0x7F, 0xFF, 0xFF}, 9.9999988, -10.0},
        {{0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF}, -1.19209e-6, 0.0},
    };
    for (const Case& c : cases) {
        MeasurementState s;
        ScriptedDriver driver;
        driver.frame = c.frame;
        driver.onBlockRead = [&s] { s.stopRequested = 1; };
        AcquisitionParameters p;
        p.sampleRateIndex = 2;  // 1024 Hz: one frame per sample
        p.channelMask = 0xC0;   // channel 1 in slot 0, channel 2 in slot 1
        PrepareBuffers(s, p);
        RunMeasurement(p, {s, driver, ui, clock, sink});
        ASSERT_EQ(s.buffers[0].Count(), 102);
        EXPECT_NEAR(s.buffers[0].ValueFromOldest(5), c.slot0, 1e-7);
        EXPECT_NEAR(s.buffers[1].ValueFromOldest(5), c.slot1, 1e-7);
        EXPECT_EQ(driver.calls[driver.calls.size() - 5], "read 612");
    }
    EXPECT_EQ(DecodeSample(std::vector<uint8_t>{0x80, 0, 0}.data()), INT32_MIN);
}

TEST_F(AcquisitionFixture, FourFramesAverageIntoOneSampleAt256Hz) {
    // Raw values -256 (FF FF FF), -256, 512 and 512 give -64 + -64 + 128 + 128 = 128.
    ScriptedDriver driver;
    driver.frame = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 0x00, 0x02};
    driver.onBlockRead = [this] { state.stopRequested = 1; };
    AcquisitionParameters p;
    p.sampleRateIndex = 0;
    p.channelMask = 0x80;
    StartRecording(state, 1000);
    RunMeasurement(p, Context(driver));
    EXPECT_EQ(driver.calls[driver.calls.size() - 5], "read 300");
    ASSERT_EQ(sink.recordings.size(), 1u);
    const Recording& r = sink.recordings[0];
    ASSERT_EQ(r.frames, 25);
    for (int32_t v : r.rawValues) EXPECT_EQ(v, 128);
    EXPECT_DOUBLE_EQ(state.buffers[0].ValueFromOldest(0), 128 / kRawPerVolt);
}

TEST_F(AcquisitionFixture, TenSecondRecordingsEndWithTheWholeLastBlock) {
    struct Case {
        int rateIndex;
        int32_t frames;
    };
    for (const Case c : {Case{0, 2575}, Case{1, 5151}, Case{2, 10302}}) {
        MeasurementState s;
        CollectingSink collected;
        EmulatorOptions options;
        options.realtime = false;
        DeviceEmulator emulator(options, &clock);
        AcquisitionParameters p;
        p.sampleRateIndex = c.rateIndex;
        PrepareBuffers(s, p);
        StartRecording(s, static_cast<int32_t>(10 * p.SampleRate()));
        RunMeasurement(p, {s, emulator, ui, clock, collected});
        ASSERT_EQ(collected.recordings.size(), 1u);
        const Recording& r = collected.recordings[0];
        EXPECT_EQ(r.frames, c.frames);
        EXPECT_EQ(r.channelCount, 2);
        ASSERT_EQ(r.rawValues.size(), 2u * c.frames);
        EXPECT_EQ(r.sampleRate, p.SampleRate());
        // The display started with the recording and holds exactly what was recorded.
        ASSERT_EQ(s.buffers[1].Count(), c.frames);
        for (int k : {0, c.frames / 2, c.frames - 1})
            EXPECT_DOUBLE_EQ(s.buffers[1].ValueFromOldest(k), r.rawValues[2 * k + 1] / kRawPerVolt);
        EXPECT_TRUE(WordsAtRest(s));
    }
}

TEST_F(AcquisitionFixture, RecordInTheMiddleOfABlockKeepsOnlyTheFramesAfterIt) {
    const int n = 2, blockSize = 51;
    for (auto& b : state.buffers) b.Append(1.0);
    BlockRecorder recorder(state, n, blockSize);
    auto block = [&](int recordFrom, int32_t base) {
        recorder.BeginBlock();
        for (int i = 0; i < blockSize; ++i) {
            if (i == recordFrom) StartRecording(state, 60);
            const bool recording = recorder.BeginSample();
            for (int c = 0; c < n; ++c) {
                if (recording) recorder.Collect(base + i);
                state.buffers[c].Append(base + i);
            }
        }
        recorder.EndBlock();
    };
    block(-1, 0);
    EXPECT_EQ(state.buffers[0].Count(), 52);
    block(40, 100);  // Record arrives before sample 40
    EXPECT_EQ(state.recordedFrames, 11);
    EXPECT_EQ(state.buffers[0].Count(), 11);  // reset at the first recorded sample
    EXPECT_EQ(state.buffers[1].ValueFromOldest(0), 140.0);
    EXPECT_EQ(state.stopRequested, 0);
    block(-1, 200);
    EXPECT_EQ(state.recordedFrames, 62);
    EXPECT_EQ(state.stopRequested, 1);
    AcquisitionParameters p;
    const Recording r = recorder.TakeRecording(p);
    ASSERT_EQ(r.frames, 62);
    EXPECT_EQ(r.rawValues[0], 140);
    EXPECT_EQ(r.rawValues[2 * 11], 200);

    // Restart: the block in progress and everything before it is dropped.
    state.stopRequested = 0;
    state.recordingState = 2;
    block(-1, 300);
    EXPECT_EQ(state.recordingState, 1);
    EXPECT_EQ(state.recordedFrames, 0);
    block(-1, 400);
    EXPECT_EQ(state.recordedFrames, 51);
    EXPECT_EQ(state.buffers[0].Count(), 51);
    EXPECT_EQ(recorder.TakeRecording(p).rawValues[0], 400);
}

TEST_F(AcquisitionFixture, AFaultWhileARestartIsPendingSavesNothingOfTheDiscardedFrames) {
    EmulatorOptions options;
    options.realtime = false;
    DeviceEmulator emulator(options, &clock);
    const int n = 2, blockSize = 51;
    BlockRecorder recorder(state, n, blockSize);
    StartRecording(state, 1000);
    auto block = [&](int samples) {
        recorder.BeginBlock();
        for (int i = 0; i < samples; ++i)
            if (recorder.BeginSample())
                for (int c = 0; c < n; ++c) recorder.Collect(i);
    };
    block(blockSize);
    recorder.EndBlock();
    ASSERT_EQ(state.recordedFrames, blockSize);
    state.recordingState = 2;  // Space: everything so far is discarded
    block(20);                 // the device fails in the middle of the block
    AcquisitionParameters p;
    SaveAndFinish(p, Context(emulator), recorder, true);
    EXPECT_TRUE(sink.recordings.empty());
    EXPECT_TRUE(WordsAtRest(state));
}

TEST_F(AcquisitionFixture, TheUserInterfaceThreadWatchesAndRecordsWhileItRuns) {
    EmulatorOptions options;
    options.realtime = false;
    DeviceEmulator emulator(options, &clock);
    AcquisitionParameters p;
    PrepareBuffers(state, p);
    state.measurementRunning = 1;
    AcquisitionThread thread;
    thread.Start(p, Context(emulator));
    // As the view's timer would: read the newest samples, then press Record.
    std::vector<double> latest(256);
    int32_t n = 0;
    while (n < 256) {
        n = 256;
        double start = 0, interval = 0;
        state.buffers[1].Latest(n, latest.data(), start, interval);
        std::this_thread::yield();
    }
    StartRecording(state, 1024);
    while (state.measurementRunning.load() != 0) std::this_thread::yield();
    thread.Join();
    ASSERT_EQ(sink.recordings.size(), 1u);
    const Recording& r = sink.recordings[0];
    EXPECT_GE(r.frames, 1024);
    EXPECT_LT(r.frames, 1024 + 51);
    EXPECT_EQ(state.buffers[0].Count(), r.frames);
    EXPECT_DOUBLE_EQ(state.buffers[0].ValueFromOldest(0), r.rawValues[0] / kRawPerVolt);
    EXPECT_TRUE(WordsAtRest(state));
}

TEST_F(AcquisitionFixture, StopTakesEffectAfterTheBlockBeingRead) {
    // Real-time pacing on a fake clock: Stop is pressed 1050 ms into the measurement.
    StopAtClock stopClock(state, 1050);
    DeviceEmulator emulator({}, &stopClock);
    AcquisitionParameters p;
    RunMeasurement(p, Context(emulator, stopClock));
    ASSERT_GE(stopClock.stoppedAt, 1050);
    EXPECT_LE(stopClock.milliseconds - stopClock.stoppedAt, 100);
    EXPECT_TRUE(WordsAtRest(state));
    EXPECT_TRUE(sink.recordings.empty());
    EXPECT_EQ(state.buffers[0].Count() % 51, 0);
}

TEST_F(AcquisitionFixture, EveryDeviceFaultEndsInACommunicationErrorAndKeepsTheRecording) {
    struct Case {
        const char* options;
        int64_t faultMs;  // when the fault strikes on the fake clock
        int32_t frames;   // whole frames recorded before it (512 Hz, blocks of 51)
    };
    const Case cases[] = {
        {"fault=silent_after:1", 300 + 1000, 510},
        {"fault=disconnect_after:1", 300 + 1000, 510},
        {"fault=short_echo", 300, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        MeasurementState s;
        ScriptedUserInterface messages;
        CollectingSink collected;
        FakeClock fake;
        EmulatorOptions options;
        std::string error;
        ASSERT_TRUE(ParseEmulatorOptions(c.options, options, error));
        DeviceEmulator emulator(options, &fake);
        AcquisitionParameters p;
        PrepareBuffers(s, p);
        StartRecording(s, 100000);
        RunMeasurement(p, {s, emulator, messages, fake, collected});
        EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Device communication error."});
        EXPECT_GE(fake.milliseconds, c.faultMs);
        EXPECT_LE(fake.milliseconds - c.faultMs, 2100);
        EXPECT_TRUE(WordsAtRest(s));
        EXPECT_FALSE(emulator.IsOpen());
        if (c.frames == 0) {
            EXPECT_TRUE(collected.recordings.empty());
            continue;
        }
        ASSERT_EQ(collected.recordings.size(), 1u);
        const Recording& r = collected.recordings[0];
        EXPECT_EQ(r.frames, c.frames);
        ASSERT_EQ(s.buffers[0].Count(), c.frames);
        EXPECT_DOUBLE_EQ(s.buffers[0].ValueFromOldest(c.frames - 1),
                         r.rawValues[2 * (c.frames - 1)] / kRawPerVolt);
    }
}

TEST_F(AcquisitionFixture, WithoutADeviceTheSimulationRuns) {
    ScriptedDriver driver;
    driver.deviceCount = 1;                 // index 1 does not exist
    StopAtClock stopClock(state, 3 * 100);  // three blocks with their pauses
    AcquisitionParameters p;
    PrepareBuffers(state, p);
    state.stopRequested = 1;  // a stale request is cleared before the simulation starts
    RunMeasurement(p, Context(driver, stopClock));
    EXPECT_EQ(ui.Messages(),
              std::vector<std::string>{"Device not found. Simulation mode will be executed."});
    EXPECT_EQ(state.buffers[0].Count(), 3 * 51);
    EXPECT_TRUE(driver.written.empty());
    EXPECT_TRUE(WordsAtRest(state));
}

TEST_F(AcquisitionFixture, TheRateComesFromAValidRateIndexOnly) {
    MeasurementSetup setup;
    setup.sampleRateIndex = 7;
    setup.sampleRate = 32768.0;
    setup.decimation = 0;
    setup.channelMask = 0x121;  // bits beyond the eight channels are ignored
    const AcquisitionParameters p = AcquisitionParameters::FromSetup(setup);
    EXPECT_EQ(p.SampleRate(), 1024.0);
    EXPECT_EQ(p.Decimation(), 1);
    EXPECT_EQ(p.BlockSize(), 102);
    EXPECT_EQ(p.ChannelCount(), 2);
    setup.sampleRateIndex = -3;
    EXPECT_EQ(AcquisitionParameters::FromSetup(setup).Decimation(), 4);
}

}  // namespace
}  // namespace pelmor::test
