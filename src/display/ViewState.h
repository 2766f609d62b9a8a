#pragma once

// The display state the view keeps (which windows are shown, colours, scaling requests, plot
// styles, the rectangles drawing leaves for the mouse), and what one repaint hands back
// (DrawnView) with its working arrays. Everything else the windows draw is read from the
// document.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/PlotWindow.h"
#include "document/CPelmorDoc.h"
#include "platform/Surface.h"

namespace pelmor {

constexpr int kDisplaySlots = 8;
constexpr int kMaxStoredResults = 32;
constexpr int kMaxSpectrumPoints = 256;

// One stored impedance result as the stored window reads it. The arrays belong to the
// collection and must stay valid while the view draws.
struct StoredResultView {
    std::string_view label;
    int32_t frequencyCount = 0;
    const double* frequencies = nullptr;
    const double* R = nullptr;
    const double* X = nullptr;
    bool marked = false;
};

// A read-only description of the stored impedance collection, filled by its owner.
struct StoredResultsView {
    int32_t count = 0;
    int32_t selected = 0;
    std::array<StoredResultView, kMaxStoredResults> results{};
};

// The x mapping of the last signal window drawn: time = (x − pixelLeft) / pixelsPerSecond +
// rangeStart.
struct TimeMapping {
    double rangeStart = 0.0;
    double pixelsPerSecond = 0.0;
    int32_t pixelLeft = 0;
    double TimeOfPixel(int32_t x) const {
        return pixelsPerSecond != 0 ? (x - pixelLeft) / pixelsPerSecond + rangeStart : rangeStart;
    }
};

// The last spectrum a spectrum window drew: frequencies and the amplitudes as displayed
// (doubled, in dB when the window shows dB). The copy text of the window is made from these.
struct SpectrumPoints {
    int32_t count = 0;
    bool decibels = false;
    std::array<double, kMaxSpectrumPoints> frequencies{};
    std::array<double, kMaxSpectrumPoints> amplitudes{};
};

// Index into a colour pair: 0 on screen, 1 when printing.
constexpr int kScreen = 0;
constexpr int kPrinting = 1;

// The view's state; one per view. storedFullScreen, drewWhileRunning and showXY come from the
// flags the document's timer tick and import read, so a ViewState can be handed to
// CPelmorDoc::OnTimerTick directly.
struct ViewState : ViewTickFlags {
    ViewState() = default;
    ViewState(const ViewState&) = delete;
    ViewState& operator=(const ViewState&) = delete;

    // --- which windows appear ---
    bool showImpedance = true;
    bool showStoredImpedance = true;
    bool showSpectrum = false;  // showXY is one of the flags above
    // "Fit Scales to New Data": the document's fit requests are carried out (otherwise the
    // ranges stay as the user set them).
    bool fitScalesToNewData = true;

    // --- colour pairs: [kScreen], [kPrinting] ---
    std::array<Color, 2> penColors{0x000000, 0x000000};
    std::array<Color, 2> backgroundColors{0xFFFFFF, 0xFFFFFF};
    std::array<Color, 2> gridColors{0x808080, 0x808080};

    // --- signal and spectrum windows, per display slot ---
    std::array<bool, kDisplaySlots> integrate{};
    std::array<bool, kDisplaySlots> signalAutoscale{};
    std::array<bool, kDisplaySlots> signalRescale{};
    std::array<bool, kDisplaySlots> dbScale{};
    std::array<bool, kDisplaySlots> spectrumAutoscale{};
    std::array<bool, kDisplaySlots> spectrumRescale{};
    // The last spectrum drawn per slot (kept until the next successful one).
    std::array<SpectrumPoints, kDisplaySlots> lastSpectrum{};
    bool slidingDisplay = false;

    // --- impedance window ---
    bool zAutoscale = false;
    bool zRescale = false;
    int32_t zAveragePlotStyle = 2;
    int32_t zInstantPlotStyle = 2;

    // --- XY window ---
    int32_t xyPeriods = 1;
    int32_t xyPlotStyle = 0;
    bool xyAutoscale = false;
    bool xyRescale = false;

    // --- stored impedance window ---
    bool storedAutoscale = false;
    bool storedRescale = false;

    // --- time selection and zoom ---
    bool zoomPending = false;
    bool zoomReady = false;
    TimeMapping timeMapping;
    int32_t selectionStartX = 0, selectionStartY = 0;
    int32_t selectionX = 0, selectionY = 0;

    // --- written by drawing, read by the mouse ---
    // The scaleIcon hit rectangle of each window record (empty when not drawn).
    std::array<SurfaceRect, kPlotWindowCount> scaleIcons{};
    SurfaceRect timeBar{};
    SurfaceRect timeBarThumb{};

    // Lines-only curves go to the surface reduced to four points per pixel column (1) or with
    // every point (0); the picture is the same.
    int32_t columnReduction = 1;
};

// What one repaint (DrawAll) hands back: the plot windows with where they were drawn and the
// ranges a one-shot rescale found, the view's values that drawing settles (the rescale requests
// carried out, the rectangles for the mouse, the time mapping, the last spectra, whether it drew
// while measuring, the full-screen flag), and the working arrays. DrawAll fills it from the
// document and the view as they are and changes only it; KeepDrawnView hands it back to them.
// Large (the arrays live on the heap): keep one and reuse it for every repaint.
struct DrawnView {
    static constexpr int32_t kTraceCapacity = 65536;
    static constexpr int32_t kTrendCapacity = ImpedanceCalculator::kTrendLength;

    DrawnView();
    DrawnView(const DrawnView&) = delete;
    DrawnView& operator=(const DrawnView&) = delete;

    bool printing = false;
    std::array<PlotWindow, kPlotWindowCount> windows{};
    std::array<bool, kDisplaySlots> signalRescale{};
    std::array<bool, kDisplaySlots> spectrumRescale{};
    bool zRescale = false, xyRescale = false, storedRescale = false;
    bool storedFullScreen = false;
    bool drewWhileRunning = false;
    bool zoomReady = false;
    TimeMapping timeMapping;
    std::array<SpectrumPoints, kDisplaySlots> lastSpectrum{};
    std::array<SurfaceRect, kPlotWindowCount> scaleIcons{};
    SurfaceRect timeBar{};
    SurfaceRect timeBarThumb{};

    // Points the XY window last drew (xyX, xyY); read by the Copy command.
    int32_t xyCount = 0;
    std::unique_ptr<double[]> xyX;  // kTraceCapacity each
    std::unique_ptr<double[]> xyY;
    // Working arrays of one repaint.
    std::unique_ptr<double[]> trace;       // one signal trace (kTraceCapacity)
    std::unique_ptr<double[]> integral;    // its running integral (kTraceCapacity)
    std::unique_ptr<double[]> trendTimes;  // a live trend unrolled (kTrendCapacity each)
    std::unique_ptr<double[]> trendRs;
    std::unique_ptr<double[]> trendXs;
};

// Curve flags of a plot style code: 0 lines only, 1 symbols only, 2 lines and symbols (any
// other code draws lines).
uint32_t PlotStyleFlags(int32_t style);

// "Black background": white ↔ black on screen, with matching pen and grid colours. The printing
// colours stay.
void ToggleBlackBackground(ViewState& view);
inline bool BlackBackground(const ViewState& view) {
    return view.backgroundColors[kScreen] == 0x000000;
}

}  // namespace pelmor
