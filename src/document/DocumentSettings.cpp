// The document's settings in the profile, section "Options": read once at start-up, written
// once at exit, in a fixed order.
#include <algorithm>
#include <cmath>

#include "core/ByteIO.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "excitation/Multisine.h"
#include "platform/Profile.h"

namespace pelmor {

namespace {

const char kOptions[] = "Options";
// The breath-by-breath analysis keeps its own values apart from the document's older keys.
const char kBreathAnalysis[] = "Breath analysis";

std::string ChannelNameKey(int k) { return Format("Channel Name%d", k); }

void ReadDouble(Profile& profile, const char* key, double& value, double defaultValue,
                const char* section = kOptions) {
    auto bytes = profile.GetBinary(section, key);
    if (bytes && bytes->size() == sizeof(double)) {
        ByteReader r(*bytes);
        value = r.F64();
    } else {
        value = defaultValue;
    }
}

void WriteDouble(Profile& profile, const char* key, double value, const char* section = kOptions) {
    ByteWriter w;
    w.F64(value);
    profile.WriteBinary(section, key, w.Take());
}

}  // namespace

void CPelmorDoc::LoadSettings() {
    Profile& p = services.profile;
    // Rates beyond 1024 Hz have no decimation; the index is brought into 0 ... 2.
    setup.sampleRateIndex = ClampSampleRateIndex(p.GetInt(kOptions, "Sample rate", 1));
    setup.decimation = DecimationForIndex(setup.sampleRateIndex);
    setup.recordingTime = ClampRecordingTime(p.GetInt(kOptions, "Recording timee", 10));
    setup.channelMask = p.GetInt(kOptions, "Channel mask", 0xC0);
    setup.dataBits = std::clamp(p.GetInt(kOptions, "Data bits", 1), 0, 1);
    setup.xChannelIndex = p.GetInt(kOptions, "X channel index", 0);
    setup.yChannelIndex = p.GetInt(kOptions, "Y channel index", 0);
    setup.excitationFolder = p.GetString(kOptions, "Excitation File Folder", "");
    setup.calibrationFolder = p.GetString(kOptions, "Calibration File Folder", "");
    for (int k = 1; k <= kMaxChannels; ++k)
        setup.channelNames[k - 1] = p.GetString(kOptions, ChannelNameKey(k), "");
    RestoreExcitationBank(p, excitationBank);
    calculator.LoadCalibrationSetting(p);
    calculator.zDisplayMode = p.GetInt(kOptions, "Z display mode", 0);
    setup.sweep = SweepBlock{};
    if (auto bytes = p.GetBinary(kOptions, "Sweep setup")) SweepBlockFromBytes(*bytes, setup.sweep);
    if (auto bytes = p.GetBinary(kOptions, "Plot setup")) PlotSetupFromBytes(*bytes, plotSetup);
    ReadDouble(p, "Flow Scaling Factor", breathing.flowScalingFactor, 1.0);
    ReadDouble(p, "Expiration Duration Min", breathing.expirationMin, 0.0);
    ReadDouble(p, "Expiration Duration Max", breathing.expirationMax, 10.0);
    ReadDouble(p, "Inspiration Duration Min", breathing.inspirationMin, 0.0);
    ReadDouble(p, "Inspiration Duration Max", breathing.inspirationMax, 10.0);
    // Limits stored out of order would refuse every breath: both go back to their defaults.
    if (BreathDurationOrderProblem(breathing.inspirationMin, breathing.inspirationMax, true)) {
        breathing.inspirationMin = 0.0;
        breathing.inspirationMax = 10.0;
    }
    if (BreathDurationOrderProblem(breathing.expirationMin, breathing.expirationMax, false)) {
        breathing.expirationMin = 0.0;
        breathing.expirationMax = 10.0;
    }
    breathing.inspiratoryFlowSign =
        p.GetInt(kBreathAnalysis, "Inspiratory flow sign", 1) < 0 ? -1 : 1;
    ReadDouble(p, "Flow limitation threshold", breathing.flowLimitationThreshold, 0.28,
               kBreathAnalysis);
    if (!std::isfinite(breathing.flowLimitationThreshold)) breathing.flowLimitationThreshold = 0.28;
}

void CPelmorDoc::SaveSettings() {
    Profile& p = services.profile;
    p.WriteInt(kOptions, "Sample rate", setup.sampleRateIndex);
    p.WriteInt(kOptions, "Recording timee", setup.recordingTime);
    p.WriteInt(kOptions, "Channel mask", setup.channelMask);
    p.WriteInt(kOptions, "Data bits", setup.dataBits);
    p.WriteInt(kOptions, "X channel index", setup.xChannelIndex);
    p.WriteInt(kOptions, "Y channel index", setup.yChannelIndex);
    p.WriteString(kOptions, "Excitation File Folder", setup.excitationFolder);
    p.WriteString(kOptions, "Calibration File Folder", setup.calibrationFolder);
    StoreExcitationBank(p, excitationBank);
    calculator.SaveCalibrationSetting(p);
    p.WriteBinary(kOptions, "Sweep setup", SweepBlockBytes(setup.sweep));
    p.WriteInt(kOptions, "Z display mode", calculator.zDisplayMode);
    p.WriteInt(kOptions, "Z display trend", calculator.zTrendDisplay);
    WriteDouble(p, "Flow Scaling Factor", breathing.flowScalingFactor);
    WriteDouble(p, "Expiration Duration Min", breathing.expirationMin);
    WriteDouble(p, "Expiration Duration Max", breathing.expirationMax);
    WriteDouble(p, "Inspiration Duration Min", breathing.inspirationMin);
    WriteDouble(p, "Inspiration Duration Max", breathing.inspirationMax);
    for (int k = 1; k <= kMaxChannels; ++k)
        p.WriteString(kOptions, ChannelNameKey(k), setup.channelNames[k - 1]);
    p.WriteInt(kBreathAnalysis, "Inspiratory flow sign",
               breathing.inspiratoryFlowSign < 0 ? -1 : 1);
    WriteDouble(p, "Flow limitation threshold", breathing.flowLimitationThreshold, kBreathAnalysis);
}

}  // namespace pelmor
