// Arbitrary device behaviour: a converter whose every answer (echo bytes, sample blocks, short
// reads, failed calls) comes from the input drives a whole measurement; then the same bytes are
// written to the emulator as commands and the emulator options parser reads them as text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/AcquisitionThread.h"
#include "device/DeviceEmulator.h"
#include "platform/Clock.h"
#include "platform/UserInterface.h"

namespace {

using namespace pelmor;

// Sleeping only moves the time; after a simulated minute it presses Stop (the simulation, which
// runs when no device opens, ends only then).
class InstantClock : public Clock {
  public:
    explicit InstantClock(MeasurementState& state) : state_(state) {}
    int64_t CalendarSeconds() override { return 0; }
    int64_t Milliseconds() override { return ms; }
    void SleepMilliseconds(int64_t m) override {
        ms += m;
        if (ms > 60000) state_.stopRequested = 1;
    }
    std::string FormatLocalTime(const char*, int64_t) override { return {}; }
    int64_t ms = 0;

  private:
    MeasurementState& state_;
};

class QuietUi : public UserInterface {
  public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(Question, const std::string&) override { return true; }
};

class CountingSink : public RecordingSink {
  public:
    int SaveRecording(const Recording& r) override {
        if (r.rawValues.size() != static_cast<size_t>(r.frames) * r.channelCount) __builtin_trap();
        return 0;
    }
};

// Every answer is taken from the input; when it runs out every call fails.
class InputDriver : public SerialDriver {
  public:
    InputDriver(const uint8_t* data, size_t size, MeasurementState& state)
        : data_(data), size_(size), state_(state) {}
    int ListDevices() override { return 2; }
    int DeviceInfo(int) override { return Next() % 8 == 0 ? kSerialDeviceNotFound : kSerialOk; }
    int Open(int) override { return Next() % 8 == 0 ? kSerialIoError : kSerialOk; }
    int SetTransferSizes(uint32_t, uint32_t) override { return kSerialOk; }
    int SetLatencyTimer(uint8_t) override { return kSerialOk; }
    int SetDataCharacteristics(uint8_t, uint8_t, uint8_t) override { return kSerialOk; }
    int SetTimeouts(uint32_t, uint32_t) override { return kSerialOk; }
    int SetFlowControl(uint16_t, uint8_t, uint8_t) override { return kSerialOk; }
    int SetBaudRate(uint32_t) override { return kSerialOk; }
    int Purge(uint32_t) override { return kSerialOk; }
    int Write(const uint8_t*, uint32_t count, uint32_t& written) override {
        written = pos_ < size_ ? count : 0;
        return pos_ < size_ ? kSerialOk : kSerialIoError;
    }
    int Read(uint8_t* buffer, uint32_t count, uint32_t& received) override {
        received = static_cast<uint32_t>(std::min<size_t>(count, size_ - pos_));
        std::copy_n(data_ + pos_, received, buffer);
        pos_ += received;
        if (count > 1 && Next() % 4 == 0) state_.recordingState = 1 + Next() % 2;
        if (count > 1 && Next() % 16 == 0) state_.stopRequested = 1;
        return kSerialOk;
    }
    int Close() override { return kSerialOk; }

  private:
    uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    MeasurementState& state_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    static MeasurementState state;  // eight 65536-sample buffers: built once
    InstantClock clock(state);
    QuietUi ui;
    CountingSink sink;
    AcquisitionParameters p;
    p.sampleRateIndex = data[0] % 3;
    p.channelMask = data[1];
    p.sweep.enabled = data[0] & 0x80;
    state.targetFrames = 1 << 20;
    InputDriver driver(data + 2, size - 2, state);
    state.measurementRunning = 1;
    RunAcquisition(p, {state, driver, ui, clock, sink});
    if (state.measurementRunning != 0 || state.recordingState != 0) __builtin_trap();

    EmulatorOptions options;
    options.realtime = false;
    std::string error;
    ParseEmulatorOptions(std::string(reinterpret_cast<const char*>(data), size), options, error);
    DeviceEmulator emulator({.realtime = false}, &clock);
    if (emulator.Open(1) == kSerialOk) {
        uint32_t n = 0;
        emulator.Write(data, static_cast<uint32_t>(size), n);
        uint8_t buffer[64];
        emulator.Read(buffer, sizeof buffer, n);
    }
    return 0;
}
