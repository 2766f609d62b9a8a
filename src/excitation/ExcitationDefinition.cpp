#include "excitation/ExcitationDefinition.h"

#include <algorithm>
#include <cmath>

#include "core/NumberFormat.h"
#include "platform/Profile.h"

namespace pelmor {

const int kPrimeTable[kDefinitionComponents] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
const char* const kPeriodNames[5] = {"2s", "1 s", "1/2 s", "1/4 s", "1/8 s"};
const char* const kAmplitudeShapeNames[3] = {"Flat", "1/f", "1/sqrt(f)"};
const char* const kFrequencyDistributionNames[2] = {"Harmonics", "Prims"};

namespace {

const char kSection[] = "Excitation definition";

double CutToFourDecimals(double v) { return std::floor(v * 10000.0) / 10000.0; }

}  // namespace

double ExcitationDefinition::Period() const {
    return 2.0 / static_cast<double>(1 << std::clamp(periodCode, 0, 4));
}

void ExcitationDefinition::ComputeComponentIndexes() {
    for (int j = 0; j < kDefinitionComponents; ++j)
        componentIndex[j] = frequencyDistribution == 1 ? kPrimeTable[j] : j + 1;
}

double AmplitudeByLaw(int shape, double n) {
    double v = 1.0;
    if (shape == 1) v = 1.0 / n;
    if (shape == 2) v = std::sqrt(1.0 / n);
    return CutToFourDecimals(v);
}

void ExcitationDefinition::ComputeComponentAmplitudes() {
    for (int j = 0; j < kDefinitionComponents; ++j)
        componentAmplitude[j] = AmplitudeByLaw(amplitudeShape, j + 1);
}

std::string ExcitationDefinition::ComponentLabel(int j) const {
    if (j < 0 || j >= kDefinitionComponents) return {};
    const double hz =
        componentIndex[j] * static_cast<double>(1 << std::clamp(periodCode, 0, 4)) * 0.5;
    return Format("%lg Hz", hz);
}

ExcitationDefinition LoadExcitationDefinition(Profile& profile) {
    ExcitationDefinition d;
    // The combo indexes are brought into their lists: an edited profile must not select a
    // period, law or distribution that does not exist.
    d.periodCode = std::clamp(profile.GetInt(kSection, "Signal Period Code", 2), 0, 4);
    d.amplitudeShape = std::clamp(profile.GetInt(kSection, "Amplitude Shape Code", 0), 0, 2);
    const std::string amplitude = profile.GetString(kSection, "SignalAmplitude", "1.0");
    double v = 0;
    d.signalAmplitude = ParseLeadingDouble(amplitude, v) ? v : 0.0;
    d.signalCount = profile.GetInt(kSection, "Number Of Signals", 1);
    for (int j = 0; j < kDefinitionComponents; ++j)
        d.componentEnabled[j] = profile.GetInt(kSection, Format("Frequency%d", j), 1);
    d.frequencyDistribution =
        std::clamp(profile.GetInt(kSection, "Frequency distribution", 0), 0, 1);
    d.useFrequencyList = profile.GetInt(kSection, "Use frequency list", 0) != 0 ? 1 : 0;
    d.frequencyList = profile.GetString(kSection, "Frequency list", "");
    d.ComputeComponentAmplitudes();
    d.ComputeComponentIndexes();
    return d;
}

void SaveExcitationDefinition(Profile& profile, const ExcitationDefinition& d) {
    profile.WriteInt(kSection, "Signal Period Code", d.periodCode);
    profile.WriteInt(kSection, "Amplitude Shape Code", d.amplitudeShape);
    profile.WriteString(kSection, "SignalAmplitude", Format("%lg", d.signalAmplitude));
    profile.WriteInt(kSection, "Number Of Signals", d.signalCount);
    profile.WriteInt(kSection, "Frequency distribution", d.frequencyDistribution);
    for (int j = 0; j < kDefinitionComponents; ++j)
        profile.WriteInt(kSection, Format("Frequency%d", j), d.componentEnabled[j]);
    profile.WriteInt(kSection, "Use frequency list", d.useFrequencyList != 0 ? 1 : 0);
    profile.WriteString(kSection, "Frequency list", d.frequencyList);
}

std::optional<DefinitionRangeError> CheckExcitationDefinition(const ExcitationDefinition& d) {
    using Field = DefinitionRangeError::Field;
    // Comparisons are written so that a NaN fails them.
    auto outside = [](double v, double lo, double hi) { return !(v >= lo && v <= hi); };
    if (outside(d.periodCode, 0, 4)) return DefinitionRangeError{Field::PeriodCode, -1, 0, 4, true};
    if (outside(d.amplitudeShape, 0, 2))
        return DefinitionRangeError{Field::AmplitudeShape, -1, 0, 2, true};
    if (outside(d.signalAmplitude, 0.1, 5))
        return DefinitionRangeError{Field::SignalAmplitude, -1, 0.1, 5, false};
    for (int j = 0; j < kDefinitionComponents; ++j)
        if (outside(d.componentAmplitude[j], 0.001, 1000))
            return DefinitionRangeError{Field::ComponentAmplitude, j, 0.001, 1000, false};
    if (outside(d.signalCount, 1, 16))
        return DefinitionRangeError{Field::SignalCount, -1, 1, 16, true};
    if (outside(d.frequencyDistribution, 0, 1))
        return DefinitionRangeError{Field::FrequencyDistribution, -1, 0, 1, true};
    return std::nullopt;
}

}  // namespace pelmor
