#pragma once

// Reference-equation sets (one JSON file each) and what they say about a subject: the predicted
// value of every outcome the set defines, its limits of normal, the z-score and % predicted of
// a measured value, and whether it lies beyond the limit that judges it.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/Outcomes.h"
#include "clinical/Units.h"

namespace pelmor {

class ReferenceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class ReferenceQuantity { R, X, RLowMinusHigh, Area, Resonance };
// g(y) = y, ln(y) or ln(-y).
enum class EquationForm { Linear, Ln, LnNeg };

// Coefficients by variable: "intercept", "age", "age2", "height", "height_m", "ln_height",
// "weight" (age in years, height in cm, height_m in m, weight in kg).
using EquationTerms = std::vector<std::pair<std::string, double>>;

struct ReferenceEquation {
    EquationForm form = EquationForm::Linear;
    EquationTerms terms;
    std::optional<double> rsd;              // residual SD of g(y): z and limits at ∓1.645 rsd
    std::optional<EquationTerms> lln, uln;  // limits as equations of their own
};

struct ReferenceOutcome {
    std::string name;  // as the set names it, e.g. "R5"
    ReferenceQuantity quantity = ReferenceQuantity::R;
    std::optional<double> frequencyHz;  // for R and X
    bool abnormalHigh = true;           // the upper limit judges it (else the lower)
    ReferenceEquation female, male;
};

struct ReferenceSet {
    std::string name, source, technique;  // technique "FOT" or "IOS"
    ImpedanceUnit unit = ImpedanceUnit::KPaSecondPerLitre;
    double ageMin = 0, ageMax = 0, heightMin = 0, heightMax = 0;
    std::vector<ReferenceOutcome> outcomes;  // in the file's order
    std::string file;                        // where it was read
};

// A set from its JSON text; a malformed one throws ReferenceError naming file and first fault.
ReferenceSet ParseReferenceSet(std::string_view text, const std::string& file);
ReferenceSet LoadReferenceSet(const std::string& path);

// The folders sets are read from, in order: the package's, then the user's
// ($XDG_DATA_HOME/Pelmor/references, else ~/.local/share/Pelmor/references).
inline constexpr char kPackageReferenceFolder[] = "/usr/share/pelmor/references";
std::vector<std::string> ReferenceFolders();

// Every *.json set of the folders (a later folder's set of the same name replaces an earlier
// one), by name; each refused file with its message.
struct ReferenceCatalogue {
    std::vector<ReferenceSet> sets;
    std::vector<std::string> refusals;
    const ReferenceSet* Find(const std::string& name) const;
};
ReferenceCatalogue LoadReferenceSets(const std::vector<std::string>& folders);

// The settings section "Reference values", key "Set": the chosen set's name ("" for none).
inline constexpr char kReferenceSection[] = "Reference values";
inline constexpr char kReferenceSetKey[] = "Set";

struct ReferenceSubject {
    std::string sex;  // "female" or "male"
    double ageYears = 0;
    double heightCm = 0;
    std::optional<double> weightKg;
};

// Age in years (days / 365.25) at date, both "YYYY-MM-DD" (a longer time stamp's date is
// used); none when either is not a date or date lies before birth.
std::optional<double> AgeInYears(const std::string& birth, const std::string& date);

struct ReferenceValue {
    std::optional<double> predicted, lln, uln, z, percentPredicted;
    std::optional<std::string> beyond;  // "uln" or "lln" when past the limit that judges it
};

// The set's values of one outcome for the subject, and those of the measured value when given
// (in the set's unit). A subject whose sex is neither, or an equation that needs the weight of
// a subject without one, throws ReferenceError.
ReferenceValue EvaluateReference(const ReferenceOutcome& outcome, const ReferenceSubject& subject,
                                 std::optional<double> measured, const std::string& setName);

bool OutsideReferenceRange(const ReferenceSet& set, const ReferenceSubject& subject);

// Which outcome a set's outcome is at the outcome settings' frequencies, or why none:
// "The reference set gives R at 5 Hz; the outcomes are at 4 Hz."
struct ReferenceMatch {
    std::optional<Outcome> outcome;
    std::string message;
};
ReferenceMatch MatchReferenceOutcome(const ReferenceOutcome& outcome,
                                     const OutcomeSettings& settings);

// Everything a set says about one set of measured outcomes (their mean) in measuredUnit; none
// for an uncalibrated measurement. Values are given back in measuredUnit.
struct ReferenceResult {
    std::string name;
    std::optional<Outcome> outcome;
    ReferenceValue value;
    std::string message;  // why there is no value
};
struct ReferenceReport {
    std::string set;
    bool outsideRange = false;
    std::vector<ReferenceResult> outcomes;
    std::string message;  // why there are no values at all
};
// A set's means (mean of every outcome over its results) as the outcomes a set is judged on.
SpectrumOutcomes MeanOutcomes(const OutcomeStatistics& statistics);

inline constexpr char kReferenceNeedsCalibration[] =
    "Reference values need a calibrated measurement.";
ReferenceReport ComputeReference(const ReferenceSet& set, const ReferenceSubject& subject,
                                 const SpectrumOutcomes* measured,
                                 std::optional<ImpedanceUnit> measuredUnit,
                                 const OutcomeSettings& settings);

}  // namespace pelmor
