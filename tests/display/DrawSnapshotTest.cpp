// Every window kind drawn from a document whose buffers and analysis arrays are filled by hand:
// no device, no emulator, no recording first. Drawing reads the document and the view and
// writes only its DrawnView.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "device/SerialDriverFactory.h"
#include "display/DrawAll.h"
#include "display/Palette.h"
#include "display/RecordingSurface.h"
#include "files/SetupFile.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

constexpr int kFrequencies = 4;
constexpr double kHz[kFrequencies] = {2, 4, 6, 8};

struct DrawSnapshotFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    SystemClock clock;
    NoDeviceSerialDriver driver;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc;
    ViewState view;
    StoredResultsView stored;
    std::vector<double> storedR = {1, 1.1, 1.2, 1.3}, storedX = {-1, -0.5, 0, 0.5};

    void SetUp() override {
        doc = std::make_unique<CPelmorDoc>(*state,
                                           DocumentServices{profile, ui, shell, clock, driver});
        test::EditSetup(*doc, [](SetupFileImage& image) {
            ExcitationBank& b = image.excitationBank;
            b.period = 1.0;
            b.signalCount = 1;
            b.componentCount[0] = kFrequencies;
            for (int i = 0; i < kFrequencies; ++i) {
                b.frequencyIndex[0][i] = 2 * (i + 1);
                b.amplitude[0][i] = 0.1;
            }
        });
        doc->SelectSignal(0);
        doc->SetChannelMask(0xE0);  // channels 1, 2, 3
        doc->ApplyMeasurementSetup();
        view.showSpectrum = true;
        // Every chart fits its data, so that each curve lies inside its window.
        view.zAutoscale = view.storedAutoscale = view.xyAutoscale = true;

        // Twenty seconds of the four harmonics: slot 0 twice slot 1, a slow breath in slot 2
        // (the breaths of the trend display are found on it: three whole ones).
        const int n = 20 * 512;
        std::vector<double> v0(n), v1(n), v2(n);
        for (int i = 0; i < n; ++i) {
            double x = 0;
            for (double f : kHz) x += 0.1 * std::cos(2 * std::numbers::pi * f * i / 512.0);
            v0[i] = 2 * x;
            v1[i] = x;
            v2[i] = std::sin(2 * std::numbers::pi * 0.25 * i / 512.0);
        }
        state->buffers[0].AppendBlock(v0.data(), n);
        state->buffers[1].AppendBlock(v1.data(), n);
        state->buffers[2].AppendBlock(v2.data(), n);

        // The analysis arrays as a measurement and the offline trend leave them.
        ImpedanceCalculator& z = doc->CalculatorForTesting();
        const int32_t bins[kFrequencies] = {2, 4, 6, 8};
        z.SetFrequencies(bins, kFrequencies, 1.0);
        for (int i = 0; i < kFrequencies; ++i) {
            z.averageR[i] = z.ensembleR[i] = 2.0;
            z.averageX[i] = z.ensembleX[i] = 0.1 * i;
            for (int slot = 0; slot < 4; ++slot) {
                z.instantR[slot][i] = 2.0 + 0.01 * slot;
                z.instantX[slot][i] = 0.1 * i - 0.01 * slot;
            }
        }
        z.ringLength = 4;
        z.ringCount = 4;
        z.trendCount = 30;  // the live trend reads the first points of the trend arrays below
        z.offlineTrendCount = 200;  // 20 s at 10 points a second, five breaths of 4 s
        for (int i = 0; i < z.offlineTrendCount; ++i) {
            const double t = i / 10.0;
            const double flow = std::sin(2 * std::numbers::pi * 0.25 * t);
            z.trendTime[i] = t;
            z.trendFlow[i] = flow;
            z.trendR[i] = 2.0 + 0.2 * flow;
            z.trendX[i] = flow > 0 ? -0.1 : -0.5;  // expiration lower: a dX to report
        }
        z.selectedFrequencyIndex = 1;

        for (int k = 0; k < 2; ++k) {
            StoredResultView& r = stored.results[stored.count++];
            r.label = k == 0 ? "first" : "second";
            r.frequencyCount = kFrequencies;
            r.frequencies = kHz;
            r.R = storedR.data();
            r.X = storedX.data();
            r.marked = true;
        }
    }
    void TearDown() override { state->measurementRunning = 0; }

    // One repaint of the const snapshot.
    RecordingSurface Draw(const CPelmorDoc& snapshot, DrawnView& drawn) {
        RecordingSurface s;
        DrawAll(s, snapshot, view, stored, {0, 0, 1200, 900}, false, drawn);
        return s;
    }
};

// Lines, polylines and symbols drawn with a pen of a colour.
int CurvesIn(const RecordingSurface& s, Color color) {
    int n = 0;
    for (SurfaceOp op : {SurfaceOp::Line, SurfaceOp::Polyline, SurfaceOp::Ellipse})
        for (const SurfaceCall& c : s.Calls(op)) n += c.pen.color == color ? 1 : 0;
    return n;
}

bool SameCalls(const RecordingSurface& a, const RecordingSurface& b) {
    if (a.calls.size() != b.calls.size()) return false;
    for (std::size_t i = 0; i < a.calls.size(); ++i) {
        const SurfaceCall& x = a.calls[i];
        const SurfaceCall& y = b.calls[i];
        if (x.op != y.op || x.text != y.text || !(x.pen == y.pen) || x.color != y.color ||
            x.rect.left != y.rect.left || x.rect.top != y.rect.top ||
            x.rect.right != y.rect.right || x.rect.bottom != y.rect.bottom ||
            x.points.size() != y.points.size())
            return false;
        for (std::size_t k = 0; k < x.points.size(); ++k)
            if (x.points[k].x != y.points[k].x || x.points[k].y != y.points[k].y) return false;
    }
    return true;
}

bool HasText(const RecordingSurface& s, const std::string& prefix) {
    for (SurfaceOp op : {SurfaceOp::TextOut, SurfaceOp::TextInBox})
        for (const SurfaceCall& c : s.Calls(op))
            if (c.text.rfind(prefix, 0) == 0) return true;
    return false;
}

TEST_F(DrawSnapshotFixture, EveryWindowKindDrawsFromAConstSnapshotAndChangesNothing) {
    struct Case {
        const char* name;
        bool measuring;
        bool trend;
    };
    const std::vector<Case> cases = {
        {"impedance spectrum of the span", false, false},
        {"trend with breath bands", false, true},
        {"live impedance", true, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        state->measurementRunning = k.measuring ? 1 : 0;
        doc->SetTrendDisplay(k.trend);
        // What a change of the view's input runs before it redraws; drawing runs nothing.
        doc->UpdateDisplayedAnalysis();
        const CPelmorDoc& snapshot = *doc;
        const PlotSetup plots = snapshot.Plots();
        const ImpedanceCalculator& z = snapshot.Calculator();
        const std::vector<double> ensembleR(z.ensembleR, z.ensembleR + kFrequencies);
        const int selected = z.selectedFrequencyIndex;

        auto first = std::make_unique<DrawnView>();
        auto second = std::make_unique<DrawnView>();
        const RecordingSurface a = Draw(snapshot, *first);
        const RecordingSurface b = Draw(snapshot, *second);
        EXPECT_TRUE(SameCalls(a, b));

        // Nothing of the document changed; the windows drawn went to the DrawnView.
        EXPECT_EQ(0, std::memcmp(&plots, &snapshot.Plots(), sizeof(PlotSetup)));
        EXPECT_EQ(ensembleR, std::vector<double>(z.ensembleR, z.ensembleR + kFrequencies));
        EXPECT_EQ(z.selectedFrequencyIndex, selected);
        std::vector<int> shown;
        for (int w = 0; w < kPlotWindowCount; ++w)
            if (first->windows[w].shown) shown.push_back(w);
        std::vector<int> expected = {kSignalWindow0,
                                     kSignalWindow0 + 1,
                                     kSignalWindow0 + 2,
                                     kSpectrumWindow0,
                                     kSpectrumWindow0 + 1,
                                     kSpectrumWindow0 + 2,
                                     kXYWindow,
                                     k.trend ? kImpedanceTimeWindow : kImpedanceFrequencyWindow,
                                     kStoredImpedanceWindow};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected);

        // R in red and X in blue: the impedance curves and the stored one selected.
        EXPECT_GE(CurvesIn(a, kRed), 2);
        EXPECT_GE(CurvesIn(a, kBlue), 2);
        EXPECT_GT(first->xyCount, 0);
        if (k.trend) {
            int bands = 0;
            for (const SurfaceCall& c : a.Calls(SurfaceOp::FillSolid))
                bands += c.color == kInspirationBand || c.color == kRefusedBand ? 1 : 0;
            // One band per breath the document's analysis found.
            const std::size_t breaths = snapshot.DisplayedBreaths().breaths.size();
            EXPECT_GE(breaths, 3u);
            EXPECT_EQ(static_cast<std::size_t>(bands), breaths);
            EXPECT_TRUE(HasText(a, "dX="));
            EXPECT_TRUE(HasText(a, "4 Hz"));
        } else if (!k.measuring) {
            EXPECT_TRUE(HasText(a, "Samples:"));
        }
    }
}

}  // namespace
}  // namespace pelmor
