// The outcome tables: the grid, quality and baseline sections as cells and text, and the csv.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "export/OutcomeTables.h"
#include "export/StoredImpedance.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::Lines;

LabelledOutcomes Result(std::string label, double rLow, double xLow, double ax, double coherence) {
    LabelledOutcomes r;
    r.label = std::move(label);
    r.outcomes.rLow = rLow;
    r.outcomes.xLow = xLow;
    r.outcomes.rHigh = 1.0;
    r.outcomes.rLowMinusHigh = rLow - 1.0;
    r.outcomes.fres = 12.0;
    r.outcomes.ax = ax;
    r.outcomes.minCoherence = coherence;
    return r;
}

TEST(OutcomeTables, ColumnTitlesCarryTheFrequencies) {
    OutcomeSettings s;
    EXPECT_EQ(OutcomeColumnTitles(s),
              (std::array<std::string, kOutcomeCount>{"R5", "X5", "R20", "R5-R20", "Fres", "AX",
                                                      "Min coherence"}));
    s.lowHz = 6.5;
    s.highHz = 19;
    EXPECT_EQ(OutcomeColumnTitles(s)[3], "R6.5-R19");
}

TEST(OutcomeTables, TextHoldsGridQualityAndBaseline) {
    const OutcomeSettings s;
    const OutcomeReport report = MakeOutcomeReport(
        {Result("a.inpx", 3.0, -1.0, 5.0, 0.95), Result("b.inpx", 5.0, -1.0, 7.0, 0.85)},
        std::vector<LabelledOutcomes>{Result("pre.inpx", 8.0, -2.0, 30.0, 0.99)}, s);
    const OutcomeTable table = BuildOutcomeTable(report);
    const std::vector<std::string> lines = Lines(OutcomeTableText(table));
    const std::vector<std::string> expected = {
        "Label\tR5\tX5\tR20\tR5-R20\tFres\tAX\tMin coherence",
        "a.inpx\t3\t-1\t1\t2\t12\t5\t0.95",
        "b.inpx\t5\t-1\t1\t4\t12\t7\t0.85",
        "Mean\t4\t-1\t1\t3\t12\t6\t0.9",
        "SD\t1.41421\t0\t0\t1.41421\t0\t1.41421\t0.0707107",
        "CoV [%]\t35.3553\t0\t0\t47.1405\t0\t23.5702\t7.85674",
        "",
        "CoV of R5 [%]\t35.3553\tabove limit",
        "CoV limit [%]\t10",
        "Coherence below 0.9\tb.inpx",
        "",
        "Baseline\tR5\tX5\tR20\tR5-R20\tFres\tAX\tMin coherence",
        "pre.inpx\t8\t-2\t1\t7\t12\t30\t0.99",
        "Mean\t8\t-2\t1\t7\t12\t30\t0.99",
        "Change [%]\t-50\t50\t\t\t\t-80\t",
        "Threshold [%]\t-40\t50\t\t\t\t-80\t",
        "Response\tpositive",
    };
    EXPECT_EQ(lines, expected);

    // What stands out: the CoV of R5 above the limit (the limit is R5's alone), the low
    // coherence, the changes that pass and the positive verdict.
    auto flagged = [](const TableRow& row) {
        std::vector<int> columns;
        for (std::size_t c = 0; c < row.size(); ++c)
            if (row[c].flagged) columns.push_back(static_cast<int>(c));
        return columns;
    };
    EXPECT_EQ(flagged(table.grid[1]), std::vector<int>{});
    EXPECT_EQ(flagged(table.grid[2]), std::vector<int>{7});
    EXPECT_EQ(flagged(table.grid[5]), std::vector<int>{1});
    EXPECT_EQ(flagged(table.quality[0]), (std::vector<int>{1, 2}));
    EXPECT_EQ(flagged(table.baseline[3]), (std::vector<int>{1, 2, 6}));
    EXPECT_EQ(flagged(table.baseline[5]), std::vector<int>{1});
}

TEST(OutcomeTables, MissingValuesAreEmptyCellsAndOneResultHasNoCoV) {
    LabelledOutcomes only;
    only.label = "short.inp";
    only.outcomes.rLow = 2.5;
    const OutcomeTable table = BuildOutcomeTable(MakeOutcomeReport({only}, std::nullopt, {}));
    const std::string text = OutcomeTableText(table);
    const std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(lines[1], "short.inp\t2.5\t\t\t\t\t\t");
    EXPECT_EQ(lines[3], "SD\t\t\t\t\t\t\t");
    EXPECT_EQ(lines[6], "CoV of R5 [%]\t\tneeds at least two results");
    EXPECT_EQ(lines[8], "Coherence below 0.9\tnone");
    EXPECT_EQ(lines.size(), 9u);  // no baseline section
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // f_L below every result's measured frequencies: the quality line says so.
    OutcomeSettings at3;
    at3.lowHz = 3;
    LabelledOutcomes a = only, b = only;
    a.outcomes = {};
    a.outcomes.lowestHz = 5;
    a.outcomes.highestHz = 37;
    b.outcomes = a.outcomes;
    b.outcomes.highestHz = 35;
    const std::vector<std::string> outside =
        Lines(OutcomeTableText(BuildOutcomeTable(MakeOutcomeReport({a, b}, std::nullopt, at3))));
    EXPECT_EQ(outside[7],
              "CoV of R3 [%]\t\tR3: 3 Hz lies outside the measured frequencies, 5 to 37 Hz");
}

TEST(OutcomeTables, CsvQuotesLabelsAndMarksTheBaseline) {
    LabelledOutcomes odd = Result("run \"7\", left.inpx", 0.1234567891234, -1, 5, 1);
    odd.outcomes.fres.reset();
    const OutcomeReport report = MakeOutcomeReport(
        {odd}, std::vector<LabelledOutcomes>{Result("pre.inpx", 8, -2, 30, 0.99)}, {});
    const std::vector<std::string> lines = Lines(OutcomeCsvText(report, "kPa·s/L"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "label,r_low,x_low,r_high,r_low_minus_high,fres,ax,min_coherence,set,unit");
    EXPECT_EQ(lines[1],
              "\"run \"\"7\"\", left.inpx\",0.1234567891,-1,1,-0.8765432109,,5,1,current,"
              "\"kPa·s/L\"");
    EXPECT_EQ(lines[2], "\"pre.inpx\",8,-2,1,7,12,30,0.99,baseline,\"kPa·s/L\"");
}

TEST(OutcomeTables, MarkedStoredResultsOnly) {
    auto stored = std::make_unique<StoredImpedance>();
    stored->count = 3;
    for (int k = 0; k < 3; ++k) {
        StoredResult& r = stored->results[k];
        r.spectrum.label = "r" + std::to_string(k);
        r.marked = k != 1;
        r.spectrum.frequencies = {4, 6, 8};
        r.spectrum.R = {3, 2.0 + k, 1};
        r.spectrum.X = {-2, -1, 1};
        r.spectrum.coherence.assign(3, 0.9 + 0.01 * k);
    }
    const std::vector<LabelledOutcomes> out = MarkedStoredOutcomes(*stored, OutcomeSettings{});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].label, "r0");
    EXPECT_EQ(out[1].label, "r2");
    EXPECT_DOUBLE_EQ(*out[1].outcomes.rLow, 3.5);  // halfway between 3 at 4 Hz and 4 at 6 Hz
    EXPECT_DOUBLE_EQ(*out[1].outcomes.fres, 7.0);
    EXPECT_NEAR(*out[1].outcomes.minCoherence, 0.92, 1e-15);
}

}  // namespace
}  // namespace pelmor
