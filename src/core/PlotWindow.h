#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmor {

// One display window's record: where it was last drawn and its value range.
struct PlotWindow {
    uint8_t shown = 0;
    uint8_t reserved1[3] = {};
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    uint8_t reserved2[4] = {};
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};
static_assert(sizeof(PlotWindow) == 56);
static_assert(offsetof(PlotWindow, shown) == 0);
static_assert(offsetof(PlotWindow, left) == 4);
static_assert(offsetof(PlotWindow, top) == 8);
static_assert(offsetof(PlotWindow, right) == 12);
static_assert(offsetof(PlotWindow, bottom) == 16);
static_assert(offsetof(PlotWindow, xmin) == 24);
static_assert(offsetof(PlotWindow, xmax) == 32);
static_assert(offsetof(PlotWindow, ymin) == 40);
static_assert(offsetof(PlotWindow, ymax) == 48);

// Record indices of plotWindows.
enum PlotWindowIndex : int {
    kSignalWindow0 = 0,    // 0 ... 7: signal window of display slot 0 ... 7
    kSpectrumWindow0 = 8,  // 8 ... 15: spectrum window of display slot 0 ... 7
    kImpedanceFrequencyWindow = 16,
    kImpedanceTimeWindow = 17,
    kStoredImpedanceWindow = 18,
    kXYWindow = 19,
    kPlotWindowCount = 20,
};

// The plot setup: the 20 window records followed by timeStep, kept as one 1,128-byte block.
struct PlotSetup {
    std::array<PlotWindow, kPlotWindowCount> windows{};
    double timeStep = 0.0;
};
static_assert(sizeof(PlotSetup) == 1128);
static_assert(offsetof(PlotSetup, timeStep) == 1120);

constexpr std::size_t kPlotSetupBytes = 1128;

// Sets every window's factory range (timeStep is left alone).
void SetFactoryRanges(PlotSetup& setup);
std::vector<uint8_t> PlotSetupBytes(const PlotSetup& setup);
// False (and setup unchanged) unless bytes holds exactly 1,128 bytes.
bool PlotSetupFromBytes(const std::vector<uint8_t>& bytes, PlotSetup& setup);

}  // namespace pelmor
