// A full repaint of eight signal windows of 65536 samples each into a 1920 × 1080 picture,
// with and without handing the surface only the extremes of each pixel column.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

#include "display/CPlotGraph.h"
#include "report/QtSurface.h"

namespace {

constexpr int kSamples = 65536;
constexpr int kTraces = 8;
constexpr int kWidth = 1920, kHeight = 1080;

// One application object for the whole run, never destroyed: Qt's own globals may be gone by
// the time static objects are torn down.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_plot";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

std::vector<std::vector<double>> Traces() {
    std::vector<std::vector<double>> traces(kTraces, std::vector<double>(kSamples));
    for (int c = 0; c < kTraces; ++c) {
        uint32_t state = 12345 + c;
        for (int i = 0; i < kSamples; ++i) {
            state = state * 1664525u + 1013904223u;
            const double t = i / 512.0;
            traces[c][i] = 3 * std::sin(2 * M_PI * (0.3 + 0.1 * c) * t) +
                           std::sin(2 * M_PI * 7.0 * t) + (state >> 8) * (0.5 / 16777216.0);
        }
    }
    return traces;
}

// One repaint: eight rows, each a framed chart with a grid and one trace, as the view draws.
// With printing set, the traces are clipped in value space instead of by the surface.
void RepaintEightTraces(benchmark::State& state, bool printing) {
    EnsureApplication();
    const bool reduce = state.range(0) != 0;
    const auto traces = Traces();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        pelmor::QtSurface surface(painter);
        const int rowHeight = kHeight / kTraces;
        for (int c = 0; c < kTraces; ++c) {
            pelmor::CPlotGraph graph(surface,
                                     {3, c * rowHeight + 3, kWidth - 3, (c + 1) * rowHeight - 3});
            graph.SetTitles("", "Channel");
            graph.gridOn = 1;
            graph.gridColor = 0x808080;
            graph.extendToTicks = 0;
            graph.deviceClip = printing ? 0 : 1;
            graph.columnReduction = reduce ? 1 : 0;
            graph.AddUniformCurve(kSamples, 0, 1.0 / 512, traces[c].data(), pelmor::PlotConnect,
                                  0x000000);
            graph.SetRange(0, kSamples / 512.0, -2, 2);  // the peaks leave the range
            if (!graph.Draw()) state.SkipWithError("chart too small");
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kSamples * kTraces);
    state.counters["reduced"] = reduce ? 1 : 0;
}
void BM_RepaintEightTraces(benchmark::State& state) { RepaintEightTraces(state, false); }
void BM_PrintEightTraces(benchmark::State& state) { RepaintEightTraces(state, true); }
BENCHMARK(BM_RepaintEightTraces)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintEightTraces)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// All eight traces in one chart over the whole picture.
void BM_OneChartEightTraces(benchmark::State& state) {
    EnsureApplication();
    const bool reduce = state.range(0) != 0;
    const auto traces = Traces();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        pelmor::QtSurface surface(painter);
        pelmor::CPlotGraph graph(surface, {0, 0, kWidth, kHeight});
        graph.columnReduction = reduce ? 1 : 0;
        for (int c = 0; c < kTraces; ++c) {
            graph.AddUniformCurve(kSamples, 0, 1.0 / 512, traces[c].data(), pelmor::PlotConnect,
                                  0x000000 + 0x1F * c);
        }
        graph.Draw();
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kSamples * kTraces);
    state.counters["reduced"] = reduce ? 1 : 0;
}
BENCHMARK(BM_OneChartEightTraces)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
