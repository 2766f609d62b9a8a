#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <set>
#include <utility>
#include <vector>

#include "device/DeviceEmulator.h"
#include "display/DrawAll.h"
#include "display/RecordingSurface.h"
#include "display/ViewWindows.h"
#include "files/SetupFile.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// A document with a 1 s excitation of twelve harmonics at 512 Hz (512 samples a period) and the
// given channels, its buffers filled by hand.
struct ViewFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    SystemClock clock;
    DeviceEmulator emulator{[] {
        EmulatorOptions o;
        o.realtime = false;
        return o;
    }()};
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc;
    ViewState view;
    DrawnView drawn;
    StoredResultsView stored;

    void SetUp() override {
        doc = std::make_unique<CPelmorDoc>(*state,
                                           DocumentServices{profile, ui, shell, clock, emulator});
        test::EditSetup(*doc, [](SetupFileImage& image) {
            ExcitationBank& b = image.excitationBank;
            b.period = 1.0;
            b.signalCount = 1;
            b.componentCount[0] = 12;
            for (int i = 0; i < 12; ++i) {
                b.frequencyIndex[0][i] = i + 1;
                b.amplitude[0][i] = 0.1;
            }
        });
        doc->SelectSignal(0);
        SetChannels(0xE0);  // channels 1, 2, 3
    }
    void TearDown() override { state->measurementRunning = 0; }

    void SetChannels(int mask) {
        ASSERT_TRUE(doc->SetChannelMask(mask));
        doc->ApplyMeasurementSetup();
    }
    // seconds of a 2 Hz sine (plus the slot number) into every measured slot.
    void Fill(double seconds) {
        const int n = static_cast<int>(seconds * 512);
        std::vector<double> v(n);
        for (int s = 0; s < doc->Setup().channelCount; ++s) {
            for (int i = 0; i < n; ++i) v[i] = s + std::sin(2 * std::numbers::pi * 2 * (i / 512.0));
            state->buffers[s].AppendBlock(v.data(), n);
        }
    }
    // seconds of the twelve harmonics (0.1 V each) in slot 1, twice that in slot 0 (Z = 2 at
    // every frequency) and a slow breath in slot 2.
    void FillHarmonics(double seconds) {
        const int n = static_cast<int>(seconds * 512);
        std::vector<double> v0(n), v1(n), v2(n);
        for (int i = 0; i < n; ++i) {
            double x = 0;
            for (int f = 1; f <= 12; ++f) x += 0.1 * std::cos(2 * std::numbers::pi * f * i / 512.0);
            v0[i] = 2 * x;
            v1[i] = x;
            v2[i] = std::sin(2 * std::numbers::pi * 0.25 * i / 512.0);
        }
        state->buffers[0].AppendBlock(v0.data(), n);
        state->buffers[1].AppendBlock(v1.data(), n);
        state->buffers[2].AppendBlock(v2.data(), n);
    }
    std::vector<SurfaceCall> TextsOf(const RecordingSurface& s, const std::string& text) {
        std::vector<SurfaceCall> found;
        for (SurfaceOp op : {SurfaceOp::TextOut, SurfaceOp::TextInBox})
            for (const SurfaceCall& c : s.Calls(op))
                if (c.text == text) found.push_back(c);
        return found;
    }
    // The plot window k as the document keeps it; a change made through it goes to the document
    // at the next repaint, as the view's zoom and pan do.
    PlotWindow& Rec(int k) {
        if (!editing) windows = doc->Plots().windows;
        editing = true;
        return windows[k];
    }
    // The document, with the plot windows changed through Rec.
    CPelmorDoc& Doc() {
        KeepWindowEdits();
        return *doc;
    }
    void KeepWindowEdits() {
        if (editing) doc->SetPlotWindows(windows);
        editing = false;
    }
    std::array<PlotWindow, kPlotWindowCount> windows{};
    bool editing = false;
    std::vector<int> Shown() {
        std::vector<int> r;
        for (int k = 0; k < kPlotWindowCount; ++k)
            if (Rec(k).shown) r.push_back(k);
        return r;
    }
    // A repaint after what the view shows changed: the view brought up to date, the windows
    // drawn, and what drawing settled handed back.
    void Draw(RecordingSurface& s, SurfaceRect area = {0, 0, 1200, 900}) {
        KeepWindowEdits();
        UpdateView(*doc, view, stored);
        DrawAll(s, *doc, view, stored, area, false, drawn);
        KeepDrawnView(*doc, view, drawn);
    }
    // The same on a printed page.
    void Print(RecordingSurface& s) {
        KeepWindowEdits();
        UpdateView(*doc, view, stored);
        PrintPage(s, *doc, view, stored, {0, 0, 2000, 3000}, drawn);
        KeepDrawnView(*doc, view, drawn);
    }
};

const double kHz[3] = {1, 2, 3};
const double kR[3] = {1, 1, 1};
const double kX[3] = {-1, 0, 1};

void AddStored(StoredResultsView& st, const char* label, bool marked) {
    StoredResultView& r = st.results[st.count++];
    r.label = label;
    r.frequencyCount = 3;
    r.frequencies = kHz;
    r.R = kR;
    r.X = kX;
    r.marked = marked;
}

TEST(ViewLayout, TimeBarSideColumnAndFullArea) {
    EXPECT_EQ(TimeBarHeight({0, 0, 1000, 800}), 10);
    EXPECT_EQ(TimeBarHeight({0, 0, 1000, 1600}), 20);
    EXPECT_EQ(TimeBarHeight({0, 0, 1000, 300}), 10);

    ViewLayout l = ComputeViewLayout({0, 0, 1200, 902}, true, true, true, 3, false, true);
    EXPECT_EQ(l.signalRight, 800);
    EXPECT_EQ(l.xyRect, (SurfaceRect{800, 0, 1200, 300}));
    EXPECT_EQ(l.impedanceRect, (SurfaceRect{800, 300, 1200, 600}));
    EXPECT_EQ(l.storedRect, (SurfaceRect{800, 600, 1200, 902}));  // takes the remainder
    EXPECT_EQ(l.timeBar, (SurfaceRect{0, 891, 800, 902}));
    EXPECT_EQ(l.signalBottom, 890);
    EXPECT_EQ(SignalRowRect(0, 0, 800, 890, 2, 3), (SurfaceRect{0, 592, 800, 888}));

    // One channel, or full screen: every side window takes the whole area.
    for (auto [channels, full] : {std::pair{1, false}, std::pair{3, true}}) {
        l = ComputeViewLayout({0, 0, 1200, 900}, true, false, true, channels, full, false);
        EXPECT_EQ(l.signalRight, 1200);
        EXPECT_EQ(l.xyRect, (SurfaceRect{0, 0, 1200, 900}));
        EXPECT_EQ(l.storedRect, (SurfaceRect{0, 0, 1200, 900}));
        EXPECT_EQ(l.signalBottom, 900);
    }
}

TEST(ViewLayout, PrintedPage) {
    const PrintLayout p = ComputePrintLayout({0, 0, 2000, 3000}, 100);
    EXPECT_EQ(p.reduced, (SurfaceRect{100, 150, 1900, 2850}));
    EXPECT_EQ(p.headerFontHeight, 43);
    EXPECT_EQ(p.plotArea, (SurfaceRect{100, 250, 1900, 1330}));
    // Too little height left: the height is what remains and the width follows it.
    const PrintLayout q = ComputePrintLayout({0, 0, 2000, 1000}, 300);
    EXPECT_EQ(q.plotArea.Height(), 900 - 300);
    EXPECT_EQ(q.plotArea.Width(), 1000);
}

TEST(ViewLayout, ScreenSpectrumWidths) {
    EXPECT_EQ(SpectrumWidth({0, 0, 900, 100}), 110);
    EXPECT_EQ(SpectrumWidth({0, 0, 200, 100}), 70);
}

TEST(ViewColours, BlackBackgroundToggle) {
    ViewState v;
    ToggleBlackBackground(v);
    EXPECT_EQ(v.backgroundColors[kScreen], 0x000000u);
    EXPECT_EQ(v.penColors[kScreen], 0xC0C0C0u);
    ToggleBlackBackground(v);
    EXPECT_EQ(v.backgroundColors[kScreen], 0xFFFFFFu);
    EXPECT_EQ(v.penColors[kScreen], 0x000000u);
    EXPECT_EQ(v.gridColors[kScreen], 0x404040u);
    EXPECT_EQ(v.gridColors[kPrinting], 0x808080u);
    EXPECT_EQ(PlotStyleFlags(0), 0x8000u);
    EXPECT_EQ(PlotStyleFlags(1), 0x0001u);
    EXPECT_EQ(PlotStyleFlags(2), 0x8001u);
}

TEST_F(ViewFixture, SampleThresholdsDecideWhatAppears) {
    RecordingSurface s;
    Fill(9.0 / 512);
    Draw(s);
    EXPECT_TRUE(s.calls.empty());
    EXPECT_TRUE(Shown().empty());

    Fill(1.0 / 512);  // exactly 10: signal rows only
    Draw(s);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2}));
    Fill(1.0 / 512);  // 11: the side column too
    Draw(s);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, kImpedanceFrequencyWindow, kXYWindow}));
    EXPECT_EQ(Rec(kXYWindow).right - Rec(kXYWindow).left, 400);
    EXPECT_EQ(Rec(kImpedanceFrequencyWindow).top, 450);
    EXPECT_EQ(view.timeBar, (SurfaceRect{0, 889, 800, 900}));
    EXPECT_EQ(Rec(0).right, 800 - 3);
}

TEST_F(ViewFixture, StoredFullScreenAndItsList) {
    Fill(4);
    AddStored(stored, "first", true);
    AddStored(stored, "a longer label", false);
    stored.selected = 1;
    view.storedFullScreen = true;
    RecordingSurface s;
    Draw(s);
    EXPECT_EQ(Shown(), std::vector<int>{kStoredImpedanceWindow});
    EXPECT_TRUE(view.timeBar.IsEmpty());
    // The list at the top left, the chart to the right of its longest line.
    const auto boxes = s.Calls(SurfaceOp::TextInBox);
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "* first");
    EXPECT_EQ(boxes[1].text, "  a longer label");
    EXPECT_EQ(boxes[1].rect.left, 3);
    EXPECT_EQ(Rec(kStoredImpedanceWindow).left, boxes[1].rect.right);
    EXPECT_EQ(Rec(kStoredImpedanceWindow).right, 1197);
    const auto inverted = s.Calls(SurfaceOp::InvertRect);
    ASSERT_EQ(inverted.size(), 1u);  // the selected line, on white
    EXPECT_EQ(inverted[0].rect, boxes[1].rect);

    // A page that cannot invert (printer, PDF) shows the selected line as a dark box with
    // light text, the others as on screen.
    RecordingSurface page({0, 0, 4096, 4096}, true);
    page.canInvert = false;
    Draw(page);
    EXPECT_TRUE(page.Calls(SurfaceOp::InvertRect).empty());
    const auto pageBoxes = page.Calls(SurfaceOp::TextInBox);
    ASSERT_GE(pageBoxes.size(), 2u);
    auto fillOf = [&](const SurfaceRect& box) {
        for (const SurfaceCall& f : page.Calls(SurfaceOp::FillSolid))
            if (f.rect == box) return f.color;
        return Color{0x123456};
    };
    EXPECT_EQ(fillOf(pageBoxes[0].rect), 0xFFFFFFu);
    EXPECT_EQ(pageBoxes[0].color, 0x000000u);
    EXPECT_EQ(fillOf(pageBoxes[1].rect), 0x000000u);
    EXPECT_EQ(pageBoxes[1].color, 0xFFFFFFu);

    stored.count = 0;  // the last entry deleted
    Draw(s);
    EXPECT_FALSE(view.storedFullScreen);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 1, 2, kImpedanceFrequencyWindow, kXYWindow}));
}

// The pen colours of the polylines drawn, consecutive repeats merged.
std::vector<Color> LineColours(const RecordingSurface& s) {
    std::vector<Color> r;
    for (const SurfaceCall& c : s.calls)
        if (c.op == SurfaceOp::Polyline && (r.empty() || r.back() != c.pen.color))
            r.push_back(c.pen.color);
    return r;
}

TEST_F(ViewFixture, StoredCurveColoursAndTheSelectedOneWithLines) {
    view.zAveragePlotStyle = 1;  // symbols only
    view.showXY = view.showImpedance = false;
    AddStored(stored, "plain", false);
    AddStored(stored, "marked", true);
    AddStored(stored, "selected", false);
    stored.selected = 2;
    for (bool black : {false, true}) {
        if (black) ToggleBlackBackground(view);
        RecordingSurface s;
        Draw(s);
        std::set<Color> ellipses;
        for (const SurfaceCall& c : s.Calls(SurfaceOp::Ellipse)) ellipses.insert(c.pen.color);
        const std::set<Color> expected =
            black ? std::set<Color>{0x00000A, 0x0A0000, 0x0000C8, 0xC80000, 0x0000FF, 0xFF0000}
                  : std::set<Color>{0xF5F5FF, 0xFFF5F5, 0x0000C8, 0xC80000, 0x0000FF, 0xFF0000};
        EXPECT_EQ(ellipses, expected);
        // Only the selected entry is joined by lines, three units wide.
        for (const SurfaceCall& c : s.Calls(SurfaceOp::Polyline)) {
            if (c.pen.color == 0x0000FF || c.pen.color == 0xFF0000) {
                EXPECT_EQ(c.pen.width, 3);
            } else {
                EXPECT_EQ(c.pen.style, PenDot) << "only grid lines besides";
            }
        }
    }
}

TEST_F(ViewFixture, InstantaneousSpectraShades) {
    Fill(4);
    state->measurementRunning = 1;
    view.showXY = false;
    view.zInstantPlotStyle = view.zAveragePlotStyle = 0;
    ImpedanceCalculator& z = doc->CalculatorForTesting();
    z.zDisplayMode = 2;  // signals only
    z.ringLength = 50;
    z.ringIndex = 7;
    for (int slot = 0; slot < 50; ++slot)
        for (int f = 0; f < 12; ++f) z.instantR[slot][f] = z.instantX[slot][f] = 0.1 * slot;
    struct Case {
        int ringCount;
        std::vector<int> shades;
    };
    for (const Case& c :
         {Case{50, {145, 143, 141, 139, 137, 135, 133, 131}}, Case{3, {230, 196, 162}}}) {
        z.ringCount = c.ringCount;
        RecordingSurface s;
        Draw(s);
        std::vector<Color> expected;
        for (int v : c.shades) {
            expected.push_back(MakeColor(255, v, v));
            expected.push_back(MakeColor(v, v, 255));
        }
        std::vector<Color> got;
        for (Color col : LineColours(s))
            if (col != 0x000000 && col != 0x808080 && col != 0x0000FF) got.push_back(col);
        EXPECT_EQ(got, expected) << "ringCount " << c.ringCount;
    }
    // Average only: the thick average curves and no instantaneous ones.
    z.zDisplayMode = 0;
    RecordingSurface s;
    Draw(s);
    std::set<Color> thick;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::Polyline))
        if (c.pen.width == 3) thick.insert(c.pen.color);
    EXPECT_EQ(thick, (std::set<Color>{0x0000FF, 0xFF0000}));
    for (Color col : LineColours(s))
        EXPECT_FALSE(RedOf(col) == 255 && GreenOf(col) == BlueOf(col) && GreenOf(col) >= 128)
            << col;
}

TEST_F(ViewFixture, LiveTrendSpans) {
    Fill(20);
    const double newest = state->buffers[0].EndTime();
    state->measurementRunning = 1;
    view.showXY = false;
    ImpedanceCalculator& z = doc->CalculatorForTesting();
    z.zTrendDisplay = 1;
    z.trendCapacity = 50;
    z.trendCount = 50;
    z.trendStart = 13;
    for (int i = 0; i < 50; ++i) z.trendR[i] = z.trendX[i] = i;
    RecordingSurface s;
    Draw(s);
    EXPECT_NEAR(Rec(kImpedanceTimeWindow).xmin, newest - 7.5, 1e-9);
    EXPECT_NEAR(Rec(kImpedanceTimeWindow).xmax, newest - 2.6, 1e-9);
    EXPECT_TRUE(Rec(kImpedanceTimeWindow).shown);

    // Tracking: the same points 0.35 s … 5.25 s back, the window keeping its width.
    test::EditSetup(*doc, [](SetupFileImage& image) { image.measurementMode = 1; });
    z.trendCount = 50;  // the setup's averaging time starts the trend afresh
    z.trendStart = 13;
    z.zTrendDisplay = 0;
    z.ringLength = 5;
    Rec(kImpedanceTimeWindow).xmin = 0;
    Rec(kImpedanceTimeWindow).xmax = 3;
    Draw(s);
    EXPECT_NEAR(Rec(kImpedanceTimeWindow).xmax, newest - 0.35, 1e-9);
    EXPECT_NEAR(Rec(kImpedanceTimeWindow).xmin, newest - 3.35, 1e-9);
    EXPECT_TRUE(Rec(kImpedanceFrequencyWindow).shown);  // recorded by the trend flag
}

TEST_F(ViewFixture, TimeWindowKeepsTenSamplesOfOverlap) {
    Fill(148);  // 65,536 samples: the buffer holds 20 … 148 s
    Rec(0).xmin = 0;
    Rec(0).xmax = 8;
    ApplyTimeWindow(Doc(), view);
    EXPECT_DOUBLE_EQ(Rec(0).xmin, 12.01953125);
    EXPECT_DOUBLE_EQ(Rec(0).xmax, 20.01953125);
    Rec(0).xmin = 200;
    Rec(0).xmax = 210;
    ApplyTimeWindow(Doc(), view);
    EXPECT_DOUBLE_EQ(Rec(0).xmin, 148 - 10.0 / 512);
    EXPECT_DOUBLE_EQ(Rec(0).xmax, 158 - 10.0 / 512);

    // A selection shorter than one period gives one period from its left end.
    view.zoomPending = view.zoomReady = true;
    view.timeMapping = {30.0, 100.0, 10};
    view.selectionStartX = 60;
    view.selectionX = 40;
    ApplyTimeWindow(Doc(), view);
    EXPECT_DOUBLE_EQ(Rec(0).xmin, 30.3);
    EXPECT_DOUBLE_EQ(Rec(0).xmax, 31.3);
    EXPECT_FALSE(view.zoomPending);
    EXPECT_FALSE(view.zoomReady);
}

TEST_F(ViewFixture, PagingAndSlidingWhileMeasuring) {
    Fill(19.5);
    state->measurementRunning = 1;
    Rec(0).xmin = 0;
    Rec(0).xmax = 8;
    RecordingSurface s;
    Draw(s);
    for (int k = 0; k < 3; ++k) {
        EXPECT_DOUBLE_EQ(Rec(k).xmin, 16) << k;
        EXPECT_DOUBLE_EQ(Rec(k).xmax, 24) << k;
    }
    EXPECT_TRUE(view.drewWhileRunning);
    EXPECT_TRUE(view.timeBar.IsEmpty());

    view.slidingDisplay = true;
    Rec(0).xmin = 0;  // paging moved the time window to the page
    Rec(0).xmax = 7.3;
    s.Clear();
    Draw(s);
    EXPECT_DOUBLE_EQ(Rec(1).xmax, 19.5);
    EXPECT_DOUBLE_EQ(Rec(1).xmin, 19.5 - 7.3);
    // The trace starts 7 whole periods back: its first point lies 0.3 s right of the left edge.
    const PlotTransform t{view.timeMapping.rangeStart, 0, view.timeMapping.pixelsPerSecond, 0,
                          view.timeMapping.pixelLeft,  0};
    const int32_t expectedX = static_cast<int32_t>(t.left + (19.5 - 7 - t.xmin) * t.xScale);
    bool found = false;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::Polyline))
        if (c.pen.color == 0x000000 && c.pen.style == PenSolid && !c.points.empty() &&
            c.points[0].x == expectedX)
            found = true;
    EXPECT_TRUE(found);
}

TEST_F(ViewFixture, IntegralFillsTheRangeAndAutoscaleKeepsIt) {
    Fill(4);
    view.integrate[0] = true;
    view.signalAutoscale[0] = true;
    Rec(0).xmin = 0;
    Rec(0).xmax = 4;
    Rec(0).ymin = -5;
    Rec(0).ymax = 5;
    RecordingSurface s;
    Draw(s);
    EXPECT_DOUBLE_EQ(Rec(0).ymin, -5);
    EXPECT_DOUBLE_EQ(Rec(0).ymax, 5);
    // A constant integral (a constant signal) lies across the middle.
    std::vector<double> flat(2048, 0.25);
    state->buffers[0].AppendBlock(flat.data(), 2048);
    Rec(0).xmin = 4.5;
    Rec(0).xmax = 7.5;
    view.signalAutoscale[0] = false;
    Draw(s);
    EXPECT_DOUBLE_EQ(drawn.integral[0], 0.0);
    EXPECT_DOUBLE_EQ(drawn.integral[100], 0.0);
}

TEST_F(ViewFixture, SpectrumBarsInBothModes) {
    Fill(4);
    double f[256], a[256];
    int32_t count = 6;
    ASSERT_EQ(SignalSpectrum(Doc(), 0, 1.0, count, f, a), 0);
    ASSERT_EQ(count, 12);
    EXPECT_DOUBLE_EQ(f[1], 2.0);
    EXPECT_NEAR(2 * a[1], 1.0, 1e-9);  // the 2 Hz sine of amplitude 1
    EXPECT_NEAR(a[0], 0.0, 1e-9);
    EXPECT_EQ(SignalSpectrum(Doc(), 0, 3.5, count, f, a), 1);  // beyond the buffered samples

    // Tracking at 100 Hz with 512 samples: 100 and 200 Hz lie below 256 Hz, 300 Hz … do not.
    test::EditSetup(*doc, [](SetupFileImage& image) { image.measurementMode = 1; });
    doc->CalculatorForTesting().selectedFrequencyIndex = 11;
    doc->CalculatorForTesting().frequencyIndex[11] = 100;
    count = 6;
    ASSERT_EQ(SignalSpectrum(Doc(), 0, 1.0, count, f, a), 0);
    EXPECT_EQ(count, 2);
    EXPECT_DOUBLE_EQ(f[1], 200.0);
    doc->CalculatorForTesting().frequencyIndex[11] = 2;
    count = 6;
    ASSERT_EQ(SignalSpectrum(Doc(), 0, 1.0, count, f, a), 0);
    EXPECT_EQ(count, 6);
    EXPECT_DOUBLE_EQ(f[5], 12.0);

    // A period of 500 samples is no power of two.
    test::EditSetup(*doc, [](SetupFileImage& image) { image.excitationBank.period = 500 / 512.0; });
    doc->ApplyMeasurementSetup();
    ASSERT_EQ(doc->Setup().samplesPerPeriod, 500);
    Fill(4);
    count = 6;
    EXPECT_EQ(SignalSpectrum(Doc(), 0, 1.0, count, f, a), 1);
}

TEST_F(ViewFixture, SpectrumWindowInDecibelsPutsZeroAtTheBottom) {
    std::vector<double> zeros(4 * 512, 0.0);
    for (int s = 0; s < 3; ++s) state->buffers[s].AppendBlock(zeros.data(), 4 * 512);
    view.showSpectrum = true;
    view.dbScale[1] = true;
    Rec(kSpectrumWindow0 + 1).ymin = -80;
    Rec(0).xmin = 0;
    Rec(0).xmax = 4;
    RecordingSurface s;
    Draw(s);
    EXPECT_TRUE(Rec(kSpectrumWindow0 + 1).shown);
    const SpectrumPoints& p = view.lastSpectrum[1];
    ASSERT_EQ(p.count, 12);
    EXPECT_TRUE(p.decibels);
    for (int i = 0; i < p.count; ++i) EXPECT_EQ(p.amplitudes[i], -80.0);
    // The signal window keeps the rest of the row.
    EXPECT_EQ(Rec(1).right + 3 + SpectrumWidth({0, 0, 800, 296}) + 0, 800);
}

TEST_F(ViewFixture, OfflineTrendFollowsTheTimeWindow) {
    Fill(4);
    Rec(0).xmin = 1;
    Rec(0).xmax = 3;
    ImpedanceCalculator& z = doc->CalculatorForTesting();
    z.zTrendDisplay = 1;
    z.selectedFrequencyIndex = 40;  // beyond the twelve frequencies
    z.offlineTrendCount = 5;
    for (int i = 0; i < 5; ++i) {
        z.trendTime[i] = 0.5 * i;
        z.trendR[i] = 1 + i;
        z.trendX[i] = -2 + 0.1 * i;
    }
    view.zRescale = true;
    RecordingSurface s;
    Draw(s);
    EXPECT_EQ(z.selectedFrequencyIndex, 11);
    const PlotWindow& t = Rec(kImpedanceTimeWindow);
    EXPECT_TRUE(t.shown);
    EXPECT_EQ(t.xmin, 1);
    EXPECT_EQ(t.xmax, 3);
    EXPECT_EQ(t.ymin, -2);
    EXPECT_EQ(t.ymax, 5);
    EXPECT_FALSE(view.zRescale);
    const auto boxes = s.Calls(SurfaceOp::TextInBox);
    const auto label = std::find_if(boxes.begin(), boxes.end(),
                                    [](const SurfaceCall& c) { return c.text == "12 Hz"; });
    ASSERT_NE(label, boxes.end());
    EXPECT_EQ(label->align, TextAlign::Center);
    EXPECT_EQ(label->rect.right, t.right - 3);
    EXPECT_EQ(label->rect.bottom, t.bottom - 3 - 2);
}

TEST_F(ViewFixture, OfflineTrendShadesTheBreathsAndNotesTheRecordsDx) {
    // Breath 1: inspiration 1 … 3, expiration 3 … 5; breath 2 (5 … 9) has a negative R in its
    // second second. The breaths come from the record, the trend drawn is hand-made.
    const std::vector<double> q = {-1, 1, 1, -1, -1, 1, 1, -1, -1, 1, -1};
    std::vector<double> r, x, hz;
    for (int i = 0; i < 11; ++i) {
        r.push_back(i == 6 ? -1 : 0.3);
        x.push_back(q[i] > 0 ? -0.1 : -0.5);
    }
    for (int f = 1; f <= 12; ++f) hz.push_back(f);
    test::AppendBreathingRecord(*state, 512, hz, q, r, x);
    Rec(0).xmin = 0;
    Rec(0).xmax = 10;
    ImpedanceCalculator& z = doc->CalculatorForTesting();
    z.zTrendDisplay = 1;
    z.offlineTrendCount = 11;
    for (int i = 0; i < 11; ++i) {
        z.trendTime[i] = i;
        z.trendFlow[i] = q[i];
        z.trendR[i] = r[i];
        z.trendX[i] = x[i];
    }
    RecordingSurface s;
    Draw(s);
    std::vector<SurfaceRect> accepted, refused;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::FillSolid)) {
        if (c.color == 0xC8F0D2) accepted.push_back(c.rect);
        if (c.color == 0xE1E1E1) refused.push_back(c.rect);
    }
    ASSERT_EQ(accepted.size(), 1u);
    ASSERT_EQ(refused.size(), 1u);
    // The refused band covers the whole breath, twice as long as the accepted inspiration.
    const int32_t inspiration = accepted[0].right - accepted[0].left;
    const int32_t breath = refused[0].right - refused[0].left;
    EXPECT_NEAR(breath, 2 * inspiration, 2);
    EXPECT_NEAR(refused[0].left - accepted[0].left, 2 * inspiration, 2);
    EXPECT_EQ(accepted[0].top, refused[0].top);
    const auto boxes = s.Calls(SurfaceOp::TextInBox);
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                            [](const SurfaceCall& c) { return c.text == "dX=0.4 EFL"; }));

    // A printed page shows the same bands and note.
    RecordingSurface page({0, 0, 2000, 3000}, true);
    Print(page);
    int acceptedOnPaper = 0, refusedOnPaper = 0;
    for (const SurfaceCall& c : page.Calls(SurfaceOp::FillSolid)) {
        acceptedOnPaper += c.color == 0xC8F0D2;
        refusedOnPaper += c.color == 0xE1E1E1;
    }
    EXPECT_EQ(acceptedOnPaper, 1);
    EXPECT_EQ(refusedOnPaper, 1);
    const auto printed = page.Calls(SurfaceOp::TextInBox);
    EXPECT_TRUE(std::any_of(printed.begin(), printed.end(),
                            [](const SurfaceCall& c) { return c.text == "dX=0.4 EFL"; }));

    // The spectrum display draws no bands and no note.
    z.zTrendDisplay = 0;
    RecordingSurface spectrum;
    Draw(spectrum);
    for (const SurfaceCall& c : spectrum.Calls(SurfaceOp::TextInBox))
        EXPECT_EQ(c.text.rfind("dX=", 0), std::string::npos);
}

// Simulated data carry a large light watermark in every signal window, on screen and on paper,
// until they are replaced.
TEST_F(ViewFixture, SimulatedDataCarryAWatermarkOnScreenAndPaper) {
    Fill(4);
    for (int simulated : {1, 0}) {
        SCOPED_TRACE(simulated);
        state->simulating = simulated;
        RecordingSurface screen;
        Draw(screen);
        RecordingSurface paper({0, 0, 2000, 3000}, true);
        Print(paper);
        for (RecordingSurface* s : {&screen, &paper}) {
            const auto marks = TextsOf(*s, kSimulationWatermark);
            ASSERT_EQ(marks.size(), simulated ? 3u : 0u);
            for (const SurfaceCall& m : marks) {
                EXPECT_EQ(m.color, 0xC8C8C8u);
                EXPECT_GE(m.font.height, 3 * 12);  // far larger than the axis labels
                EXPECT_LE(static_cast<int32_t>(m.text.size()) *
                              RecordingSurface::CharWidth(m.font.height),
                          m.rect.Width());
            }
        }
    }
    EXPECT_EQ(std::string(kSimulationWatermark), "Simulation — not measured data");
}

// No zeros where there is no data: a span without a complete period draws no curve and says so;
// values that are not finite are left out and named.
TEST_F(ViewFixture, ImpedanceWindowSaysWhatItCannotShow) {
    view.showXY = false;
    view.showStoredImpedance = false;
    FillHarmonics(4);
    const Color red = 0x0000FF, blue = 0xFF0000;
    auto curvePoints = [](const RecordingSurface& s, Color color) {
        std::size_t n = 0;
        for (SurfaceOp op : {SurfaceOp::Line, SurfaceOp::Polyline, SurfaceOp::Ellipse})
            for (const SurfaceCall& c : s.Calls(op))
                if (c.pen.color == color) ++n;
        return n;
    };

    // A span shorter than a period.
    Rec(0).xmin = 1.2;
    Rec(0).xmax = 1.7;
    RecordingSurface shortSpan;
    Draw(shortSpan);
    ASSERT_TRUE(Rec(kImpedanceFrequencyWindow).shown);
    EXPECT_EQ(TextsOf(shortSpan, "No complete period in this span").size(), 1u);
    EXPECT_EQ(curvePoints(shortSpan, red), 0u);
    for (const SurfaceCall& c : shortSpan.Calls(SurfaceOp::TextInBox)) {
        EXPECT_EQ(c.text.find("R="), std::string::npos);
        EXPECT_EQ(c.text.find("Samples:"), std::string::npos);
    }

    // The whole record with a calibration that divides by zero at 3 and 5 Hz.
    Rec(0).xmin = 0;
    Rec(0).xmax = 4;
    CalibrationTable& cal = doc->CalculatorForTesting().workingCalibration;
    cal.count = 12;
    for (int k = 0; k < 12; ++k) {
        cal.frequency[k] = k + 1;
        cal.A[k] = cal.C[k] = cal.E[k] = cal.ch[k] = {0, 0};
        cal.B[k] = cal.D[k] = cal.F[k] = cal.Z0[k] = cal.sh[k] = cal.T21[k] = {1, 0};
    }
    cal.B[2] = {0, 0};
    cal.D[4] = {0, 0};
    doc->CalculatorForTesting().calibrationOff = 0;
    RecordingSurface calibrated;
    Draw(calibrated);
    EXPECT_TRUE(TextsOf(calibrated, "No complete period in this span").empty());
    EXPECT_EQ(
        TextsOf(calibrated, "Invalid impedance at 3,5 Hz — check the calibration data").size(), 1u);
    EXPECT_GT(curvePoints(calibrated, red), 0u);
    const ImpedanceCalculator& z = doc->Calculator();
    EXPECT_TRUE(std::isnan(z.ensembleR[2]));
    EXPECT_TRUE(std::isfinite(z.ensembleR[3]));
    // The fitted range leaves the invalid values out.
    view.zRescale = true;
    RecordingSurface fitted;
    Draw(fitted);
    EXPECT_TRUE(std::isfinite(Rec(kImpedanceFrequencyWindow).ymin));
    EXPECT_TRUE(std::isfinite(Rec(kImpedanceFrequencyWindow).ymax));

    // The legend: "R" in red and "X" in blue in the corner, on screen and on paper.
    doc->CalculatorForTesting().calibrationOff = 1;
    const PlotWindow onScreen = Rec(kImpedanceFrequencyWindow);
    RecordingSurface paper({0, 0, 2000, 3000}, true);
    Print(paper);
    const PlotWindow onPaper = Rec(kImpedanceFrequencyWindow);
    for (const auto& [s, w] : {std::pair{&fitted, onScreen}, std::pair{&paper, onPaper}}) {
        const auto r = TextsOf(*s, "R"), x = TextsOf(*s, "X");
        ASSERT_EQ(r.size(), 1u);
        ASSERT_EQ(x.size(), 1u);
        EXPECT_EQ(r[0].color, red);
        EXPECT_EQ(x[0].color, blue);
        EXPECT_LT(x[0].points[0].x, w.right);
        EXPECT_GT(x[0].points[0].x, r[0].points[0].x);
        EXPECT_GT(r[0].points[0].x, (w.left + w.right) / 2);
        EXPECT_LT(r[0].points[0].y, (w.top + w.bottom) / 2);
    }
}

// The requests of the document: the frequency axis covers the active frequencies; everything
// fits once; nothing changes when the user keeps the ranges.
TEST_F(ViewFixture, FitRequestsFitOnceAndOnlyWhenWanted) {
    FillHarmonics(4);
    view.showSpectrum = true;
    struct Case {
        int request;
        bool wanted;
        bool signalFitted, axisFitted;
    };
    const Case cases[] = {
        {CPelmorDoc::kFitAllWindows, true, true, true},
        {CPelmorDoc::kFitFrequencyAxis, true, false, true},
        {CPelmorDoc::kFitAllWindows, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request + 10 * c.wanted);
        for (int k = 0; k < kPlotWindowCount; ++k) {
            PlotWindow& w = Rec(k);
            w.ymin = -50;
            w.ymax = 50;
        }
        Rec(kImpedanceFrequencyWindow).xmin = 0;
        Rec(kImpedanceFrequencyWindow).xmax = 50;
        view.fitScalesToNewData = c.wanted;
        doc->RequestFit(c.request);
        RecordingSurface s;
        Draw(s);
        EXPECT_EQ(doc->PendingFit(), CPelmorDoc::kFitNothing);
        const PlotWindow& zf = Rec(kImpedanceFrequencyWindow);
        EXPECT_EQ(zf.xmin == 0 && zf.xmax == 50, !c.axisFitted);
        if (c.axisFitted) {
            EXPECT_LE(zf.xmin, 1.0);
            EXPECT_GE(zf.xmax, 12.0);
            EXPECT_LE(zf.xmax, 13.0);
        }
        EXPECT_EQ(Rec(0).ymax == 50, !c.signalFitted);
        EXPECT_EQ(Rec(kSpectrumWindow0 + 1).ymax == 50, !c.signalFitted);
        if (c.signalFitted) {
            EXPECT_LE(Rec(kSpectrumWindow0 + 1).ymin, 0.0);  // the bars rise from zero
            EXPECT_GT(Rec(kSpectrumWindow0 + 1).ymax, 0.0);
        }
        // A second repaint leaves the ranges to the user.
        Rec(0).ymax = 77;
        RecordingSurface again;
        Draw(again);
        EXPECT_EQ(Rec(0).ymax, 77);
    }
}

TEST_F(ViewFixture, PrintedPageHeaderFramesAndNoIcons) {
    // An imported file gives the page its header.
    test::TempDir home;
    ASSERT_TRUE(doc->ImportDataFile(test::CopyFixture("lab 001.inpx", home)));
    ASSERT_EQ(doc->PrintHeaderLines(), 2);
    RecordingSurface screen;
    Draw(screen);
    const SurfaceRect bar = view.timeBar;
    const auto icons = view.scaleIcons;
    RecordingSurface s({0, 0, 2000, 3000}, true);
    Print(s);
    const auto boxes = s.Calls(SurfaceOp::TextInBox);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, doc->PrintHeader());
    EXPECT_TRUE(boxes[0].multiLine);
    EXPECT_EQ(boxes[0].font, (SurfaceFont{43, 700, true, false}));
    const int32_t headerBottom = boxes[0].rect.bottom;
    EXPECT_EQ(headerBottom - 150, 2 * 43);  // two lines of the header font
    EXPECT_TRUE(s.Calls(SurfaceOp::Icon).empty());
    EXPECT_TRUE(s.Calls(SurfaceOp::SunkenEdge).empty());
    // The XY window's band starts at the plot area's top; its graph 20 units inside the frame.
    EXPECT_EQ(Rec(kXYWindow).top, headerBottom);
    EXPECT_EQ(Rec(kXYWindow).right, 1900);
    EXPECT_EQ(Rec(0).left, 120);
    // The impedance window's notes take the axis labels' font, not the large header font.
    const auto note = std::find_if(boxes.begin(), boxes.end(), [](const SurfaceCall& c) {
        return c.text.rfind("Samples:", 0) == 0;
    });
    ASSERT_NE(note, boxes.end());
    const PlotWindow& z = Rec(kImpedanceFrequencyWindow);
    const double scale = ((z.right - z.left - 40) * 0.2 / 1000 + 1) * 4.0;  // inside the frame
    EXPECT_EQ(note->font,
              (SurfaceFont{static_cast<int32_t>(std::lround(12 * scale)), 400, false, false}));
    EXPECT_EQ(note->rect.Height(), note->font.height);
    EXPECT_EQ(s.font, (SurfaceFont{}));  // the header font is released
    EXPECT_EQ(view.timeBar, bar);        // the mouse keeps the screen's rectangles
    EXPECT_EQ(view.scaleIcons, icons);
}

}  // namespace
}  // namespace pelmor
