#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "device/DeviceEmulator.h"
#include "display/DrawAll.h"
#include "files/SetupFile.h"
#include "platform/Clock.h"
#include "report/QtSurface.h"
#include "report/RenderView.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using namespace std::chrono_literals;

// A document after two seconds of the emulated subject, twelve harmonics of 1 Hz, three channels.
struct RenderFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    SystemClock clock;
    std::unique_ptr<DeviceEmulator> emulator;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc;
    ViewState view;
    test::TempDir dir;

    void SetUp() override {
        EmulatorOptions o;
        o.realtime = false;
        emulator = std::make_unique<DeviceEmulator>(o, &clock);
        doc = std::make_unique<CPelmorDoc>(*state,
                                           DocumentServices{profile, ui, shell, clock, *emulator});
        test::UseTwelveHarmonics(*doc, 2);  // 2 ... 24 Hz
        ASSERT_TRUE(doc->SetChannelMask(0xE0));
        ui.QueueAnswer(true);  // go on without calibration
        ASSERT_EQ(doc->StartMeasurement(0), 0);
        while (state->buffers[2].Count() < 4 * 512 && state->measurementRunning)
            std::this_thread::sleep_for(1ms);
        for (int tick = 0; tick < 8; ++tick) doc->OnTimerTick(view, status);
    }
    void Stop() {
        doc->Stop();
        doc->WaitForMeasurementEnd();
        doc->OnTimerTick(view, status);  // the trend after the end
        // The emulator runs faster than real time: look at the last four seconds.
        const double end = state->buffers[0].EndTime();
        PlotWindow w = doc->Plots().windows[kSignalWindow0];
        w.xmin = end - 4;
        w.xmax = end;
        doc->SetPlotWindow(kSignalWindow0, w);
    }
    // Saved beside the test's temp files, and into PELMOR_PICTURES when it names a folder.
    void Keep(const QImage& image, const char* name) {
        if (const char* folder = std::getenv("PELMOR_PICTURES"))
            image.save(QString::fromStdString(std::string(folder) + "/" + name));
    }
    StatusTexts status;
};

int CountColour(const QImage& image, const SurfaceRect& r, Color c) {
    int n = 0;
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, image.height()); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, image.width()); ++x)
            if (FromQColor(image.pixelColor(x, y)) == c) ++n;
    return n;
}

SurfaceRect RectOf(const PlotWindow& w) { return {w.left, w.top, w.right, w.bottom}; }

TEST_F(RenderFixture, LiveAndRecordedViewsShowTheImpedanceInRedAndBlue) {
    view.showSpectrum = true;
    ZDisplayValues options = doc->ZDisplayOptions();
    options.displayMode = 1;
    ASSERT_FALSE(doc->ApplyZDisplayOptions(options));
    // The averaging starts again: the next ticks fill it.
    for (int tick = 0; tick < 8; ++tick) doc->OnTimerTick(view, status);
    view.zRescale = true;
    view.slidingDisplay = true;  // the emulator runs ahead: a fresh page may still be empty
    QImage live = RenderViewToImage(*doc, view, 1600, 1000);
    Keep(live, "live.png");
    const PlotWindow& z = doc->Plots().windows[kImpedanceFrequencyWindow];
    ASSERT_TRUE(z.shown);
    EXPECT_GT(CountColour(live, RectOf(z), 0x0000FF), 50);
    EXPECT_GT(CountColour(live, RectOf(z), 0xFF0000), 50);
    for (int s = 0; s < 3; ++s) EXPECT_TRUE(doc->Plots().windows[kSpectrumWindow0 + s].shown);
    EXPECT_GT(CountColour(live, RectOf(doc->Plots().windows[kSpectrumWindow0]), 0x008000), 20);
    EXPECT_TRUE(view.drewWhileRunning);
    // The subject's reactance is negative at 2 Hz and positive at 24 Hz: the rescaled range
    // reaches below zero.
    EXPECT_LT(z.ymin, -0.2);
    EXPECT_GT(z.ymax, 0.25);

    Stop();
    view.showSpectrum = false;
    const std::string path = dir.File("view.png");
    std::string error;
    ASSERT_TRUE(RenderViewToPng(*doc, view, 1600, 1000, path, error)) << error;
    QImage after(QString::fromStdString(path));
    ASSERT_EQ(after.size(), QSize(1600, 1000));
    Keep(after, "after.png");
    EXPECT_GT(CountColour(after, RectOf(z), 0x0000FF), 50);
    EXPECT_GT(CountColour(after, view.timeBarThumb, 0x808080), 10);

    doc->SetTrendDisplay(true);
    view.zRescale = true;
    QImage trend = RenderViewToImage(*doc, view, 1600, 1000);
    Keep(trend, "trend.png");
    EXPECT_TRUE(doc->Plots().windows[kImpedanceTimeWindow].shown);

    ToggleBlackBackground(view);
    QImage black = RenderViewToImage(*doc, view, 1600, 1000);
    Keep(black, "black.png");
    EXPECT_FALSE(RenderViewToPng(*doc, view, 100, 100, dir.File("no/such/folder/x.png"), error));
    EXPECT_NE(error.find("no/such/folder/x.png"), std::string::npos);
}

TEST_F(RenderFixture, StoredResultsFullScreenOnBlack) {
    Stop();
    const double* hz = doc->Calculator().frequencyHz;
    const int n = doc->Calculator().frequencyCount;
    std::vector<double> r(n), x(n), r2(n), x2(n);
    for (int i = 0; i < n; ++i) {
        r[i] = 0.25;
        x[i] = 0.001 * 6.283 * hz[i] - 1 / (6.283 * hz[i] * 0.25);
        r2[i] = 0.5;
        x2[i] = x[i] / 2;
    }
    StoredResultsView stored;
    stored.count = 2;
    stored.results[0] = {"first.inpx 0-4 s", n, hz, r.data(), x.data(), true};
    stored.results[1] = {"second.inpx 2-6 s", n, hz, r2.data(), x2.data(), false};
    stored.selected = 0;
    view.storedFullScreen = true;
    view.storedRescale = true;
    ToggleBlackBackground(view);
    QImage image = RenderViewToImage(*doc, view, 1200, 800, &stored);
    Keep(image, "stored.png");
    const PlotWindow& w = doc->Plots().windows[kStoredImpedanceWindow];
    ASSERT_TRUE(w.shown);
    EXPECT_GT(w.left, 3);                                    // right of the list
    EXPECT_LT(w.ymin, -0.25);                                // rescaled to the data
    EXPECT_GT(CountColour(image, RectOf(w), 0x0000FF), 50);  // the selected entry
    EXPECT_GT(CountColour(image, RectOf(w), 0x00000A), 10);  // the unmarked one, faint
    EXPECT_FALSE(view.storedRescale);
}

}  // namespace
}  // namespace pelmor
