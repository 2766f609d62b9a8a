#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/WithinBreath.h"

namespace pelmor {

class ImpedanceCalculator;
struct AnalysisInputs;

// What the breath-by-breath analysis is told: the plausible phase durations (inclusive, in
// seconds, allowing for the rounding of sample times), which flow direction is inspiration, and
// the within-breath reactance difference that marks expiratory flow limitation (in the impedance's
// unit).
struct BreathSettings {
    double inspirationMin = 0.0;
    double inspirationMax = 10.0;
    double expirationMin = 0.0;
    double expirationMax = 10.0;
    int inspiratoryFlowSign = 1;  // +1: inspiration is positive flow, -1: negative
    double flowLimitationThreshold = 0.28;
};

// One complete breath of the record. Sample indexes are into the breathing flow: the
// inspiration is [inspirationFirst, expirationFirst), the expiration [expirationFirst, end).
struct Breath {
    int index = 0;  // 1, 2, … in time order
    int inspirationFirst = 0;
    int expirationFirst = 0;
    int end = 0;
    double start = 0;            // time of the inspiration's first sample, s
    double expirationStart = 0;  // s
    double endTime = 0;          // time of the next phase's first sample, s
    double ti = 0, te = 0;       // s
    double vt = 0;               // flow unit × s, positive for inspiration
    // Means over the estimates of each phase whose whole window lies within it (0 for none).
    double rInsp = 0, rExp = 0, xInsp = 0, xExp = 0;
    int inspirationEstimates = 0, expirationEstimates = 0;  // the estimates those means used
    double dx = 0;                                          // xInsp - xExp
    bool accepted = false;
    bool flowLimited = false;  // only ever set on an accepted breath
    std::string reason;        // why a breath was refused; empty when accepted
};

// Mean, sample standard deviation and coefficient of variation (percent) of one quantity over
// the accepted breaths; each is absent where it cannot be formed.
struct BreathStatistic {
    std::optional<double> mean;
    std::optional<double> sd;
    std::optional<double> cov;
};

struct BreathSummary {
    int total = 0;
    int accepted = 0;
    int flowLimited = 0;
    bool flowLimitation = false;  // mean dX of the accepted breaths at or above the threshold
    BreathStatistic ti, te, vt, rInsp, rExp, xInsp, xExp, dx;
    // Mean count of estimates (inspiration and expiration) used per accepted breath.
    std::optional<double> estimatesPerBreath;
};

// One flow phase as the hysteresis found it: [first, end) in samples, the last phase of the
// record running to its end.
struct FlowPhase {
    bool inspiration = false;
    int first = 0;
    int end = 0;
};

struct BreathAnalysis {
    std::vector<FlowPhase> phases;
    std::vector<Breath> breaths;
    BreathSummary summary;
    double frequency = 0;                         // the analysis frequency, Hz (0: there was none)
    double windowSeconds = 0;                     // W of the estimates
    std::vector<WithinBreathEstimate> estimates;  // the within-breath series, in time order
    std::string error;  // why the record could not be analysed; empty otherwise
};

// A record's breathing flow at its full sample rate and the within-breath estimates over it.
// Sample j of the flow is at startTime + j / sampleRate; an estimate's window is
// [first, first + count) in the same samples.
struct BreathRecord {
    std::span<const double> flow;                     // q: slot 2 times the flow scaling factor
    double sampleRate = 0;                            // Hz
    double startTime = 0;                             // s
    std::span<const WithinBreathEstimate> estimates;  // in time order
};

// The breath-by-breath analysis of a record. Phases change where the flow passes a tenth of its
// largest magnitude, and begin at the zero crossing before that; a breath is an inspiration
// with a phase before it followed by an expiration with a phase after it. Ti, Te and VT come
// from the samples; R and X of a phase are the means of its estimates (of that phase, whole
// window within it). Refusals in order: "Ti out of range", "Te out of range", "phase shorter
// than the analysis window" (no such estimate in the inspiration or the expiration), "R <= 0"
// (an estimate used with R not above 0).
BreathAnalysis AnalyseBreaths(const BreathRecord& record, const BreathSettings& settings);

// The within-breath estimates of the record in slots 0, 1 and 2 of the trace buffers at the
// excitation frequency nearest `targetHz` (calibrated as the calculator calibrates, phases by
// the inspiratory flow sign), with the record's breathing flow q: what AnalyseBreaths reads.
// error is set (nothing estimated) without active frequencies or a usable window.
struct RecordEstimates {
    WithinBreathSeries series;
    std::vector<double> flow;  // q: slot 2 times the flow scaling factor
    double sampleRate = 0;     // Hz
    double startTime = 0;      // s, of the oldest sample
    double frequency = 0;      // the analysis frequency, Hz (0: none)
    std::string error;
};
RecordEstimates EstimateRecord(const ImpedanceCalculator& calculator, const AnalysisInputs& in,
                               double targetHz, int inspiratoryFlowSign);

// AnalyseBreaths over a record's estimates, with their frequency, window and series.
BreathAnalysis AnalyseEstimatedBreaths(const RecordEstimates& record,
                                       const BreathSettings& settings);

// The two steps at once.
BreathAnalysis AnalyseRecordBreaths(const ImpedanceCalculator& calculator, const AnalysisInputs& in,
                                    double targetHz, const BreathSettings& settings);

}  // namespace pelmor
