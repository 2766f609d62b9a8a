// The options the user sets through the Options and impedance display dialogs or the command
// line, each applied with the checks of its dialog.
#include <algorithm>

#include "document/CPelmorDoc.h"
#include "excitation/ExcitationRecords.h"

namespace pelmor {

OptionsValues CPelmorDoc::Options() const { return OptionsFromSetup(setup, excitationBank); }

std::optional<FieldProblem> CPelmorDoc::ApplyOptions(const OptionsValues& values) {
    if (auto problem = ValidateOptions(values)) return problem;
    pelmor::ApplyOptions(values, setup, excitationBank, state);
    MarkModified();
    return std::nullopt;
}

std::optional<std::string> CPelmorDoc::SetRecordingTime(int seconds) {
    if (auto problem = RecordingTimeProblem(seconds)) return problem;
    setup.recordingTime = seconds;
    MarkModified();
    return std::nullopt;
}

void CPelmorDoc::SetSampleRateIndex(int index) {
    setup.sampleRateIndex = ClampSampleRateIndex(index);
    MarkModified();
}

void CPelmorDoc::SetDataBits(int bits) {
    setup.dataBits = bits != 0 ? 1 : 0;
    MarkModified();
}

bool CPelmorDoc::SetChannelMask(int mask) {
    if ((mask & 0xFF) == 0) return false;
    setup.channelMask = mask & 0xFF;
    CountChannels(setup.channelMask, setup, state);
    MarkModified();
    return true;
}

bool CPelmorDoc::SelectSignal(int signal) {
    if (signal < 0 || signal >= SignalCountOf(excitationBank)) return false;
    selectedSignal = signal;
    return true;
}

ZDisplayValues CPelmorDoc::ZDisplayOptions() const {
    const ImpedanceCalculator& z = calculator;
    ZDisplayValues values;
    values.averagingTime = z.averagingTime;
    values.displayMode = z.zDisplayMode;
    values.dataToDisplay = z.zTrendDisplay ? 1 : 0;
    values.frequencyCount = std::clamp(z.frequencyCount, 0, kMaxDisplayFrequencies);
    std::copy_n(z.frequencyHz, values.frequencyCount, values.frequencies);
    values.trendFrequencyIndex = values.frequencyCount > 0 ? std::clamp(z.selectedFrequencyIndex, 0,
                                                                        values.frequencyCount - 1)
                                                           : -1;
    values.flowScalingFactor = breathing.flowScalingFactor;
    values.inspirationMin = breathing.inspirationMin;
    values.inspirationMax = breathing.inspirationMax;
    values.expirationMin = breathing.expirationMin;
    values.expirationMax = breathing.expirationMax;
    values.inspiratoryFlowSign = breathing.inspiratoryFlowSign < 0 ? -1 : 1;
    values.flowLimitationThreshold = breathing.flowLimitationThreshold;
    return values;
}

std::optional<FieldProblem> CPelmorDoc::ApplyZDisplayOptions(const ZDisplayValues& values) {
    if (auto problem = ValidateZDisplay(values)) return problem;
    ImpedanceCalculator& z = calculator;
    z.SetAveragingTime(values.averagingTime);
    z.zDisplayMode = values.displayMode;
    z.zTrendDisplay = values.dataToDisplay;
    breathing.flowScalingFactor = values.flowScalingFactor;
    breathing.inspirationMin = values.inspirationMin;
    breathing.inspirationMax = values.inspirationMax;
    breathing.expirationMin = values.expirationMin;
    breathing.expirationMax = values.expirationMax;
    breathing.inspiratoryFlowSign = values.inspiratoryFlowSign;
    breathing.flowLimitationThreshold = values.flowLimitationThreshold;
    if (values.trendFrequencyIndex >= 0) {
        z.selectedFrequencyIndex = values.trendFrequencyIndex;
        activeExcitation.selectedFrequencyIndex = values.trendFrequencyIndex;
    }
    AnalysisInputs in = Inputs();
    z.ComputeTrend(in, services.ui);
    return std::nullopt;
}

void CPelmorDoc::SelectTrendFrequency(int index) {
    calculator.selectedFrequencyIndex =
        std::clamp(index, 0, std::max(calculator.frequencyCount - 1, 0));
    AnalysisInputs in = Inputs();
    calculator.ComputeTrend(in, services.ui);
}

}  // namespace pelmor
