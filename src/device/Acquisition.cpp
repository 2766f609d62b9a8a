#include "device/Acquisition.h"

#include <algorithm>
#include <bit>

namespace pelmor {

AcquisitionParameters AcquisitionParameters::FromSetup(const MeasurementSetup& setup) {
    AcquisitionParameters p;
    p.sampleRateIndex = ClampSampleRateIndex(setup.sampleRateIndex);
    p.channelMask = setup.channelMask & 0xFF;
    p.sweep = setup.sweep;
    p.activeRecordingTime = setup.activeRecordingTime;
    p.dataBits = setup.dataBits;
    return p;
}

double AcquisitionParameters::SampleRate() const { return SampleRateForIndex(sampleRateIndex); }

int AcquisitionParameters::Decimation() const { return DecimationForIndex(sampleRateIndex); }

int AcquisitionParameters::ChannelCount() const {
    return std::popcount(static_cast<unsigned>(channelMask & 0xFF));
}

int AcquisitionParameters::BlockSize() const {
    return std::min(static_cast<int>(SampleRate() / 10.0), 1024);
}

}  // namespace pelmor
