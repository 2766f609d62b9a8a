#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "core/TraceBuffer.h"

namespace pelmor {

constexpr int kMaxChannels = 8;
constexpr int kExcitationTableSize = 2048;

// The state of the one measurement that can run at a time, shared by the user-interface thread
// and the acquisition thread: atomic words, the generator table and the eight trace buffers
// (slot s uses buffers[s]). The application owns exactly one; tests make their own.
struct MeasurementState {
    std::atomic<int32_t> measurementRunning{0};
    std::atomic<int32_t> stopRequested{0};
    // 0 not recording, 1 recording, 2 restart of the recording requested.
    std::atomic<int32_t> recordingState{0};
    std::atomic<int32_t> recordedFrames{0};
    std::atomic<int32_t> targetFrames{0};
    // Calendar seconds at which streaming or the recording began.
    std::atomic<int64_t> recordingStartTime{0};
    // Generator codes loaded into the device at start; written only while no measurement runs.
    std::array<uint16_t, kExcitationTableSize> excitationTable{};
    // 1 while the simulation runs in place of a device; the buffers then hold simulated data.
    std::atomic<int32_t> simulating{0};
    // Position in excitationTable of the next simulated sample.
    std::atomic<int32_t> excitationPhase{0};
    std::array<TraceBuffer, kMaxChannels> buffers;

    void ResetAllBuffers() {
        for (auto& b : buffers) b.Reset();
    }
};

}  // namespace pelmor
