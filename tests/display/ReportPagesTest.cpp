// The session report's pages on a recording surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

#include "core/NumberFormat.h"
#include "display/RecordingSurface.h"
#include "display/ReportPages.h"
#include "support/SampleReport.h"

namespace pelmor {
namespace {

using test::SubjectSession;
using test::TwoResultsTwoRecordings;

const ReportSheet kA4{{0, 0, 2480, 3508}, 2480 / 210.0};

// Page index of the report, laid out and drawn on a recording surface.
RecordingSurface Page(const SessionReport& report, int index) {
    RecordingSurface s(kA4.page, true);
    DrawReportPage(s, report, LayOutReport(s, report, kA4), index);
    return s;
}

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
    RecordingSurface measure(kA4.page, true);
    ASSERT_EQ(ReportPageCount(LayOutReport(measure, report, kA4)), 3);
    for (int page = 0; page < 3; ++page) {
        const RecordingSurface s = Page(report, page);
        const auto texts = BoxTexts(s);
        EXPECT_TRUE(Has(texts, "page " + std::to_string(page + 1) + " of 3")) << page;
        EXPECT_TRUE(Has(texts, ReportProgramName())) << page;
        // Nothing is drawn into the margins but the white sheet.
        for (const SurfaceCall& c : s.Calls(SurfaceOp::TextInBox)) {
            EXPECT_GE(c.rect.left, kA4.page.left + 170) << c.text;
            EXPECT_LE(c.rect.bottom, kA4.page.bottom - 170) << c.text;
        }
    }
    const RecordingSurface first = Page(report, 0);
    for (const char* expected : {"Impedance report", "Untitled", "Not calibrated", "2, 4, 6, 8 Hz"})
        EXPECT_TRUE(Has(BoxTexts(first), expected)) << expected;
    const RecordingSurface second = Page(report, 2);
    for (const char* expected : {"visit 002.inpx", "2026/12/10 04:00:00", "16 s", "256 Hz"})
        EXPECT_TRUE(Has(BoxTexts(second), expected)) << expected;
}

TEST(ReportPages, SpectraAreThinPerResultBoldForTheMeanAndDashedForTheModel) {
    SessionReport report = TwoResultsTwoRecordings();
    const RecordingSurface s = Page(report, 0);
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
    const RecordingSurface without = Page(report, 0);
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
    const RecordingSurface s = Page(report, 0);
    bool flagged = false, plain = false;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::TextInBox)) {
        if (c.text == "12.5 !") flagged = c.color != 0x000000;
        if (c.text == "0.25") plain = c.color == 0x000000;
    }
    EXPECT_TRUE(flagged);
    EXPECT_TRUE(plain);
    const RecordingSurface page2 = Page(report, 1);
    EXPECT_TRUE(Has(BoxTexts(page2), "1.75"));
    EXPECT_TRUE(Has(BoxTexts(page2), "4 of 5"));
}

TEST(ReportPages, TheTrendShadesTheBreathsAndNotesTheirDx) {
    SessionReport report = TwoResultsTwoRecordings();
    report.recordings[0].bands = {{1.0, 2.5, true}, {5.0, 8.0, false}};
    report.recordings[0].trendNote = "dX=0.31 EFL";
    const RecordingSurface s = Page(report, 1);
    int accepted = 0, refused = 0;
    for (const SurfaceCall& c : s.Calls(SurfaceOp::FillSolid)) {
        accepted += c.color == 0xC8F0D2;
        refused += c.color == 0xE1E1E1;
    }
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(Has(BoxTexts(s), "dX=0.31 EFL"));
    const RecordingSurface plain = Page(report, 2);
    EXPECT_EQ(plain.Calls(SurfaceOp::FillSolid).size(), 1u);  // the white sheet only
}

TEST(ReportPages, ARecordingMadeInSimulationSaysSoInItsTitle) {
    SessionReport report = TwoResultsTwoRecordings();
    report.recordings[0].simulated = true;
    EXPECT_EQ(BoxTexts(Page(report, 1)).front(), "visit 001.inpx (simulated)");
    EXPECT_EQ(BoxTexts(Page(report, 2)).front(), "visit 002.inpx");
}

// The lowest device row a call draws on.
int32_t Bottom(const SurfaceCall& c) {
    switch (c.op) {
        case SurfaceOp::SetClip:
            return INT_MIN;
        case SurfaceOp::Line:
        case SurfaceOp::Polyline:
        case SurfaceOp::Polygon:
        case SurfaceOp::TextOut:
        case SurfaceOp::Icon: {
            int32_t y = INT_MIN;
            for (const SurfacePoint& p : c.points) y = std::max(y, p.y);
            if (c.op == SurfaceOp::TextOut) y += c.font.height;
            if (c.op == SurfaceOp::Icon) y += kIconSize;
            return y;
        }
        default:
            return c.rect.bottom;
    }
}

// Sets too long for page 1, their labels sharing a long beginning: the tables run on over
// further pages, each part under the table's title and header row, before the recording pages;
// every label is printed whole; the statistics, the change and its verdict are all there, the
// change with its verdict on one page; nothing reaches the footer; every footer counts the
// pages there are.
TEST(ReportPages, LongSetsRunOnOverPagesWithWholeLabelsClearOfTheFooter) {
    for (int count : {28, 32, 60}) {
        SCOPED_TRACE(count);
        const SessionReport report = SubjectSession(count, count);
        RecordingSurface measure(kA4.page, true);
        const ReportLayout layout = LayOutReport(measure, report, kA4);
        const int pages = ReportPageCount(layout);
        ASSERT_GT(pages, 1 + count);
        const int firstRecording = pages - count;
        std::vector<std::string> all;
        for (int p = 0; p < pages; ++p) {
            SCOPED_TRACE(p);
            RecordingSurface s(kA4.page, true);
            DrawReportPage(s, report, layout, p);
            const std::vector<std::string> texts = BoxTexts(s);
            // The footer comes last: its rule, the program and the page.
            ASSERT_GE(s.calls.size(), 4u);
            const std::size_t footer = s.calls.size() - 3;
            ASSERT_EQ(s.calls[footer].op, SurfaceOp::Line);
            EXPECT_EQ(s.calls.back().text, Format("page %d of %d", p + 1, pages));
            const int32_t rule = s.calls[footer].points[0].y;
            for (std::size_t i = 1; i < footer; ++i)  // after the white sheet
                EXPECT_LE(Bottom(s.calls[i]), rule) << s.calls[i].text;
            if (p >= firstRecording) {
                EXPECT_EQ(texts.front(), report.recordings[p - firstRecording].fileName);
                continue;
            }
            for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
                if (texts[i] == "Outcomes (continued)") {
                    EXPECT_EQ(texts[i + 1], "Label");
                }
                if (texts[i] == "Baseline and change (continued)") {
                    EXPECT_EQ(texts[i + 1], "Baseline");
                }
            }
            if (Has(texts, "Response")) {
                for (const char* kept : {"Change [%]", "Threshold [%]", "positive"})
                    EXPECT_TRUE(Has(texts, kept)) << kept;
            }
            all.insert(all.end(), texts.begin(), texts.end());
        }
        EXPECT_TRUE(count < 60 || Has(all, "(continued)"));
        auto times = [&](const std::string& text) {
            return std::count(all.begin(), all.end(), text);
        };
        for (const ImpedanceSpectrum& r : report.results) EXPECT_EQ(times(r.label), 1) << r.label;
        for (const ImpedanceSpectrum& r : report.baseline) EXPECT_EQ(times(r.label), 1) << r.label;
        EXPECT_EQ(times("Mean"), 2);
        for (const char* once : {"SD", "CoV [%]", "Change [%]", "Threshold [%]", "Response"})
            EXPECT_EQ(times(once), 1) << once;
        EXPECT_FALSE(Has(all, "..."));
    }
}

// The first cells of a table's rows as printed, the lines of each joined, over every page.
std::vector<std::string> FirstColumn(const SessionReport& report) {
    RecordingSurface measure(kA4.page, true);
    const ReportLayout layout = LayOutReport(measure, report, kA4);
    const int32_t left = kA4.page.left + static_cast<int32_t>(std::lround(15 * kA4.mm));
    std::vector<std::string> labels;
    for (int p = 0; p < ReportPageCount(layout); ++p) {
        RecordingSurface s(kA4.page, true);
        DrawReportPage(s, report, layout, p);
        bool inTable = false, inLabel = false;
        for (const SurfaceCall& c : s.Calls(SurfaceOp::TextInBox)) {
            if (c.text.starts_with("Labels")) {
                inTable = true;
                continue;
            }
            if (c.text == ReportProgramName()) break;  // the footer
            if (!inTable) continue;
            if (c.rect.left != left) {
                inLabel = false;
                continue;
            }
            if (!inLabel) labels.emplace_back();
            labels.back() += c.text;
            inLabel = true;
        }
    }
    std::erase(labels, std::string("Label"));
    return labels;
}

// Labels that the smallest type cannot hold on one line take a second; longer ones lose their
// middle to "…", keeping their beginning and their end; labels that differ are never printed
// alike, whatever part of them differs.
TEST(ReportPages, LongLabelsTakeASecondLineAndLoseTheirMiddleOnlyLast) {
    const std::string a(60, 'a'), b(60, 'b');
    enum Printed { Whole, CutKeepingItsEnds, Distinct };
    struct Case {
        std::string label;
        Printed printed;
    };
    const Case cases[] = {
        {"Subject0001_visit2_pre " + a + "_" + b + " 001.inpx", Whole},
        {"Subject0001_visit2_pre " + a + "_" + b + " 002.inpx", Whole},
        // Too long for two lines, different at the end.
        {"Subject0001_visit2_pre " + a + a + b + b + " 001.inpx", CutKeepingItsEnds},
        {"Subject0001_visit2_pre " + a + a + b + b + " 002.inpx", CutKeepingItsEnds},
        // Different only two thirds of the way in.
        {"Subject0001_" + a + a + b + "1" + b + "_pre 001.inpx", Distinct},
        {"Subject0001_" + a + a + b + "2" + b + "_pre 001.inpx", Distinct},
        // Different only in the very middle of a label no cut can show both ends of.
        {std::string(400, 'c') + "1" + std::string(400, 'd'), Distinct},
        {std::string(400, 'c') + "2" + std::string(400, 'd'), Distinct},
    };
    SessionReport report = TwoResultsTwoRecordings();
    ReportTable table{"Labels", {{{"Label"}, {"R5"}}}, true};
    for (const Case& c : cases) table.rows.push_back({{c.label}, {"0.25"}});
    report.tables = {table};
    const std::vector<std::string> printed = FirstColumn(report);
    ASSERT_EQ(printed.size(), std::size(cases));
    EXPECT_EQ(std::set<std::string>(printed.begin(), printed.end()).size(), printed.size());
    for (std::size_t i = 0; i < printed.size(); ++i) {
        SCOPED_TRACE(i);
        if (cases[i].printed == Whole) {
            EXPECT_EQ(printed[i], cases[i].label);
        } else if (cases[i].printed == CutKeepingItsEnds) {
            EXPECT_NE(printed[i].find("…"), std::string::npos);
            EXPECT_TRUE(printed[i].starts_with("Subject0001_visit2_pre "));
            EXPECT_TRUE(printed[i].ends_with(cases[i].label.substr(cases[i].label.size() - 9)));
        }
    }
}

}  // namespace
}  // namespace pelmor
