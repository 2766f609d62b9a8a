// "pelmor-cli outcomes" over 1,000 full-precision recordings of 16 s, 2 channels at 1024 Hz of a
// series R-L-C subject, made here in a temporary folder: files per second with one worker and
// with one per core (goal: at least 100 files/s per core, and the all-core figure close to
// cores times that).
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/CliApp.h"
#include "excitation/ExcitationRecords.h"
#include "files/DataFile.h"

namespace {

using namespace pelmor;

constexpr int kFiles = 1000;
constexpr double kRate = 1024.0;
constexpr int kFrames = 16 * 1024;
constexpr int kComponents = 12;  // 4, 6, ..., 26 Hz of a 1 s period

class RecordingFolder {
  public:
    RecordingFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/pelmor-bench-XXXXXX";
        if (mkdtemp(pattern.data())) folder_ = pattern;
        auto excitation = std::make_unique<ActiveExcitation>();
        excitation->period = 1.0;
        excitation->definitionPoints = 1024;
        excitation->componentCount = kComponents;
        for (int i = 0; i < kComponents; ++i) {
            excitation->frequencyIndex[i] = 4 + 2 * i;
            excitation->amplitude[i] = 0.1;
            excitation->phase[i] = std::numbers::pi * i * i / kComponents;
        }
        for (int f = 0; f < kFiles; ++f) {
            // A slightly different subject in each file.
            const double r = 0.3 + 0.0001 * (f % 50), l = 0.005, c = 0.035;
            const std::string path = folder_ + "/run " + std::to_string(f) + ".inpx";
            if (!Write(path, *excitation, r, l, c)) std::abort();
            paths_.push_back(path);
        }
    }
    ~RecordingFolder() {
        std::error_code ec;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    }
    const std::vector<std::string>& Paths() const { return paths_; }

  private:
    static bool Write(const std::string& path, const ActiveExcitation& e, double r, double l,
                      double c) {
        std::vector<double> volts(static_cast<std::size_t>(kFrames) * 2);
        for (int i = 0; i < kComponents; ++i) {
            const double hz = e.frequencyIndex[i] / e.period;
            const double w = 2 * std::numbers::pi * hz;
            const std::complex<double> z(r, w * l - 1 / (w * c));
            for (int k = 0; k < kFrames; ++k) {
                const double phase = w * k / kRate + e.phase[i];
                volts[2 * k + 1] += e.amplitude[i] * std::cos(phase);
                volts[2 * k] += e.amplitude[i] * std::abs(z) * std::cos(phase + std::arg(z));
            }
        }
        DataFileInput in;
        in.sampleRate = kRate;
        in.signalPeriod = e.period;
        in.samplesPerPeriod = 1024;
        in.channelCount = 2;
        in.frameCount = kFrames;
        in.timeStamp = "2026/12/10   05:00:00";
        in.excitation = &e;
        in.voltSamples = volts;
        std::string message;
        return WriteDataFile(path, DataFormat::FullPrecision, in, message);
    }

    std::string folder_;
    std::vector<std::string> paths_;
};

int RunOutcomes(const std::vector<std::string>& paths, long workers, std::string* errors) {
    std::vector<std::string> args = {"pelmor-cli", "outcomes"};
    args.insert(args.end(), paths.begin(), paths.end());
    args.insert(args.end(), {"--format", "csv"});
    if (workers > 0) args.insert(args.end(), {"--jobs", std::to_string(workers)});
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    benchmark::DoNotOptimize(out.str().size());
    if (errors) *errors = err.str();
    return code;
}

// The files, written and then read once untimed: the first pass over freshly written files
// pays for their write-back and would not measure the analysis.
const RecordingFolder& Recordings() {
    static RecordingFolder folder;
    static const int warmed = RunOutcomes(folder.Paths(), 0, nullptr);
    (void)warmed;
    return folder;
}

// Argument: workers (0: one per core).
void BM_OutcomesCommand(benchmark::State& state) {
    const std::vector<std::string>& paths = Recordings().Paths();
    for (auto _ : state) {
        std::string errors;
        if (RunOutcomes(paths, state.range(0), &errors) != 0) state.SkipWithError(errors.c_str());
    }
    state.counters["files/s"] = benchmark::Counter(static_cast<double>(kFiles) * state.iterations(),
                                                   benchmark::Counter::kIsRate);
    state.counters["cores"] = std::thread::hardware_concurrency();
}

}  // namespace

BENCHMARK(BM_OutcomesCommand)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
