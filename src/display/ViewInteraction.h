#pragma once

// What the mouse and the view keys do to the windows: the zoom and pan zones, the scale icons,
// the help fragments, the window under a context-menu click, the time keys and the scaling
// requests. Pure arithmetic over the window records and the view state; the widget only
// translates its events into these calls.

#include <cstdint>
#include <string>

#include "core/MeasurementState.h"
#include "core/PlotWindow.h"
#include "display/ViewState.h"
#include "export/StoredImpedance.h"

namespace pelmor {

// Modifier flags of a click, a wheel turn or a key.
enum ViewModifiers : uint32_t { kModNone = 0, kModShift = 1, kModCtrl = 2 };

// The record of the first shown window containing (x, y) in the order the zoom tries them:
// signal 0-7, spectrum 8-15, XY, impedance by frequency, stored, impedance by time. -1 none.
int ZoomWindowAt(const PlotSetup& setup, int32_t x, int32_t y);

// Zooms or pans the window under (x, y): delta is the wheel's (0 for a click). The y zone is
// the 40-unit strip at the window's left over the middle three quarters of its height, the x
// zone the 40-unit strip at its bottom over the middle three quarters of its width. Signal
// windows move and zoom in whole time steps and share one x range. With Shift the window's
// record afterwards gets its factory ranges. True when a window handled the point.
bool ZoomOrPan(PlotSetup& setup, int32_t x, int32_t y, int delta, uint32_t modifiers);

// The factory ranges of one record.
void SetFactoryRange(PlotSetup& setup, int record);

// --- mouse ---

// What a left-button press does.
enum class PressEffect {
    None,            // nothing (no repaint)
    OpenHelp,        // open the help page at helpFragment
    Repaint,         // a scale icon set a rescale request, or the time bar was hit
    Zoomed,          // ZoomOrPan handled the point
    StartSelection,  // a time selection begins at the point
};
struct PressResult {
    PressEffect effect = PressEffect::None;
    std::string helpFragment;  // "#keys", "#impedance", "#xy", "#signal", "#spectrum"
};

// Left button down at (x, y): help fragments with Shift, the scale icons, the time bar, then
// ZoomOrPan while a measurement runs or no time mapping is ready or the point lies in the left
// 40 units of the signal windows or right of them; otherwise a time selection starts (its
// start and current positions are set in view).
PressResult LeftButtonDown(PlotSetup& setup, ViewState& view, bool measuring, int32_t x, int32_t y,
                           uint32_t modifiers);

// Mouse move while selecting: the current position follows only strictly inside signal record
// 0's x extent. True when it moved.
bool MoveSelection(const PlotSetup& setup, ViewState& view, int32_t x, int32_t y);

// Left button up while selecting: a drag of more than one unit requests the new time window
// (zoomPending). True when it did.
bool EndSelection(ViewState& view, int32_t x, int32_t y);

// Double click: every signal record's x range becomes its slot's whole buffered data.
void ShowWholeBuffers(PlotSetup& setup, const MeasurementState& state);

// The window kinds that have a context menu.
enum class ContextWindow { None, Signal, XY, Impedance, Stored, Spectrum };
struct ContextHit {
    ContextWindow window = ContextWindow::None;
    int index = -1;  // the signal or spectrum slot
};
ContextHit ContextWindowAt(const PlotSetup& setup, int32_t x, int32_t y);

// --- context-menu scaling ---

// "Default scaling" of a signal window: 0 ... 8 and -5 ... 5.
void DefaultSignalScaling(PlotSetup& setup, int slot);
// "Default scaling" of the impedance window: the frequency axis record 16 (0 ... 50,
// -10 ... 10), or in tracking mode the time axis record 17 (0 ... 5, -0.2 ... 1.2).
void DefaultImpedanceScaling(PlotSetup& setup, bool tracking);

// --- keys ---

// Left / Right (later), with zoom for Ctrl: ZoomOrPan at the bottom of signal record 0, 20
// units left or right of its centre.
bool StepTimeWindow(PlotSetup& setup, bool later, bool zoom);
// Home: every signal record starts at 0, keeping its span.
void TimeWindowToStart(PlotSetup& setup);
// End: every signal record ends at endTime, keeping its span.
void TimeWindowToEnd(PlotSetup& setup, double endTime);
// Tab: optimal scaling once for the impedance, stored, and every displayed slot's signal and
// spectrum windows (not the XY window).
void RequestOptimalScaling(ViewState& view, int displayedSlots);
// A: inverts autoscaleAll; the XY, impedance and displayed signal windows take its new value.
void ToggleAutoscaleAll(ViewState& view, bool& autoscaleAll, int displayedSlots);

// --- stored results ---

// The read-only description of the collection the stored window draws.
StoredResultsView MakeStoredResultsView(const StoredImpedance& stored);

}  // namespace pelmor
