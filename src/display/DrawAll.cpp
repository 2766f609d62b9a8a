#include "display/DrawAll.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/NumberFormat.h"
#include "display/ViewInteraction.h"
#include "display/ViewWindows.h"

namespace pelmor {

DrawnView::DrawnView()
    : xyX(std::make_unique<double[]>(kTraceCapacity)),
      xyY(std::make_unique<double[]>(kTraceCapacity)),
      trace(std::make_unique<double[]>(kTraceCapacity)),
      integral(std::make_unique<double[]>(kTraceCapacity)),
      trendTimes(std::make_unique<double[]>(kTrendCapacity)),
      trendRs(std::make_unique<double[]>(kTrendCapacity)),
      trendXs(std::make_unique<double[]>(kTrendCapacity)) {}

uint32_t PlotStyleFlags(int32_t style) {
    switch (style) {
        case 1:
            return PlotCircle;
        case 2:
            return PlotConnect | PlotCircle;
        default:
            return PlotConnect;
    }
}

void ToggleBlackBackground(ViewState& view) {
    if (!BlackBackground(view)) {
        view.backgroundColors[kScreen] = 0x000000;
        view.penColors[kScreen] = 0xC0C0C0;
        view.gridColors[kScreen] = 0x808080;
    } else {
        view.backgroundColors[kScreen] = 0xFFFFFF;
        view.penColors[kScreen] = 0x000000;
        view.gridColors[kScreen] = 0x404040;
    }
}

int32_t TimeBarHeight(const SurfaceRect& area) { return std::max<int32_t>(area.Height() / 80, 10); }

ViewLayout ComputeViewLayout(const SurfaceRect& area, bool xy, bool impedance, bool stored,
                             int channelCount, bool storedFullScreen, bool timeBarShown) {
    ViewLayout l;
    l.xy = xy;
    l.impedance = impedance;
    l.stored = stored;
    l.timeBarShown = timeBarShown;
    l.timeBarHeight = TimeBarHeight(area);
    const int32_t L = area.left, T = area.top, R = area.right, B = area.bottom;
    l.signalRight = R;
    const int m = int{xy} + int{impedance} + int{stored};
    if (m >= 1 && channelCount > 1 && !storedFullScreen) {
        l.signalRight = L + (2 * (R - L)) / 3;
        const int32_t h = (B - T) / m;
        int32_t top = T;
        auto band = [&](bool shown, SurfaceRect& rect, bool last) {
            if (!shown) return;
            rect = {l.signalRight, top, R, last ? B : top + h};
            top += h;
        };
        band(xy, l.xyRect, false);
        band(impedance, l.impedanceRect, false);
        band(stored, l.storedRect, true);
    } else {
        l.xyRect = l.impedanceRect = l.storedRect = area;
    }
    l.signalBottom = B;
    if (timeBarShown) {
        l.timeBar = {L, B - l.timeBarHeight, l.signalRight, B};
        l.signalBottom = B - l.timeBarHeight - 1;
    }
    return l;
}

SurfaceRect SignalRowRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int k, int n) {
    const int32_t h = (bottom - top) / std::max(n, 1);
    return {left, top + k * h, right, top + k * h + h};
}

bool ViewHasContent(const CPelmorDoc& doc, const StoredResultsView& stored) {
    return stored.count > 0 || doc.State().buffers[0].Count() >= 10;
}

void MarkWindowShown(PlotWindow& record, const SurfaceRect& rect) {
    record.left = rect.left;
    record.top = rect.top;
    record.right = rect.right;
    record.bottom = rect.bottom;
    record.shown = 1;
}

void KeepRange(PlotWindow& record, const PlotRange& range) {
    record.xmin = range.xmin;
    record.xmax = range.xmax;
    record.ymin = range.ymin;
    record.ymax = range.ymax;
}

void DrawWindowFrame(Surface& surface, SurfaceRect& rect, bool printing) {
    if (!printing) {
        surface.SunkenEdge(rect);
        rect = {rect.left + 3, rect.top + 3, rect.right - 3, rect.bottom - 3};
        return;
    }
    const SurfacePen oldPen = surface.SelectPen({PenSolid, 1, 0x000000});
    const SurfaceBrush oldBrush = surface.SelectBrush({0xFFFFFF, true});
    surface.Rectangle(rect);
    surface.SelectPen(oldPen);
    surface.SelectBrush(oldBrush);
    rect = {rect.left + 20, rect.top + 20, rect.right - 20, rect.bottom - 20};
}

void ApplyGraphSettings(CPlotGraph& graph, const DrawContext& c, bool spectrum) {
    if (!spectrum) {
        graph.gridOn = 1;
        graph.gridStyle = PenDot;
        graph.gridColor = c.view.gridColors[c.p];
        graph.extendToTicks = 0;
        graph.deviceClip = c.printing ? 0 : 1;
    }
    if (c.printing) graph.SetScale(4.0);
    graph.SetColors(c.view.penColors[c.p], c.view.backgroundColors[c.p]);
    graph.columnReduction = c.view.columnReduction;
}

void DrawScaleIcon(const DrawContext& c, const SurfaceRect& inner, int record) {
    if (c.printing) return;
    const Color color = BlackBackground(c.view) ? 0xC0C0C0 : 0x000000;
    c.surface.DrawIcon(SurfaceIcon::Scale, inner.left, inner.bottom - 20, color);
    c.out.scaleIcons[record] = {inner.left, inner.bottom - 20, inner.left + 20, inner.bottom};
}

const char* const kSimulationWatermark = "Simulation — not measured data";

void DrawCentredNote(const DrawContext& c, const SurfaceRect& rect, const std::string& text) {
    c.surface.DrawTextInBox(rect, text, TextAlign::Center, false);
}

void DrawSimulationWatermark(const DrawContext& c, const SurfaceRect& rect) {
    Surface& s = c.surface;
    // As large as a fifth of the window's height allows, narrowed to nine tenths of its width.
    int32_t height = std::max<int32_t>(rect.Height() / 5, 8);
    SurfaceFont old = s.SelectFont({height, 700, false, false});
    const int32_t width = s.TextExtent(kSimulationWatermark).cx;
    const int32_t room = rect.Width() * 9 / 10;
    if (width > room && width > 0) {
        height = std::max<int32_t>(height * room / width, 6);
        s.SelectFont({height, 700, false, false});
    }
    const bool dark = !c.printing && BlackBackground(c.view);
    const Color oldColor = s.SetTextColor(dark ? 0x505050 : 0xC8C8C8);
    DrawCentredNote(c, rect, kSimulationWatermark);
    s.SetTextColor(oldColor);
    s.SelectFont(old);
}

std::string SlotName(const CPelmorDoc& doc, int slot) {
    const int channel = doc.State().buffers[slot].ChannelNumber();
    if (channel >= 0 && channel < kMaxChannels && !doc.Setup().signalNames[channel].empty())
        return doc.Setup().signalNames[channel];
    return Format("Channel %d", channel + 1);
}

void ApplyFitRequest(CPelmorDoc& doc, ViewState& view) {
    const int request = doc.TakeFitRequest();
    if (!view.fitScalesToNewData || request == CPelmorDoc::kFitNothing) return;
    const ImpedanceCalculator& z = doc.Calculator();
    const int fc = std::clamp(z.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    if (fc > 0) {
        const auto [lo, hi] = std::minmax_element(z.frequencyHz, z.frequencyHz + fc);
        if (std::isfinite(*lo) && std::isfinite(*hi)) {
            const double pad = *hi > *lo ? (*hi - *lo) / 20 : std::max(std::fabs(*hi) / 10, 0.5);
            PlotWindow w = doc.Plots().windows[kImpedanceFrequencyWindow];
            w.xmin = std::max(*lo - pad, 0.0);
            w.xmax = *hi + pad;
            doc.SetPlotWindow(kImpedanceFrequencyWindow, w);
        }
    }
    if (request == CPelmorDoc::kFitAllWindows) {
        RequestOptimalScaling(view, kDisplaySlots);
        view.xyRescale = true;
    }
}

void ApplyTimeWindow(CPelmorDoc& doc, ViewState& view) {
    PlotWindow w0 = doc.Plots().windows[kSignalWindow0];
    double t0 = w0.xmin, t1 = w0.xmax;
    if (view.zoomPending && view.zoomReady) {
        view.zoomPending = false;
        double a = view.timeMapping.TimeOfPixel(view.selectionStartX);
        double b = view.timeMapping.TimeOfPixel(view.selectionX);
        if (a > b) std::swap(a, b);
        const double period = doc.Setup().signalPeriod;
        t0 = a;
        t1 = (b - a >= period) ? b : a + period;
    }
    view.zoomReady = false;
    const TraceBuffer& first = doc.State().buffers[0];
    const int32_t count = first.Count();
    if (count > 0 && doc.Setup().sampleRate > 0) {
        const double w = t1 - t0;
        const double K = 10.0 / doc.Setup().sampleRate;
        const double newest = first.EndTime();
        const double oldest = newest - count * first.SampleInterval();
        if (oldest + K > t1) {
            t1 = oldest + K;
            t0 = t1 - w;
        }
        if (newest - K < t0) {
            t0 = newest - K;
            t1 = t0 + w;
        }
    }
    w0.xmin = t0;
    w0.xmax = t1;
    doc.SetPlotWindow(kSignalWindow0, w0);
}

namespace {

void DrawTimeBar(const DrawContext& c, const SurfaceRect& bar, int32_t left, int32_t right) {
    Surface& s = c.surface;
    const SurfacePen oldPen = s.SelectPen({PenSolid, 1, 0x000000});
    const SurfaceBrush oldBrush = s.SelectBrush({0xFFFFFF, false});
    s.Rectangle(bar);
    s.SelectPen(oldPen);
    s.SelectBrush(oldBrush);
    SurfaceRect thumb{};
    const TraceBuffer& first = c.doc.State().buffers[0];
    const int32_t count = first.Count();
    const double newest = first.EndTime();
    const double oldest = newest - count * first.SampleInterval();
    if (count > 0 && newest > oldest) {
        const PlotWindow& w0 = c.out.windows[kSignalWindow0];
        const double t0 = std::clamp(w0.xmin, oldest, newest);
        const double t1 = std::clamp(w0.xmax, oldest, newest);
        const double width = right - left;
        const auto x0 = static_cast<int32_t>((t0 - oldest) / (newest - oldest) * width + left);
        const auto x1 = static_cast<int32_t>((t1 - oldest) / (newest - oldest) * width + left);
        thumb = {x0, bar.top, x1, bar.bottom - 1};
        s.FillSolid(thumb, 0x808080);
    }
    if (!c.printing) {
        c.out.timeBar = bar;
        c.out.timeBarThumb = thumb;
    }
}

// The stored window fills the view only while it is shown and holds a result.
bool StoredFullScreen(const ViewState& view, const StoredResultsView& stored) {
    return view.storedFullScreen && stored.count > 0 && view.showStoredImpedance;
}

// Whether the impedance window is drawn: shown, not hidden by the stored window in full screen,
// and more than ten samples in trace buffer 0.
bool ImpedanceShown(const CPelmorDoc& doc, const ViewState& view, const StoredResultsView& stored) {
    return ViewHasContent(doc, stored) && view.showImpedance && !StoredFullScreen(view, stored) &&
           doc.State().buffers[0].Count() > 10;
}

// Takes the values drawing may settle from the document and the view.
void BeginDrawnView(DrawnView& d, const CPelmorDoc& doc, const ViewState& view,
                    const StoredResultsView& stored, bool printing) {
    d.printing = printing;
    d.windows = doc.Plots().windows;
    for (PlotWindow& w : d.windows) w.shown = 0;
    d.signalRescale = view.signalRescale;
    d.spectrumRescale = view.spectrumRescale;
    d.zRescale = view.zRescale;
    d.xyRescale = view.xyRescale;
    d.storedRescale = view.storedRescale;
    d.storedFullScreen = StoredFullScreen(view, stored);
    d.drewWhileRunning = view.drewWhileRunning;
    d.zoomReady = view.zoomReady;
    d.timeMapping = view.timeMapping;
    d.lastSpectrum = view.lastSpectrum;
    d.scaleIcons = view.scaleIcons;
    d.timeBar = view.timeBar;
    d.timeBarThumb = view.timeBarThumb;
    if (!printing) {  // the mouse keeps using the screen's rectangles while a page prints
        d.scaleIcons.fill(SurfaceRect{});
        d.timeBar = d.timeBarThumb = SurfaceRect{};
    }
}

}  // namespace

void UpdateView(CPelmorDoc& doc, ViewState& view, const StoredResultsView& stored) {
    view.storedFullScreen = StoredFullScreen(view, stored);
    if (!ViewHasContent(doc, stored)) return;
    ApplyFitRequest(doc, view);
    ApplyTimeWindow(doc, view);
    if (ImpedanceShown(doc, view, stored)) doc.UpdateDisplayedAnalysis();
}

void KeepDrawnView(CPelmorDoc& doc, ViewState& view, const DrawnView& d) {
    doc.SetPlotWindows(d.windows);
    view.signalRescale = d.signalRescale;
    view.spectrumRescale = d.spectrumRescale;
    view.zRescale = d.zRescale;
    view.xyRescale = d.xyRescale;
    view.storedRescale = d.storedRescale;
    view.storedFullScreen = d.storedFullScreen;
    view.drewWhileRunning = d.drewWhileRunning;
    view.zoomReady = d.zoomReady;
    view.timeMapping = d.timeMapping;
    view.lastSpectrum = d.lastSpectrum;
    view.scaleIcons = d.scaleIcons;
    view.timeBar = d.timeBar;
    view.timeBarThumb = d.timeBarThumb;
}

void DrawAll(Surface& surface, const CPelmorDoc& doc, const ViewState& view,
             const StoredResultsView& stored, const SurfaceRect& area, bool printing,
             DrawnView& drawn) {
    BeginDrawnView(drawn, doc, view, stored, printing);
    DrawContext c{surface,
                  doc,
                  view,
                  drawn,
                  printing,
                  printing ? kPrinting : kScreen,
                  doc.State().buffers[0].EndTime()};
    const bool haveStored = stored.count > 0;
    const bool fullScreen = drawn.storedFullScreen;
    const int32_t samples = doc.State().buffers[0].Count();
    const bool storedShown = view.showStoredImpedance && haveStored;
    const bool xyShown = view.showXY && !fullScreen && samples > 10;
    const bool zShown = ImpedanceShown(doc, view, stored);
    const bool measuring = doc.MeasurementRunning();
    if (!ViewHasContent(doc, stored)) return;

    // A time window set after a selection waits for the signal rows to map the pixels again.
    drawn.zoomReady = false;
    const int channels = std::clamp(doc.Setup().channelCount, 0, kDisplaySlots);
    const ViewLayout layout =
        ComputeViewLayout(area, xyShown, zShown, storedShown, channels, fullScreen, !measuring);

    if (layout.xy) DrawXYWindow(c, layout.xyRect);
    if (layout.impedance) DrawImpedanceWindow(c, layout.impedanceRect);
    if (layout.stored) DrawStoredWindow(c, stored, layout.storedRect);
    if (fullScreen) return;

    for (int s = 0; s < channels; ++s) {
        DrawSignalRow(c, s,
                      SignalRowRect(area.left, area.top, layout.signalRight, layout.signalBottom, s,
                                    channels));
    }
    if (layout.timeBarShown) DrawTimeBar(c, layout.timeBar, area.left, layout.signalRight);
}

PrintLayout ComputePrintLayout(const SurfaceRect& printable, int32_t headerHeight) {
    PrintLayout p;
    const int32_t cx = (printable.left + printable.right) / 2;
    const int32_t cy = (printable.top + printable.bottom) / 2;
    const auto hw = static_cast<int32_t>(0.9 * printable.Width() / 2);
    const auto hh = static_cast<int32_t>(0.9 * printable.Height() / 2);
    p.reduced = {cx - hw, cy - hh, cx + hw, cy + hh};
    p.headerFontHeight = p.reduced.Width() * 12 / 500;
    const int32_t top = p.reduced.top + headerHeight;
    int32_t width = p.reduced.Width();
    auto height = static_cast<int32_t>(0.6 * width);
    const int32_t remaining = p.reduced.bottom - top;
    if (remaining < height) {
        height = remaining;
        width = static_cast<int32_t>(height / 0.6);
    }
    p.plotArea = {p.reduced.left, top, p.reduced.left + width, top + height};
    return p;
}

void PrintPage(Surface& surface, const CPelmorDoc& doc, const ViewState& view,
               const StoredResultsView& stored, const SurfaceRect& printable, DrawnView& drawn) {
    const PrintLayout first = ComputePrintLayout(printable, 0);
    const SurfaceFont old = surface.SelectFont({first.headerFontHeight, 700, true, false});
    const std::string& header = doc.PrintHeader();
    const int lines =
        header.empty() ? 0 : 1 + static_cast<int>(std::count(header.begin(), header.end(), '\n'));
    const int32_t headerHeight = lines * surface.TextExtent("Ay").cy;
    const PrintLayout layout = ComputePrintLayout(printable, headerHeight);
    if (lines > 0) {
        surface.DrawTextInBox({layout.reduced.left, layout.reduced.top, layout.reduced.right,
                               layout.reduced.top + headerHeight},
                              header, TextAlign::Left, true);
    }
    DrawAll(surface, doc, view, stored, layout.plotArea, true, drawn);
    surface.SelectFont(old);
}

}  // namespace pelmor
