#pragma once

// The whole view drawn into one rectangle of a surface: the layout of the signal rows and the
// side column, the time bar, the printed page, and the frame every window shares.

#include <cstdint>

#include "display/ViewState.h"
#include "document/CPelmorDoc.h"
#include "platform/Surface.h"

namespace pelmor {

// Where the windows of one repaint go.
struct ViewLayout {
    bool xy = false, impedance = false, stored = false;
    bool timeBarShown = false;
    int32_t timeBarHeight = 10;
    SurfaceRect xyRect{}, impedanceRect{}, storedRect{};
    // The signal area: area.left … signalRight, area.top … signalBottom.
    int32_t signalRight = 0;
    int32_t signalBottom = 0;
    SurfaceRect timeBar{};
};

// Time bar height of a client area: max(height / 80, 10).
int32_t TimeBarHeight(const SurfaceRect& area);

// The layout for the side windows chosen (xy, impedance, stored), the number of displayed
// channels and the full-screen and time-bar states.
ViewLayout ComputeViewLayout(const SurfaceRect& area, bool xy, bool impedance, bool stored,
                             int channelCount, bool storedFullScreen, bool timeBarShown);

// Row k of n in a signal area from top to bottom.
SurfaceRect SignalRowRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int k, int n);

// Brings the document and the view up to date after what they show changed (data, a selection,
// zoom or pan, the time keys, options, an import, the end of a measurement, a setup file, a
// timer tick that redraws): carries out the fit request, sets the time window after a completed
// selection and, when the impedance window will be drawn, runs the document's analysis of what
// it shows (CPelmorDoc::UpdateDisplayedAnalysis). Drawing itself computes nothing.
void UpdateView(CPelmorDoc& doc, ViewState& view, const StoredResultsView& stored);

// Draws every window from the document and the view as they are; what drawing settles (where
// the windows went, ranges found by a one-shot rescale, the rectangles for the mouse, …) goes to
// drawn only. printing selects the second colour of each pair, the printed frame and scale, and
// leaves out the screen-only glyphs.
void DrawAll(Surface& surface, const CPelmorDoc& doc, const ViewState& view,
             const StoredResultsView& stored, const SurfaceRect& area, bool printing,
             DrawnView& drawn);

// Hands what a repaint settled back to the document (the plot windows) and the view.
void KeepDrawnView(CPelmorDoc& doc, ViewState& view, const DrawnView& drawn);

// The printed page's rectangles: the central 90 % of the printable area, the header font
// height and the plot area below a header of headerHeight units.
struct PrintLayout {
    SurfaceRect reduced{};
    int32_t headerFontHeight = 0;
    SurfaceRect plotArea{};
};
PrintLayout ComputePrintLayout(const SurfaceRect& printable, int32_t headerHeight);

// One printed page: the document's print header, then the view below it (DrawAll).
void PrintPage(Surface& surface, const CPelmorDoc& doc, const ViewState& view,
               const StoredResultsView& stored, const SurfaceRect& printable, DrawnView& drawn);

// The frame around a window: a sunken edge on screen (the rectangle shrinks by 3 on each side),
// a 1-unit black frame when printing (it shrinks by 20).
void DrawWindowFrame(Surface& surface, SurfaceRect& rect, bool printing);
// Whether DrawAll has anything to draw: a stored result or at least ten samples in trace buffer 0.
bool ViewHasContent(const CPelmorDoc& doc, const StoredResultsView& stored);
// Records where a window is drawn in its plot record (the mouse reads it back from the
// document's copy after KeepDrawnView) and marks it shown.
void MarkWindowShown(PlotWindow& record, const SurfaceRect& rect);

// Carries out and clears the document's fit request: every window with a scale icon fits its
// ranges to its data once, and the impedance window's frequency axis covers the active
// frequencies. Without "Fit Scales to New Data" the request is dropped. Part of UpdateView.
void ApplyFitRequest(CPelmorDoc& doc, ViewState& view);

// The time window (record 0's x range) after a completed mouse selection, kept overlapping the
// data of trace buffer 0 by ten samples. Part of UpdateView.
void ApplyTimeWindow(CPelmorDoc& doc, ViewState& view);

// The note of an impedance whose values at some frequencies are not finite, and those frequencies
// ("%lg" joined by commas; "" when all are finite). The impedance window and the command line's
// impedance command say it alike.
extern const char* const kInvalidImpedance;
std::string InvalidImpedanceFrequencies(const double* frequencies, const double* R, const double* X,
                                        int count);

}  // namespace pelmor
