// The XY window: one measured slot against another, sample by sample.

#include <algorithm>
#include <cmath>

#include "display/ViewWindows.h"

namespace pelmor {

void DrawXYWindow(const DrawContext& c, const SurfaceRect& band) {
    const CPelmorDoc& doc = c.doc;
    const ViewState& view = c.view;
    DrawnView& out = c.out;
    const int channels = std::max(doc.Setup().channelCount, 1);
    const int xs = ClampSlotIndex(doc.Setup().xChannelIndex, channels);
    const int ys = ClampSlotIndex(doc.Setup().yChannelIndex, channels);
    const TraceBuffer& xb = doc.State().buffers[xs];
    const TraceBuffer& yb = doc.State().buffers[ys];
    int32_t nx = 0, ny = 0;
    if (doc.MeasurementRunning()) {
        const double wanted =
            std::trunc(doc.ActiveSignal().period * doc.Setup().sampleRate * view.xyPeriods);
        const auto n =
            static_cast<int32_t>(std::clamp(wanted, 0.0, double{DrawnView::kTraceCapacity}));
        double start = 0, interval = 0;
        nx = n;
        ny = n;
        if (n > 0) {
            xb.Latest(nx, out.xyX.get(), start, interval);
            yb.Latest(ny, out.xyY.get(), start, interval);
        }
    } else {
        const TraceBuffer& first = doc.State().buffers[0];
        const double oldest = first.EndTime() - first.Count() * first.SampleInterval();
        const PlotWindow& w0 = out.windows[kSignalWindow0];
        double a = std::max(w0.xmin, oldest), b = w0.xmax;
        nx = xb.Range(a, b, out.xyX.get(), DrawnView::kTraceCapacity);
        ny = yb.Range(a, b, out.xyY.get(), DrawnView::kTraceCapacity);
    }
    // Both arrays hold at least this many fresh values.
    out.xyCount = std::min(nx, ny);
    if (out.xyCount < 1) return;

    PlotWindow& rec = out.windows[kXYWindow];
    MarkWindowShown(rec, band);
    SurfaceRect inner = band;
    DrawWindowFrame(c.surface, inner, c.printing);
    CPlotGraph graph(c.surface, inner);
    graph.SetTitles(SlotName(doc, xs), SlotName(doc, ys));
    graph.AddCurve(out.xyCount, out.xyX.get(), out.xyY.get(), PlotStyleFlags(view.xyPlotStyle),
                   view.penColors[c.p]);
    if (!out.xyRescale && !view.xyAutoscale) graph.SetRange(rec.xmin, rec.xmax, rec.ymin, rec.ymax);
    ApplyGraphSettings(graph, c, false);
    graph.Draw();
    if (out.xyRescale) {
        KeepRange(rec, graph.GetRange());
        out.xyRescale = false;
    }
    DrawScaleIcon(c, inner, kXYWindow);
}

}  // namespace pelmor
