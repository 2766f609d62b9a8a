#include "analysis/BreathAnalysis.h"

#include <algorithm>
#include <cmath>

#include "analysis/ImpedanceCalculator.h"
#include "core/TraceBuffer.h"

namespace pelmor {

namespace {

// Ti and Te are sample counts over the sample rate, which carry rounding: 0.1 s at 10 Hz may
// come out a hair above or below 0.1. A duration printed as 10 must pass a limit of 10, so the
// limits are widened by far less than any sample interval.
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

// The estimates of one phase of the flow whose whole window lies within [first, end).
struct PhaseMeans {
    double r = 0, x = 0;
    int count = 0;
    bool positiveR = true;
};

PhaseMeans MeansWithin(std::span<const WithinBreathEstimate> estimates, int first, int end,
                       BreathPhase phase) {
    PhaseMeans m;
    auto e = std::lower_bound(
        estimates.begin(), estimates.end(), first,
        [](const WithinBreathEstimate& estimate, int at) { return estimate.first < at; });
    double r = 0, x = 0;
    for (; e != estimates.end() && e->first < end; ++e) {
        if (e->phase != phase || e->first + e->count > end) continue;
        r += e->r;
        x += e->x;
        m.positiveR = m.positiveR && e->r > 0;
        ++m.count;
    }
    if (m.count > 0) {
        m.r = r / m.count;
        m.x = x / m.count;
    }
    return m;
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
    double estimates = 0;
    for (const Breath& b : breaths) {
        if (!b.accepted) continue;
        ++summary.accepted;
        estimates += b.inspirationEstimates + b.expirationEstimates;
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
    if (summary.accepted > 0) summary.estimatesPerBreath = estimates / summary.accepted;
    return summary;
}

}  // namespace

BreathAnalysis AnalyseBreaths(const BreathRecord& record, const BreathSettings& settings) {
    BreathAnalysis result;
    const double* q = record.flow.data();
    const int count = static_cast<int>(record.flow.size());
    const double fs = record.sampleRate;
    const double sign = settings.inspiratoryFlowSign < 0 ? -1.0 : 1.0;
    double largest = 0;
    for (int i = 0; i < count; ++i) largest = std::max(largest, std::fabs(q[i]));
    const double h = 0.1 * largest;
    if (count < 3 || !(h > 0) || !std::isfinite(h) || !(fs > 0) || !std::isfinite(fs)) {
        result.summary = Summarise(result.breaths, settings.flowLimitationThreshold);
        return result;
    }
    result.phases = FindPhases(q, count, sign, h);
    const auto time = [&](int i) { return record.startTime + i / fs; };

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
        b.start = time(b.inspirationFirst);
        b.expirationStart = time(b.expirationFirst);
        b.endTime = time(b.end);
        b.ti = (b.expirationFirst - b.inspirationFirst) / fs;
        b.te = (b.end - b.expirationFirst) / fs;
        for (int i = b.inspirationFirst; i < b.expirationFirst; ++i) b.vt += sign * q[i];
        b.vt /= fs;
        const PhaseMeans in = MeansWithin(record.estimates, b.inspirationFirst, b.expirationFirst,
                                          BreathPhase::Inspiration);
        const PhaseMeans out =
            MeansWithin(record.estimates, b.expirationFirst, b.end, BreathPhase::Expiration);
        b.rInsp = in.r;
        b.xInsp = in.x;
        b.rExp = out.r;
        b.xExp = out.x;
        b.inspirationEstimates = in.count;
        b.expirationEstimates = out.count;
        b.dx = b.xInsp - b.xExp;
        if (!WithinLimits(b.ti, settings.inspirationMin, settings.inspirationMax))
            b.reason = "Ti out of range";
        else if (!WithinLimits(b.te, settings.expirationMin, settings.expirationMax))
            b.reason = "Te out of range";
        else if (in.count == 0 || out.count == 0)
            b.reason = "phase shorter than the analysis window";
        else if (!in.positiveR || !out.positiveR)
            b.reason = "R <= 0";
        b.accepted = b.reason.empty();
        b.flowLimited = b.accepted && b.dx >= settings.flowLimitationThreshold;
        result.breaths.push_back(std::move(b));
    }
    result.summary = Summarise(result.breaths, settings.flowLimitationThreshold);
    return result;
}

namespace {

// All samples of one slot, oldest first, and the time of the oldest.
std::vector<double> SlotSamples(const TraceBuffer& buffer, double& startTime) {
    std::vector<double> values(static_cast<std::size_t>(std::max(buffer.Count(), 0)));
    int32_t n = static_cast<int32_t>(values.size());
    double interval = 0;
    startTime = 0;
    buffer.Latest(n, values.data(), startTime, interval);
    values.resize(static_cast<std::size_t>(std::max(n, 0)));
    return values;
}

}  // namespace

RecordEstimates EstimateRecord(const ImpedanceCalculator& calculator, const AnalysisInputs& in,
                               double targetHz, int inspiratoryFlowSign) {
    RecordEstimates record;
    const int fc =
        std::clamp<int>(calculator.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    const std::vector<double> frequencies(calculator.frequencyHz, calculator.frequencyHz + fc);
    const std::optional<double> f = NearestExcitationFrequency(frequencies, targetHz);
    if (!f) {
        record.error = "the excitation has no frequencies";
        return record;
    }
    record.frequency = *f;
    record.sampleRate = in.sampleRate;
    double unused = 0;
    const std::vector<double> pressure = SlotSamples(in.state.buffers[0], record.startTime);
    const std::vector<double> flow = SlotSamples(in.state.buffers[1], unused);
    const std::vector<double> breathing = SlotSamples(in.state.buffers[2], unused);
    WithinBreathInput input;
    input.pressure = pressure;
    input.flow = flow;
    input.breathingFlow = breathing;
    input.sampleRate = in.sampleRate;
    input.startTime = record.startTime;
    input.excitationFrequencies = frequencies;
    input.analysisFrequency = *f;
    input.inspiratoryFlowSign = inspiratoryFlowSign;
    input.flowScalingFactor = in.flowScalingFactor;
    input.calibration = [&calculator](Complex m, double hz) {
        return calculator.ApplyCalibration(m, hz);
    };
    record.series = EstimateWithinBreath(input);
    record.error = record.series.error;
    record.flow.resize(breathing.size());
    for (std::size_t j = 0; j < breathing.size(); ++j)
        record.flow[j] = in.flowScalingFactor * breathing[j];
    return record;
}

BreathAnalysis AnalyseEstimatedBreaths(const RecordEstimates& record,
                                       const BreathSettings& settings) {
    BreathAnalysis a;
    if (record.error.empty())
        a = AnalyseBreaths(
            BreathRecord{record.flow, record.sampleRate, record.startTime, record.series.estimates},
            settings);
    else
        a.summary = Summarise(a.breaths, settings.flowLimitationThreshold);
    a.frequency = record.frequency;
    a.windowSeconds = record.series.window.seconds;
    a.estimates = record.series.estimates;
    a.error = record.error;
    return a;
}

BreathAnalysis AnalyseRecordBreaths(const ImpedanceCalculator& calculator, const AnalysisInputs& in,
                                    double targetHz, const BreathSettings& settings) {
    return AnalyseEstimatedBreaths(
        EstimateRecord(calculator, in, targetHz, settings.inspiratoryFlowSign), settings);
}

}  // namespace pelmor
