#include <gtest/gtest.h>

#include "core/MeasurementState.h"
#include "display/ViewInteraction.h"

namespace pelmor {
namespace {

// A signal window 0 at (100, 0)-(900, 200), the XY window at (1000, 0)-(1400, 400) and the
// stored window below it, as the last repaint left them.
PlotSetup Drawn(double timeStep = 1.0) {
    PlotSetup s;
    SetFactoryRanges(s);
    s.timeStep = timeStep;
    auto place = [&](int record, int l, int t, int r, int b) {
        PlotWindow& w = s.windows[record];
        w.shown = 1;
        w.left = l;
        w.top = t;
        w.right = r;
        w.bottom = b;
    };
    place(kSignalWindow0, 100, 0, 900, 200);
    place(kXYWindow, 1000, 0, 1400, 400);
    place(kStoredImpedanceWindow, 1000, 400, 1400, 800);
    return s;
}

TEST(ViewInteraction, TimeKeysStepAndZoomInWholeTimeSteps) {
    struct Case {
        double span, step;
        bool later, zoom;
        double xmin, xmax;
    };
    // clang-format off
    const Case cases[] = {
        // span step  later  zoom   xmin  xmax
        {  8,  1,    false, false, -1,    7},     // an eighth of 8 s is one step
        {  3,  1,    true,  false,  1,    4},     // 0.375 s rounds to 0, raised to one step
        {  1,  1,    true,  true,   0,    1},     // halving never goes below one step
        { 20,  1,    false, true,  -6,   26},     // doubling beyond 30 s gives 32 s
        {  4,  0.5,  false, true,  -2,    6},     // doubled, centred
        {  4,  0.3,  true,  true,   0.95, 3.05},  // halved to 2 s: 7 whole steps of 0.3 s, centred
    };
    // clang-format on
    for (const Case& c : cases) {
        PlotSetup s = Drawn(c.step);
        s.windows[0].xmin = 0;
        s.windows[0].xmax = c.span;
        ASSERT_TRUE(StepTimeWindow(s, c.later, c.zoom));
        EXPECT_NEAR(s.windows[0].xmin, c.xmin, 1e-9) << c.span << " " << c.step;
        EXPECT_NEAR(s.windows[0].xmax, c.xmax, 1e-9) << c.span << " " << c.step;
        // Every signal record follows record 0.
        EXPECT_EQ(s.windows[7].xmin, s.windows[0].xmin);
        EXPECT_EQ(s.windows[7].xmax, s.windows[0].xmax);
    }
}

TEST(ViewInteraction, ZonesOfOtherWindowsScaleAndShiftAndShiftRestoresFactory) {
    PlotSetup s = Drawn();
    PlotWindow& xy = s.windows[kXYWindow];
    // y zone, Ctrl+click in the lower half: the y span grows by 1.2 about its centre.
    ASSERT_TRUE(ZoomOrPan(s, 1010, 300, 0, kModCtrl));
    EXPECT_DOUBLE_EQ(xy.ymin, -6);
    EXPECT_DOUBLE_EQ(xy.ymax, 6);
    // y zone, wheel forward without Ctrl: one eighth downward.
    ASSERT_TRUE(ZoomOrPan(s, 1010, 100, 120, kModNone));
    EXPECT_DOUBLE_EQ(xy.ymin, -7.5);
    // x zone, Ctrl+wheel forward: 0.8 of the span.
    ASSERT_TRUE(ZoomOrPan(s, 1200, 390, 120, kModCtrl));
    EXPECT_DOUBLE_EQ(xy.xmin, -4);
    EXPECT_DOUBLE_EQ(xy.xmax, 4);
    // x zone click in the right half: one eighth later.
    ASSERT_TRUE(ZoomOrPan(s, 1250, 390, 0, kModNone));
    EXPECT_DOUBLE_EQ(xy.xmin, -3);
    // Inside but in no zone: handled, unchanged. Shift+wheel restores the factory ranges.
    ASSERT_TRUE(ZoomOrPan(s, 1200, 200, 0, kModNone));
    EXPECT_DOUBLE_EQ(xy.xmin, -3);
    ASSERT_TRUE(ZoomOrPan(s, 1200, 200, -120, kModShift));
    EXPECT_DOUBLE_EQ(xy.xmin, -5);
    EXPECT_DOUBLE_EQ(xy.ymax, 5);
    // Outside every window, or over a window not shown: not handled.
    EXPECT_FALSE(ZoomOrPan(s, 950, 100, 0, kModNone));
    s.windows[kXYWindow].shown = 0;
    EXPECT_FALSE(ZoomOrPan(s, 1200, 200, 0, kModNone));
}

TEST(ViewInteraction, PressChoosesHelpIconZoomOrSelection) {
    PlotSetup s = Drawn();
    ViewState v;
    v.zoomReady = true;
    v.scaleIcons[kXYWindow] = {1003, 377, 1023, 397};
    // Shift on a scale icon: the key help; Shift on the XY window elsewhere: its own page.
    EXPECT_EQ(LeftButtonDown(s, v, false, 1010, 390, kModShift).helpFragment, "#keys");
    EXPECT_EQ(LeftButtonDown(s, v, false, 1200, 200, kModShift).helpFragment, "#xy");
    EXPECT_EQ(LeftButtonDown(s, v, false, 500, 100, kModShift).helpFragment, "#signal");
    // Shift over the stored window has no page: the click zooms and restores its ranges.
    s.windows[kStoredImpedanceWindow].xmin = 7;
    EXPECT_EQ(LeftButtonDown(s, v, false, 1200, 600, kModShift).effect, PressEffect::Zoomed);
    EXPECT_EQ(s.windows[kStoredImpedanceWindow].xmin, 0);
    // The icon requests optimal scaling.
    EXPECT_EQ(LeftButtonDown(s, v, false, 1010, 390, kModNone).effect, PressEffect::Repaint);
    EXPECT_TRUE(v.xyRescale);
    // Ctrl+click at the bottom of a signal window: a selection while idle, a zoom while measuring.
    EXPECT_EQ(LeftButtonDown(s, v, false, 300, 190, kModCtrl).effect, PressEffect::StartSelection);
    EXPECT_EQ(s.windows[0].xmax, 8);
    EXPECT_EQ(LeftButtonDown(s, v, true, 300, 190, kModCtrl).effect, PressEffect::Zoomed);
    EXPECT_EQ(s.windows[0].xmax - s.windows[0].xmin, 16);
    // Within 40 units of the left edge: the y zone, never a selection.
    EXPECT_EQ(LeftButtonDown(s, v, false, 140, 100, kModNone).effect, PressEffect::Zoomed);
}

TEST(ViewInteraction, DragOfMoreThanOneUnitRequestsTheTimeWindow) {
    PlotSetup s = Drawn();
    ViewState v;
    v.zoomReady = true;
    ASSERT_EQ(LeftButtonDown(s, v, false, 300, 100, kModNone).effect, PressEffect::StartSelection);
    EXPECT_FALSE(MoveSelection(s, v, 950, 100));  // right of the signal windows: ignored
    EXPECT_EQ(v.selectionX, 300);
    EXPECT_TRUE(MoveSelection(s, v, 301, 100));
    EXPECT_FALSE(EndSelection(v, 301, 100));
    EXPECT_FALSE(v.zoomPending);
    EXPECT_TRUE(EndSelection(v, 302, 100));
    EXPECT_TRUE(v.zoomPending);
}

TEST(ViewInteraction, ContextMenusFollowTheWindowUnderThePoint) {
    PlotSetup s = Drawn();
    s.windows[kSpectrumWindow0 + 2] = s.windows[kXYWindow];  // a spectrum under the XY window
    s.windows[kSignalWindow0 + 3] = s.windows[kSignalWindow0];
    s.windows[kSignalWindow0 + 3].top = 200;
    s.windows[kSignalWindow0 + 3].bottom = 400;
    EXPECT_EQ(ContextWindowAt(s, 500, 300).window, ContextWindow::Signal);
    EXPECT_EQ(ContextWindowAt(s, 500, 300).index, 3);
    EXPECT_EQ(ContextWindowAt(s, 1200, 100).window, ContextWindow::XY);
    EXPECT_EQ(ContextWindowAt(s, 1200, 500).window, ContextWindow::Stored);
    EXPECT_EQ(ContextWindowAt(s, 950, 100).window, ContextWindow::None);
    s.windows[kXYWindow].shown = 0;
    EXPECT_EQ(ContextWindowAt(s, 1200, 100).window, ContextWindow::Spectrum);
    EXPECT_EQ(ContextWindowAt(s, 1200, 100).index, 2);
}

TEST(ViewInteraction, KeysOnRangesRequestsAndFrequencies) {
    PlotSetup s = Drawn();
    s.windows[0].xmin = 3;
    s.windows[0].xmax = 5;
    TimeWindowToStart(s);
    EXPECT_EQ(s.windows[0].xmin, 0);
    EXPECT_EQ(s.windows[0].xmax, 2);
    TimeWindowToEnd(s, 10.5);
    EXPECT_EQ(s.windows[0].xmin, 8.5);
    EXPECT_EQ(s.windows[5].xmax, 10.5);

    MeasurementState state;
    state.buffers[0].SetSampleInterval(0.01);
    for (int i = 0; i < 250; ++i) state.buffers[0].Append(0.0);
    ShowWholeBuffers(s, state);
    EXPECT_NEAR(s.windows[0].xmin, state.buffers[0].EndTime() - 2.5, 1e-9);
    EXPECT_EQ(s.windows[1].xmin, 2.5);  // an empty buffer keeps its range (8 s ending at 10.5)

    ViewState v;
    bool all = false;
    RequestOptimalScaling(v, 2);
    EXPECT_TRUE(v.zRescale && v.storedRescale && v.signalRescale[1] && v.spectrumRescale[1]);
    EXPECT_FALSE(v.signalRescale[2] || v.xyRescale);
    ToggleAutoscaleAll(v, all, 2);
    EXPECT_TRUE(all && v.xyAutoscale && v.zAutoscale && v.signalAutoscale[1]);
    EXPECT_FALSE(v.signalAutoscale[2]);
}

}  // namespace
}  // namespace pelmor
