#pragma once

#include <cstdint>
#include <vector>

#include "core/MeasurementSetup.h"
#include "core/MeasurementState.h"

namespace pelmor {

class Clock;
class SerialDriver;
class UserInterface;

// What a measurement runs with: a copy of the setup taken when it starts. The rate comes from
// the rate index alone (brought into 0 ... 2) and the channel count from the mask, so a setup
// whose derived members disagree with them cannot reach the device.
struct AcquisitionParameters {
    int sampleRateIndex = 1;
    int channelMask = 0xC0;
    SweepBlock sweep;
    int activeRecordingTime = 10;
    int dataBits = 1;
    int deviceIndex = 1;  // the second entry of the converter's device list
    uint32_t baudRate = 6000000;

    static AcquisitionParameters FromSetup(const MeasurementSetup& setup);

    double SampleRate() const;  // 256, 512 or 1024 Hz
    int Decimation() const;     // device frames per output sample: 4, 2 or 1
    int ChannelCount() const;   // set bits among bits 0 ... 7 of the mask
    int BlockSize() const;      // output samples per block, about 0.1 s
};

// A finished (or broken-off) recording as the acquisition side hands it over: frames of raw
// device values, slot 0 first within a frame.
struct Recording {
    int channelCount = 0;
    int32_t frames = 0;
    // frames * channelCount signed 32-bit raw values (volts = raw / 214748364.8).
    std::vector<int32_t> rawValues;
    // Calendar seconds at which the recording began.
    int64_t startTime = 0;
    double sampleRate = 0.0;
    int activeRecordingTime = 0;
    int dataBits = 1;
};

// The step that turns a recording into a data file. Called on the acquisition thread after the
// device has been closed, while measurementRunning is still 1 and recordingState still non-zero.
class RecordingSink {
  public:
    virtual ~RecordingSink() = default;
    // 0 when the write was attempted, 1 when the user chose to discard the recording.
    virtual int SaveRecording(const Recording& recording) = 0;
};

// Everything a measurement thread works with besides its parameters. All must outlive it.
struct AcquisitionContext {
    MeasurementState& state;
    SerialDriver& driver;
    UserInterface& ui;
    Clock& clock;
    RecordingSink& sink;
};

}  // namespace pelmor
