#include "device/Simulation.h"

#include <cmath>

#include "device/BlockRecorder.h"
#include "device/DeviceProtocol.h"
#include "platform/Clock.h"

namespace pelmor {

namespace {
constexpr double kBreathingAngularFrequency = 4.397399999999999;  // rad/s, about 0.7 Hz
constexpr double kSlotPhaseStep = 0.5;                            // rad between slots
constexpr int64_t kBlockPauseMilliseconds = 100;
}  // namespace

int RunSimulation(const AcquisitionParameters& parameters, const AcquisitionContext& context) {
    MeasurementState& state = context.state;
    state.measurementRunning = 1;
    // Kept after the end: the buffers hold simulated data until the next start or import.
    state.simulating = 1;
    const int n = parameters.ChannelCount();
    const int d = parameters.Decimation();
    const int blockSize = parameters.BlockSize();
    if (n == 0) {
        FinishMeasurement(state);
        return 0;
    }
    state.excitationPhase = 0;
    BlockRecorder recorder(state, n, blockSize);
    state.recordedFrames = 0;
    state.recordingStartTime = context.clock.CalendarSeconds();

    auto offset = [&state](int position) {
        return static_cast<int32_t>(state.excitationTable[position % kExcitationTableSize]) - 32768;
    };
    while (state.stopRequested.load() == 0) {
        recorder.BeginBlock();
        for (int i = 0; i < blockSize; ++i) {
            const int phase = (state.excitationPhase.load() + 1) % kExcitationTableSize;
            state.excitationPhase = phase;
            const bool recording = recorder.BeginSample();
            int32_t value = 0;
            if (d <= 1) {
                value = -(offset(phase) * 32768);
            } else {
                int32_t sum = 0;
                for (int j = 0; j < d; ++j) sum += offset(phase * d + j) * 128;
                value = -(256 * (sum / d));
            }
            for (int c = 0; c < n; ++c) {
                if (recording) recorder.Collect(value);
                TraceBuffer& buffer = state.buffers[c];
                const double t = buffer.EndTime();
                buffer.Append(std::sin(kSlotPhaseStep * c + t * kBreathingAngularFrequency) +
                              value / kRawPerVolt);
            }
        }
        recorder.EndBlock();
        context.clock.SleepMilliseconds(kBlockPauseMilliseconds);
    }
    SaveAndFinish(parameters, context, recorder, false);
    return 0;
}

}  // namespace pelmor
