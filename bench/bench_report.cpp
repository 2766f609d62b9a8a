// The session report as the command line makes it: 32 recordings of 16 s (3 channels at
// 1024 Hz, a twelve-component excitation) analysed over their whole records on all cores, then
// 33 A4 pages written as a PDF. Goal: under 2 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "device/SerialDriverFactory.h"
#include "display/SessionReport.h"
#include "document/CPelmorDoc.h"
#include "document/RecordAnalysis.h"
#include "files/DataFile.h"
#include "platform/Clock.h"
#include "platform/MemoryProfile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"
#include "report/PdfReport.h"

namespace {

using namespace pelmor;

constexpr int kFiles = 32;
constexpr double kRate = 1024.0;
constexpr int kFrames = 16 * 1024;
constexpr int kChannels = 3;

class QuietUserInterface : public UserInterface {
  public:
    void ShowMessage(const std::string&) override { ++messages; }
    bool AskYesNo(Question, const std::string&) override { return false; }
    int messages = 0;
};

class NoShell : public Shell {
  public:
    bool SetClipboardText(const std::string&) override { return false; }
    bool OpenInSpreadsheet(const std::string&, std::string&) override { return false; }
    bool OpenHelp(const std::string&) override { return false; }
    std::string TempFolder() override { return "/tmp"; }
    std::string HomeFolder() override { return "/tmp"; }
    char DecimalSeparator() override { return '.'; }
};

std::string TempPath(const std::string& name) {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/" + name;
}

// Slot 1 the excitation, slot 0 a resistance-like copy that varies with the breathing in slot 2.
std::string WriteRecording(const ActiveExcitation& excitation, int index) {
    std::vector<double> volts(static_cast<std::size_t>(kFrames) * kChannels);
    for (int k = 0; k < kFrames; ++k) {
        double x = 0;
        for (int i = 0; i < excitation.componentCount; ++i)
            x += 0.1 * std::cos(2 * std::numbers::pi * excitation.frequencyIndex[i] * k / kRate +
                                0.3 * i * i);
        const double breath = std::sin(2 * std::numbers::pi * 0.25 * k / kRate);
        double* frame = &volts[static_cast<std::size_t>(k) * kChannels];
        frame[0] = (0.3 + 0.01 * index + 0.05 * breath) * x;
        frame[1] = x;
        frame[2] = breath;
    }
    DataFileInput in;
    in.sampleRate = kRate;
    in.signalPeriod = 1.0;
    in.samplesPerPeriod = 1024;
    in.channelCount = kChannels;
    in.frameCount = kFrames;
    in.timeStamp = "2026/12/10   05:00:00";
    in.excitation = &excitation;
    in.voltSamples = volts;
    const std::string path = TempPath("pelmor-bench-report-" + std::to_string(index) + ".inpx");
    std::string message;
    if (!WriteDataFile(path, DataFormat::FullPrecision, in, message)) std::abort();
    return path;
}

void BM_SessionReport(benchmark::State& state) {
    auto excitation = std::make_unique<ActiveExcitation>();
    excitation->period = 1.0;
    excitation->componentCount = 12;
    for (int i = 0; i < 12; ++i) excitation->frequencyIndex[i] = 2 + 2 * i;
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) paths.push_back(WriteRecording(*excitation, i));
    const std::string out = TempPath("pelmor-bench-report.pdf");

    MemoryProfile profile;
    QuietUserInterface ui;
    NoShell shell;
    SystemClock clock;
    NoDeviceSerialDriver driver;
    auto measurement = std::make_unique<MeasurementState>();
    auto doc = std::make_unique<CPelmorDoc>(*measurement,
                                            DocumentServices{profile, ui, shell, clock, driver});
    int pages = 0;
    const RecordAnalysisSetup setup = RecordAnalysisSetupOf(*doc);
    for (auto _ : state) {
        SessionReport report;
        report.written = clock.FormatLocalTime("%Y/%m/%d %H:%M:%S", clock.CalendarSeconds());
        std::vector<ReportFile> files =
            AnalyseReportFiles(paths, setup, 5.0, doc->BreathAnalysisSettings());
        for (ReportFile& f : files) {
            if (!f.record.analysed) {
                state.SkipWithError(f.record.reason.c_str());
                return;
            }
            report.results.push_back(f.record.spectrum);
            report.recordings.push_back(std::move(f.page));
        }
        FitReportModel(report, profile);
        AddOutcomeTables(report, profile);
        std::string error;
        if (!WriteReportPdf(report, out, error, [&](int, int total) {
                pages = total;
                return true;
            })) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    state.counters["pages"] = pages;
    for (const std::string& path : paths) std::remove(path.c_str());
    std::remove(out.c_str());
}

}  // namespace

BENCHMARK(BM_SessionReport)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
