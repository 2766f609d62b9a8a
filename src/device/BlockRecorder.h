#pragma once

#include <cstdint>
#include <vector>

#include "core/MeasurementState.h"
#include "device/Acquisition.h"

namespace pelmor {

// The recording side of the acquisition loop, shared by the device and the simulation: the
// values of one block are collected while recordingState is non-zero, and at the end of the
// block they are appended to the recording (state 1), or the recording restarts (state 2).
class BlockRecorder {
  public:
    BlockRecorder(MeasurementState& state, int channelCount, int blockSize);

    void BeginBlock() { collected_ = 0; }
    // Called before each output sample: whether the sample is recorded. On the first sample of
    // a recording the trace buffers of the measured slots are reset, so the display starts
    // with it.
    bool BeginSample();
    void Collect(int32_t value) { block_[collected_++] = value; }
    // The recording steps after a block; sets stopRequested once the target is reached.
    void EndBlock();

    // The whole frames recorded so far.
    Recording TakeRecording(const AcquisitionParameters& parameters);

  private:
    MeasurementState& state_;
    const int channelCount_;
    std::vector<int32_t> block_;
    int collected_ = 0;
    std::vector<int32_t> stream_;
};

// Puts every shared word of a measurement back to rest: the recording words, stopRequested and,
// last, measurementRunning, so that nothing of the measurement is touched after the
// user-interface thread sees it end.
void FinishMeasurement(MeasurementState& state);

// Saves a recording when one is active, then finishes the measurement. A recording broken off
// by an error is saved only when it holds at least one whole frame.
void SaveAndFinish(const AcquisitionParameters& parameters, const AcquisitionContext& context,
                   BlockRecorder& recorder, bool brokenOff);

}  // namespace pelmor
