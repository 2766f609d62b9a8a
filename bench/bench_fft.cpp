// The engine's FFT against FFTW (when installed) at the sizes the program uses.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "numerics/Fft.h"
#if PELMOR_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

std::vector<pelmor::Complex> Signal(int n) {
    std::vector<pelmor::Complex> d(n);
    for (int i = 0; i < n; ++i) d[i] = {std::sin(0.37 * i) + 0.1 * (i % 7), std::cos(0.11 * i)};
    return d;
}

void BM_Fft(benchmark::State& state) {
    const int log2n = static_cast<int>(state.range(0));
    const int n = 1 << log2n;
    auto input = Signal(n);
    auto d = input;
    for (auto _ : state) {
        pelmor::Fft(0, log2n, d.data());
        benchmark::DoNotOptimize(d.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["N"] = n;
}

#if PELMOR_HAVE_FFTW
void BM_Fftw(benchmark::State& state) {
    const int log2n = static_cast<int>(state.range(0));
    const int n = 1 << log2n;
    auto input = Signal(n);
    fftw_complex* d = fftw_alloc_complex(n);
    fftw_plan plan = fftw_plan_dft_1d(n, d, d, FFTW_FORWARD, FFTW_MEASURE);
    for (int i = 0; i < n; ++i) {
        d[i][0] = input[i].re;
        d[i][1] = input[i].im;
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(d);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["N"] = n;
    fftw_destroy_plan(plan);
    fftw_free(d);
}
#endif

void Sizes(benchmark::internal::Benchmark* b) {
    for (int log2n = 9; log2n <= 14; ++log2n) b->Arg(log2n);
    b->Arg(17);
}

}  // namespace

BENCHMARK(BM_Fft)->Apply(Sizes);
#if PELMOR_HAVE_FFTW
BENCHMARK(BM_Fftw)->Apply(Sizes);
#endif
BENCHMARK_MAIN();
