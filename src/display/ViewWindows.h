#pragma once

// The window kinds DrawAll draws, and what they share. Used by the display folder only.

#include <cstdint>

#include "display/CPlotGraph.h"
#include "display/DrawAll.h"
#include "display/ViewState.h"
#include "document/CPelmorDoc.h"
#include "platform/Surface.h"

namespace pelmor {

// What every window of one repaint needs.
struct DrawContext {
    Surface& surface;
    const CPelmorDoc& doc;
    const ViewState& view;
    // Everything drawing settles goes here; the document and the view stay as they are.
    DrawnView& out;
    bool printing;
    int p;  // colour pair index: kScreen or kPrinting
    // End time of trace buffer 0 when the repaint began: every row pages by the same end even
    // while samples keep arriving.
    double firstEnd;
};

// The settings every graph gets: grid, clipping and colours (spectrum windows keep the graph's
// own defaults for grid, ticks and clipping), and the printing scale.
void ApplyGraphSettings(CPlotGraph& graph, const DrawContext& c, bool spectrum);

// The scaleIcon at the bottom-left of a window's inner rectangle (screen only); its hit
// rectangle goes to out.scaleIcons[record].
void DrawScaleIcon(const DrawContext& c, const SurfaceRect& inner, int record);

// The range a one-shot rescale found, kept in the window's record (the repaint's copy).
void KeepRange(PlotWindow& record, const PlotRange& range);

// Writes text across the middle of rect in the current font and colour, one line.
void DrawCentredNote(const DrawContext& c, const SurfaceRect& rect, const std::string& text);

// The large light "Simulation — not measured data" across a window that shows simulated data.
void DrawSimulationWatermark(const DrawContext& c, const SurfaceRect& rect);
extern const char* const kSimulationWatermark;

// The y title of a slot: its signal name, or "Channel %d" when the name is empty.
std::string SlotName(const CPelmorDoc& doc, int slot);

// The impedance window's note for a span that holds no complete period (the one for values that
// are not finite is in DrawAll.h, where the command line reads it too).
extern const char* const kNoCompletePeriod;

void DrawXYWindow(const DrawContext& c, const SurfaceRect& band);
void DrawImpedanceWindow(const DrawContext& c, const SurfaceRect& band);
void DrawStoredWindow(const DrawContext& c, const StoredResultsView& stored, SurfaceRect rect);
void DrawSignalRow(const DrawContext& c, int slot, const SurfaceRect& row);

// The amplitude spectrum of one excitation period of a slot starting at start. count is 6 on
// entry; on success it holds the points written to frequencies and amplitudes (at most 256).
// 0 on success, 1 on failure.
int SignalSpectrum(const CPelmorDoc& doc, int slot, double start, int32_t& count,
                   double* frequencies, double* amplitudes);

// Width of the spectrum window in a signal row: min(11 × height / 10, trunc(0.35 × width)).
int32_t SpectrumWidth(const SurfaceRect& row);

}  // namespace pelmor
