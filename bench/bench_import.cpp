// "Import data" through the document, from the path to the finished trend: a 64 s recording of
// 8 channels at 1024 Hz in full precision (65,536 frames, the most a trace buffer holds) with a
// twelve-component excitation whose trend frequency is 8 Hz.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "device/DeviceEmulator.h"
#include "document/CPelmorDoc.h"
#include "files/DataFile.h"
#include "platform/Clock.h"
#include "platform/MemoryProfile.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace {

using namespace pelmor;

constexpr int kFrames = 64 * 1024;
constexpr int kChannels = 8;
constexpr double kRate = 1024.0;

// Answers every question with Yes and counts the messages (there should be none).
class QuietUserInterface : public UserInterface {
  public:
    void ShowMessage(const std::string&) override { ++messages; }
    bool AskYesNo(Question, const std::string&) override { return true; }
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

std::string TempPath(const char* name) {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/" + name;
}

// Slot 1 the excitation, slot 0 a scaled copy, the other slots a slow breathing-like wave.
std::string WriteBenchFile(const ActiveExcitation& excitation) {
    std::vector<double> volts(static_cast<std::size_t>(kFrames) * kChannels);
    for (int k = 0; k < kFrames; ++k) {
        double x = 0;
        for (int i = 0; i < excitation.componentCount; ++i)
            x += 0.1 * std::cos(2 * std::numbers::pi * excitation.frequencyIndex[i] * k / kRate);
        const double breath = std::sin(2 * std::numbers::pi * 0.25 * k / kRate);
        for (int c = 0; c < kChannels; ++c)
            volts[static_cast<std::size_t>(k) * kChannels + c] = c == 0   ? 0.3 * x
                                                                 : c == 1 ? x
                                                                          : breath / c;
    }
    DataFileInput in;
    in.sampleRate = kRate;
    in.signalPeriod = 1.0;
    in.samplesPerPeriod = 1024;
    in.channelCount = kChannels;
    in.frameCount = kFrames;
    in.timeStamp = "2026/12/09   22:08:00";
    in.excitation = &excitation;
    in.voltSamples = volts;
    const std::string path = TempPath("pelmor-bench-import.inpx");
    std::string message;
    if (!WriteDataFile(path, DataFormat::FullPrecision, in, message)) std::abort();
    return path;
}

void BM_ImportDataFile(benchmark::State& state) {
    auto excitation = std::make_unique<ActiveExcitation>();
    excitation->period = 1.0;
    excitation->componentCount = 12;
    for (int i = 0; i < 12; ++i) excitation->frequencyIndex[i] = 8 + 2 * i;
    const std::string path = WriteBenchFile(*excitation);

    MemoryProfile profile;  // every key missing: the defaults
    QuietUserInterface ui;
    NoShell shell;
    SystemClock clock;
    DeviceEmulator driver;
    auto measurement = std::make_unique<MeasurementState>();
    auto doc = std::make_unique<CPelmorDoc>(*measurement,
                                            DocumentServices{profile, ui, shell, clock, driver});
    for (auto _ : state) {
        doc->ImportDataFile(path);
        benchmark::DoNotOptimize(doc->Calculator().trendR);
    }
    if (ui.messages != 0 || doc->Calculator().offlineTrendCount == 0)
        state.SkipWithError("the import did not reach the trend");
    state.counters["trend points"] = doc->Calculator().offlineTrendCount;
    state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_ImportDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
