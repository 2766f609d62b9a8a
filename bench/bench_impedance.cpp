// The offline trend over full trace buffers (one bin per window against two whole transforms
// per window) and the live analysis of the newest period.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "platform/UserInterface.h"

namespace {

using namespace pelmor;

class SilentUserInterface : public UserInterface {
  public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(Question, const std::string&) override { return true; }
};

// Full buffers (65,536 samples from time 0) of a multisine in slot 1, a filtered copy in slot 0
// and a breathing signal in slot 2.
void FillBuffers(MeasurementState& state, double fs, double T, const std::vector<int>& F) {
    const int total = TraceBuffer::kDefaultCapacity;
    std::vector<double> x(total), y(total), flow(total);
    for (int j = 0; j < total; ++j) {
        const double t = j / fs;
        for (std::size_t i = 0; i < F.size(); ++i) {
            const double w = 2 * std::numbers::pi * F[i] / T;
            y[j] += std::cos(w * t + 0.3 * static_cast<double>(i * i));
            x[j] += (1 + 0.01 * i) * std::cos(w * t + 0.3 * static_cast<double>(i * i) + 0.2);
        }
        flow[j] = std::sin(2 * std::numbers::pi * 0.25 * t);
    }
    for (int s = 0; s < 3; ++s) state.buffers[s].SetSampleInterval(1 / fs);
    state.buffers[0].AppendBlock(x.data(), total);
    state.buffers[1].AppendBlock(y.data(), total);
    state.buffers[2].AppendBlock(flow.data(), total);
}

void BM_ComputeTrend(benchmark::State& bench) {
    const auto transform = static_cast<TrendTransform>(bench.range(0));
    auto state = std::make_unique<MeasurementState>();
    auto calc = std::make_unique<ImpedanceCalculator>();
    const std::vector<int> F = {4, 8, 12, 16, 24, 32};
    FillBuffers(*state, 1024, 1.0, F);  // P = 1024
    calc->SetFrequencies(F.data(), static_cast<int>(F.size()), 1.0);
    calc->selectedFrequencyIndex = 1;  // 8 Hz: a step of 128 samples
    SilentUserInterface ui;
    const AnalysisInputs in{*state, 1024, 1024, 1.0, 1.0};
    for (auto _ : bench) {
        benchmark::DoNotOptimize(calc->ComputeTrend(in, ui, transform));
        benchmark::ClobberMemory();
    }
    bench.counters["points"] = calc->offlineTrendCount;
    bench.SetLabel(transform == TrendTransform::SingleBin ? "single bin" : "full transforms");
}

void BM_AnalyseLatestPeriod(benchmark::State& bench) {
    auto state = std::make_unique<MeasurementState>();
    auto calc = std::make_unique<ImpedanceCalculator>();
    std::vector<int> F(256);
    for (int i = 0; i < 256; ++i) F[i] = 2 * i + 3;
    FillBuffers(*state, 1024, 2.0, {3, 5, 7});  // P = 2048
    calc->SetFrequencies(F.data(), 256, 2.0);
    calc->SetAveragingTime(5.0);  // ring of 50
    if (bench.range(0)) {
        // A calibration point for every frequency: the lookup runs for each ratio.
        CalibrationTable& t = calc->workingCalibration;
        t.count = 256;
        for (int i = 0; i < 256; ++i) {
            t.frequency[i] = F[i] / 2.0;
            t.A[i] = t.C[i] = t.E[i] = t.ch[i] = {0.01, 0.0};
            t.B[i] = t.D[i] = t.F[i] = t.Z0[i] = t.sh[i] = t.T21[i] = {1, 0.1};
        }
        calc->calibrationOff = 0;
    }
    state->measurementRunning = 1;
    const AnalysisInputs in{*state, 1024, 2048, 2.0, 1.0};
    for (int k = 0; k < 50; ++k) calc->AnalyseLatestPeriod(in);  // the ring is full
    for (auto _ : bench) {
        benchmark::DoNotOptimize(calc->AnalyseLatestPeriod(in));
        benchmark::ClobberMemory();
    }
    bench.SetLabel(bench.range(0) ? "calibrated" : "uncalibrated");
}

}  // namespace

BENCHMARK(BM_ComputeTrend)
    ->Arg(static_cast<int>(TrendTransform::SingleBin))
    ->Arg(static_cast<int>(TrendTransform::FullTransforms))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyseLatestPeriod)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
