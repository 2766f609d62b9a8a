// The signal rows: a slot's trace over the displayed time window and, beside it, the amplitude
// spectrum of one excitation period.

#include <algorithm>
#include <cmath>
#include <vector>

#include "display/ViewWindows.h"
#include "numerics/Fft.h"

namespace pelmor {

int32_t SpectrumWidth(const SurfaceRect& row) {
    return std::min<int32_t>(11 * row.Height() / 10, static_cast<int32_t>(0.35 * row.Width()));
}

int SignalSpectrum(const CPelmorDoc& doc, int slot, double start, int32_t& count,
                   double* frequencies, double* amplitudes) {
    const int spp = doc.Setup().samplesPerPeriod;
    if (spp < 1 || doc.Setup().signalPeriod <= 0) return 1;
    const int k = static_cast<int>(std::log2(static_cast<double>(spp)) + 0.5);
    if (k > 13 || k < 1) return 1;
    const int n = 1 << k;
    if (std::fabs(static_cast<double>(n) / spp - 1.0) > 0.001) return 1;
    static thread_local std::vector<double> samples;
    static thread_local std::vector<Complex> bins;
    samples.resize(n);
    bins.resize(n);
    if (doc.State().buffers[slot].Window(start, n, 0, samples.data()) != n) return 1;
    for (int i = 0; i < n; ++i) bins[i] = {samples[i], 0.0};
    Fft(0, k, bins.data());
    auto magnitude = [&](int bin) { return std::hypot(bins[bin].re, bins[bin].im); };
    const ImpedanceCalculator& calc = doc.Calculator();
    const double period = doc.Setup().signalPeriod;
    int32_t out = 0;
    if (doc.Setup().measurementMode == 0) {
        const int fc = std::clamp(calc.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
        for (int j = 0; j < fc; ++j) {
            const int bin = calc.frequencyIndex[j];
            if (bin < 0 || bin >= n) continue;
            frequencies[out] = bin / period;
            amplitudes[out] = magnitude(bin);
            ++out;
        }
    } else {
        if (calc.selectedFrequencyIndex < 0 || calc.selectedFrequencyIndex >= calc.frequencyCount)
            return 1;
        const int b = calc.frequencyIndex[calc.selectedFrequencyIndex];
        // Harmonics at or above half the samples of the period lie beyond the Nyquist frequency.
        for (int h = 1; h <= std::min(count, 6); ++h) {
            const int64_t bin = static_cast<int64_t>(h) * b;
            if (bin <= 0 || bin >= n / 2) continue;
            frequencies[out] = static_cast<double>(bin) / period;
            amplitudes[out] = magnitude(static_cast<int>(bin));
            ++out;
        }
    }
    if (out == 0) return 1;
    count = out;
    return 0;
}

namespace {

// The spectrum window at the right of a row; false (nothing drawn) when there is no spectrum.
bool DrawSpectrumWindow(const DrawContext& c, int slot, double start, const SurfaceRect& row) {
    const ViewState& view = c.view;
    DrawnView& out = c.out;
    double freq[kMaxSpectrumPoints], amp[kMaxSpectrumPoints];
    int32_t count = 6;
    if (SignalSpectrum(c.doc, slot, start, count, freq, amp) != 0) return false;
    PlotWindow& rec = out.windows[kSpectrumWindow0 + slot];
    const bool fixed = !out.spectrumRescale[slot] && !view.spectrumAutoscale[slot];
    const bool db = view.dbScale[slot];
    double lowest = HUGE_VAL;
    for (int32_t i = 0; i < count; ++i) {
        amp[i] *= 2;
        if (db) {
            amp[i] = 20 * std::log10(amp[i]);
            if (std::isfinite(amp[i])) lowest = std::min(lowest, amp[i]);
        }
    }
    if (db) {
        // A zero amplitude sits at the bottom of the range rather than at minus infinity.
        const double bottom = fixed || !std::isfinite(lowest) ? rec.ymin : lowest;
        for (int32_t i = 0; i < count; ++i)
            if (!std::isfinite(amp[i])) amp[i] = bottom;
    }
    SpectrumPoints& kept = out.lastSpectrum[slot];
    kept.count = count;
    kept.decibels = db;
    std::copy(freq, freq + count, kept.frequencies.begin());
    std::copy(amp, amp + count, kept.amplitudes.begin());

    const int32_t sw = SpectrumWidth(row);
    SurfaceRect rect{row.right - sw, row.top, row.right, row.bottom};
    DrawWindowFrame(c.surface, rect, c.printing);
    MarkWindowShown(rec, rect);
    CPlotGraph graph(c.surface, rect);
    graph.SetTitles("Frequency [Hz]", db ? "A [dBV]" : "A [V]");
    graph.AddCurve(count, kept.frequencies.data(), kept.amplitudes.data(), PlotBar, 0x008000);
    // A fitted linear range reaches down to zero, so the bars rise from the axis: an invisible
    // point at zero takes part in the autoscale.
    static constexpr double kZero = 0.0;
    if (!db && !fixed) graph.AddCurve(1, kept.frequencies.data(), &kZero, 0, 0x008000);
    if (fixed) graph.SetRange(rec.xmin, rec.xmax, rec.ymin, rec.ymax);
    ApplyGraphSettings(graph, c, true);
    graph.Draw();
    if (out.spectrumRescale[slot]) {
        KeepRange(rec, graph.GetRange());
        out.spectrumRescale[slot] = false;
    }
    DrawScaleIcon(c, rect, kSpectrumWindow0 + slot);
    return true;
}

// The running integral of the trace less its mean, mapped onto ymin … ymax. A constant integral
// lies across the middle of the range.
void Integrate(const double* trace, int32_t n, double ymin, double ymax, double* out) {
    double mean = 0;
    for (int32_t i = 0; i < n; ++i) mean += trace[i];
    mean /= n;
    double sum = 0, lo = 0, hi = 0;
    for (int32_t i = 0; i < n; ++i) {
        sum += trace[i] - mean;
        out[i] = sum;
        lo = std::min(lo, sum);
        hi = std::max(hi, sum);
    }
    if (!(hi > lo)) {
        std::fill(out, out + n, (ymin + ymax) / 2);
        return;
    }
    const double scale = (ymax - ymin) / (hi - lo);
    for (int32_t i = 0; i < n; ++i) out[i] = (out[i] - lo) * scale + ymin;
}

}  // namespace

void DrawSignalRow(const DrawContext& c, int slot, const SurfaceRect& row) {
    const CPelmorDoc& doc = c.doc;
    const ViewState& view = c.view;
    DrawnView& out = c.out;
    const TraceBuffer& buffer = doc.State().buffers[slot];
    const TraceBuffer& first = doc.State().buffers[0];
    const PlotWindow& w0 = out.windows[kSignalWindow0];
    const double t0 = w0.xmin, t1 = w0.xmax, w = t1 - t0;
    const bool measuring = doc.MeasurementRunning();
    double* trace = out.trace.get();

    int32_t n = 0;
    double start = 0, xmin = t0, xmax = t1;
    if (measuring && view.slidingDisplay) {
        const double period = doc.ActiveSignal().period;
        const double m = period > 0 ? std::trunc(w / period + 0.5) : 0;
        const double wanted = m * period * doc.Setup().sampleRate;
        n = static_cast<int32_t>(std::clamp(wanted, 0.0, double{DrawnView::kTraceCapacity}));
        double interval = 0;
        if (n > 0) buffer.Latest(n, trace, start, interval);
    } else if (measuring) {
        const double p0 = w > 0 ? std::floor(c.firstEnd / w) * w : c.firstEnd;
        double a = p0, b = p0 + w;
        n = buffer.Range(a, b, trace, DrawnView::kTraceCapacity);
        start = a;
        xmin = a;
        xmax = a + w;
    } else {
        double a = t0, b = t1;
        n = buffer.Range(a, b, trace, DrawnView::kTraceCapacity);
        start = a;
    }
    if (n < 1) return;
    const double interval = first.SampleInterval();
    if (measuring && view.slidingDisplay) {
        xmax = start + n * interval;
        xmin = xmax - w;
    }

    SurfaceRect rect = row;
    if (view.showSpectrum) {
        const double spectrumStart =
            measuring ? buffer.EndTime() - doc.Setup().signalPeriod : start;
        if (DrawSpectrumWindow(c, slot, spectrumStart, row))
            rect.right = row.right - SpectrumWidth(row);
    }
    DrawWindowFrame(c.surface, rect, c.printing);
    PlotWindow& rec = out.windows[kSignalWindow0 + slot];
    MarkWindowShown(rec, rect);

    CPlotGraph graph(c.surface, rect);
    graph.SetTitles("", SlotName(doc, slot));
    const double* plotted = trace;
    if (view.integrate[slot]) {
        Integrate(trace, n, rec.ymin, rec.ymax, out.integral.get());
        plotted = out.integral.get();
        graph.AddUniformCurve(n, start, interval, plotted, PlotConnect, 0xFF0000);
    }
    const Color traceColor =
        measuring && doc.RecordingActive() ? Color{0x0000FF} : view.penColors[c.p];
    graph.AddUniformCurve(n, start, interval, trace, PlotConnect, traceColor);

    rec.xmin = xmin;
    rec.xmax = xmax;
    if (measuring) out.drewWhileRunning = true;
    if (out.signalRescale[slot] || view.signalAutoscale[slot]) {
        const auto [lo, hi] = std::minmax_element(plotted, plotted + n);
        rec.ymin = *lo;
        rec.ymax = *hi;
        out.signalRescale[slot] = false;
    }
    graph.SetRange(rec.xmin, rec.xmax, rec.ymin, rec.ymax);
    ApplyGraphSettings(graph, c, false);
    if (graph.Draw()) {
        const PlotTransform t = graph.GetTransform();
        out.timeMapping = {t.xmin, t.xScale, t.left};
        out.zoomReady = true;
    }
    if (doc.ShowsSimulatedData())
        DrawSimulationWatermark(c, graph.Drawn() ? graph.DataRect() : rect);
    DrawScaleIcon(c, rect, kSignalWindow0 + slot);
}

}  // namespace pelmor
