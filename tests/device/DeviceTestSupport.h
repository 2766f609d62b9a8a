#pragma once

// Doubles shared by the device tests: a scripted serial driver that records every call, a
// recording sink that keeps what it is given, and a clock that can press Stop at a set time.

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/MeasurementState.h"
#include "device/Acquisition.h"
#include "platform/SerialDriver.h"
#include "support/TestSupport.h"

namespace pelmor::test {

// Answers every one-byte read with an echo byte and every longer read with repeated copies of
// a frame pattern; records every call. onBlockRead runs after each read of more than one byte.
class ScriptedDriver : public SerialDriver {
  public:
    int ListDevices() override;
    int DeviceInfo(int index) override;
    int Open(int index) override;
    int SetTransferSizes(uint32_t inSize, uint32_t outSize) override;
    int SetLatencyTimer(uint8_t milliseconds) override;
    int SetDataCharacteristics(uint8_t bits, uint8_t stopBits, uint8_t parity) override;
    int SetTimeouts(uint32_t readMilliseconds, uint32_t writeMilliseconds) override;
    int SetFlowControl(uint16_t mode, uint8_t xon, uint8_t xoff) override;
    int SetBaudRate(uint32_t baudRate) override;
    int Purge(uint32_t mask) override;
    int Write(const uint8_t* data, uint32_t count, uint32_t& written) override;
    int Read(uint8_t* buffer, uint32_t count, uint32_t& received) override;
    int Close() override;

    int deviceCount = 2;
    int openStatus = kSerialOk;
    // Bytes a write transfers at most (-1: all) and the status it reports.
    int writeLimit = -1;
    int writeStatus = kSerialOk;
    // Bytes a read delivers at most (-1: all) and the status it reports.
    int readLimit = -1;
    int readStatus = kSerialOk;
    std::vector<uint8_t> frame{0, 0, 0};
    std::function<void()> onBlockRead;

    std::vector<std::string> calls;
    std::vector<uint8_t> written;
    int reads = 0;
};

// Keeps every recording handed to it.
class CollectingSink : public RecordingSink {
  public:
    int SaveRecording(const Recording& recording) override {
        std::lock_guard<std::mutex> lock(mutex_);
        recordings.push_back(recording);
        return 0;
    }
    std::vector<Recording> recordings;

  private:
    std::mutex mutex_;
};

// A fake clock that sets stopRequested once its millisecond count reaches stopAt.
class StopAtClock : public FakeClock {
  public:
    StopAtClock(MeasurementState& state, int64_t stopAtMs) : state_(state), stopAt(stopAtMs) {}
    void SleepMilliseconds(int64_t ms) override {
        FakeClock::SleepMilliseconds(ms);
        ++sleeps;
        if (milliseconds >= stopAt && stoppedAt < 0) {
            stoppedAt = milliseconds;
            state_.stopRequested = 1;
        }
    }
    MeasurementState& state_;
    int64_t stopAt;
    int64_t stoppedAt = -1;
    int sleeps = 0;
};

// Starts a recording the way the Record command does.
inline void StartRecording(MeasurementState& state, int32_t targetFrames) {
    state.recordedFrames = 0;
    state.targetFrames = targetFrames;
    state.recordingState = 1;
}

// Runs one measurement on its own thread to the end, as the document starts it.
void RunMeasurement(const AcquisitionParameters& parameters, const AcquisitionContext& context);

// Every shared word of a measurement is back at rest.
bool WordsAtRest(const MeasurementState& state);

// Sets the interval of every trace buffer to 1 / the parameters' rate, as the start does.
void PrepareBuffers(MeasurementState& state, const AcquisitionParameters& parameters);

}  // namespace pelmor::test
