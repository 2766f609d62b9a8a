#pragma once

// The numbers a lung-function report carries from impedance spectra: the outcomes of one
// spectrum (resistance and reactance at a low and a high frequency, resonance frequency,
// reactance area, lowest coherence), the mean, SD and CoV of a set of them with its quality,
// and the change against a baseline set with the bronchodilator response. Plain inputs, plain
// records; std::nullopt means "none" (no value can be given).

#include <array>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "analysis/MeasuredImpedance.h"

namespace pelmor {

class Profile;

// The settings of the outcomes, kept in the profile section "Outcomes".
struct OutcomeSettings {
    double lowHz = 5.0;                  // f_L
    double highHz = 20.0;                // f_H
    double coherenceThreshold = 0.9;     // a result whose lowest coherence is below is flagged
    double covLimitPercent = 10.0;       // repeatability limit of the CoV of R at f_L
    double rLowResponsePercent = -40.0;  // R at f_L: response when change <= this
    double xLowResponsePercent = 50.0;   // X at f_L: response when change >= this
    double axResponsePercent = -80.0;    // AX: response when change <= this
};

inline constexpr char kOutcomeSection[] = "Outcomes";

// Reads the settings (missing or unreadable values keep their defaults); writes all of them.
OutcomeSettings LoadOutcomeSettings(Profile& profile);
void SaveOutcomeSettings(Profile& profile, const OutcomeSettings& settings);
// "" when the settings can be used, otherwise the message for the user.
std::string ValidateOutcomeSettings(const OutcomeSettings& settings);

// The outcomes of one spectrum, in the order of the table columns.
enum class Outcome { RLow, XLow, RHigh, RLowMinusHigh, Fres, Ax, MinCoherence };
inline constexpr int kOutcomeCount = 7;
inline constexpr std::array<Outcome, kOutcomeCount> kAllOutcomes{
    Outcome::RLow, Outcome::XLow, Outcome::RHigh,       Outcome::RLowMinusHigh,
    Outcome::Fres, Outcome::Ax,   Outcome::MinCoherence};

struct SpectrumOutcomes {
    std::optional<double> rLow;           // R at f_L
    std::optional<double> xLow;           // X at f_L
    std::optional<double> rHigh;          // R at f_H
    std::optional<double> rLowMinusHigh;  // R at f_L minus R at f_H
    std::optional<double> fres;           // resonance frequency, Hz
    std::optional<double> ax;             // reactance area from f_L to Fres (X unit times Hz)
    std::optional<double> minCoherence;   // lowest coherence over all frequencies
    // Not an outcome: the lowest and highest measured frequency (none for an empty spectrum).
    std::optional<double> lowestHz, highestHz;

    std::optional<double> Value(Outcome o) const;
};

// The value of a quantity at f along a spectrum whose frequencies ascend: the measured value
// where a frequency lies within 0.001 Hz of f (the last such point), otherwise the straight line
// between the neighbours below and above f; none outside the measured range.
std::optional<double> ValueAtFrequency(std::span<const double> frequencies,
                                       std::span<const double> values, double f);

// The outcomes of one spectrum. Points are taken in ascending frequency (a spectrum listed in
// another order is sorted first, equal frequencies keeping their order). A value that comes out
// infinite or not-a-number is reported as none.
SpectrumOutcomes ComputeOutcomes(const ImpedanceSpectrum& spectrum,
                                 const OutcomeSettings& settings);

// Mean, sample SD and CoV (100 SD / |mean|) of each outcome over the results that have it.
struct OutcomeStatistics {
    std::array<std::optional<double>, kOutcomeCount> mean;
    std::array<std::optional<double>, kOutcomeCount> sd;   // none with fewer than 2 values
    std::array<std::optional<double>, kOutcomeCount> cov;  // percent; none without SD or mean 0
    std::array<int, kOutcomeCount> count{};                // results that have the outcome

    std::optional<double> Mean(Outcome o) const { return mean[static_cast<int>(o)]; }
    std::optional<double> Sd(Outcome o) const { return sd[static_cast<int>(o)]; }
    std::optional<double> Cov(Outcome o) const { return cov[static_cast<int>(o)]; }
};

OutcomeStatistics SummariseOutcomes(std::span<const SpectrumOutcomes> results);

// The session quality of a set: the CoV of R at f_L against the limit, and the results whose
// lowest coherence lies below the threshold (positions in the set, ascending).
struct SetQuality {
    std::optional<double> covRLow;
    double covLimit = 10.0;
    std::optional<bool> withinLimit;  // none when the CoV cannot be given
    std::vector<int> lowCoherence;
    // f_L lies outside the measured frequencies of every result: their lowest and highest.
    std::optional<std::pair<double, double>> lowOutside;
};

SetQuality AssessQuality(std::span<const SpectrumOutcomes> results,
                         const OutcomeStatistics& statistics, const OutcomeSettings& settings);

// Change of the set's means against the baseline's, in percent of |baseline mean|, for R and X
// at f_L and AX; the response is positive when any change passes its threshold.
struct BaselineChange {
    std::optional<double> rLow;
    std::optional<double> xLow;
    std::optional<double> ax;
    bool rLowPasses = false;
    bool xLowPasses = false;
    bool axPasses = false;
    std::optional<bool> response;  // none when no change can be given
};

BaselineChange CompareWithBaseline(const OutcomeStatistics& current,
                                   const OutcomeStatistics& baseline,
                                   const OutcomeSettings& settings);

// A result with its label (a stored result's label, a file name) and everything about a set.
struct LabelledOutcomes {
    std::string label;
    SpectrumOutcomes outcomes;
};

struct OutcomeSet {
    std::vector<LabelledOutcomes> results;
    OutcomeStatistics statistics;
    SetQuality quality;
};

OutcomeSet MakeOutcomeSet(std::vector<LabelledOutcomes> results, const OutcomeSettings& settings);

// The whole analysis of a session: the set, and with a baseline its set and the change.
struct OutcomeReport {
    OutcomeSettings settings;
    OutcomeSet current;
    std::optional<OutcomeSet> baseline;
    std::optional<BaselineChange> change;
};

OutcomeReport MakeOutcomeReport(std::vector<LabelledOutcomes> current,
                                std::optional<std::vector<LabelledOutcomes>> baseline,
                                const OutcomeSettings& settings);

}  // namespace pelmor
