// Outcomes of impedance spectra, the statistics and quality of a set, and the baseline response.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "analysis/Outcomes.h"
#include "platform/MemoryProfile.h"

namespace pelmor {
namespace {

using Opt = std::optional<double>;
const Opt none = std::nullopt;

void ExpectValue(const Opt& actual, const Opt& expected, const std::string& what) {
    ASSERT_EQ(actual.has_value(), expected.has_value()) << what;
    if (expected) {
        EXPECT_NEAR(*actual, *expected, 1e-12) << what;
    }
}

struct SpectrumCase {
    const char* name;
    std::vector<double> f, r, x, c;
    double low, high;
    Opt rLow, xLow, rHigh, rLowMinusHigh, fres, ax, minCoherence;
};

TEST(Outcomes, SpectraWithKnownOutcomes) {
    const std::vector<SpectrumCase> cases = {
        // Fres between 10 and 20 Hz at 15; AX = 5 * (3 + 1) / 2 + 5 * 1 / 2.
        {"low frequency on a point",
         {2, 5, 10, 20, 30},
         {4, 3, 2, 1, 0.5},
         {-6, -3, -1, 1, 2},
         {0.99, 0.95, 0.97, 0.98, 0.9},
         5,
         20,
         3.0,
         -3.0,
         1.0,
         2.0,
         15.0,
         12.5,
         0.9},
        // R and X at 4 Hz halfway between 2 and 6; AX from 4 to 8 under the line -4 ... 0.
        {"low frequency between points",
         {2, 6, 8, 12},
         {5, 3, 2, 1},
         {-6, -2, 0, 2},
         {1, 1, 1, 1},
         4,
         12,
         4.0,
         -4.0,
         1.0,
         3.0,
         8.0,
         (4 + 2) / 2.0 * 2 + (2 + 0) / 2.0 * 2,
         1.0},
        {"no zero crossing",
         {4, 8, 16, 24},
         {2, 2, 2, 2},
         {-5, -4, -3, -2},
         {0.8, 0.95, 0.95, 0.95},
         5,
         20,
         2.0,
         -4.75,
         2.0,
         0.0,
         none,
         none,
         0.8},
        // X is 0 exactly at 10 Hz: the crossing lies on that point.
        {"crossing exactly on a point",
         {5, 7, 10, 15},
         {1, 1, 1, 1},
         {-3, -1, 0, 1},
         {1, 1, 1, 1},
         5,
         15,
         1.0,
         -3.0,
         1.0,
         0.0,
         10.0,
         2 * 4 / 2.0 + 3 * 1 / 2.0,
         1.0},
        {"low frequency below the range",
         {6, 10, 20, 30},
         {2, 1.5, 1, 1},
         {-2, -1, 1, 2},
         {1, 1, 1, 1},
         5,
         20,
         none,
         none,
         1.0,
         none,
         15.0,
         none,
         1.0},
        {"high frequency above the range",
         {4, 6, 8},
         {3, 2, 1},
         {-2, -1, 1},
         {1, 1, 1},
         5,
         20,
         2.5,
         -1.5,
         none,
         none,
         7.0,
         (1.5 + 1) / 2 * 1 + (1 + 0) / 2.0 * 1,
         1.0},
        // The reactance crosses zero below the low frequency: no area.
        {"resonance below the low frequency",
         {2, 4, 6, 8},
         {1, 1, 1, 1},
         {-1, 1, 2, 3},
         {1, 1, 1, 1},
         5,
         8,
         1.0,
         1.5,
         1.0,
         0.0,
         3.0,
         none,
         1.0},
        // A point within 0.001 Hz counts as the frequency itself (the last such point).
        {"a point within 0.001 Hz",
         {4.9995, 5.0008, 10},
         {2, 7, 1},
         {-3, -2, 2},
         {1, 1, 1},
         5,
         10,
         7.0,
         -2.0,
         1.0,
         6.0,
         5.0008 + 2 * 4.9992 / 4,
         (5.0008 - 5) * 2 + 2 * (4.9992 / 2) / 2,
         1.0},
        {"listed in descending order",
         {30, 20, 10, 5, 2},
         {0.5, 1, 2, 3, 4},
         {2, 1, -1, -3, -6},
         {0.9, 0.98, 0.97, 0.95, 0.99},
         5,
         20,
         3.0,
         -3.0,
         1.0,
         2.0,
         15.0,
         12.5,
         0.9},
        {"empty spectrum", {}, {}, {}, {}, 5, 20, none, none, none, none, none, none, none},
        // A not-a-number value (a frequency without a transform bin) gives none, not NaN.
        {"not-a-number reactance",
         {5, 10, 20},
         {1, 1, 1},
         {std::nan(""), -1, 1},
         {1, std::nan(""), 0.5},
         5,
         20,
         1.0,
         none,
         1.0,
         0.0,
         15.0,
         none,
         0.5},
    };
    for (const SpectrumCase& k : cases) {
        OutcomeSettings s;
        s.lowHz = k.low;
        s.highHz = k.high;
        const SpectrumOutcomes o = ComputeOutcomes({k.f, k.r, k.x, k.c}, s);
        SCOPED_TRACE(k.name);
        ExpectValue(o.rLow, k.rLow, "R low");
        ExpectValue(o.xLow, k.xLow, "X low");
        ExpectValue(o.rHigh, k.rHigh, "R high");
        ExpectValue(o.rLowMinusHigh, k.rLowMinusHigh, "R low - R high");
        ExpectValue(o.fres, k.fres, "Fres");
        ExpectValue(o.ax, k.ax, "AX");
        ExpectValue(o.minCoherence, k.minCoherence, "min coherence");
    }
}

TEST(Outcomes, DenseSeriesModelGivesItsResonanceAndArea) {
    const double R = 0.3, L = 0.005, C = 0.02;  // resonance near 15.9 Hz
    std::vector<double> f, r, x, c;
    for (double hz = 1; hz <= 24; hz += 0.25) {
        const double w = 2 * std::numbers::pi * hz;
        f.push_back(hz);
        r.push_back(R);
        x.push_back(w * L - 1 / (w * C));
        c.push_back(1);
    }
    const SpectrumOutcomes o = ComputeOutcomes({f, r, x, c}, OutcomeSettings{});
    const double fres = 1 / (2 * std::numbers::pi * std::sqrt(L * C));
    // The integral of 1/(2 pi f C) - 2 pi f L from 5 Hz to fres.
    auto primitive = [&](double hz) {
        return std::log(hz) / (2 * std::numbers::pi * C) - std::numbers::pi * L * hz * hz;
    };
    const double ax = primitive(fres) - primitive(5.0);
    ASSERT_TRUE(o.fres && o.ax && o.rLow && o.rLowMinusHigh);
    EXPECT_NEAR(*o.fres, fres, 0.005 * fres);
    EXPECT_NEAR(*o.ax, ax, 0.005 * ax);
    EXPECT_DOUBLE_EQ(*o.rLow, R);
    EXPECT_NEAR(*o.rLowMinusHigh, 0.0, 1e-15);
    EXPECT_EQ(o.lowestHz, 1.0);  // the measured range, for the quality line
    EXPECT_EQ(o.highestHz, 24.0);
}

SpectrumOutcomes WithRLow(double rLow, Opt minCoherence = 1.0) {
    SpectrumOutcomes o;
    o.rLow = rLow;
    o.minCoherence = minCoherence;
    return o;
}

TEST(Outcomes, SetStatisticsAndTheCoVLimit) {
    // Two values 1 - d and 1 + d: SD = d sqrt(2), CoV = 100 d sqrt(2).
    const double under = 0.0707, over = 0.0708;  // CoV 9.9985 % and 10.0126 %
    const OutcomeSettings s;
    struct Case {
        double d;
        bool within;
    };
    for (const Case k : {Case{under, true}, Case{over, false}}) {
        const std::vector<SpectrumOutcomes> set = {WithRLow(1 - k.d), WithRLow(1 + k.d)};
        const OutcomeStatistics st = SummariseOutcomes(set);
        ASSERT_TRUE(st.Cov(Outcome::RLow));
        EXPECT_NEAR(*st.Mean(Outcome::RLow), 1.0, 1e-15);
        EXPECT_NEAR(*st.Sd(Outcome::RLow), k.d * std::sqrt(2.0), 1e-12);
        EXPECT_NEAR(*st.Cov(Outcome::RLow), 100 * k.d * std::sqrt(2.0), 1e-9);
        const SetQuality q = AssessQuality(set, st, s);
        ASSERT_TRUE(q.withinLimit);
        EXPECT_EQ(*q.withinLimit, k.within) << k.d;
    }
}

TEST(Outcomes, StatisticsSkipMissingValuesAndNeedTwoForTheSD) {
    SpectrumOutcomes missing;  // no R at the low frequency
    missing.minCoherence = 0.5;
    const std::vector<SpectrumOutcomes> set = {WithRLow(2, 0.95), missing, WithRLow(4, 0.89)};
    const OutcomeStatistics st = SummariseOutcomes(set);
    EXPECT_EQ(st.count[static_cast<int>(Outcome::RLow)], 2);
    EXPECT_DOUBLE_EQ(*st.Mean(Outcome::RLow), 3.0);
    EXPECT_DOUBLE_EQ(*st.Sd(Outcome::RLow), std::sqrt(2.0));
    EXPECT_FALSE(st.Mean(Outcome::Ax));  // no result has it
    EXPECT_FALSE(st.Sd(Outcome::Ax));
    const SetQuality q = AssessQuality(set, st, OutcomeSettings{});
    EXPECT_EQ(q.lowCoherence, (std::vector<int>{1, 2}));  // 0.5 and 0.89 are below 0.9

    const std::vector<SpectrumOutcomes> one = {WithRLow(2)};
    const OutcomeStatistics single = SummariseOutcomes(one);
    EXPECT_DOUBLE_EQ(*single.Mean(Outcome::RLow), 2.0);
    EXPECT_FALSE(single.Sd(Outcome::RLow));
    EXPECT_FALSE(single.Cov(Outcome::RLow));
    EXPECT_FALSE(AssessQuality(one, single, OutcomeSettings{}).withinLimit);

    // A mean of zero has no CoV.
    const std::vector<SpectrumOutcomes> zero = {WithRLow(-1), WithRLow(1)};
    EXPECT_FALSE(SummariseOutcomes(zero).Cov(Outcome::RLow));
}

OutcomeStatistics MeansOf(double rLow, double xLow, double ax) {
    SpectrumOutcomes o;
    o.rLow = rLow;
    o.xLow = xLow;
    o.ax = ax;
    const std::vector<SpectrumOutcomes> set = {o};
    return SummariseOutcomes(set);
}

TEST(Outcomes, BaselineChangeAndEachResponse) {
    const OutcomeSettings s;  // -40 %, +50 %, -80 %
    const OutcomeStatistics baseline = MeansOf(5.0, -2.0, 20.0);
    struct Case {
        const char* name;
        double rLow, xLow, ax;
        double rChange, xChange, axChange;
        bool r, x, a;
    };
    const std::vector<Case> cases = {
        {"R falls by 40 %", 3.0, -1.5, 10.0, -40, 25, -50, true, false, false},
        {"X rises by 50 %", 4.0, -1.0, 10.0, -20, 50, -50, false, true, false},
        {"AX falls by 85 %", 4.0, -1.5, 3.0, -20, 25, -85, false, false, true},
        {"no change passes", 3.5, -1.2, 4.2, -30, 40, -79, false, false, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const BaselineChange c = CompareWithBaseline(MeansOf(k.rLow, k.xLow, k.ax), baseline, s);
        ASSERT_TRUE(c.rLow && c.xLow && c.ax && c.response);
        EXPECT_NEAR(*c.rLow, k.rChange, 1e-9);
        EXPECT_NEAR(*c.xLow, k.xChange, 1e-9);
        EXPECT_NEAR(*c.ax, k.axChange, 1e-9);
        EXPECT_EQ(c.rLowPasses, k.r);
        EXPECT_EQ(c.xLowPasses, k.x);
        EXPECT_EQ(c.axPasses, k.a);
        EXPECT_EQ(*c.response, k.r || k.x || k.a);
    }
    // Without any mean to compare there is no verdict.
    const BaselineChange nothing =
        CompareWithBaseline(SummariseOutcomes(std::vector<SpectrumOutcomes>{}), baseline, s);
    EXPECT_FALSE(nothing.response);
    EXPECT_FALSE(nothing.rLow);
}

TEST(Outcomes, SettingsKeepTheirDefaultsAndRoundTrip) {
    MemoryProfile profile;
    const OutcomeSettings defaults = LoadOutcomeSettings(profile);
    EXPECT_EQ(defaults.lowHz, 5.0);
    EXPECT_EQ(defaults.highHz, 20.0);
    EXPECT_EQ(defaults.coherenceThreshold, 0.9);
    EXPECT_EQ(defaults.covLimitPercent, 10.0);
    EXPECT_EQ(defaults.rLowResponsePercent, -40.0);
    EXPECT_EQ(defaults.xLowResponsePercent, 50.0);
    EXPECT_EQ(defaults.axResponsePercent, -80.0);

    OutcomeSettings s;
    s.lowHz = 6.5;
    s.highHz = 19;
    s.coherenceThreshold = 0.85;
    s.covLimitPercent = 12.5;
    s.rLowResponsePercent = -33.3;
    s.xLowResponsePercent = 42;
    s.axResponsePercent = -75;
    SaveOutcomeSettings(profile, s);
    EXPECT_EQ(profile.strings.at({"Outcomes", "Low frequency"}), "6.5");
    const OutcomeSettings back = LoadOutcomeSettings(profile);
    EXPECT_EQ(back.lowHz, 6.5);
    EXPECT_EQ(back.rLowResponsePercent, -33.3);
    EXPECT_EQ(back.axResponsePercent, -75);

    // Settings that cannot be used (edited by hand) fall back to the defaults.
    profile.WriteString("Outcomes", "High frequency", "3");
    EXPECT_EQ(LoadOutcomeSettings(profile).highHz, 20.0);
    EXPECT_EQ(ValidateOutcomeSettings(LoadOutcomeSettings(profile)), "");
    s.highHz = s.lowHz;
    EXPECT_EQ(ValidateOutcomeSettings(s), "The high outcome frequency must be above the low one.");
}

}  // namespace
}  // namespace pelmor
