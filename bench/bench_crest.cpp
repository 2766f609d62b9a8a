// The crest-factor phase search: the transform-based evaluation against the formula evaluated
// point by point, for a generated bank's 12 components and a full 256-component signal.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "excitation/CrestFactor.h"
#include "numerics/Random.h"
#include "platform/Clock.h"

namespace {

using pelmor::PeakToPeakEvaluator;

struct Signal {
    std::vector<int32_t> index;
    std::vector<double> amplitude;
    std::vector<double> phase;
};

Signal MakeSignal(int n) {
    Signal s;
    for (int i = 0; i < n; ++i) {
        s.index.push_back(n <= 12 ? i + 1 : 1 + (i * 7) % 100);
        s.amplitude.push_back(1.0 / std::sqrt(i + 1.0));
        s.phase.push_back(0.0);
    }
    return s;
}

// Whole searches: range(0) components, range(1) passes of 1000 trials.
template <PeakToPeakEvaluator::Method method>
void BM_Search(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int passes = static_cast<int>(state.range(1));
    Signal s = MakeSignal(n);
    pelmor::SystemClock clock;
    pelmor::KissRandom random;
    random.Seed(12345);
    int64_t trials = 0;
    for (auto _ : state) {
        auto r = pelmor::SearchPhases(n, s.index.data(), s.amplitude.data(), s.phase.data(), random,
                                      clock, method, passes);
        trials += r.trials;
        benchmark::DoNotOptimize(r);
    }
    state.counters["trials/s"] =
        benchmark::Counter(static_cast<double>(trials), benchmark::Counter::kIsRate);
    state.counters["components"] = n;
}

BENCHMARK(BM_Search<PeakToPeakEvaluator::Method::Fast>)
    ->Args({12, 11})
    ->Args({256, 11})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search<PeakToPeakEvaluator::Method::Direct>)
    ->Args({12, 11})
    ->Args({256, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
