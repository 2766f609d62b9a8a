// The breath-by-breath analysis of a full offline trend (4,096 points: about 13 minutes at the
// usual 0.2 s step, some 200 breaths) and its table. The trend display runs the analysis at
// every repaint; the goal is well under 1 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "export/BreathTable.h"

namespace {

struct FullTrend {
    static constexpr int kPoints = 4096;
    std::vector<double> t, r, x, q;
    FullTrend() {
        for (int i = 0; i < kPoints; ++i) {
            const double time = 0.2 * i;
            const double flow = std::sin(2 * std::numbers::pi * 0.25 * time) +
                                0.03 * std::sin(2 * std::numbers::pi * 3.1 * time);
            t.push_back(time);
            q.push_back(flow);
            r.push_back(0.3 + 0.02 * flow);
            x.push_back(flow > 0 ? -0.1 : -0.35);
        }
    }
};

void BM_BreathAnalysis(benchmark::State& state) {
    const FullTrend trend;
    const pelmor::BreathSettings settings;
    for (auto _ : state) {
        auto result = pelmor::AnalyseBreaths(trend.t.data(), trend.r.data(), trend.x.data(),
                                             trend.q.data(), FullTrend::kPoints, settings);
        benchmark::DoNotOptimize(result);
    }
    state.SetItemsProcessed(state.iterations() * FullTrend::kPoints);
}
BENCHMARK(BM_BreathAnalysis)->Unit(benchmark::kMicrosecond);

void BM_BreathTable(benchmark::State& state) {
    const FullTrend trend;
    const auto analysis = pelmor::AnalyseBreaths(trend.t.data(), trend.r.data(), trend.x.data(),
                                                 trend.q.data(), FullTrend::kPoints, {});
    for (auto _ : state) {
        std::string text = pelmor::BreathTableText(analysis, 5);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_BreathTable)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
