#include "device/BlockRecorder.h"

namespace pelmor {

BlockRecorder::BlockRecorder(MeasurementState& state, int channelCount, int blockSize)
    : state_(state),
      channelCount_(channelCount),
      block_(static_cast<std::size_t>(channelCount) * blockSize) {
    stream_.reserve(block_.size() * 16);
}

bool BlockRecorder::BeginSample() {
    if (state_.recordingState.load() == 0) return false;
    if (state_.recordedFrames.load() == 0 && collected_ == 0)
        for (int c = 0; c < channelCount_; ++c) state_.buffers[c].Reset();
    return true;
}

void BlockRecorder::EndBlock() {
    const int32_t recording = state_.recordingState.load();
    if (recording == 2) {
        stream_.clear();
        state_.recordedFrames = 0;
        state_.recordingState = 1;
    } else if (recording == 1) {
        stream_.insert(stream_.end(), block_.begin(), block_.begin() + collected_);
        const int32_t frames = state_.recordedFrames.fetch_add(collected_ / channelCount_) +
                               collected_ / channelCount_;
        if (frames >= state_.targetFrames.load()) state_.stopRequested = 1;
    }
    collected_ = 0;
}

Recording BlockRecorder::TakeRecording(const AcquisitionParameters& parameters) {
    // A restart still pending (the user discarded what was recorded) leaves nothing to save:
    // the frames collected since the restart are dropped with the block at its end.
    if (state_.recordingState.load() == 2) stream_.clear();
    Recording r;
    r.channelCount = channelCount_;
    r.frames = static_cast<int32_t>(stream_.size() / channelCount_);
    stream_.resize(static_cast<std::size_t>(r.frames) * channelCount_);
    r.rawValues = std::move(stream_);
    stream_.clear();
    r.startTime = state_.recordingStartTime.load();
    r.sampleRate = parameters.SampleRate();
    r.activeRecordingTime = parameters.activeRecordingTime;
    r.dataBits = parameters.dataBits;
    return r;
}

void FinishMeasurement(MeasurementState& state) {
    state.stopRequested = 0;
    state.recordingState = 0;
    state.recordedFrames = 0;
    state.targetFrames = 0;
    state.measurementRunning = 0;
}

void SaveAndFinish(const AcquisitionParameters& parameters, const AcquisitionContext& context,
                   BlockRecorder& recorder, bool brokenOff) {
    if (context.state.recordingState.load() != 0) {
        Recording recording = recorder.TakeRecording(parameters);
        if (!brokenOff || recording.frames > 0) context.sink.SaveRecording(recording);
    }
    FinishMeasurement(context.state);
}

}  // namespace pelmor
