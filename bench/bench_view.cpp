// A full repaint of the view into a 1920 × 1080 image while measuring: 8 channels of 65,536
// samples with their spectra, an XY window of 65,536 points, the live impedance spectrum with 8
// ring slots and the average, and 32 stored results. Once with lines reduced to four points per
// pixel column, once with every point handed to the surface.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceEmulator.h"
#include "display/DrawAll.h"
#include "files/SetupFile.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"
#include "report/QtSurface.h"

namespace pelmor {
namespace {

class NullProfile : public Profile {
  public:
    int GetInt(const std::string&, const std::string&, int d) override { return d; }
    void WriteInt(const std::string&, const std::string&, int) override {}
    std::string GetString(const std::string&, const std::string&, const std::string& d) override {
        return d;
    }
    void WriteString(const std::string&, const std::string&, const std::string&) override {}
    std::optional<std::vector<uint8_t>> GetBinary(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void WriteBinary(const std::string&, const std::string&, const std::vector<uint8_t>&) override {
    }
};

class NullInterface : public UserInterface {
  public:
    void ShowMessage(const std::string&) override {}
    bool AskYesNo(Question, const std::string&) override { return true; }
};

class NullShell : public Shell {
  public:
    bool SetClipboardText(const std::string&) override { return true; }
    bool OpenInSpreadsheet(const std::string&, std::string&) override { return true; }
    bool OpenHelp(const std::string&) override { return true; }
    std::string TempFolder() override { return "/tmp"; }
    std::string HomeFolder() override { return "/tmp"; }
    char DecimalSeparator() override { return '.'; }
};

struct Scene {
    NullProfile profile;
    NullInterface ui;
    NullShell shell;
    SystemClock clock;
    DeviceEmulator emulator;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc;
    ViewState view;
    StoredResultsView stored;
    std::vector<double> storedHz, storedR, storedX;
    std::vector<std::string> labels;

    Scene() {
        doc = std::make_unique<CPelmorDoc>(*state,
                                           DocumentServices{profile, ui, shell, clock, emulator});
        // Forty components in 8 s on eight slots at 1024 Hz, X and Y on the first two.
        auto image = std::make_unique<SetupFileImage>(doc->MakeSetupImage());
        ExcitationBank& b = image->excitationBank;
        b.period = 8.0;
        b.signalCount = 1;
        constexpr int kComponents = 40;
        b.componentCount[0] = kComponents;
        for (int i = 0; i < kComponents; ++i) {
            b.frequencyIndex[0][i] = 8 * (i + 1);
            b.amplitude[0][i] = 0.05;
        }
        image->xChannelIndex = 0;
        image->yChannelIndex = 1;
        doc->ApplySetupImage(*image);
        doc->SelectSignal(0);
        doc->SetSampleRateIndex(2);
        doc->SetChannelMask(0xFF);
        doc->ApplyMeasurementSetup();
        std::vector<double> v(65536);
        for (int s = 0; s < 8; ++s) {
            for (int i = 0; i < 65536; ++i) {
                const double t = i / 1024.0;
                v[i] = std::sin(2 * std::numbers::pi * (1 + s) * t) +
                       0.3 * std::sin(2 * std::numbers::pi * 37 * t + s);
            }
            state->buffers[s].AppendBlock(v.data(), 65536);
        }
        PlotWindow shown = doc->Plots().windows[0];
        shown.xmin = 0;
        shown.xmax = 64;
        doc->SetPlotWindow(0, shown);
        view.slidingDisplay = true;
        view.showSpectrum = true;
        view.xyPeriods = 8;
        view.xyAutoscale = true;
        ImpedanceCalculator& z = doc->CalculatorForTesting();
        z.ringLength = 50;
        z.ringCount = 50;
        for (int slot = 0; slot < 50; ++slot) {
            for (int f = 0; f < z.frequencyCount; ++f) {
                z.instantR[slot][f] = 0.25 + 0.01 * slot;
                z.instantX[slot][f] = -1.0 / (f + 1) + 0.01 * slot;
            }
        }
        for (int f = 0; f < z.frequencyCount; ++f) {
            z.averageR[f] = 0.3;
            z.averageX[f] = -0.5 / (f + 1);
        }
        const int n = z.frequencyCount;
        storedHz.assign(z.frequencyHz, z.frequencyHz + n);
        storedR.resize(32 * n);
        storedX.resize(32 * n);
        labels.resize(32);
        for (int k = 0; k < 32; ++k) {
            labels[k] = "result " + std::to_string(k);
            for (int f = 0; f < n; ++f) {
                storedR[k * n + f] = 0.2 + 0.01 * k;
                storedX[k * n + f] = -1.0 / (f + 1) + 0.01 * k;
            }
            StoredResultView& r = stored.results[k];
            r.label = labels[k];
            r.frequencyCount = n;
            r.frequencies = storedHz.data();
            r.R = &storedR[k * n];
            r.X = &storedX[k * n];
            r.marked = k % 3 == 0;
        }
        stored.count = 32;
        stored.selected = 5;
        state->measurementRunning = 1;
    }
    ~Scene() { state->measurementRunning = 0; }
};

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_view";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
}

void DrawAllFullHd(benchmark::State& bs, int reduction) {
    EnsureApplication();
    static Scene* scene = new Scene;  // shared by both runs, never torn down
    scene->view.columnReduction = reduction;
    QImage image(1920, 1080, QImage::Format_RGB32);
    static DrawnView* drawn = new DrawnView;
    // What the view shows is analysed once, as after the change that shows it; every repaint
    // then only draws.
    UpdateView(*scene->doc, scene->view, scene->stored);
    for (auto _ : bs) {
        image.fill(Qt::white);
        QPainter painter(&image);
        QtSurface surface(painter);
        DrawAll(surface, *scene->doc, scene->view, scene->stored, {0, 0, 1920, 1080}, false,
                *drawn);
        KeepDrawnView(*scene->doc, scene->view, *drawn);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    int shown = 0;
    for (const PlotWindow& w : scene->doc->Plots().windows) shown += w.shown;
    bs.counters["windows"] = shown;
}

void BM_DrawAll_ColumnReduced(benchmark::State& bs) { DrawAllFullHd(bs, 1); }
void BM_DrawAll_EveryPoint(benchmark::State& bs) { DrawAllFullHd(bs, 0); }

BENCHMARK(BM_DrawAll_ColumnReduced)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawAll_EveryPoint)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace pelmor

BENCHMARK_MAIN();
