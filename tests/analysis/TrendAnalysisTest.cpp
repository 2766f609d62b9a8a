#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::ScriptedUserInterface;
constexpr double kPi = std::numbers::pi;

// The impedance of a series R, L, C at f.
Complex SeriesRlc(double f) {
    const double w = 2 * kPi * f, R = 0.3, L = 0.01, C = 0.5;
    return {R, w * L - 1 / (w * C)};
}

// A record whose slot-0 over slot-1 spectrum is SeriesRlc at every excitation frequency, with a
// breathing-like slot 2, appended to fresh buffers from time 0.
struct Record {
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<ImpedanceCalculator> calc = std::make_unique<ImpedanceCalculator>();
    std::vector<int> F;
    double fs, T;

    Record(double fs_, double T_, std::vector<int> F_, double seconds) : F(F_), fs(fs_), T(T_) {
        calc->SetFrequencies(F.data(), static_cast<int>(F.size()), T);
        const int total = static_cast<int>(seconds * fs);
        std::vector<double> x(total), y(total), flow(total);
        for (int j = 0; j < total; ++j) {
            const double t = j / fs;
            for (std::size_t i = 0; i < F.size(); ++i) {
                const double f = F[i] / T, phase = 0.7 * static_cast<double>(i * i);
                const Complex z = SeriesRlc(f);
                y[j] += std::cos(2 * kPi * f * t + phase);
                x[j] += std::hypot(z.re, z.im) *
                        std::cos(2 * kPi * f * t + phase + std::atan2(z.im, z.re));
            }
            flow[j] = 0.5 * std::sin(2 * kPi * 0.25 * t);
        }
        for (int s = 0; s < 3; ++s) state->buffers[s].SetSampleInterval(1 / fs);
        state->buffers[0].AppendBlock(x.data(), total);
        state->buffers[1].AppendBlock(y.data(), total);
        state->buffers[2].AppendBlock(flow.data(), total);
    }
    AnalysisInputs In(double flowScaling = 1.0) const {
        return {*state, fs, static_cast<int>(fs * T + 0.5), T, flowScaling};
    }
};

TEST(ImpedanceTrend, StepIsTheShortestWholeCyclesOfASixteenthSecond) {
    const struct {
        double fs, T;
        int F;
        double averaging;
        double step;
        int windows;
    } cases[] = {
        // clang-format off
        //  fs    T    F  averaging  step        windows
        {  512, 0.5,   4, 0.5,         64,        1},  // 8 Hz: one cycle of 64 samples (0.125 s)
        { 1024, 0.5,   1, 0.5,        512,        1},  // 2 Hz: a cycle of 512 samples = P
        { 1024, 0.25,  2, 5.0,        128,       38},  // (5 - 0.25) / 0.125 windows per point
        { 1024, 0.25, 16, 0.5,         64,        4},  // 64 Hz: four cycles of 16 samples
        { 1024, 1.0,   3, 0.5,  1024.0 / 3,       1},  // 3 Hz: 341.33-sample cycle, not rounded
        // clang-format on
    };
    for (const auto& c : cases) {
        Record r(c.fs, c.T, {c.F}, 6.0);
        r.calc->SetAveragingTime(c.averaging);
        ScriptedUserInterface ui;
        ASSERT_EQ(r.calc->ComputeTrend(r.In(), ui), 0);
        EXPECT_EQ(r.calc->trendWindows, c.windows) << c.F;
        EXPECT_NEAR((r.calc->trendTime[2] - r.calc->trendTime[1]) * c.fs, c.step, 1e-9) << c.F;
        const int n = static_cast<int>(c.fs * c.T);
        EXPECT_NEAR(r.calc->trendTime[0] * c.fs, n / 2 - (c.windows - 1) * c.step / 2, 1e-9);
        EXPECT_TRUE(ui.Messages().empty());
    }
}

TEST(ImpedanceTrend, ThirtySecondRecordGivesAPointPerStepToItsEnd) {
    Record r(1024, 1.0, {8, 16}, 30.0);
    r.calc->selectedFrequencyIndex = 0;  // 8 Hz: step 128 samples
    ScriptedUserInterface ui;
    ASSERT_EQ(r.calc->ComputeTrend(r.In(2.0), ui), 0);
    ASSERT_EQ(r.calc->offlineTrendCount, 233);
    // The last window (offset 232 * 128) ends at the record's end; its centre is 512 later.
    EXPECT_DOUBLE_EQ(r.calc->trendTime[232], (512 + 128.0 * 232) / 1024);
    const Complex z = SeriesRlc(8.0);
    for (int i : {0, 100, 232}) {
        EXPECT_NEAR(r.calc->trendR[i], z.re, 1e-9 * std::abs(z.re));
        EXPECT_NEAR(r.calc->trendX[i], z.im, 1e-9 * std::abs(z.im));
        const double t = r.calc->trendTime[i];
        EXPECT_NEAR(r.calc->trendFlow[i], 2.0 * 0.5 * std::sin(2 * kPi * 0.25 * t), 1e-12);
    }
}

TEST(ImpedanceTrend, AfterARunLongerThanTheBuffersTheTimesStayOnTheSignalTimeAxis) {
    // 200 s at 512 Hz: the buffers keep the last 128 s, from 72 s on.
    Record r(512, 0.5, {4}, 200.0);
    const double oldest = r.state->buffers[0].EndTime() - 65536 / 512.0;
    ASSERT_NEAR(oldest, 72.0, 1e-6);
    ScriptedUserInterface ui;
    ASSERT_EQ(r.calc->ComputeTrend(r.In(), ui), 0);
    ASSERT_GT(r.calc->offlineTrendCount, 1000);
    EXPECT_NEAR(r.calc->trendTime[0], oldest + 128.0 / 512, 1e-9);
    const int last = r.calc->offlineTrendCount - 1;
    EXPECT_LE(r.calc->trendTime[last], r.state->buffers[0].EndTime());
    for (int i : {0, last / 2, last}) {
        // The flow read at each point is the breathing signal at the point's own time.
        const double t = r.calc->trendTime[i];
        EXPECT_NEAR(r.calc->trendFlow[i], 0.5 * std::sin(2 * kPi * 0.25 * t), 1e-6) << t;
    }
}

TEST(ImpedanceTrend, SingleBinPathAgreesWithFullTransforms) {
    Record r(1024, 0.5, {3, 8, 21, 40}, 12.0);
    r.calc->selectedFrequencyIndex = 2;
    r.calc->SetAveragingTime(2.0);
    r.calc->workingCalibration.count = 1;
    r.calc->workingCalibration.frequency[0] = 42.0;
    for (Complex* c : {r.calc->workingCalibration.A, r.calc->workingCalibration.C})
        c[0] = {0.1, -0.2};
    for (Complex* c :
         {r.calc->workingCalibration.B, r.calc->workingCalibration.D, r.calc->workingCalibration.E,
          r.calc->workingCalibration.F, r.calc->workingCalibration.Z0,
          r.calc->workingCalibration.sh, r.calc->workingCalibration.T21})
        c[0] = {1.5, 0.25};
    r.calc->calibrationOff = 0;
    ScriptedUserInterface ui;

    ASSERT_EQ(r.calc->ComputeTrend(r.In(), ui, TrendTransform::FullTransforms), 0);
    const int count = r.calc->offlineTrendCount;
    ASSERT_GT(count, 100);
    std::vector<double> R(r.calc->trendR, r.calc->trendR + count);
    std::vector<double> X(r.calc->trendX, r.calc->trendX + count);
    ASSERT_EQ(r.calc->ComputeTrend(r.In(), ui, TrendTransform::SingleBin), 0);
    ASSERT_EQ(r.calc->offlineTrendCount, count);
    for (int i = 0; i < count; ++i) {
        EXPECT_NEAR(r.calc->trendR[i], R[i], 1e-12 * std::hypot(R[i], X[i])) << i;
        EXPECT_NEAR(r.calc->trendX[i], X[i], 1e-12 * std::hypot(R[i], X[i])) << i;
    }
}

TEST(ImpedanceTrend, RefusalsLeaveNoPoints) {
    Record r(512, 0.5, {4}, 3.0);
    ScriptedUserInterface ui;
    AnalysisInputs in = r.In();
    in.samplesPerPeriod = 96;
    EXPECT_EQ(r.calc->ComputeTrend(in, ui), 1);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0],
              "Impedance trend calculation: the number of points in a period is not power of two.");

    r.state->measurementRunning = 1;
    EXPECT_EQ(r.calc->ComputeTrend(r.In(), ui), 1);
    r.state->measurementRunning = 0;

    // Oldest samples overwritten: the record no longer starts at time 0, and the trend starts
    // where it does.
    std::vector<double> more(65536, 0.0);
    r.state->buffers[0].AppendBlock(more.data(), 65536);
    r.state->buffers[1].AppendBlock(more.data(), 65536);
    EXPECT_EQ(r.calc->ComputeTrend(r.In(), ui), 0);
    EXPECT_GE(r.calc->trendTime[0], 3.0);
    EXPECT_EQ(ui.Messages().size(), 1u);
}

TEST(TimeWindow, IntervalReturnsTheImpedanceAtEveryFrequency) {
    const std::vector<int> F = {1, 2, 3, 5, 8, 13, 21, 34, 55, 89, 144};
    Record r(1024, 0.5, F, 16.0);
    ASSERT_EQ(r.calc->AnalyseInterval(r.In(), 0, 0), 0);
    EXPECT_EQ(r.calc->periodsAccumulated, 32);
    EXPECT_DOUBLE_EQ(r.calc->intervalEnd, 16.0);
    for (std::size_t i = 0; i < F.size(); ++i) {
        const Complex z = SeriesRlc(F[i] / 0.5);
        EXPECT_NEAR(r.calc->ensembleR[i], z.re, 1e-9 * std::hypot(z.re, z.im)) << i;
        EXPECT_NEAR(r.calc->ensembleX[i], z.im, 1e-9 * std::hypot(z.re, z.im)) << i;
        EXPECT_NEAR(r.calc->coherence[i], 1.0, 1e-9) << i;
    }
    // Slot 2 breathes at 0.25 Hz.
    EXPECT_NEAR(r.calc->breathingRate, 0.25, 0.01);

    // A span from 1.2 s holding three whole periods.
    ASSERT_EQ(r.calc->AnalyseInterval(r.In(), 1.2, 2.9), 0);
    EXPECT_EQ(r.calc->periodsAccumulated, 3);
    EXPECT_DOUBLE_EQ(r.calc->intervalStart, 1.2);
    EXPECT_DOUBLE_EQ(r.calc->intervalEnd, 2.7);
}

TEST(TimeWindow, ShortIntervalAnalysesNothingButRefreshesBreathing) {
    Record r(512, 1.0, {4}, 10.0);
    r.calc->breathingRate = 99;
    EXPECT_EQ(r.calc->AnalyseInterval(r.In(), 0.0, 0.9), 1);
    EXPECT_EQ(r.calc->periodsAccumulated, 0);
    EXPECT_EQ(r.calc->breathingRate, 0);  // no whole breath in 0.9 s

    r.state->measurementRunning = 1;
    r.calc->breathingRate = 99;
    EXPECT_EQ(r.calc->AnalyseInterval(r.In(), 0, 0), 1);
    EXPECT_EQ(r.calc->breathingRate, 99);
}

TEST(Breathing, RateFromRisingCrossingsAndVolumeOfTheNegativeHalfCycle) {
    // -1 until 1 s, +1 until 3 s, -1 until 5 s, +1 until 6 s (mean 0): rising crossings at 1 s
    // and 5 s, a falling one at 3 s.
    const double dt = 0.01;
    std::vector<double> s(600);
    for (int m = 0; m < 600; ++m) s[m] = (m < 100 || (m >= 300 && m < 500)) ? -1.0 : 1.0;
    double rate = -1, volume = -1;
    EstimateBreathing(600, s.data(), dt, 1, rate, volume);
    EXPECT_NEAR(rate, 0.25, 1e-12);
    // The integral runs from the sample after the falling crossing to the rising sample:
    // 199 samples of -1 and one of +1.
    EXPECT_NEAR(volume, 1.98, 1e-12);

    EstimateBreathing(1, s.data(), dt, 1, rate, volume);
    EXPECT_EQ(rate, 0);
    EXPECT_EQ(volume, 0);
    // A window of 0 is taken as 1; smoothing over a whole cycle flattens the signal.
    EstimateBreathing(600, s.data(), dt, 0, rate, volume);
    EXPECT_NEAR(rate, 0.25, 1e-12);
}

TEST(BandPass, ConstantRecordPaddedWithTheNewestSampleVanishes) {
    // 1000 samples with a block multiple of 512: the transform holds 1024 points, the last 24
    // repeating the newest sample, so a constant record has nothing but bin 0.
    TraceBuffer trace;
    trace.SetSampleInterval(1.0 / 512);
    std::vector<double> v(1000, 3.5);
    trace.AppendBlock(v.data(), 1000);
    const double end = trace.EndTime();
    BandPassTrace(trace, 4.0, 50.0, 512);
    EXPECT_EQ(trace.Count(), 1000);
    EXPECT_EQ(trace.WriteIndex(), 1000);
    EXPECT_EQ(trace.EndTime(), end);
    for (int k : {0, 500, 999}) EXPECT_NEAR(trace.ValueFromOldest(k), 0.0, 1e-12);
}

TEST(BandPass, KeepsTheBandAndRemovesOffsetAndHighFrequencies) {
    // A wrapped buffer: 1024 valid samples whose oldest sits in the middle of the store.
    TraceBuffer trace(1024);
    trace.SetSampleInterval(1.0 / 512);
    std::vector<double> junk(300, 7.0);
    trace.AppendBlock(junk.data(), 300);
    std::vector<double> v(1024);
    for (int k = 0; k < 1024; ++k)
        v[k] = 2.0 + std::sin(2 * kPi * 10 * k / 512) + 0.5 * std::cos(2 * kPi * 100 * k / 512) +
               0.25 * std::cos(2 * kPi * 2 * k / 512);
    trace.AppendBlock(v.data(), 1024);
    BandPassTrace(trace, 4.0, 50.0, 256);
    EXPECT_EQ(trace.WriteIndex(), 300);
    for (int k = 0; k < 1024; k += 37)
        EXPECT_NEAR(trace.ValueFromOldest(k), std::sin(2 * kPi * 10 * k / 512), 1e-12) << k;

    TraceBuffer empty;
    BandPassTrace(empty, 4.0, 50.0, 256);
    EXPECT_EQ(empty.Count(), 0);
}

TEST(BandPass, ChannelsRefusedWhileMeasuringOrWithoutFrequencies) {
    Record r(512, 0.5, {4}, 3.0);
    const double before = r.state->buffers[0].ValueFromOldest(17);
    const double before1 = r.state->buffers[1].ValueFromOldest(17);
    ScriptedUserInterface ui;
    r.state->measurementRunning = 1;
    EXPECT_EQ(r.calc->BandPassChannels(r.In(), ui), 1);
    r.state->measurementRunning = 0;
    r.calc->frequencyCount = 0;
    EXPECT_EQ(r.calc->BandPassChannels(r.In(), ui), 1);
    EXPECT_EQ(r.state->buffers[0].ValueFromOldest(17), before);

    r.calc->frequencyCount = 1;
    r.calc->offlineTrendCount = 0;
    EXPECT_EQ(r.calc->BandPassChannels(r.In(), ui), 0);
    EXPECT_GT(r.calc->offlineTrendCount, 0);  // the trend was recomputed
    // The 8 Hz excitation is inside 4 ... 11 Hz and survives.
    EXPECT_NEAR(r.state->buffers[1].ValueFromOldest(17), before1, 1e-9);
}

}  // namespace
}  // namespace pelmor
