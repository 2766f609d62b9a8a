#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pelmor {

class ImpedanceCalculator;

// What the breath-by-breath analysis is told: the plausible phase durations (inclusive, in
// seconds, allowing for the rounding of the trend times), which flow direction is inspiration, and
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

// One complete breath of the trend. Point indexes are into the analysed arrays: the
// inspiration is [inspirationFirst, expirationFirst), the expiration [expirationFirst, end).
struct Breath {
    int index = 0;  // 1, 2, … in time order
    int inspirationFirst = 0;
    int expirationFirst = 0;
    int end = 0;
    double start = 0;            // time of the inspiration's first point, s
    double expirationStart = 0;  // s
    double endTime = 0;          // time of the next phase's first point, s
    double ti = 0, te = 0;       // s
    double vt = 0;               // flow unit × s, positive for inspiration
    double rInsp = 0, rExp = 0, xInsp = 0, xExp = 0;
    double dx = 0;  // xInsp - xExp
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
};

// One flow phase as the hysteresis found it: [first, end) in points, the last phase of the
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
};

// The breath-by-breath analysis of a trend of count points with times t, resistance r,
// reactance x and flow q (already scaled). Phases change where the flow passes a tenth of its
// largest magnitude, and begin at the zero crossing before that; a breath is an inspiration
// with a phase before it followed by an expiration with a phase after it.
BreathAnalysis AnalyseBreaths(const double* t, const double* r, const double* x, const double* q,
                              int count, const BreathSettings& settings);

// The same over the calculator's offline trend.
BreathAnalysis AnalyseTrendBreaths(const ImpedanceCalculator& calculator,
                                   const BreathSettings& settings);

}  // namespace pelmor
