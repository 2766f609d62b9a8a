#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "analysis/WithinBreath.h"

namespace pelmor {
namespace {

std::vector<double> Range(int from, int to) {
    std::vector<double> f;
    for (int k = from; k <= to; ++k) f.push_back(k);
    return f;
}

const std::vector<double> kSparse = {5, 11, 19};
const std::vector<double> kDense = Range(5, 35);

// The impedance at frequency f in the inspiration and in the expiration: different at every
// frequency, so that a leak between frequencies or phases shows.
Complex InspiratoryZ(double f) { return {0.25 + 0.002 * f, 0.02 * f - 1.0 / f}; }
Complex ExpiratoryZ(double f) { return {0.3 + 0.001 * f, 0.02 * f - 4.0 / f}; }

// A record of slots 0, 1 and 2: the flow holds every excitation frequency with its own
// amplitude and phase, the pressure is Z times the flow at each frequency, Z switching with the
// breathing flow, which is insp (inspiration) or -insp for each sample.
struct Record {
    std::vector<double> pressure, flow, breathing;
};

Record MakeRecord(const std::vector<double>& frequencies, double fs, int samples,
                  const std::function<bool(int)>& inspiring, double insp = 1.0) {
    Record record;
    for (int j = 0; j < samples; ++j) {
        const double t = j / fs;
        const bool in = inspiring(j);
        double p = 0, q = 0;
        for (std::size_t k = 0; k < frequencies.size(); ++k) {
            const double f = frequencies[k];
            const double amplitude = 1.0 / (1 + 0.1 * k), phase = 0.7 * k + 0.3;
            const Complex z = in ? InspiratoryZ(f) : ExpiratoryZ(f);
            const double w = 2 * std::numbers::pi * f * t + phase;
            q += amplitude * std::cos(w);
            p += amplitude * (z.re * std::cos(w) - z.im * std::sin(w));
        }
        record.pressure.push_back(p);
        record.flow.push_back(q);
        record.breathing.push_back(in ? insp : -insp);
    }
    return record;
}

WithinBreathInput Input(const Record& record, const std::vector<double>& frequencies, double f,
                        double fs) {
    WithinBreathInput input;
    input.pressure = record.pressure;
    input.flow = record.flow;
    input.breathingFlow = record.breathing;
    input.sampleRate = fs;
    input.excitationFrequencies = frequencies;
    input.analysisFrequency = f;
    return input;
}

TEST(WithinBreath, WindowAndHopFollowTheFrequencySpacingAndSampleRate) {
    struct Case {
        std::vector<double> frequencies;
        double f, fs;
        int cycles;
        double seconds;
        int samples, hop, fitted;
    };
    const std::vector<Case> cases = {
        {kSparse, 5, 1024, 1, 0.2, 205, 16, 3},
        {{19, 5, 11}, 5, 512, 1, 0.2, 102, 8, 3},  // any order; 102.4 rounds down
        {kDense, 5, 1024, 5, 1.0, 1024, 16, 31},
        {kDense, 5, 512, 5, 1.0, 512, 8, 31},
        {kSparse, 11, 1024, 3, 3 / 11.0, 279, 16, 3},    // 279.27 samples
        {{20, 5, 5, 25}, 20, 1000, 4, 0.2, 200, 15, 3},  // duplicates once; fs / 64 = 15.6
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "f " << c.f << " fs " << c.fs);
        const WithinBreathWindow w = WithinBreathWindowFor(c.frequencies, c.f, c.fs);
        EXPECT_EQ(w.error, "");
        EXPECT_EQ(w.cycles, c.cycles);
        EXPECT_NEAR(w.seconds, c.seconds, 1e-12);
        EXPECT_EQ(w.samples, c.samples);
        EXPECT_EQ(w.hop, c.hop);
        EXPECT_EQ(static_cast<int>(w.fitted.size()), c.fitted);
    }
}

TEST(WithinBreath, RefusesWhatCannotBeFittedAndNamesWhy) {
    struct Case {
        std::vector<double> frequencies;
        double f, fs;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{}, 5, 1024, "the excitation has no frequencies"},
        {kSparse, 7, 1024, "the analysis frequency 7 Hz is not an excitation frequency"},
        {kSparse, 5, 0, "the sample rate is not a positive number"},
        {{5, -1}, 5, 1024, "the excitation frequency -1 Hz is not a positive number"},
        {Range(1, 4), 1, 8, "the window of 8 samples is shorter than its 11 fitted terms"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithinBreathWindowFor(c.frequencies, c.f, c.fs).error, c.error);
        const Record record = MakeRecord({5}, 1024, 2048, [](int) { return true; });
        WithinBreathInput input = Input(record, c.frequencies, c.f, c.fs);
        const WithinBreathSeries series = EstimateWithinBreath(input);
        EXPECT_EQ(series.error, c.error);
        EXPECT_TRUE(series.estimates.empty());
    }
}

TEST(WithinBreath, NearestExcitationFrequencyTakesTheLowerOfATie) {
    EXPECT_EQ(NearestExcitationFrequency(kSparse, 6), 5);
    EXPECT_EQ(NearestExcitationFrequency(kSparse, 8), 5);
    EXPECT_EQ(NearestExcitationFrequency(kSparse, 8.1), 11);
    EXPECT_EQ(NearestExcitationFrequency(std::vector<double>{19, 11}, 100), 19);
    EXPECT_FALSE(NearestExcitationFrequency({}, 5).has_value());
}

TEST(WithinBreath, WindowsStepByTheHopWhileTheyEndWithinTheRecord) {
    const double fs = 1024;
    for (const int length : {204, 205, 220, 221, 1000}) {
        const Record record = MakeRecord(kSparse, fs, length, [](int) { return true; });
        WithinBreathInput input = Input(record, kSparse, 5, fs);
        input.startTime = 10;
        const WithinBreathSeries series = EstimateWithinBreath(input);
        EXPECT_EQ(series.error, "");
        const int expected = length < 205 ? 0 : (length - 205) / 16 + 1;
        ASSERT_EQ(static_cast<int>(series.estimates.size()), expected) << length;
        for (int i = 0; i < expected; ++i) {
            EXPECT_EQ(series.estimates[i].first, 16 * i);
            EXPECT_EQ(series.estimates[i].count, 205);
            EXPECT_DOUBLE_EQ(series.estimates[i].time, 10 + (16 * i + 102) / fs);
        }
    }
}

// Inspiration on [0, 300) and [700, 1000) samples, expiration elsewhere, for 1,400 samples at
// 1024 Hz with the sparse list: every window wholly within a phase gives that phase's impedance
// at 5 Hz exactly, every window across a change is mixed. Inspiration is negative flow here and
// the flow scaling factor is 2.
TEST(WithinBreath, ImpedanceSwitchingWithTheBreathIsExactWithinEachPhase) {
    const double fs = 1024;
    const std::vector<int> changes = {300, 700, 1000};
    auto inspiring = [](int j) { return j < 300 || (j >= 700 && j < 1000); };
    const Record record = MakeRecord(kSparse, fs, 1400, inspiring, -0.3);
    WithinBreathInput input = Input(record, kSparse, 5, fs);
    input.inspiratoryFlowSign = -1;
    input.flowScalingFactor = 2;
    const WithinBreathSeries series = EstimateWithinBreath(input);
    ASSERT_EQ(series.error, "");
    ASSERT_EQ(series.estimates.size(), (1400u - 205) / 16 + 1);
    int seen[3] = {};
    for (const WithinBreathEstimate& e : series.estimates) {
        bool across = false;
        for (const int c : changes) across = across || (e.first < c && e.first + e.count > c);
        const BreathPhase expected = across               ? BreathPhase::Mixed
                                     : inspiring(e.first) ? BreathPhase::Inspiration
                                                          : BreathPhase::Expiration;
        ASSERT_EQ(e.phase, expected) << "window at " << e.first;
        ++seen[static_cast<int>(e.phase)];
        if (expected == BreathPhase::Mixed) continue;
        const Complex z = expected == BreathPhase::Inspiration ? InspiratoryZ(5) : ExpiratoryZ(5);
        EXPECT_NEAR(e.r, z.re, 1e-6) << "window at " << e.first;
        EXPECT_NEAR(e.x, z.im, 1e-6) << "window at " << e.first;
    }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    EXPECT_STREQ(BreathPhaseName(BreathPhase::Inspiration), "inspiration");
    EXPECT_STREQ(BreathPhaseName(BreathPhase::Expiration), "expiration");
    EXPECT_STREQ(BreathPhaseName(BreathPhase::Mixed), "mixed");
}

// A breathing flow that touches zero, or that ends before the window does, is no phase.
TEST(WithinBreath, AZeroOrMissingBreathingFlowSampleMakesTheWindowMixed) {
    const double fs = 1024;
    Record record = MakeRecord(kSparse, fs, 205 + 16, [](int) { return true; });
    record.breathing[50] = 0;
    record.breathing.resize(205 + 15);
    const WithinBreathSeries series = EstimateWithinBreath(Input(record, kSparse, 5, fs));
    ASSERT_EQ(series.estimates.size(), 2u);
    EXPECT_EQ(series.estimates[0].phase, BreathPhase::Mixed);
    EXPECT_EQ(series.estimates[1].phase, BreathPhase::Mixed);
    record.breathing[50] = 1;
    record.breathing.push_back(1);
    const WithinBreathSeries whole = EstimateWithinBreath(Input(record, kSparse, 5, fs));
    EXPECT_EQ(whole.estimates[0].phase, BreathPhase::Inspiration);
    EXPECT_EQ(whole.estimates[1].phase, BreathPhase::Inspiration);
}

// The dense list (63 + 3 terms over 512 samples): an offset, slope and curvature of its own in
// each slot changes no estimate.
TEST(WithinBreath, AQuadraticDriftInBothSlotsChangesNothing) {
    const double fs = 512;
    auto inspiring = [](int j) { return (j / 900) % 2 == 0; };
    const Record clean = MakeRecord(kDense, fs, 2600, inspiring);
    Record drifting = clean;
    for (std::size_t j = 0; j < clean.pressure.size(); ++j) {
        const double t = j / fs;
        drifting.pressure[j] += 0.3 + 0.05 * t - 0.02 * t * t;
        drifting.flow[j] += -0.1 + 0.2 * t + 0.01 * t * t;
    }
    const WithinBreathSeries a = EstimateWithinBreath(Input(clean, kDense, 5, fs));
    const WithinBreathSeries b = EstimateWithinBreath(Input(drifting, kDense, 5, fs));
    ASSERT_EQ(a.error, "");
    ASSERT_EQ(a.estimates.size(), (2600u - 512) / 8 + 1);
    ASSERT_EQ(b.estimates.size(), a.estimates.size());
    for (std::size_t i = 0; i < a.estimates.size(); ++i) {
        EXPECT_NEAR(b.estimates[i].r, a.estimates[i].r, 1e-9) << i;
        EXPECT_NEAR(b.estimates[i].x, a.estimates[i].x, 1e-9) << i;
        EXPECT_EQ(b.estimates[i].phase, a.estimates[i].phase);
    }
    // Inside a phase the dense fit is exact too.
    EXPECT_EQ(a.estimates[0].phase, BreathPhase::Inspiration);
    EXPECT_NEAR(a.estimates[0].r, InspiratoryZ(5).re, 1e-6);
    EXPECT_NEAR(a.estimates[0].x, InspiratoryZ(5).im, 1e-6);
}

TEST(WithinBreath, TheCalibrationIsAppliedAtTheAnalysisFrequency) {
    const double fs = 1024;
    const Record record = MakeRecord(kSparse, fs, 600, [](int) { return false; });
    WithinBreathInput input = Input(record, kSparse, 11, fs);
    const WithinBreathSeries plain = EstimateWithinBreath(input);
    std::vector<double> asked;
    input.calibration = [&asked](Complex m, double f) {
        asked.push_back(f);
        return Complex{2 * m.re - m.im + 0.5, m.re + 2 * m.im};  // (2 + j) m + 0.5
    };
    const WithinBreathSeries calibrated = EstimateWithinBreath(input);
    ASSERT_FALSE(plain.estimates.empty());
    ASSERT_EQ(calibrated.estimates.size(), plain.estimates.size());
    EXPECT_EQ(asked, std::vector<double>(plain.estimates.size(), 11.0));
    const Complex z = ExpiratoryZ(11);
    for (std::size_t i = 0; i < plain.estimates.size(); ++i) {
        EXPECT_NEAR(plain.estimates[i].r, z.re, 1e-6);
        EXPECT_NEAR(plain.estimates[i].x, z.im, 1e-6);
        EXPECT_NEAR(calibrated.estimates[i].r, 2 * z.re - z.im + 0.5, 1e-6);
        EXPECT_NEAR(calibrated.estimates[i].x, z.re + 2 * z.im, 1e-6);
    }
}

// A window of one excitation period (the dense list at a 1 s period) holds only whole periods;
// on a noise-free record its estimate is the calculator's transform bin of that period.
TEST(WithinBreath, AOnePeriodWindowMatchesTheCalculatorsPeriodBin) {
    const double fs = 1024;
    const Record record = MakeRecord(kDense, fs, 1024, [](int) { return true; });
    const WithinBreathSeries series = EstimateWithinBreath(Input(record, kDense, 5, fs));
    ASSERT_EQ(series.estimates.size(), 1u);

    auto calculator = std::make_unique<ImpedanceCalculator>();
    std::vector<int32_t> indexes;
    for (const double f : kDense) indexes.push_back(static_cast<int32_t>(f));
    calculator->SetFrequencies(indexes.data(), static_cast<int>(indexes.size()), 1.0);
    ASSERT_EQ(calculator->AnalyseBlock(1024, record.pressure.data(), record.flow.data(),
                                       kMethodEnsemble, 1024),
              0);
    EXPECT_NEAR(series.estimates[0].r, calculator->ensembleR[0], 1e-12);
    EXPECT_NEAR(series.estimates[0].x, calculator->ensembleX[0], 1e-12);
}

}  // namespace
}  // namespace pelmor
