// The acquisition path end to end: the emulator (unpaced) streams a 10 s recording that the
// acquisition loop decodes, averages, appends to the trace buffers and records. The device
// delivers 1024 frames per second, so anything far above 1024 frames per second of CPU time
// leaves the acquisition thread idle most of the time.
#include <benchmark/benchmark.h>

#include "device/AcquisitionThread.h"
#include "device/DeviceEmulator.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace {

class InstantClock : public pelmor::Clock {
  public:
    int64_t CalendarSeconds() override { return 0; }
    int64_t Milliseconds() override { return ms; }
    void SleepMilliseconds(int64_t m) override { ms += m; }
    std::string FormatLocalTime(const char*, int64_t) override { return {}; }
    int64_t ms = 0;
};

class SilentUi : public pelmor::UserInterface {
  public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(pelmor::Question, const std::string&) override { return true; }
};

class DropSink : public pelmor::RecordingSink {
  public:
    int SaveRecording(const pelmor::Recording& r) override {
        frames = r.frames;
        return 0;
    }
    int32_t frames = 0;
};

void BM_TenSecondRecording(benchmark::State& state) {
    const int rateIndex = static_cast<int>(state.range(0));
    const int mask = static_cast<int>(state.range(1));
    pelmor::MeasurementState shared;
    InstantClock clock;
    SilentUi ui;
    DropSink sink;
    pelmor::EmulatorOptions options;
    options.realtime = false;
    pelmor::DeviceEmulator emulator(options, &clock);
    pelmor::AcquisitionParameters p;
    p.sampleRateIndex = rateIndex;
    p.channelMask = mask;
    int64_t deviceFrames = 0;
    for (auto _ : state) {
        shared.recordedFrames = 0;
        shared.targetFrames = static_cast<int32_t>(10 * p.SampleRate());
        shared.recordingState = 1;
        shared.measurementRunning = 1;
        pelmor::RunAcquisition(p, {shared, emulator, ui, clock, sink});
        deviceFrames += static_cast<int64_t>(sink.frames) * p.Decimation();
    }
    state.SetItemsProcessed(deviceFrames);
    state.counters["device_s_per_s"] =
        benchmark::Counter(static_cast<double>(deviceFrames) / 1024.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TenSecondRecording)
    ->Args({1, 0xC0})
    ->Args({2, 0xC0})
    ->Args({2, 0xFF})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
