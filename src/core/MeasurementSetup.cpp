#include "core/MeasurementSetup.h"

#include <algorithm>

#include "core/ByteIO.h"

namespace pelmor {

std::vector<uint8_t> SweepBlockBytes(const SweepBlock& sweep) {
    ByteWriter w;
    w.U8(sweep.enabled);
    w.Zeros(7);
    w.F64(sweep.period);
    w.F64(sweep.startFrequency);
    w.F64(sweep.endFrequency);
    return w.Take();
}

bool SweepBlockFromBytes(const std::vector<uint8_t>& bytes, SweepBlock& sweep) {
    if (bytes.size() != sizeof(SweepBlock)) return false;
    ByteReader r(bytes);
    SweepBlock s;
    s.enabled = r.U8();
    r.Skip(7);
    s.period = r.F64();
    s.startFrequency = r.F64();
    s.endFrequency = r.F64();
    if (!r.Ok()) return false;
    sweep = s;
    return true;
}

int ClampSampleRateIndex(int index) { return std::clamp(index, 0, 2); }

double SampleRateForIndex(int index) { return 256.0 * (1 << ClampSampleRateIndex(index)); }

int DecimationForIndex(int index) { return 1 << (2 - ClampSampleRateIndex(index)); }

void DeriveRate(MeasurementSetup& setup) {
    setup.sampleRateIndex = ClampSampleRateIndex(setup.sampleRateIndex);
    setup.sampleRate = SampleRateForIndex(setup.sampleRateIndex);
    setup.decimation = DecimationForIndex(setup.sampleRateIndex);
}

int CountChannels(int mask, MeasurementSetup& setup, MeasurementState& state) {
    int n = 0;
    for (int b = 0; b < 8; ++b)
        if (mask & (1 << b)) ++n;
    setup.channelCount = n;
    int slot = n - 1;
    for (int b = 0; b < 8; ++b) {
        if (mask & (1 << b)) {
            state.buffers[slot].SetChannelNumber(7 - b);
            --slot;
        }
    }
    return n;
}

int ClampRecordingTime(int seconds) {
    return std::clamp(seconds, kMinRecordingTime, kMaxRecordingTime);
}

int ClampSlotIndex(int slot, int channelCount) {
    if (channelCount <= 0) return 0;
    return std::clamp(slot, 0, channelCount - 1);
}

}  // namespace pelmor
