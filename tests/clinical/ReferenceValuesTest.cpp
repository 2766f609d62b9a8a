#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"
#include "support/TestSupport.h"

using namespace pelmor;

namespace {

const std::string kShippedSet =
    std::string(PELMOR_FIXTURES) + "/../../packaging/references/aarli-ios-adults.json";

ReferenceOutcome OutcomeOf(const std::string& equationJson, const char* abnormal = "high") {
    const std::string text = std::string(R"({"name": "T", "source": "", "technique": "FOT",
        "unit": "kPa·s/L", "age": [18, 90], "height": [140, 200], "outcomes": {"R5":
        {"quantity": "r", "frequency": 5, "abnormal": ")") +
                             abnormal + R"(", "female": )" + equationJson +
                             R"(, "male": {"form": "linear", "terms": {"intercept": 1}}}}})";
    return ParseReferenceSet(text, "t.json").outcomes.at(0);
}

ReferenceSubject Woman(std::optional<double> weight = 60.0) {
    return ReferenceSubject{"female", 63.0, 162.0, weight};
}

void ExpectNear(std::optional<double> actual, std::optional<double> expected, const char* what) {
    ASSERT_EQ(actual.has_value(), expected.has_value()) << what;
    if (expected) {
        EXPECT_NEAR(*actual, *expected, 1e-9 * std::max(1.0, std::fabs(*expected))) << what;
    }
}

}  // namespace

TEST(Units, ConversionsRoundTripAndNameTheirUnits) {
    EXPECT_DOUBLE_EQ(
        ConvertImpedance(1.0, ImpedanceUnit::KPaSecondPerLitre, ImpedanceUnit::CmH2OSecondPerLitre),
        10.1972);
    EXPECT_DOUBLE_EQ(
        ConvertImpedance(1.0, ImpedanceUnit::KPaSecondPerLitre, ImpedanceUnit::HPaSecondPerLitre),
        10.0);
    const double r = 0.3171;
    const double there = ConvertImpedance(
        ConvertImpedance(r, ImpedanceUnit::KPaSecondPerLitre, ImpedanceUnit::CmH2OSecondPerLitre),
        ImpedanceUnit::CmH2OSecondPerLitre, ImpedanceUnit::HPaSecondPerLitre);
    EXPECT_NEAR(there, 3.171, 1e-12);
    EXPECT_NEAR(
        ConvertImpedance(there, ImpedanceUnit::HPaSecondPerLitre, ImpedanceUnit::KPaSecondPerLitre),
        r, 1e-15);
    for (ImpedanceUnit u : {ImpedanceUnit::KPaSecondPerLitre, ImpedanceUnit::CmH2OSecondPerLitre,
                            ImpedanceUnit::HPaSecondPerLitre})
        EXPECT_EQ(ParseUnit(UnitName(u)), u);
    EXPECT_FALSE(ParseUnit("kPa s/L"));
    EXPECT_EQ(ShownUnit(ShownQuantity::Area, ImpedanceUnit::CmH2OSecondPerLitre), "cmH2O/L");
    EXPECT_EQ(ShownUnit(ShownQuantity::Impedance, std::nullopt), "V/V (not calibrated)");
}

TEST(Units, ValuesAreRoundedForReadingNeverInExponentForm) {
    const auto kPa = ImpedanceUnit::KPaSecondPerLitre;
    const auto cm = ImpedanceUnit::CmH2OSecondPerLitre;
    const auto hPa = ImpedanceUnit::HPaSecondPerLitre;
    struct Case {
        double value;
        ShownQuantity quantity;
        std::optional<ImpedanceUnit> unit;
        const char* shown;
    };
    const Case cases[] = {
        {0.123456, ShownQuantity::Impedance, kPa, "0.123"},
        {2.12016e-07, ShownQuantity::Impedance, kPa, "0.000"},
        {-2.12016e-07, ShownQuantity::Impedance, kPa, "0.000"},
        {-0.0004, ShownQuantity::Impedance, kPa, "0.000"},
        {-0.0006, ShownQuantity::Impedance, kPa, "-0.001"},
        {1.2345, ShownQuantity::Impedance, cm, "1.23"},
        {-1.2371, ShownQuantity::Impedance, hPa, "-1.24"},
        {0.123456, ShownQuantity::Impedance, std::nullopt, "0.123"},
        {6.28343e-14, ShownQuantity::Area, kPa, "0.00"},
        {3.14159, ShownQuantity::Area, hPa, "3.1"},
        {12.3456, ShownQuantity::Area, cm, "12.3"},
        {10.26, ShownQuantity::Frequency, kPa, "10.3"},
        {12.84, ShownQuantity::Percent, kPa, "12.8"},
        {2.4567, ShownQuantity::ZScore, kPa, "2.46"},
        {128.6, ShownQuantity::PercentPredicted, kPa, "129"},
        {-0.4, ShownQuantity::PercentPredicted, kPa, "0"},
        {std::nan(""), ShownQuantity::Impedance, kPa, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatShown(c.value, c.quantity, c.unit), c.shown) << c.value;
}

TEST(Units, SettingsKeepTheirUnitAndIgnoreAnUnknownOne) {
    test::MemoryProfile profile;
    EXPECT_EQ(LoadUnitSettings(profile).display, ImpedanceUnit::KPaSecondPerLitre);
    SaveUnitSettings(profile,
                     {ImpedanceUnit::HPaSecondPerLitre, ImpedanceUnit::CmH2OSecondPerLitre});
    EXPECT_EQ(profile.GetString("Units", "Display unit", ""), "cmH2O·s/L");
    const UnitSettings back = LoadUnitSettings(profile);
    EXPECT_EQ(back.calibration, ImpedanceUnit::HPaSecondPerLitre);
    EXPECT_EQ(back.display, ImpedanceUnit::CmH2OSecondPerLitre);
    profile.WriteString("Units", "Display unit", "mbar");
    EXPECT_EQ(LoadUnitSettings(profile).display, ImpedanceUnit::KPaSecondPerLitre);
}

// Each form with a residual SD, with limit equations and with neither, for a woman of 63 years,
// 162 cm and 60 kg; the expected values are the formulas written out.
TEST(ReferenceValues, EquationsGivePredictedLimitsAndZ) {
    struct Case {
        const char* name;
        std::string equation;
        const char* abnormal;
        double measured;
        ReferenceValue expected;
    };
    const double gLn = -1.0 + 0.5 * 1.62;
    const double gNeg = 1.0 - 0.5 * std::log(162.0);
    const Case cases[] = {
        {"linear with rsd",
         R"({"form": "linear", "terms": {"intercept": 0.1, "age": 0.002, "height": 0.001},
             "rsd": 0.05})",
         "high",
         0.5,
         {0.388, 0.388 - 1.645 * 0.05, 0.388 + 1.645 * 0.05, (0.5 - 0.388) / 0.05,
          100 * 0.5 / 0.388, "uln"}},
        {"ln with rsd",
         R"({"form": "ln", "terms": {"intercept": -1.0, "height_m": 0.5},
             "rsd": 0.2})",
         "high",
         0.5,
         {std::exp(gLn), std::exp(gLn - 0.329), std::exp(gLn + 0.329), (std::log(0.5) - gLn) / 0.2,
          100 * 0.5 / std::exp(gLn), std::nullopt}},
        // Below the predicted (more negative) reactance: a negative z and the lower limit.
        {"ln_neg with rsd",
         R"({"form": "ln_neg", "terms": {"intercept": 1.0, "ln_height": -0.5},
             "rsd": 0.3})",
         "low",
         -0.4,
         {-std::exp(gNeg), -std::exp(gNeg + 0.4935), -std::exp(gNeg - 0.4935),
          -(std::log(0.4) - gNeg) / 0.3, 100 * -0.4 / -std::exp(gNeg), "lln"}},
        {"limit equations",
         R"({"form": "linear", "terms": {"intercept": 10, "age": -0.05},
             "lln": {"intercept": 8, "age": -0.05}, "uln": {"intercept": 12, "age": -0.05}})",
         "high",
         9.0,
         {6.85, 4.85, 8.85, std::nullopt, 100 * 9.0 / 6.85, "uln"}},
        {"neither",
         R"({"form": "linear", "terms": {"intercept": 2, "age2": 0.0001,
             "weight": 0.01}})",
         "low",
         1.0,
         {2 + 0.0001 * 63 * 63 + 0.6, std::nullopt, std::nullopt, std::nullopt,
          100 * 1.0 / (2 + 0.0001 * 63 * 63 + 0.6), std::nullopt}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReferenceValue v =
            EvaluateReference(OutcomeOf(c.equation, c.abnormal), Woman(), c.measured, "T");
        ExpectNear(v.predicted, c.expected.predicted, "predicted");
        ExpectNear(v.lln, c.expected.lln, "lln");
        ExpectNear(v.uln, c.expected.uln, "uln");
        ExpectNear(v.z, c.expected.z, "z");
        ExpectNear(v.percentPredicted, c.expected.percentPredicted, "% predicted");
        EXPECT_EQ(v.beyond, c.expected.beyond);
    }

    // The male equation for a man; a positive reactance has no z in the ln_neg form.
    const ReferenceOutcome neg = OutcomeOf(cases[2].equation, "low");
    EXPECT_DOUBLE_EQ(*EvaluateReference(neg, {"male", 40, 180, {}}, 0.5, "T").predicted, 1.0);
    EXPECT_FALSE(EvaluateReference(neg, Woman(), 0.05, "T").z);

    const auto refused = [](const ReferenceOutcome& o, const ReferenceSubject& s) {
        try {
            EvaluateReference(o, s, std::nullopt, "T");
        } catch (const ReferenceError& e) {
            return std::string(e.what());
        }
        return std::string("not refused");
    };
    EXPECT_EQ(refused(OutcomeOf(cases[4].equation), Woman(std::nullopt)),
              "The reference set T needs the weight of the subject for R5.");
    EXPECT_EQ(refused(OutcomeOf(cases[4].equation), {"", 63, 162, 60.0}),
              "The reference set T needs the sex of the subject (female or male).");
}

TEST(ReferenceValues, AgeIsDaysOverAYearOf365AndAQuarterDays) {
    EXPECT_DOUBLE_EQ(*AgeInYears("2000-01-01", "2001-01-01"), 366 / 365.25);
    EXPECT_DOUBLE_EQ(*AgeInYears("1963-03-01", "2026-12-11T10:00:00Z"),
                     *AgeInYears("1963-03-01", "2026-12-11"));
    EXPECT_FALSE(AgeInYears("2000-02-30", "2026-01-01"));
    EXPECT_FALSE(AgeInYears("2026-01-02", "2026-01-01"));
    EXPECT_FALSE(AgeInYears("", "2026-01-01"));
}

TEST(ReferenceValues, ShippedSetReproducesItsPrintedFormulas) {
    const ReferenceSet set = LoadReferenceSet(kShippedSet);
    EXPECT_EQ(set.technique, "IOS");
    ASSERT_EQ(set.outcomes.size(), 4u);
    struct Subject {
        const char* sex;
        double h, w;
    };
    for (const Subject& s : {Subject{"female", 162, 60}, Subject{"male", 175, 80},
                             Subject{"female", 150, 45}, Subject{"male", 190, 95}}) {
        SCOPED_TRACE(std::string(s.sex) + " " + std::to_string(s.h));
        const bool f = std::string(s.sex) == "female";
        const double expected[] = {
            f ? std::exp(2.68 - 0.026 * s.h + 0.012 * s.w) : std::exp(3.02 - 0.023 * s.h),
            f ? std::exp(1.26 - 0.017 * s.h + 0.009 * s.w) : std::exp(1.52 - 0.016 * s.h),
            f ? -std::exp(3.85 - 0.041 * s.h + 0.014 * s.w) : -std::exp(3.57 - 0.033 * s.h),
            f ? std::exp(10.8 - 0.074 * s.h) : std::exp(12.0 - 0.074 * s.h)};
        for (std::size_t k = 0; k < 4; ++k) {
            const ReferenceValue v =
                EvaluateReference(set.outcomes[k], {s.sex, 50, s.h, s.w}, std::nullopt, set.name);
            EXPECT_NEAR(*v.predicted, expected[k], 1e-12) << set.outcomes[k].name;
            EXPECT_FALSE(v.lln || v.uln || v.z);
        }
    }
}

TEST(ReferenceValues, MalformedSetsAreRefusedNamingTheFault) {
    const std::string good = R"({"name": "N", "source": "", "technique": "FOT", "unit": "kPa·s/L",
        "age": [18, 90], "height": [140, 200], "outcomes": {"R5": {"quantity": "r",
        "frequency": 5, "abnormal": "high", "female": {"form": "ln", "terms": {"height": -0.02}},
        "male": {"form": "ln", "terms": {"height": -0.02}}}}})";
    EXPECT_NO_THROW(ParseReferenceSet(good, "good.json"));
    const auto broken = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::pair<std::string, std::string> cases[] = {
        {"{\"name\": ", "it is not JSON (at byte 10)"},
        {broken("\"FOT\"", "\"XYZ\""), "\"technique\" must be \"FOT\" or \"IOS\""},
        {broken("\"unit\": \"kPa·s/L\",", ""), "\"unit\" is missing"},
        {broken("[18, 90]", "[90, 18]"), "\"age\" must have its minimum below its maximum"},
        {broken("\"frequency\": 5,", ""), "outcome \"R5\": \"frequency\" is missing"},
        {broken("\"form\": \"ln\"", "\"form\": \"log\""),
         "outcome \"R5\" female: \"form\" must be \"linear\", \"ln\" or \"ln_neg\""},
        {broken("{\"height\": -0.02}}}}}", "{\"hieght\": -0.02}}}}}"),
         "outcome \"R5\" male \"terms\" has the unknown variable \"hieght\""},
    };
    for (const auto& [text, fault] : cases) {
        try {
            ParseReferenceSet(text, "/data/bad.json");
            ADD_FAILURE() << "not refused: " << fault;
        } catch (const ReferenceError& e) {
            EXPECT_EQ(e.what(), "/data/bad.json is not a reference set: " + fault + ".");
        }
    }

    // A folder's malformed set is listed as refused and never offered.
    test::TempDir dir;
    std::ofstream(dir.File("bad.json")) << cases[1].first;
    std::filesystem::copy_file(kShippedSet, dir.File("aarli.json"));
    const ReferenceCatalogue catalogue = LoadReferenceSets({dir.Path(), dir.File("missing")});
    ASSERT_EQ(catalogue.sets.size(), 1u);
    EXPECT_TRUE(catalogue.Find("Aarli IOS adults"));
    ASSERT_EQ(catalogue.refusals.size(), 1u);
    EXPECT_NE(catalogue.refusals[0].find("bad.json is not a reference set"), std::string::npos);
}

TEST(ReferenceValues, OutcomesAreJudgedAtTheirFrequenciesInTheirUnit) {
    const ReferenceSet set = LoadReferenceSet(kShippedSet);
    SpectrumOutcomes m;
    m.rLow = 0.6 * 10.1972;  // in cmH2O·s/L
    m.rHigh = 0.3 * 10.1972;
    m.xLow = -0.2 * 10.1972;
    m.ax = 1.5 * 10.1972;
    const ReferenceSubject woman = Woman();
    OutcomeSettings at4;
    at4.lowHz = 4;
    const ReferenceReport r =
        ComputeReference(set, woman, &m, ImpedanceUnit::CmH2OSecondPerLitre, at4);
    ASSERT_EQ(r.outcomes.size(), 4u);
    EXPECT_EQ(r.outcomes[0].message,
              "The reference set gives R at 5 Hz; the outcomes are at 4 Hz.");
    EXPECT_EQ(r.outcomes[2].message,
              "The reference set gives X at 5 Hz; the outcomes are at 4 Hz.");
    EXPECT_FALSE(r.outcomes[0].value.predicted);
    // R20 is the high outcome frequency: its values come back in the measurement's unit.
    const double r20 = std::exp(1.26 - 0.017 * 162 + 0.009 * 60);
    EXPECT_EQ(r.outcomes[1].outcome, Outcome::RHigh);
    EXPECT_NEAR(*r.outcomes[1].value.predicted, r20 * 10.1972, 1e-12);
    EXPECT_NEAR(*r.outcomes[1].value.percentPredicted, 100 * 0.3 / r20, 1e-9);
    EXPECT_FALSE(r.outsideRange);

    EXPECT_EQ(ComputeReference(set, woman, &m, std::nullopt, {}).message,
              "Reference values need a calibrated measurement.");
    const ReferenceReport child =
        ComputeReference(set, {"male", 9, 130, 28.0}, &m, ImpedanceUnit::KPaSecondPerLitre, {});
    EXPECT_TRUE(child.outsideRange);
    EXPECT_TRUE(child.outcomes[0].value.predicted);  // computed all the same
}
