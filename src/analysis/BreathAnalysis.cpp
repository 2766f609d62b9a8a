#include "analysis/BreathAnalysis.h"

#include <algorithm>
#include <cmath>

#include "analysis/ImpedanceCalculator.h"

namespace pelmor {

namespace {

// Ti and Te are differences of trend times, which carry rounding: 70.1 - 60.1 is
// 10.000000000000007. A duration printed as 10 must pass a limit of 10, so the limits are
// widened by far less than any trend step.
constexpr double kDurationTolerance = 1e-9;  // s

bool WithinLimits(double duration, double lo, double hi) {
    return duration >= lo - kDurationTolerance && duration <= hi + kDurationTolerance;
}

// The phases of the flow: a phase changes only where the signed flow passes ±h, and starts at
// the beginning of the run of strictly signed points that leads there, but never before the
// point after the start of the phase before it.
std::vector<FlowPhase> FindPhases(const double* q, int count, double sign, double h) {
    std::vector<FlowPhase> phases;
    enum class State { Unknown, Inspiration, Expiration } state = State::Unknown;
    int positiveRun = -1, negativeRun = -1;  // first index of the current strictly signed run
    for (int i = 0; i < count; ++i) {
        const double v = sign * q[i];
        positiveRun = v > 0 ? (positiveRun < 0 ? i : positiveRun) : -1;
        negativeRun = v < 0 ? (negativeRun < 0 ? i : negativeRun) : -1;
        bool inspiration;
        int run;
        if (state != State::Inspiration && v > h) {
            inspiration = true;
            run = positiveRun;
        } else if (state != State::Expiration && v < -h) {
            inspiration = false;
            run = negativeRun;
        } else {
            continue;
        }
        const int first = phases.empty() ? run : std::max(run, phases.back().first + 1);
        if (!phases.empty()) phases.back().end = first;
        phases.push_back({inspiration, first, count});
        state = inspiration ? State::Inspiration : State::Expiration;
    }
    return phases;
}

double MeanOf(const double* v, int first, int end) {
    double sum = 0;
    for (int i = first; i < end; ++i) sum += v[i];
    return sum / (end - first);
}

BreathStatistic Statistic(const std::vector<double>& values) {
    BreathStatistic s;
    const std::size_t n = values.size();
    if (n == 0) return s;
    double sum = 0;
    for (double v : values) sum += v;
    const double mean = sum / static_cast<double>(n);
    s.mean = mean;
    if (n < 2) return s;
    double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    s.sd = std::sqrt(squares / static_cast<double>(n - 1));
    if (mean != 0) s.cov = 100.0 * *s.sd / std::fabs(mean);
    return s;
}

BreathSummary Summarise(const std::vector<Breath>& breaths, double threshold) {
    BreathSummary summary;
    summary.total = static_cast<int>(breaths.size());
    std::vector<double> ti, te, vt, rInsp, rExp, xInsp, xExp, dx;
    for (const Breath& b : breaths) {
        if (!b.accepted) continue;
        ++summary.accepted;
        if (b.flowLimited) ++summary.flowLimited;
        ti.push_back(b.ti);
        te.push_back(b.te);
        vt.push_back(b.vt);
        rInsp.push_back(b.rInsp);
        rExp.push_back(b.rExp);
        xInsp.push_back(b.xInsp);
        xExp.push_back(b.xExp);
        dx.push_back(b.dx);
    }
    summary.ti = Statistic(ti);
    summary.te = Statistic(te);
    summary.vt = Statistic(vt);
    summary.rInsp = Statistic(rInsp);
    summary.rExp = Statistic(rExp);
    summary.xInsp = Statistic(xInsp);
    summary.xExp = Statistic(xExp);
    summary.dx = Statistic(dx);
    summary.flowLimitation = summary.dx.mean.has_value() && *summary.dx.mean >= threshold;
    return summary;
}

}  // namespace

BreathAnalysis AnalyseBreaths(const double* t, const double* r, const double* x, const double* q,
                              int count, const BreathSettings& settings) {
    BreathAnalysis result;
    const double sign = settings.inspiratoryFlowSign < 0 ? -1.0 : 1.0;
    double largest = 0;
    for (int i = 0; i < count; ++i) largest = std::max(largest, std::fabs(q[i]));
    const double h = 0.1 * largest;
    if (count < 3 || !(h > 0) || !std::isfinite(h)) {
        result.summary = Summarise(result.breaths, settings.flowLimitationThreshold);
        return result;
    }
    result.phases = FindPhases(q, count, sign, h);

    const std::vector<FlowPhase>& phases = result.phases;
    // Phases alternate, so an inspiration j >= 1 with two phases after it is a whole breath.
    for (std::size_t j = 1; j + 2 < phases.size(); ++j) {
        if (!phases[j].inspiration) continue;
        const FlowPhase& expiration = phases[j + 1];
        Breath b;
        b.index = static_cast<int>(result.breaths.size()) + 1;
        b.inspirationFirst = phases[j].first;
        b.expirationFirst = expiration.first;
        b.end = phases[j + 2].first;
        b.start = t[b.inspirationFirst];
        b.expirationStart = t[b.expirationFirst];
        b.endTime = t[b.end];
        b.ti = b.expirationStart - b.start;
        b.te = b.endTime - b.expirationStart;
        for (int i = b.inspirationFirst; i < b.expirationFirst; ++i)
            b.vt += sign * q[i] * (t[i + 1] - t[i]);
        b.rInsp = MeanOf(r, b.inspirationFirst, b.expirationFirst);
        b.xInsp = MeanOf(x, b.inspirationFirst, b.expirationFirst);
        b.rExp = MeanOf(r, b.expirationFirst, b.end);
        b.xExp = MeanOf(x, b.expirationFirst, b.end);
        b.dx = b.xInsp - b.xExp;
        const bool positiveR =
            std::all_of(r + b.inspirationFirst, r + b.end, [](double v) { return v > 0; });
        if (!WithinLimits(b.ti, settings.inspirationMin, settings.inspirationMax))
            b.reason = "Ti out of range";
        else if (!WithinLimits(b.te, settings.expirationMin, settings.expirationMax))
            b.reason = "Te out of range";
        else if (!positiveR)
            b.reason = "R <= 0";
        b.accepted = b.reason.empty();
        b.flowLimited = b.accepted && b.dx >= settings.flowLimitationThreshold;
        result.breaths.push_back(std::move(b));
    }
    result.summary = Summarise(result.breaths, settings.flowLimitationThreshold);
    return result;
}

BreathAnalysis AnalyseTrendBreaths(const ImpedanceCalculator& calculator,
                                   const BreathSettings& settings) {
    const int count =
        std::clamp<int>(calculator.offlineTrendCount, 0, ImpedanceCalculator::kTrendLength);
    return AnalyseBreaths(calculator.trendTime, calculator.trendR, calculator.trendX,
                          calculator.trendFlow, count, settings);
}

}  // namespace pelmor
