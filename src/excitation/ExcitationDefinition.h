#pragma once

#include <optional>
#include <string>

namespace pelmor {

class Profile;

constexpr int kDefinitionComponents = 12;

// The values of the "Excitation definition" dialog: period, amplitude law, frequency law,
// amplitude in volts, number of differently phased signals and twelve frequency components.
// The dialog binds its controls to these members; the generator reads them after OK.
struct ExcitationDefinition {
    int periodCode = 2;            // combo index: "2s", "1 s", "1/2 s", "1/4 s", "1/8 s"
    int amplitudeShape = 0;        // combo index: "Flat", "1/f", "1/sqrt(f)"
    double signalAmplitude = 1.0;  // V
    int signalCount = 1;
    int componentEnabled[kDefinitionComponents] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int componentIndex[kDefinitionComponents] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    double componentAmplitude[kDefinitionComponents] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int frequencyDistribution = 0;  // combo index: "Harmonics", "Prims"
    // 1: the components are those of frequencyList (see FrequencyList.h), not the twelve.
    int useFrequencyList = 0;
    std::string frequencyList;  // "5, 11, 19", "5-35/1"

    // Signal period in seconds for periodCode k: 2 / 2^k.
    double Period() const;
    // Frequency indexes from frequencyDistribution (slot + 1, or the prime table).
    void ComputeComponentIndexes();
    // Amplitudes from amplitudeShape by slot number n = j + 1 (1, 1/n, sqrt(1/n)), each cut
    // to four decimals. Replaces values typed by the user.
    void ComputeComponentAmplitudes();
    // Check-box label of slot j: the component's frequency for the chosen period, "%lg Hz".
    std::string ComponentLabel(int j) const;
};

// The amplitude law `shape` (0 flat, 1 1/f, 2 1/sqrt(f)) at n, cut to four decimals.
double AmplitudeByLaw(int shape, double n);

// Frequency indexes of the "Prims" distribution (it starts at 2).
extern const int kPrimeTable[kDefinitionComponents];

// The combo texts, in index order.
extern const char* const kPeriodNames[5];
extern const char* const kAmplitudeShapeNames[3];
extern const char* const kFrequencyDistributionNames[2];

// Reads the dialog's registry section "Excitation definition" (defaults for a fresh profile;
// "Use frequency list" 0/1 and "Frequency list" beside the keys of the twelve components)
// and computes indexes and amplitudes: what the dialog does when it is constructed.
ExcitationDefinition LoadExcitationDefinition(Profile& profile);
// Writes the section back; the dialog does this when it closes, after OK and after Cancel.
void SaveExcitationDefinition(Profile& profile, const ExcitationDefinition& definition);

// A value outside its range, in the order the dialog transfers its controls: period,
// amplitude law, signal amplitude, the twelve component amplitudes, number of signals,
// frequency distribution. The dialog shows its toolkit's range message for it.
struct DefinitionRangeError {
    enum class Field {
        PeriodCode,
        AmplitudeShape,
        SignalAmplitude,
        ComponentAmplitude,
        SignalCount,
        FrequencyDistribution
    };
    Field field;
    int component = -1;  // slot for ComponentAmplitude
    double minimum = 0;
    double maximum = 0;
    bool integer = false;
};
std::optional<DefinitionRangeError> CheckExcitationDefinition(
    const ExcitationDefinition& definition);

}  // namespace pelmor
