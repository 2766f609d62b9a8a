#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// Hand-made breathing flow, one sample per second (sample j at j s), with the R and X of the
// one-sample estimate at each sample.
struct Trend {
    std::vector<double> r, x, q;
    double sampleRate = 1;
};

Trend FromFlow(const std::vector<double>& q, double r = 1.0) {
    Trend trend;
    trend.q = q;
    for (std::size_t i = 0; i < q.size(); ++i) {
        trend.r.push_back(r);
        trend.x.push_back(q[i] > 0 ? -0.1 : -0.4);
    }
    return trend;
}

BreathAnalysis Analyse(const Trend& trend, const BreathSettings& settings = {}, int window = 1) {
    return test::SampleBreaths(trend.q, trend.r, trend.x, settings, trend.sampleRate, window);
}

struct Expected {
    double start, ti, te;
    std::string reason;  // "" when accepted
};

// Starts in expiration: phases expiration@0, inspiration@2, expiration@4, inspiration@7,
// expiration@9, inspiration@11.
const std::vector<double> kStartsInExpiration = {-1, -1, 2, 2, -1, -1, -1, 2, 2, -1, -1, 1};

std::vector<double> Negated(std::vector<double> q) {
    for (double& v : q) v = -v;
    return q;
}

TEST(BreathAnalysis, HandMadeTrendsGiveTheirExactBreathLists) {
    BreathSettings atLimits;  // inclusive limits: Ti 2, Te 2 and 3 all pass
    atLimits.inspirationMin = atLimits.inspirationMax = 2;
    atLimits.expirationMin = 2;
    atLimits.expirationMax = 3;
    BreathSettings teAboveLimit = atLimits;
    teAboveLimit.expirationMax = 2.9;
    BreathSettings tiBelowLimit = atLimits;  // Ti is named first even where Te fails too
    tiBelowLimit.inspirationMin = 2.5;
    tiBelowLimit.expirationMax = 2.9;
    BreathSettings negativeSign;
    negativeSign.inspiratoryFlowSign = -1;
    Trend negativeR = FromFlow(kStartsInExpiration);
    negativeR.r[5] = -0.1;
    Trend zeroR = FromFlow(kStartsInExpiration);
    zeroR.r[8] = 0;
    // Samples 0.1 s apart: the durations are sample counts over 10 Hz, and meet limits typed
    // as tenths.
    Trend tenths = FromFlow(kStartsInExpiration);
    tenths.sampleRate = 10;
    BreathSettings tenthLimits;
    tenthLimits.inspirationMin = tenthLimits.inspirationMax = 0.2;
    tenthLimits.expirationMin = 0.2;
    tenthLimits.expirationMax = 0.3;

    struct Case {
        const char* name;
        Trend trend;
        BreathSettings settings;
        std::vector<Expected> breaths;
        int window = 1;  // samples of each estimate
    } cases[] = {
        {"starts in expiration", FromFlow(kStartsInExpiration), {}, {{2, 2, 3, ""}, {7, 2, 2, ""}}},
        {"starts in inspiration: the first inspiration is no breath",
         FromFlow({1, 1, -1, -1, 1, 1, -1, -1, 1}),
         {},
         {{4, 2, 2, ""}}},
        {"chatter around zero below a tenth of the peak does not split phases",
         FromFlow({-2,   -2, 0.1, -0.1, 0.1,   2, 2, 0.1, -0.1, 0.1,
                   -0.1, -2, -2,  0.05, -0.05, 2, 2, -2,  -2,   2}),
         {},
         {{4, 6, 5, ""}, {15, 2, 2, ""}}},
        {"a phase starts at its zero crossing, not where the flow passes the threshold",
         FromFlow({-1, -0.05, 0.05, 0.1, 1, 0.05, -0.05, -1, 0.05, 1}),
         {},
         {{2, 4, 2, ""}}},
        {"negative R refuses its breath", negativeR, {}, {{2, 2, 3, "R <= 0"}, {7, 2, 2, ""}}},
        {"zero R refuses its breath", zeroR, {}, {{2, 2, 3, ""}, {7, 2, 2, "R <= 0"}}},
        {"durations at the limits",
         FromFlow(kStartsInExpiration),
         atLimits,
         {{2, 2, 3, ""}, {7, 2, 2, ""}}},
        {"limits meet durations of a tenth-second sample rate",
         tenths,
         tenthLimits,
         {{2 / 10.0, 2 / 10.0, 3 / 10.0, ""}, {7 / 10.0, 2 / 10.0, 2 / 10.0, ""}}},
        {"expiration too long",
         FromFlow(kStartsInExpiration),
         teAboveLimit,
         {{2, 2, 3, "Te out of range"}, {7, 2, 2, ""}}},
        {"inspiration too short",
         FromFlow(kStartsInExpiration),
         tiBelowLimit,
         {{2, 2, 3, "Ti out of range"}, {7, 2, 2, "Ti out of range"}}},
        {"sign -1: negative flow is inspiration",
         FromFlow(Negated(kStartsInExpiration)),
         negativeSign,
         {{2, 2, 3, ""}, {7, 2, 2, ""}}},
        {"sign -1 on positive-inspiration flow shifts every breath by a phase",
         FromFlow(kStartsInExpiration),
         negativeSign,
         {{4, 3, 2, ""}}},
        {"a phase of two samples holds no window of three",
         FromFlow(kStartsInExpiration),
         {},
         {{2, 2, 3, "phase shorter than the analysis window"},
          {7, 2, 2, "phase shorter than the analysis window"}},
         3},
        {"the duration reasons come first",
         FromFlow(kStartsInExpiration),
         teAboveLimit,
         {{2, 2, 3, "Te out of range"}, {7, 2, 2, "phase shorter than the analysis window"}},
         3},
        {"an expiration of two samples holds a window of two, R <= 0 comes after",
         negativeR,
         {},
         {{2, 2, 3, "R <= 0"}, {7, 2, 2, ""}},
         2},
        {"no breath in a single cycle", FromFlow({-1, 1, -1}), {}, {}},
        {"two points are too few", FromFlow({-1, 1}), {}, {}},
        {"no flow at all", FromFlow({0, 0, 0, 0, 0}), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BreathAnalysis a = Analyse(c.trend, c.settings, c.window);
        ASSERT_EQ(a.breaths.size(), c.breaths.size());
        int accepted = 0;
        for (std::size_t k = 0; k < c.breaths.size(); ++k) {
            const Breath& b = a.breaths[k];
            const Expected& e = c.breaths[k];
            EXPECT_EQ(b.index, static_cast<int>(k) + 1);
            EXPECT_EQ(b.start, e.start);
            EXPECT_EQ(b.ti, e.ti);
            EXPECT_EQ(b.te, e.te);
            EXPECT_EQ(b.reason, e.reason);
            EXPECT_EQ(b.accepted, e.reason.empty());
            accepted += b.accepted;
        }
        EXPECT_EQ(a.summary.total, static_cast<int>(c.breaths.size()));
        EXPECT_EQ(a.summary.accepted, accepted);
    }
}

TEST(BreathAnalysis, MeansVolumeFlowLimitationAndSummary) {
    Trend trend = FromFlow(kStartsInExpiration);
    // Breath 1 expires at X -0.5 (dX 0.4), breath 2 at -0.2 (dX 0.1).
    for (int i : {0, 1, 4, 5, 6}) trend.x[i] = -0.5;
    for (int i : {9, 10}) trend.x[i] = -0.2;
    trend.r = {1, 1, 2, 4, 1, 1, 1, 3, 3, 2, 2, 1};

    const BreathAnalysis a = Analyse(trend);
    ASSERT_EQ(a.breaths.size(), 2u);
    const Breath& b = a.breaths[0];
    EXPECT_EQ(b.inspirationFirst, 2);
    EXPECT_EQ(b.expirationFirst, 4);
    EXPECT_EQ(b.end, 7);
    EXPECT_EQ(b.expirationStart, 4);
    EXPECT_EQ(b.endTime, 7);
    EXPECT_DOUBLE_EQ(b.vt, 4);  // 2 + 2 over one second each
    EXPECT_DOUBLE_EQ(b.rInsp, 3);
    EXPECT_DOUBLE_EQ(b.rExp, 1);
    EXPECT_DOUBLE_EQ(b.xInsp, -0.1);
    EXPECT_DOUBLE_EQ(b.xExp, -0.5);
    EXPECT_DOUBLE_EQ(b.dx, 0.4);
    EXPECT_TRUE(b.flowLimited);
    EXPECT_FALSE(a.breaths[1].flowLimited);
    EXPECT_DOUBLE_EQ(a.breaths[1].dx, 0.1);

    const BreathSummary& s = a.summary;
    EXPECT_EQ(s.flowLimited, 1);
    EXPECT_FALSE(s.flowLimitation);  // mean dX 0.25 < 0.28
    EXPECT_DOUBLE_EQ(*s.te.mean, 2.5);
    EXPECT_DOUBLE_EQ(*s.te.sd, std::sqrt(0.5));
    EXPECT_DOUBLE_EQ(*s.te.cov, 100 * std::sqrt(0.5) / 2.5);
    EXPECT_DOUBLE_EQ(*s.ti.sd, 0);
    EXPECT_DOUBLE_EQ(*s.xExp.mean, -0.35);
    EXPECT_DOUBLE_EQ(*s.xExp.cov, 100 * *s.xExp.sd / 0.35);  // CoV over |mean|
    EXPECT_DOUBLE_EQ(*s.dx.mean, 0.25);
    EXPECT_DOUBLE_EQ(*s.estimatesPerBreath, 4.5);  // 2 + 3 and 2 + 2 one-sample estimates

    // Windows of two samples: only those wholly inside their phase count.
    const BreathAnalysis wide = Analyse(trend, {}, 2);
    EXPECT_EQ(wide.breaths[0].inspirationEstimates, 1);
    EXPECT_EQ(wide.breaths[0].expirationEstimates, 2);
    EXPECT_DOUBLE_EQ(wide.breaths[0].rInsp, 2);  // the window from sample 2, not the one from 3
    EXPECT_EQ(wide.breaths[1].inspirationEstimates, 1);
    EXPECT_EQ(wide.breaths[1].expirationEstimates, 1);  // the window from 10 is mixed
    EXPECT_DOUBLE_EQ(*wide.summary.estimatesPerBreath, 2.5);

    BreathSettings lower;
    lower.flowLimitationThreshold = 0.1;  // at the threshold counts as flow-limited
    const BreathAnalysis flagged = Analyse(trend, lower);
    EXPECT_EQ(flagged.summary.flowLimited, 2);
    EXPECT_TRUE(flagged.summary.flowLimitation);

    // Refused breaths stay out of the summary and are never flow-limited; one breath has a mean
    // but no SD or CoV, and a zero mean has no CoV.
    trend.r[3] = -1;
    trend.x = std::vector<double>(trend.q.size(), 0.0);
    const BreathAnalysis one = Analyse(trend, lower);
    EXPECT_FALSE(one.breaths[0].accepted);
    EXPECT_FALSE(one.breaths[0].flowLimited);
    EXPECT_EQ(one.summary.accepted, 1);
    EXPECT_DOUBLE_EQ(*one.summary.ti.mean, 2);
    EXPECT_FALSE(one.summary.ti.sd.has_value());
    EXPECT_FALSE(one.summary.ti.cov.has_value());
    EXPECT_FALSE(one.summary.flowLimitation);  // mean dX 0 below 0.1

    trend.r[8] = -1;  // nothing accepted: no statistics, no flow limitation
    const BreathAnalysis none = Analyse(trend, lower);
    EXPECT_EQ(none.summary.accepted, 0);
    EXPECT_FALSE(none.summary.dx.mean.has_value());
    EXPECT_FALSE(none.summary.flowLimitation);

    Trend twoZeroMeans = FromFlow(kStartsInExpiration);
    twoZeroMeans.x = {0, 0, 1, 1, 0, 0, 0, -1, -1, 0, 0, 0};
    const BreathAnalysis zero = Analyse(twoZeroMeans);
    EXPECT_DOUBLE_EQ(*zero.summary.xInsp.mean, 0);
    EXPECT_TRUE(zero.summary.xInsp.sd.has_value());
    EXPECT_FALSE(zero.summary.xInsp.cov.has_value());
}

TEST(BreathAnalysis, SampledSineFindsEveryFullBreath) {
    // 20 s of a 0.25 Hz sine sampled at 10 Hz, crossings half-way between samples.
    Trend trend;
    trend.sampleRate = 10;
    for (int i = 0; i < 200; ++i) {
        const double t = 0.1 * i;
        trend.q.push_back(0.5 * std::sin(2 * M_PI * 0.25 * (t - 0.05)));
        trend.r.push_back(0.3);
        trend.x.push_back(trend.q.back() > 0 ? -0.1 : -0.4);
    }
    const BreathAnalysis a = Analyse(trend);
    ASSERT_EQ(a.breaths.size(), 3u);
    ASSERT_EQ(a.phases.size(), 10u);
    for (std::size_t k = 0; k < a.phases.size(); ++k) {
        EXPECT_EQ(a.phases[k].inspiration, k % 2 == 0);
        EXPECT_EQ(a.phases[k].first, 1 + 20 * static_cast<int>(k));
        EXPECT_EQ(a.phases[k].end, k + 1 < a.phases.size() ? a.phases[k + 1].first : 200);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        const Breath& b = a.breaths[k];
        EXPECT_NEAR(b.start, 4.1 + 4.0 * static_cast<double>(k), 1e-9);
        EXPECT_NEAR(b.ti, 2, 1e-9);
        EXPECT_NEAR(b.te, 2, 1e-9);
        EXPECT_NEAR(b.vt, 0.5 * 4 / M_PI, 0.01);  // the area of a half sine
        EXPECT_NEAR(b.dx, 0.3, 1e-12);
        EXPECT_TRUE(b.flowLimited);
    }
    EXPECT_TRUE(a.summary.flowLimitation);
}

}  // namespace
}  // namespace pelmor
