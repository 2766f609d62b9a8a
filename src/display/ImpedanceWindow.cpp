// The impedance window: R (red) and X (blue) against frequency or against time at the selected
// frequency, live while measuring and from the displayed interval afterwards.

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "clinical/Units.h"
#include "core/NumberFormat.h"
#include "display/BreathBands.h"
#include "display/Palette.h"
#include "display/ViewWindows.h"

namespace pelmor {

namespace {

// The live trend ring unrolled into the repaint's arrays, oldest first; the count of points.
int32_t UnrollLiveTrend(const DrawContext& c, double shift) {
    const ImpedanceCalculator& z = c.doc.Calculator();
    const int32_t capacity = std::clamp(z.trendCapacity, 1, ImpedanceCalculator::kTrendLength);
    const int32_t count = std::clamp(z.trendCount, 0, capacity);
    const double newest = c.doc.State().buffers[0].EndTime();
    for (int32_t i = 0; i < count; ++i) {
        const int32_t at = ((i + z.trendStart) % capacity + capacity) % capacity;
        c.out.trendTimes[i] = newest + (i - count) / 10.0 - shift;
        c.out.trendRs[i] = z.trendR[at];
        c.out.trendXs[i] = z.trendX[at];
    }
    return count;
}

// "R" in red and "X" in blue in the top right corner, just above the data area, where a fitted
// curve that touches the top of its range cannot hide it.
void DrawLegend(Surface& s, const SurfaceRect& inner, const SurfaceRect& data) {
    const SurfaceSize size = s.TextExtent("R");
    const int32_t top = std::max(inner.top, data.top - size.cy - 1);
    const int32_t right = data.right - size.cx;  // clear of the window's edge
    const Color old = s.SetTextColor(kRed);
    s.TextOut(right - 3 * size.cx, top, "R");
    s.SetTextColor(kBlue);
    s.TextOut(right - size.cx, top, "X");
    s.SetTextColor(old);
}

}  // namespace

const char* const kNoCompletePeriod = "No complete period in this span";
const char* const kInvalidImpedance = "Invalid impedance at %s Hz — check the calibration data";

std::string InvalidImpedanceFrequencies(const double* frequencies, const double* R, const double* X,
                                        int count) {
    std::vector<double> invalid;
    for (int i = 0; i < count; ++i)
        if (!std::isfinite(R[i]) || !std::isfinite(X[i])) invalid.push_back(frequencies[i]);
    return JoinFrequencies(invalid.data(), static_cast<int>(invalid.size()));
}

void DrawImpedanceWindow(const DrawContext& c, const SurfaceRect& band) {
    const CPelmorDoc& doc = c.doc;
    const ViewState& view = c.view;
    DrawnView& out = c.out;
    const ImpedanceCalculator& z = doc.Calculator();
    const bool trend = z.zTrendDisplay != 0;
    const int record = trend ? kImpedanceTimeWindow : kImpedanceFrequencyWindow;
    MarkWindowShown(out.windows[record], band);

    SurfaceRect inner = band;
    DrawWindowFrame(c.surface, inner, c.printing);
    CPlotGraph graph(c.surface, inner);
    ApplyGraphSettings(graph, c, false);

    const bool measuring = doc.MeasurementRunning();
    const bool tracking = doc.Setup().measurementMode == 1;
    const uint32_t averaged = PlotStyleFlags(view.zAveragePlotStyle) | PlotThick;
    const uint32_t instant = PlotStyleFlags(view.zInstantPlotStyle);
    const int32_t fc = std::clamp(z.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    const bool fixed = !out.zRescale && !view.zAutoscale;
    PlotWindow& freqRec = out.windows[kImpedanceFrequencyWindow];
    PlotWindow& timeRec = out.windows[kImpedanceTimeWindow];
    PlotWindow* used = &freqRec;
    bool keepRange = true;  // a one-shot rescale writes the range used back
    bool notes = false;
    std::string breathNote;
    bool noPeriod = false;           // the analysis of the displayed span holds no complete period
    const double* shownR = nullptr;  // the spectrum drawn, checked for values that are not finite
    const double* shownX = nullptr;
    // The values are drawn as the calibration gives them: in the calibration unit, or a ratio of
    // volts without a calibration.
    const std::string zTitle =
        "Impedance [" +
        std::string(z.loadedCalibration.count > 0
                        ? UnitName(LoadUnitSettings(doc.Services().profile).calibration)
                        : kUncalibratedUnit) +
        "]";

    if (measuring && !tracking && !trend) {
        graph.SetTitles("Frequency [Hz]", zTitle);
        if (z.zDisplayMode >= 1 && fc > 0 && z.ringLength > 0) {
            for (int32_t i = std::max(z.ringCount - 8, 0); i < z.ringCount; ++i) {
                const int32_t slot = (z.ringIndex + i) % z.ringLength;
                const auto v = static_cast<uint8_t>(230 - (102 * i) / z.ringCount);
                graph.AddCurve(fc, z.frequencyHz, z.instantR[slot], instant, MakeColor(255, v, v));
                graph.AddCurve(fc, z.frequencyHz, z.instantX[slot], instant, MakeColor(v, v, 255));
            }
        }
        if (z.zDisplayMode <= 1 && fc > 0) {
            graph.AddCurve(fc, z.frequencyHz, z.averageR, averaged, kRed);
            graph.AddCurve(fc, z.frequencyHz, z.averageX, averaged, kBlue);
            shownR = z.averageR;
            shownX = z.averageX;
        }
    } else if (measuring) {
        // The live trend; tracking shows it whatever the trend flag says.
        graph.SetTitles("Time [s]", zTitle);
        used = &timeRec;
        const double shift = 0.1 * (tracking ? z.ringLength : z.trendCapacity) * 0.5;
        const int32_t n = UnrollLiveTrend(c, shift);
        if (n > 0) {
            graph.AddCurve(n, out.trendTimes.get(), out.trendRs.get(),
                           tracking ? averaged : instant, kRed);
            graph.AddCurve(n, out.trendTimes.get(), out.trendXs.get(),
                           tracking ? averaged : instant, kBlue);
            const double last = out.trendTimes[n - 1];
            if (tracking) {
                timeRec.xmin = last - (timeRec.xmax - timeRec.xmin);
            } else {
                timeRec.xmin = out.trendTimes[0];
            }
            timeRec.xmax = last;
        }
    } else if (trend) {
        graph.SetTitles("Time [s]", zTitle);
        used = &timeRec;
        keepRange = false;
        const PlotWindow& w0 = out.windows[kSignalWindow0];
        timeRec.xmin = w0.xmin;
        timeRec.xmax = w0.xmax;
        const int32_t n = std::clamp(z.offlineTrendCount, 0, ImpedanceCalculator::kTrendLength);
        noPeriod = n == 0;
        if (n > 0) {
            graph.AddCurve(n, z.trendTime, z.trendR, instant, kRed);
            graph.AddCurve(n, z.trendTime, z.trendX, instant, kBlue);
            BreathMarks marks = MarkBreaths(doc.DisplayedBreaths());
            AddBreathBands(graph, marks.bands);
            breathNote = std::move(marks.note);
            if (out.zRescale) {
                const auto [r0, r1] = std::minmax_element(z.trendR, z.trendR + n);
                const auto [x0, x1] = std::minmax_element(z.trendX, z.trendX + n);
                timeRec.ymin = std::min(*r0, *x0);
                timeRec.ymax = std::max(*r1, *x1);
            }
        }
    } else {
        graph.SetTitles("Frequency [Hz]", zTitle);
        // The document analysed the span shown when it changed (UpdateDisplayedAnalysis).
        noPeriod = !doc.DisplayedIntervalAnalysed();
        if (fc > 0 && !noPeriod) {
            graph.AddCurve(fc, z.frequencyHz, z.ensembleR, averaged, kRed);
            graph.AddCurve(fc, z.frequencyHz, z.ensembleX, averaged, kBlue);
            shownR = z.ensembleR;
            shownX = z.ensembleX;
        }
        // Without a complete period there are no values to claim.
        notes = !noPeriod;
    }

    const bool useRange = trend && !measuring ? !view.zAutoscale : fixed;
    if (useRange) graph.SetRange(used->xmin, used->xmax, used->ymin, used->ymax);
    graph.Draw();
    if (keepRange && out.zRescale && graph.CurveCount() > 0) KeepRange(*used, graph.GetRange());
    out.zRescale = false;

    Surface& s = c.surface;
    // On paper the page header's font is still selected and is far larger than the axis
    // labels: the notes would run into the axis title, so they take the labels' font there.
    const bool ownFont = c.printing;
    SurfaceFont previousFont;
    if (ownFont)
        previousFont = s.SelectFont(
            {static_cast<int32_t>(std::lround(12 * graph.FontScale())), 400, false, false});
    if (notes) {
        const SurfaceSize size = s.TextExtent("Ay");
        const SurfaceRect line{inner.left + 22, inner.bottom - size.cy, inner.right, inner.bottom};
        s.DrawTextInBox(line, Format("Samples:%d", z.periodsAccumulated), TextAlign::Right, false);
        s.DrawTextInBox(line, Format("R=%.1lf V=%.3lg", z.breathingRate * 60, z.breathingVolume),
                        TextAlign::Left, false);
    }
    if (!breathNote.empty()) {
        const SurfaceSize size = s.TextExtent(breathNote);
        const SurfaceRect line{inner.left + 22, inner.bottom - 2 - size.cy, inner.right,
                               inner.bottom - 2};
        s.DrawTextInBox(line, breathNote, TextAlign::Left, false);
    }
    if (trend && z.selectedFrequencyIndex >= 0 && z.selectedFrequencyIndex < fc) {
        const std::string text = Format("%lg Hz", z.frequencyHz[z.selectedFrequencyIndex]);
        const SurfaceSize size = s.TextExtent(text);
        const SurfaceRect box{inner.right - size.cx - 4, inner.bottom - 2 - size.cy, inner.right,
                              inner.bottom - 2};
        s.DrawTextInBox(box, text, TextAlign::Center, false);
    }
    if (noPeriod) DrawCentredNote(c, inner, kNoCompletePeriod);
    if (shownR && shownX) {
        const std::string invalid = InvalidImpedanceFrequencies(z.frequencyHz, shownR, shownX, fc);
        if (!invalid.empty()) {
            const SurfaceSize size = s.TextExtent("Ay");
            s.DrawTextInBox(
                {inner.left + 4, inner.top + 2, inner.right - 4, inner.top + 2 + size.cy},
                Format(kInvalidImpedance, invalid.c_str()), TextAlign::Center, false);
        }
    }
    if (graph.CurveCount() > 0) DrawLegend(s, inner, graph.Drawn() ? graph.FrameRect() : inner);
    if (ownFont) s.SelectFont(previousFont);
    DrawScaleIcon(c, inner, record);
}

}  // namespace pelmor
