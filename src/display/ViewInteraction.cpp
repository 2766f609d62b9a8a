#include "display/ViewInteraction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pelmor {

namespace {

constexpr int kZoneWidth = 40;

bool Contains(const PlotWindow& w, int32_t x, int32_t y) {
    return w.shown && x >= w.left && x < w.right && y >= w.top && y < w.bottom;
}

// A scale icon's hit rectangle includes its right and bottom edges.
bool OnIcon(const SurfaceRect& r, int32_t x, int32_t y) {
    return !r.IsEmpty() && x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

bool IsSignal(int record) { return record >= kSignalWindow0 && record < kSignalWindow0 + 8; }
bool IsSpectrum(int record) { return record >= kSpectrumWindow0 && record < kSpectrumWindow0 + 8; }

void ScaleAbout(double& lo, double& hi, double factor) {
    const double centre = (lo + hi) / 2;
    const double half = (hi - lo) / 2 * factor;
    lo = centre - half;
    hi = centre + half;
}

// Whole time steps of a length, rounded to the nearest (a step of 0 leaves it as it is).
double WholeSteps(double length, double step) {
    return step > 0 ? step * std::floor(length / step + 0.5) : length;
}

void CopyTimeWindow(PlotSetup& setup, const PlotWindow& from) {
    for (int s = 0; s < 8; ++s) {
        setup.windows[kSignalWindow0 + s].xmin = from.xmin;
        setup.windows[kSignalWindow0 + s].xmax = from.xmax;
    }
}

}  // namespace

int ZoomWindowAt(const PlotSetup& setup, int32_t x, int32_t y) {
    static constexpr int kOrder[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,
                                     10, 11, 12, 13, 14, 15, 19, 16, 18, 17};
    for (int record : kOrder)
        if (Contains(setup.windows[record], x, y)) return record;
    return -1;
}

void SetFactoryRange(PlotSetup& setup, int record) {
    if (record < 0 || record >= kPlotWindowCount) return;
    PlotSetup factory;
    SetFactoryRanges(factory);
    PlotWindow& w = setup.windows[record];
    const PlotWindow& f = factory.windows[record];
    w.xmin = f.xmin;
    w.xmax = f.xmax;
    w.ymin = f.ymin;
    w.ymax = f.ymax;
}

bool ZoomOrPan(PlotSetup& setup, int32_t x, int32_t y, int delta, uint32_t modifiers) {
    const int record = ZoomWindowAt(setup, x, y);
    if (record < 0) return false;
    PlotWindow& w = setup.windows[record];
    const bool ctrl = (modifiers & kModCtrl) != 0;
    const bool click = delta == 0;

    const int32_t cy = (w.top + w.bottom) / 2;
    const int32_t d = static_cast<int32_t>(0.75 * (w.bottom - w.top)) / 2;
    const int32_t cx = (w.left + w.right) / 2;
    const int32_t c = static_cast<int32_t>(0.75 * (w.right - w.left));
    const bool inYZone = x >= w.left && x <= w.left + kZoneWidth && y >= cy - d && y <= cy + d;
    const bool inXZone =
        y >= w.bottom - kZoneWidth && y <= w.bottom && x >= cx - c / 2 && x <= cx + c / 2;

    if (inYZone) {
        const bool down = delta > 0 || (click && y > cy);
        if (ctrl) {
            const double factor = click ? (y > cy ? 1.2 : 0.8) : (delta > 0 ? 0.8 : 1.2);
            ScaleAbout(w.ymin, w.ymax, factor);
        } else {
            const double shift = (w.ymax - w.ymin) / 8 * (down ? -1 : 1);
            w.ymin += shift;
            w.ymax += shift;
        }
    } else if (inXZone) {
        const bool earlier = delta > 0 || (click && x < cx);
        // Zooming out: a click in the left half or the wheel rolled back.
        const bool widen = click ? x < cx : delta < 0;
        const double span = w.xmax - w.xmin;
        if (IsSignal(record)) {
            const double step = setup.timeStep;
            if (ctrl) {
                double m = widen ? span * 2 : span * 0.5;
                m = std::max(m, step);
                if (m > 30) m = 32;
                const double centre = (w.xmin + w.xmax) / 2;
                const double newSpan = WholeSteps(m, step);
                w.xmin = centre - newSpan / 2;
                w.xmax = centre + newSpan / 2;
            } else {
                const double shift = std::max(WholeSteps(span / 8, step), step);
                w.xmin += earlier ? -shift : shift;
                w.xmax += earlier ? -shift : shift;
            }
            CopyTimeWindow(setup, w);
        } else if (ctrl) {
            ScaleAbout(w.xmin, w.xmax, widen ? 1.2 : 0.8);
        } else {
            const double shift = span / 8 * (earlier ? -1 : 1);
            w.xmin += shift;
            w.xmax += shift;
        }
    }
    if (modifiers & kModShift) SetFactoryRange(setup, record);
    return true;
}

PressResult LeftButtonDown(PlotSetup& setup, ViewState& view, bool measuring, int32_t x, int32_t y,
                           uint32_t modifiers) {
    PressResult r;
    const auto& icons = view.scaleIcons;
    if (modifiers & kModShift) {
        bool onIcon = OnIcon(icons[kImpedanceFrequencyWindow], x, y) ||
                      OnIcon(icons[kImpedanceTimeWindow], x, y) || OnIcon(icons[kXYWindow], x, y);
        for (int i = 0; i < 16 && !onIcon; ++i) onIcon = OnIcon(icons[i], x, y);
        auto anyShown = [&](int first) {
            for (int i = first; i < first + 8; ++i)
                if (Contains(setup.windows[i], x, y)) return true;
            return false;
        };
        if (onIcon)
            r.helpFragment = "#keys";
        else if (Contains(setup.windows[kImpedanceFrequencyWindow], x, y))
            r.helpFragment = "#impedance";
        else if (Contains(setup.windows[kXYWindow], x, y))
            r.helpFragment = "#xy";
        else if (anyShown(kSignalWindow0))
            r.helpFragment = "#signal";
        else if (anyShown(kSpectrumWindow0))
            r.helpFragment = "#spectrum";
        if (!r.helpFragment.empty()) {
            r.effect = PressEffect::OpenHelp;
            return r;
        }
    }

    for (int record = 0; record < kPlotWindowCount; ++record) {
        if (!OnIcon(icons[record], x, y)) continue;
        if (record == kImpedanceFrequencyWindow || record == kImpedanceTimeWindow)
            view.zRescale = true;
        else if (record == kStoredImpedanceWindow)
            view.storedRescale = true;
        else if (record == kXYWindow)
            view.xyRescale = true;
        else if (IsSignal(record))
            view.signalRescale[record - kSignalWindow0] = true;
        else if (IsSpectrum(record))
            view.spectrumRescale[record - kSpectrumWindow0] = true;
        r.effect = PressEffect::Repaint;
        return r;
    }

    const SurfaceRect& thumb = view.timeBarThumb;
    if (!thumb.IsEmpty() && y > thumb.top && y < thumb.bottom) {
        r.effect = PressEffect::Repaint;
        return r;
    }

    const PlotWindow& w0 = setup.windows[kSignalWindow0];
    if (measuring || !view.zoomReady || x <= w0.left + kZoneWidth || x >= w0.right) {
        r.effect = ZoomOrPan(setup, x, y, 0, modifiers) ? PressEffect::Zoomed : PressEffect::None;
        return r;
    }
    view.selectionStartX = view.selectionX = x;
    view.selectionStartY = view.selectionY = y;
    r.effect = PressEffect::StartSelection;
    return r;
}

bool MoveSelection(const PlotSetup& setup, ViewState& view, int32_t x, int32_t y) {
    const PlotWindow& w0 = setup.windows[kSignalWindow0];
    if (x <= w0.left || x >= w0.right) return false;
    view.selectionX = x;
    view.selectionY = y;
    return true;
}

bool EndSelection(ViewState& view, int32_t x, int32_t y) {
    view.selectionX = x;
    view.selectionY = y;
    if (std::abs(view.selectionStartX - x) <= 1) return false;
    view.zoomPending = true;
    return true;
}

void ShowWholeBuffers(PlotSetup& setup, const MeasurementState& state) {
    for (int s = 0; s < 8; ++s) {
        const TraceBuffer& b = state.buffers[s];
        const int32_t count = b.Count();
        if (count <= 0) continue;  // an empty buffer would give an empty range
        PlotWindow& w = setup.windows[kSignalWindow0 + s];
        w.xmax = b.EndTime();
        w.xmin = w.xmax - count * b.SampleInterval();
    }
}

ContextHit ContextWindowAt(const PlotSetup& setup, int32_t x, int32_t y) {
    for (int s = 0; s < 8; ++s)
        if (Contains(setup.windows[kSignalWindow0 + s], x, y)) return {ContextWindow::Signal, s};
    if (Contains(setup.windows[kXYWindow], x, y)) return {ContextWindow::XY, -1};
    if (Contains(setup.windows[kImpedanceFrequencyWindow], x, y))
        return {ContextWindow::Impedance, -1};
    if (Contains(setup.windows[kStoredImpedanceWindow], x, y)) return {ContextWindow::Stored, -1};
    if (Contains(setup.windows[kImpedanceTimeWindow], x, y)) return {ContextWindow::Impedance, -1};
    for (int s = 0; s < 8; ++s)
        if (Contains(setup.windows[kSpectrumWindow0 + s], x, y))
            return {ContextWindow::Spectrum, s};
    return {};
}

void DefaultSignalScaling(PlotSetup& setup, int slot) {
    if (slot < 0 || slot >= 8) return;
    PlotWindow& w = setup.windows[kSignalWindow0 + slot];
    w.xmin = 0;
    w.xmax = 8;
    w.ymin = -5;
    w.ymax = 5;
}

void DefaultImpedanceScaling(PlotSetup& setup, bool tracking) {
    PlotWindow& w = setup.windows[tracking ? kImpedanceTimeWindow : kImpedanceFrequencyWindow];
    if (tracking) {
        w.xmin = 0;
        w.xmax = 5;
        w.ymin = -0.2;
        w.ymax = 1.2;
    } else {
        w.xmin = 0;
        w.xmax = 50;
        w.ymin = -10;
        w.ymax = 10;
    }
}

bool StepTimeWindow(PlotSetup& setup, bool later, bool zoom) {
    const PlotWindow& w0 = setup.windows[kSignalWindow0];
    const int32_t cx = (w0.left + w0.right) / 2;
    return ZoomOrPan(setup, later ? cx + 20 : cx - 20, w0.bottom - 10, 0,
                     zoom ? kModCtrl : kModNone);
}

void TimeWindowToStart(PlotSetup& setup) {
    for (int s = 0; s < 8; ++s) {
        PlotWindow& w = setup.windows[kSignalWindow0 + s];
        w.xmax -= w.xmin;
        w.xmin = 0;
    }
}

void TimeWindowToEnd(PlotSetup& setup, double endTime) {
    for (int s = 0; s < 8; ++s) {
        PlotWindow& w = setup.windows[kSignalWindow0 + s];
        w.xmin = endTime - (w.xmax - w.xmin);
        w.xmax = endTime;
    }
}

void RequestOptimalScaling(ViewState& view, int displayedSlots) {
    view.zRescale = true;
    view.storedRescale = true;
    for (int s = 0; s < std::clamp(displayedSlots, 0, kDisplaySlots); ++s) {
        view.signalRescale[s] = true;
        view.spectrumRescale[s] = true;
    }
}

void ToggleAutoscaleAll(ViewState& view, bool& autoscaleAll, int displayedSlots) {
    autoscaleAll = !autoscaleAll;
    view.xyAutoscale = autoscaleAll;
    view.zAutoscale = autoscaleAll;
    for (int s = 0; s < std::clamp(displayedSlots, 0, kDisplaySlots); ++s)
        view.signalAutoscale[s] = autoscaleAll;
}

StoredResultsView MakeStoredResultsView(const StoredImpedance& stored) {
    StoredResultsView v;
    v.count = std::clamp(stored.count, 0, kMaxStoredResults);
    v.selected = stored.selected;
    for (int i = 0; i < v.count; ++i) {
        const StoredResult& r = stored.results[i];
        StoredResultView& out = v.results[i];
        out.label = r.spectrum.label;
        out.frequencyCount =
            std::clamp(static_cast<int32_t>(r.spectrum.Points()), 0, StoredResult::kMaxFrequencies);
        out.frequencies = r.spectrum.frequencies.data();
        out.R = r.spectrum.R.data();
        out.X = r.spectrum.X.data();
        out.marked = r.marked;
    }
    return v;
}

}  // namespace pelmor
