// The breath assembly over 13 minutes of breathing flow at 256 Hz (about 200 breaths) with
// an estimate every 4 samples, and its table. The trend display runs the assembly at every
// repaint (the estimates are kept); the goal is a few milliseconds.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "export/BreathTable.h"

namespace {

struct FullRecord {
    static constexpr double kSampleRate = 256;
    static constexpr int kSamples = 800 * 256;
    static constexpr int kWindow = 51;  // 0.2 s
    static constexpr int kHop = 4;
    std::vector<double> q;
    std::vector<pelmor::WithinBreathEstimate> estimates;
    FullRecord() {
        for (int i = 0; i < kSamples; ++i) {
            const double time = i / kSampleRate;
            q.push_back(std::sin(2 * std::numbers::pi * 0.25 * time) +
                        0.03 * std::sin(2 * std::numbers::pi * 3.1 * time));
        }
        for (int first = 0; first + kWindow <= kSamples; first += kHop) {
            pelmor::WithinBreathEstimate e;
            e.first = first;
            e.count = kWindow;
            e.time = (first + (kWindow - 1) / 2.0) / kSampleRate;
            const double flow = q[first + kWindow / 2];
            e.r = 0.3 + 0.02 * flow;
            e.x = flow > 0 ? -0.1 : -0.35;
            const bool in = q[first] > 0 && q[first + kWindow - 1] > 0;
            const bool out = q[first] < 0 && q[first + kWindow - 1] < 0;
            e.phase = in    ? pelmor::BreathPhase::Inspiration
                      : out ? pelmor::BreathPhase::Expiration
                            : pelmor::BreathPhase::Mixed;
            estimates.push_back(e);
        }
    }
    pelmor::BreathRecord Record() const { return {q, kSampleRate, 0.0, estimates}; }
};

void BM_BreathAnalysis(benchmark::State& state) {
    const FullRecord record;
    const pelmor::BreathSettings settings;
    for (auto _ : state) {
        auto result = pelmor::AnalyseBreaths(record.Record(), settings);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * FullRecord::kSamples);
}
BENCHMARK(BM_BreathAnalysis)->Unit(benchmark::kMicrosecond);

void BM_BreathTable(benchmark::State& state) {
    const FullRecord record;
    const auto analysis = pelmor::AnalyseBreaths(record.Record(), {});
    for (auto _ : state) {
        std::string text = pelmor::BreathTableText(analysis, 5);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_BreathTable)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
