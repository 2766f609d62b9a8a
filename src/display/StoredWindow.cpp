// The stored impedance window: every stored result's R and X in one chart, the selected one
// bold, and in full screen the list of their labels beside it.

#include <algorithm>
#include <string>

#include "display/Palette.h"
#include "display/ViewWindows.h"

namespace pelmor {

void DrawStoredWindow(const DrawContext& c, const StoredResultsView& stored, SurfaceRect rect) {
    if (stored.count < 1) return;
    const ViewState& view = c.view;
    DrawnView& out = c.out;
    Surface& s = c.surface;
    const int32_t count = std::min(stored.count, kMaxStoredResults);
    const bool black = BlackBackground(view);
    DrawWindowFrame(s, rect, c.printing);

    if (out.storedFullScreen) {
        int32_t y = rect.top;
        int32_t widest = rect.left;
        for (int32_t i = 0; i < count; ++i) {
            const StoredResultView& r = stored.results[i];
            const std::string line = (r.marked ? "* " : "  ") + std::string(r.label);
            const SurfaceSize size = s.TextExtent(line);
            const SurfaceRect box{rect.left, y, rect.left + size.cx, y + size.cy};
            // Black on an opaque white box, inverted on a black background and again for the
            // selected line. A surface that cannot invert gets the same look in swapped colours.
            const bool inverted = black != (i == stored.selected);
            const bool swapped = inverted && !s.CanInvert();
            s.FillSolid(box, swapped ? 0x000000 : 0xFFFFFF);
            const Color oldText = s.SetTextColor(swapped ? 0xFFFFFF : 0x000000);
            s.DrawTextInBox(box, line, TextAlign::Left, false);
            s.SetTextColor(oldText);
            if (!swapped) {
                if (black) s.InvertRect(box);
                if (i == stored.selected) s.InvertRect(box);
            }
            widest = std::max(widest, box.right);
            y += size.cy;
        }
        rect.left = widest;
    }

    PlotWindow& rec = out.windows[kStoredImpedanceWindow];
    MarkWindowShown(rec, rect);

    CPlotGraph graph(s, rect);
    graph.SetTitles("Frequency [Hz]", "Stored impedance");
    const uint32_t style = PlotStyleFlags(view.zAveragePlotStyle);
    for (int32_t i = 0; i < count; ++i) {
        const StoredResultView& r = stored.results[i];
        const int32_t n = std::clamp(r.frequencyCount, 0, kMaxSpectrumPoints);
        if (n < 1 || r.frequencies == nullptr || r.R == nullptr || r.X == nullptr) continue;
        Color red = 0x0000C8, blue = 0xC80000;
        uint32_t flags = style;
        if (i == stored.selected) {
            red = kRed;
            blue = kBlue;
            flags |= PlotConnect | PlotThick;
        } else if (!r.marked) {
            red = black ? 0x00000A : 0xF5F5FF;
            blue = black ? 0x0A0000 : 0xFFF5F5;
        }
        graph.AddCurve(n, r.frequencies, r.R, flags, red);
        graph.AddCurve(n, r.frequencies, r.X, flags, blue);
    }
    if (!out.storedRescale && !view.storedAutoscale)
        graph.SetRange(rec.xmin, rec.xmax, rec.ymin, rec.ymax);
    ApplyGraphSettings(graph, c, false);
    graph.Draw();
    if (out.storedRescale) {
        if (graph.CurveCount() > 0) KeepRange(rec, graph.GetRange());
        out.storedRescale = false;
    }
    DrawScaleIcon(c, rect, kStoredImpedanceWindow);
}

}  // namespace pelmor
