// The within-breath estimator over a 120 s record at 1024 Hz: the sparse list 5, 11, 19 Hz
// (W = 0.2 s, h = 16: some 7,600 estimates; goal under 20 ms) and the dense list 5 ... 35 Hz in
// 1 Hz steps (W = 1 s, 63 + 3 fitted terms; goal under 100 ms); alone, and followed by the
// breath analysis over the breathing flow's samples (the goals hold for the two together).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "analysis/WithinBreath.h"

namespace {

constexpr double kSampleRate = 1024;
constexpr int kSamples = 120 * 1024;

struct BreathingRecord {
    std::vector<double> frequencies, pressure, flow, breathing;
    explicit BreathingRecord(std::vector<double> list) : frequencies(std::move(list)) {
        for (int j = 0; j < kSamples; ++j) {
            const double t = j / kSampleRate;
            const double q = std::sin(2 * std::numbers::pi * 0.25 * t);
            double p = 0.4 * q, v = 0.5 * q;
            for (std::size_t k = 0; k < frequencies.size(); ++k) {
                const double w = 2 * std::numbers::pi * frequencies[k] * t + 0.7 * k;
                const double x = q > 0 ? -0.1 : -0.3;
                v += std::cos(w);
                p += 0.3 * std::cos(w) - x * std::sin(w);
            }
            pressure.push_back(p);
            flow.push_back(v);
            breathing.push_back(q);
        }
    }
};

pelmor::WithinBreathInput InputOf(const BreathingRecord& record) {
    pelmor::WithinBreathInput input;
    input.pressure = record.pressure;
    input.flow = record.flow;
    input.breathingFlow = record.breathing;
    input.sampleRate = kSampleRate;
    input.excitationFrequencies = record.frequencies;
    input.analysisFrequency = 5;
    return input;
}

void Estimate(benchmark::State& state, const BreathingRecord& record) {
    const pelmor::WithinBreathInput input = InputOf(record);
    std::size_t estimates = 0;
    for (auto _ : state) {
        auto series = pelmor::EstimateWithinBreath(input);
        estimates = series.estimates.size();
        benchmark::DoNotOptimize(series);
    }
    state.counters["estimates"] = static_cast<double>(estimates);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(estimates));
}

// The estimates, then the breaths over the flow samples (here slot 2 is already q).
void EstimateAndAnalyse(benchmark::State& state, const BreathingRecord& record) {
    const pelmor::WithinBreathInput input = InputOf(record);
    const pelmor::BreathSettings settings;
    int breaths = 0;
    for (auto _ : state) {
        auto series = pelmor::EstimateWithinBreath(input);
        auto analysis = pelmor::AnalyseBreaths(
            pelmor::BreathRecord{record.breathing, kSampleRate, 0.0, series.estimates}, settings);
        breaths = analysis.summary.accepted;
        benchmark::DoNotOptimize(analysis);
    }
    state.counters["accepted_breaths"] = breaths;
}

const BreathingRecord& Sparse() {
    static const BreathingRecord record({5, 11, 19});
    return record;
}

const BreathingRecord& Dense() {
    static const BreathingRecord record = [] {
        std::vector<double> list;
        for (int f = 5; f <= 35; ++f) list.push_back(f);
        return BreathingRecord(list);
    }();
    return record;
}

void BM_WithinBreathSparse(benchmark::State& state) { Estimate(state, Sparse()); }
BENCHMARK(BM_WithinBreathSparse)->Unit(benchmark::kMillisecond);

void BM_WithinBreathDense(benchmark::State& state) { Estimate(state, Dense()); }
BENCHMARK(BM_WithinBreathDense)->Unit(benchmark::kMillisecond);

void BM_BreathAnalysisSparse(benchmark::State& state) { EstimateAndAnalyse(state, Sparse()); }
BENCHMARK(BM_BreathAnalysisSparse)->Unit(benchmark::kMillisecond);

void BM_BreathAnalysisDense(benchmark::State& state) { EstimateAndAnalyse(state, Dense()); }
BENCHMARK(BM_BreathAnalysisDense)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
