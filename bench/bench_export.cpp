// The biggest tables the program hands out: the stored-data table of a full collection (32
// results of 256 frequencies, with the model block), the breath-rate section and the signal
// table of a whole 65536-sample trace.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "analysis/ImpedanceCalculator.h"
#include "core/TraceBuffer.h"
#include "export/ImpedanceTables.h"
#include "export/StoredImpedance.h"
#include "platform/MemoryProfile.h"
#include "platform/Profile.h"
#include "platform/UserInterface.h"

namespace {

class SilentUserInterface : public pelmor::UserInterface {
  public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(pelmor::Question, const std::string&) override { return true; }
};

void BM_StoredTable(benchmark::State& state) {
    auto calc = std::make_unique<pelmor::ImpedanceCalculator>();
    auto stored = std::make_unique<pelmor::StoredImpedance>();
    SilentUserInterface ui;
    pelmor::MemoryProfile profile;  // every key missing: the defaults
    calc->frequencyCount = 256;
    for (int r = 0; r < pelmor::StoredImpedance::kCapacity; ++r) {
        for (int i = 0; i < 256; ++i) {
            calc->frequencyHz[i] = 0.5 * (i + 1);
            calc->ensembleR[i] = 2 + 0.01 * r + 0.001 * i;
            calc->ensembleX[i] = std::sin(0.1 * i + r);
            calc->coherence[i] = 0.9;
        }
        stored->Store(*calc, "file.inpx, 0.000s-10.000s", ui);
    }
    for (auto _ : state) {
        const std::string& text = stored->BuildStoredTable(profile, ui);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_StoredTable)->Unit(benchmark::kMillisecond);

void FillTrace(pelmor::TraceBuffer& trace) {
    trace.SetSampleInterval(1.0 / 1024);
    for (int k = 0; k < trace.Capacity(); ++k)
        trace.Append(std::sin(2 * 3.14159265 * 0.25 * k / 1024));
}

void BM_BreathRateSection(benchmark::State& state) {
    pelmor::TraceBuffer flow;
    FillTrace(flow);
    for (auto _ : state) {
        std::string text = pelmor::BreathRateSection(flow, 0, 64, 1024);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_BreathRateSection)->Unit(benchmark::kMillisecond);

void BM_SignalTable(benchmark::State& state) {
    pelmor::TraceBuffer trace;
    FillTrace(trace);
    for (auto _ : state) {
        std::string text = pelmor::SignalTableText(trace, 0, 64, 1024, true, -1, 1);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_SignalTable)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
