// Reading a recorded data file from disk into samples: 64 s of 8 channels at 1024 Hz in full
// precision (65,536 frames, the most a trace buffer holds), and 30 s in 12 bits for
// comparison; writing the full-precision file from a recording of raw values.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "files/DataFile.h"

namespace {

constexpr int kFrames = 64 * 1024;
constexpr int kChannels = 8;

std::vector<int32_t> RawRecording(int frames) {
    std::vector<int32_t> raw(static_cast<std::size_t>(frames) * kChannels);
    uint32_t x = 12345;
    for (auto& v : raw) {
        x = x * 1664525u + 1013904223u;
        v = static_cast<int32_t>(x);
    }
    return raw;
}

std::string TempPath(const char* name) {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/" + name;
}

// A recording with a 3-component excitation and no calibration, written once to path.
struct BenchFile {
    std::string path;
    std::vector<int32_t> raw;
    std::unique_ptr<pelmor::ActiveExcitation> excitation =
        std::make_unique<pelmor::ActiveExcitation>();
    pelmor::DataFileInput input;

    BenchFile(pelmor::DataFormat format, int frames, const char* name)
        : path(TempPath(name)), raw(RawRecording(frames)) {
        excitation->componentCount = 3;
        for (int i = 0; i < 3; ++i) excitation->frequencyIndex[i] = i + 1;
        input.sampleRate = 1024.0;
        input.signalPeriod = 1.0;
        input.samplesPerPeriod = 1024;
        input.channelCount = kChannels;
        input.frameCount = frames;
        input.recordingTime = frames / 1024.0;
        input.timeStamp = "2026/12/09   22:08:00";
        input.excitation = excitation.get();
        input.rawSamples = raw;
        for (int c = 0; c < kChannels; ++c) input.channelNames[c] = "Channel";
        std::string message;
        if (!pelmor::WriteDataFile(path, format, input, message)) std::abort();
    }
    ~BenchFile() { std::remove(path.c_str()); }
};

void BM_LoadFullPrecision(benchmark::State& state) {
    BenchFile file(pelmor::DataFormat::FullPrecision, kFrames, "pelmor-bench-64s.inpx");
    auto contents = std::make_unique<pelmor::DataFileContents>();
    std::string message;
    for (auto _ : state) {
        if (pelmor::LoadDataFile(file.path, *contents, message) != pelmor::DataFileLoad::Loaded)
            state.SkipWithError(message.c_str());
        benchmark::DoNotOptimize(contents->samples.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

void BM_LoadTwelveBit(benchmark::State& state) {
    BenchFile file(pelmor::DataFormat::TwelveBit, 30 * 1024, "pelmor-bench-30s.inp");
    auto contents = std::make_unique<pelmor::DataFileContents>();
    std::string message;
    for (auto _ : state) {
        if (pelmor::LoadDataFile(file.path, *contents, message) != pelmor::DataFileLoad::Loaded)
            state.SkipWithError(message.c_str());
        benchmark::DoNotOptimize(contents->samples.data());
    }
    state.SetItemsProcessed(state.iterations() * 30 * 1024 * kChannels);
}

void BM_BuildFullPrecision(benchmark::State& state) {
    BenchFile file(pelmor::DataFormat::FullPrecision, kFrames, "pelmor-bench-build.inpx");
    std::vector<uint8_t> bytes;
    std::string message;
    for (auto _ : state) {
        pelmor::BuildDataFile(pelmor::DataFormat::FullPrecision, file.input, bytes, message);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames * kChannels);
}

}  // namespace

BENCHMARK(BM_LoadFullPrecision)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTwelveBit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFullPrecision)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
