// The session report's pages on a recording surface.
#include <gtest/gtest.h>

#include <algorithm>

#include "display/RecordingSurface.h"
#include "display/ReportPages.h"
#include "support/SampleReport.h"

namespace pelmor {
namespace {

using test::TwoResultsTwoRecordings;

const ReportSheet kA4{{0, 0, 2480, 3508}, 2480 / 210.0};

std::vector<std::string> BoxTexts(const RecordingSurface& s) {
    std::vector<std::string> texts;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::TextInBox)) texts.push_back(c.text);
    return texts;
}

bool Has(const std::vector<std::string>& texts, const std::string& wanted) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(wanted) != std::string::npos; });
}

TEST(ReportPages, EveryPageHasItsFooterAndItsContent) {
    const SessionReport report = TwoResultsTwoRecordings();
    ASSERT_EQ(ReportPageCount(report), 3);
    for (int page = 0; page < 3; ++page) {
        RecordingSurface s(kA4.page, true);
        DrawReportPage(s, report, page, kA4);
        const auto texts = BoxTexts(s);
        EXPECT_TRUE(Has(texts, "page " + std::to_string(page + 1) + " of 3")) << page;
        EXPECT_TRUE(Has(texts, ReportProgramName())) << page;
        // Nothing is drawn into the margins but the white sheet.
        for (const SurfaceCall& c : s.Calls(SurfaceOp::TextInBox)) {
            EXPECT_GE(c.rect.left, kA4.page.left + 170) << c.text;
            EXPECT_LE(c.rect.bottom, kA4.page.bottom - 170) << c.text;
        }
    }
    RecordingSurface first(kA4.page, true);
    DrawReportPage(first, report, 0, kA4);
    for (const char* expected : {"Impedance report", "Untitled", "Not calibrated", "2, 4, 6, 8 Hz"})
        EXPECT_TRUE(Has(BoxTexts(first), expected)) << expected;
    RecordingSurface second(kA4.page, true);
    DrawReportPage(second, report, 2, kA4);
    for (const char* expected : {"visit 002.inpx", "2026/12/10 04:00:00", "16 s", "256 Hz"})
        EXPECT_TRUE(Has(BoxTexts(second), expected)) << expected;
}

TEST(ReportPages, SpectraAreThinPerResultBoldForTheMeanAndDashedForTheModel) {
    SessionReport report = TwoResultsTwoRecordings();
    RecordingSurface s(kA4.page, true);
    DrawReportPage(s, report, 0, kA4);
    int thin = 0, bold = 0, dashed = 0;
    std::vector<SurfaceCall> lines = s.Calls(SurfaceOp::Polyline);
    for (const SurfaceCall& c : s.Calls(SurfaceOp::Line)) lines.push_back(c);
    for (const SurfaceCall& c : lines) {
        if (c.pen.style == PenDash)
            ++dashed;
        else if (c.pen.width == 3)
            ++bold;
        else if (c.pen.width == 1)
            ++thin;
    }
    EXPECT_GE(thin, 4);  // R and X of each result
    EXPECT_GE(bold, 2);
    EXPECT_GE(dashed, 2);

    report.model.reset();
    RecordingSurface without(kA4.page, true);
    DrawReportPage(without, report, 0, kA4);
    for (const SurfaceCall& c : without.Calls(SurfaceOp::Polyline)) EXPECT_NE(c.pen.style, PenDash);
}

TEST(ReportPages, FlaggedCellsStandOutInColourAndWithAMark) {
    SessionReport report = TwoResultsTwoRecordings();
    report.tables.push_back(
        {"Outcomes",
         {{{"Label"}, {"R5"}}, {{"visit 001.inpx"}, {"0.25"}}, {{"CoV [%]"}, {"12.5", true}}},
         true});
    report.recordings[0].breathTables.push_back(
        {"", {{{""}, {"Ti [s]"}}, {{"Mean"}, {"1.75"}}}, true});
    report.recordings[0].breathLines = {"Accepted breaths: 4 of 5"};
    RecordingSurface s(kA4.page, true);
    DrawReportPage(s, report, 0, kA4);
    bool flagged = false, plain = false;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::TextInBox)) {
        if (c.text == "12.5 !") flagged = c.color != 0x000000;
        if (c.text == "0.25") plain = c.color == 0x000000;
    }
    EXPECT_TRUE(flagged);
    EXPECT_TRUE(plain);
    RecordingSurface page2(kA4.page, true);
    DrawReportPage(page2, report, 1, kA4);
    EXPECT_TRUE(Has(BoxTexts(page2), "1.75"));
    EXPECT_TRUE(Has(BoxTexts(page2), "4 of 5"));
}

TEST(ReportPages, TheTrendShadesTheBreathsAndNotesTheirDx) {
    SessionReport report = TwoResultsTwoRecordings();
    report.recordings[0].bands = {{1.0, 2.5, true}, {5.0, 8.0, false}};
    report.recordings[0].trendNote = "dX=0.31 EFL";
    RecordingSurface s(kA4.page, true);
    DrawReportPage(s, report, 1, kA4);
    int accepted = 0, refused = 0;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::FillSolid)) {
        accepted += c.color == 0xC8F0D2;
        refused += c.color == 0xE1E1E1;
    }
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(Has(BoxTexts(s), "dX=0.31 EFL"));
    RecordingSurface plain(kA4.page, true);
    DrawReportPage(plain, report, 2, kA4);
    EXPECT_EQ(plain.Calls(SurfaceOp::FillSolid).size(), 1u);  // the white sheet only
}

}  // namespace
}  // namespace pelmor
