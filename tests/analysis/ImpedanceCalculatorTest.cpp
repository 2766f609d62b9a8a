#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "analysis/ImpedanceCalculator.h"

namespace pelmor {
namespace {

// A block of n samples holding periods whole periods of cosines: component i has frequency
// index F[i] and complex amplitude a[i] at its transform bin (x = 2 |a| cos(... + arg a)).
std::vector<double> Block(int n, int periods, const std::vector<int>& F,
                          const std::vector<Complex>& a) {
    std::vector<double> x(n, 0.0);
    for (std::size_t i = 0; i < F.size(); ++i) {
        const double amp = 2 * std::hypot(a[i].re, a[i].im), phase = std::atan2(a[i].im, a[i].re);
        for (int j = 0; j < n; ++j)
            x[j] += amp * std::cos(2 * std::numbers::pi * F[i] * periods * j / n + phase);
    }
    return x;
}

std::unique_ptr<ImpedanceCalculator> Calculator(const std::vector<int>& F, double period) {
    auto calc = std::make_unique<ImpedanceCalculator>();
    calc->SetFrequencies(F.data(), static_cast<int>(F.size()), period);
    return calc;
}

TEST(ImpedanceCalculator, StartsWithTheDocumentedValues) {
    auto calc = std::make_unique<ImpedanceCalculator>();
    EXPECT_EQ(calc->frequencyCount, 0);
    EXPECT_EQ(calc->averagingTime, 0.5);
    EXPECT_EQ(calc->ringLength, 5);
    EXPECT_EQ(calc->trendCapacity, 50);
    EXPECT_EQ(calc->trendWindows, 1);
    EXPECT_EQ(calc->calibrationOff, 1);
    EXPECT_EQ(calc->loadedCalibration.count, 0);
}

TEST(ImpedanceCalculator, AveragingTimeSetsTheRingLength) {
    auto calc = std::make_unique<ImpedanceCalculator>();
    const struct {
        double in, time;
        int ring;
    } cases[] = {
        {7, 5, 50}, {0.04, 0.1, 1}, {0.26, 0.26, 3}, {0.5, 0.5, 5}, {std::nan(""), 0.1, 1}};
    for (const auto& c : cases) {
        calc->ringCount = calc->ringIndex = calc->trendCount = calc->trendStart = 2;
        calc->SetAveragingTime(c.in);
        EXPECT_EQ(calc->averagingTime, c.time) << c.in;
        EXPECT_EQ(calc->ringLength, c.ring) << c.in;
        EXPECT_EQ(calc->ringCount + calc->ringIndex + calc->trendCount + calc->trendStart, 0);
    }
}

TEST(ImpedanceCalculator, RefusesBlocksThatAreNotWholePowerOfTwoPeriods) {
    auto calc = Calculator({1, 2}, 1.0);
    std::vector<double> a(1 << 15, 1.0), b(1 << 15, 1.0);
    const struct {
        int n, P;
    } cases[] = {
        // clang-format off
        //   n        P
        {     96,      96},
        {   1000,     500},
        {      8,       8},
        {1 << 15, 1 << 15},
        {   1024,       0},
        {   1024,    2048},
        {   1024,     384},
        {      0,       1},
        {     -4,       1},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(calc->AnalyseBlock(c.n, a.data(), b.data(), kMethodEnsemble, c.P), 1)
            << c.n << " " << c.P;
    }
    EXPECT_EQ(calc->periodsAccumulated, 0);
    EXPECT_EQ(calc->AnalyseBlock(512, a.data(), b.data(), kMethodEnsemble, 512), 0);
    EXPECT_EQ(calc->AnalyseBlock(1 << 14, a.data(), b.data(), kMethodEnsemble, 1 << 13), 0);
    EXPECT_EQ(calc->periodsAccumulated, 2);
}

TEST(ImpedanceCalculator, EnsembleUsesBinsOfWholePeriodsAndIdenticalSpectraAreCoherent) {
    // Two periods of 512 samples per block: frequency index F sits in bin 2F.
    const std::vector<int> F = {3, 10, 100};
    const std::vector<Complex> y = {{1, 0.5}, {-0.25, 2}, {0.75, -0.75}};
    const std::vector<Complex> z = {{2, -1}, {0.5, 0.25}, {3, 4}};
    std::vector<Complex> x;
    for (std::size_t i = 0; i < F.size(); ++i)
        x.push_back({z[i].re * y[i].re - z[i].im * y[i].im, z[i].re * y[i].im + z[i].im * y[i].re});
    auto a = Block(1024, 2, F, x), b = Block(1024, 2, F, y);

    auto calc = Calculator(F, 0.5);
    for (int k = 0; k < 3; ++k)
        ASSERT_EQ(calc->AnalyseBlock(1024, a.data(), b.data(), kMethodEnsemble, 512), 0);
    EXPECT_EQ(calc->periodsAccumulated, 3);
    for (std::size_t i = 0; i < F.size(); ++i) {
        EXPECT_NEAR(calc->ensembleR[i], z[i].re, 1e-12) << i;
        EXPECT_NEAR(calc->ensembleX[i], z[i].im, 1e-12) << i;
        EXPECT_NEAR(calc->coherence[i], 1.0, 1e-12) << i;
    }
    calc->ResetEnsemble();
    EXPECT_EQ(calc->periodsAccumulated, 0);
    EXPECT_EQ(calc->ensembleR[0], 0);
    EXPECT_EQ(calc->coherence[2], 0);
}

TEST(ImpedanceCalculator, FrequencyWithoutBinIsNotANumberAndTheOthersAreComputed) {
    // Index 512 and 600 have no bin in a 512-sample period; the transform is never read past.
    const std::vector<int> F = {3, 512, 600, 7};
    auto a = Block(512, 1, {3, 7}, {{1, 0}, {0, 2}});
    auto b = Block(512, 1, {3, 7}, {{0.5, 0}, {1, 0}});
    auto calc = Calculator(F, 1.0);
    calc->SetAveragingTime(0.1);
    for (int method : {kMethodEnsemble, kMethodLive}) {
        ASSERT_EQ(calc->AnalyseBlock(512, a.data(), b.data(), method, 512), 0);
    }
    EXPECT_NEAR(calc->ensembleR[0], 2, 1e-12);
    EXPECT_NEAR(calc->ensembleX[3], 2, 1e-12);
    EXPECT_NEAR(calc->averageR[0], 2, 1e-12);
    for (int i : {1, 2}) {
        EXPECT_TRUE(std::isnan(calc->ensembleR[i]) && std::isnan(calc->ensembleX[i]));
        EXPECT_TRUE(std::isnan(calc->coherence[i]));
        EXPECT_TRUE(std::isnan(calc->averageR[i]) && std::isnan(calc->instantX[0][i]));
    }
}

TEST(ImpedanceCalculator, LiveRingAveragesTheLastRatiosAndTheTrendKeepsFifty) {
    auto calc = Calculator({1, 2}, 1.0);
    calc->SetAveragingTime(0.3);  // ring of 3
    // Block k has ratio (k + 1) + k i at frequency 0 and 2 at frequency 1; Y varies so that the
    // mean of ratios differs from the ratio of means.
    auto feed = [&](int k) {
        const Complex Y[2] = {{1.0 + k, 0}, {0.5, 0.5 * k}};
        const Complex X[2] = {{(1.0 + k) * (k + 1), (1.0 + k) * k}, {1.0, 1.0 * k}};
        calc->AccumulateLive(X, Y, 0);
    };
    feed(0);
    EXPECT_EQ(calc->ringCount, 1);
    EXPECT_DOUBLE_EQ(calc->averageR[0], calc->instantR[0][0]);
    EXPECT_DOUBLE_EQ(calc->averageX[0], calc->instantX[0][0]);
    for (int k = 1; k < 4; ++k) feed(k);
    // Ratios of blocks 1, 2, 3 remain: (2 + i), (3 + 2i), (4 + 3i).
    EXPECT_EQ(calc->ringCount, 3);
    EXPECT_EQ(calc->ringIndex, 1);
    EXPECT_DOUBLE_EQ(calc->averageR[0], 3.0);
    EXPECT_DOUBLE_EQ(calc->averageX[0], 2.0);
    EXPECT_DOUBLE_EQ(calc->averageR[1], 2.0);
    EXPECT_DOUBLE_EQ(calc->instantR[0][0], 4.0);  // block 3 replaced block 0's slot

    calc->SetAveragingTime(0.1);
    for (int k = 0; k < 60; ++k) feed(k);
    EXPECT_EQ(calc->trendCount, 50);
    EXPECT_EQ(calc->trendStart, 10);
    EXPECT_DOUBLE_EQ(calc->trendR[9], 60.0);  // the newest point overwrote the oldest
    EXPECT_DOUBLE_EQ(calc->trendR[10], 11.0);

    calc->ResetCalculator();
    EXPECT_EQ(calc->ringCount + calc->trendCount + calc->offlineTrendCount, 0);
}

TEST(ImpedanceCalculator, TrendPointAveragesTheLastWindowsAtTheSelectedFrequency) {
    auto calc = Calculator({1, 2}, 1.0);
    calc->selectedFrequencyIndex = 1;
    calc->trendWindows = 2;
    const double ratios[] = {2, 4, 8};
    const double expected[] = {2, 3, 6};
    for (int k = 0; k < 3; ++k) {
        const Complex X[2] = {{0, 0}, {ratios[k], 0}}, Y[2] = {{1, 0}, {1, 0}};
        calc->AccumulateTrendPoint(X, Y);
        EXPECT_DOUBLE_EQ(calc->trendR[k], expected[k]);
    }
    EXPECT_EQ(calc->offlineTrendCount, 3);
}

TEST(ImpedanceCalculator, LatestPeriodNeedsARunningMeasurementAndAPowerOfTwoPeriod) {
    auto state = std::make_unique<MeasurementState>();
    auto calc = Calculator({2}, 1.0);
    auto a = Block(512, 1, {2}, {{1, 1}}), b = Block(512, 1, {2}, {{1, 0}});
    AnalysisInputs in{*state, 512.0, 512, 1.0};
    for (int s = 0; s < 2; ++s) state->buffers[s].SetSampleInterval(1.0 / 512);
    state->buffers[0].AppendBlock(a.data(), 300);
    state->buffers[1].AppendBlock(b.data(), 300);

    EXPECT_EQ(calc->AnalyseLatestPeriod(in), 1);  // not running
    state->measurementRunning = 1;
    EXPECT_EQ(calc->AnalyseLatestPeriod(in), 1);  // fewer samples than a period
    state->buffers[0].AppendBlock(a.data() + 300, 212);
    state->buffers[1].AppendBlock(b.data() + 300, 212);
    in.samplesPerPeriod = 96;
    EXPECT_EQ(calc->AnalyseLatestPeriod(in), 1);
    in.samplesPerPeriod = 4096;
    EXPECT_EQ(calc->AnalyseLatestPeriod(in), 1);  // more than 2048
    in.samplesPerPeriod = 512;
    EXPECT_EQ(calc->AnalyseLatestPeriod(in, 0, 8), 1);
    EXPECT_EQ(calc->AnalyseLatestPeriod(in), 0);
    EXPECT_EQ(calc->ringCount, 1);
    EXPECT_NEAR(calc->averageR[0], 1, 1e-12);
    EXPECT_NEAR(calc->averageX[0], 1, 1e-12);
}

}  // namespace
}  // namespace pelmor
