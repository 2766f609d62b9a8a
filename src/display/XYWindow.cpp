// The XY window: one measured slot against another, sample by sample.

#include <algorithm>
#include <cmath>

#include "display/ViewWindows.h"

namespace pelmor {

void DrawXYWindow(const DrawContext& c, const SurfaceRect& band) {
    CPelmorDoc& doc = c.doc;
    ViewState& view = c.view;
    const int channels = std::max(doc.setup.channelCount, 1);
    const int xs = ClampSlotIndex(doc.setup.xChannelIndex, channels);
    const int ys = ClampSlotIndex(doc.setup.yChannelIndex, channels);
    const TraceBuffer& xb = doc.state.buffers[xs];
    const TraceBuffer& yb = doc.state.buffers[ys];
    int32_t nx = 0, ny = 0;
    if (doc.MeasurementRunning()) {
        const double wanted =
            std::trunc(doc.activeExcitation.period * doc.setup.sampleRate * view.xyPeriods);
        const auto n =
            static_cast<int32_t>(std::clamp(wanted, 0.0, double{ViewState::kTraceCapacity}));
        double start = 0, interval = 0;
        nx = n;
        ny = n;
        if (n > 0) {
            xb.Latest(nx, view.xyX.get(), start, interval);
            yb.Latest(ny, view.xyY.get(), start, interval);
        }
    } else {
        const TraceBuffer& first = doc.state.buffers[0];
        const double oldest = first.EndTime() - first.Count() * first.SampleInterval();
        const PlotWindow& w0 = doc.plotSetup.windows[kSignalWindow0];
        double a = std::max(w0.xmin, oldest), b = w0.xmax;
        nx = xb.Range(a, b, view.xyX.get(), ViewState::kTraceCapacity);
        ny = yb.Range(a, b, view.xyY.get(), ViewState::kTraceCapacity);
    }
    // Both arrays hold at least this many fresh values.
    view.xyCount = std::min(nx, ny);
    if (view.xyCount < 1) return;

    PlotWindow& rec = doc.plotSetup.windows[kXYWindow];
    MarkWindowShown(rec, band);
    SurfaceRect inner = band;
    DrawWindowFrame(c.surface, inner, c.printing);
    CPlotGraph graph(c.surface, inner);
    graph.SetTitles(SlotName(doc, xs), SlotName(doc, ys));
    graph.AddCurve(view.xyCount, view.xyX.get(), view.xyY.get(), PlotStyleFlags(view.xyPlotStyle),
                   view.penColors[c.p]);
    if (!view.xyRescale && !view.xyAutoscale)
        graph.SetRange(rec.xmin, rec.xmax, rec.ymin, rec.ymax);
    ApplyGraphSettings(graph, c, false);
    graph.Draw();
    if (view.xyRescale) {
        const PlotRange r = graph.GetRange();
        rec.xmin = r.xmin;
        rec.xmax = r.xmax;
        rec.ymin = r.ymin;
        rec.ymax = r.ymax;
        view.xyRescale = false;
    }
    DrawScaleIcon(c, inner, kXYWindow);
}

}  // namespace pelmor
