// The session report written to a PDF file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/FileBytes.h"
#include "report/PdfReport.h"
#include "support/SampleReport.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::SubjectSession;
using test::TwoResultsTwoRecordings;

// What poppler reads back from a PDF: "pdftotext -layout", or "pdfinfo".
std::string Poppler(const std::string& tool, const std::string& pdf) {
    return test::CommandOutput(tool + " '" + pdf + "'" + (tool == "pdfinfo" ? "" : " -"));
}

TEST(PdfReport, WritesAWholeFileOrNothing) {
    test::TempDir dir;
    const SessionReport report = TwoResultsTwoRecordings();
    const std::string path = dir.File("report.pdf");
    std::string error;
    int calls = 0;
    ASSERT_TRUE(WriteReportPdf(report, path, error, [&](int done, int total) {
        EXPECT_EQ(done, ++calls);
        EXPECT_EQ(total, 3);
        return true;
    })) << error;
    EXPECT_EQ(calls, 3);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes, error));
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "%PDF-");

    // Stopped after the first page: the earlier file stays as it was, nothing else appears.
    EXPECT_FALSE(WriteReportPdf(report, path, error, [](int, int) { return false; }));
    EXPECT_NE(error.find(path), std::string::npos);
    std::vector<uint8_t> after;
    ASSERT_TRUE(ReadFileBytes(path, after, error));
    EXPECT_EQ(after, bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Laid out with the PDF's own font: the tables run on, every label is printed whole, and each
// footer counts the pages the file has.
TEST(PdfReport, LongSetsRunOnWithEveryLabelAndTheRightPageCount) {
    test::TempDir dir;
    const SessionReport report = SubjectSession(32, 32);
    const std::string path = dir.File("long.pdf");
    std::string error;
    ASSERT_TRUE(WriteReportPdf(report, path, error)) << error;
    const std::string info = Poppler("pdfinfo", path);
    ASSERT_NE(info.find("Pages:"), std::string::npos) << info;
    const int pages = std::stoi(info.substr(info.find("Pages:") + 6));
    EXPECT_GT(pages, 33);
    const std::string text = Poppler("pdftotext -layout", path);
    for (int p = 1; p <= pages; ++p) {
        const std::string footer = "page " + std::to_string(p) + " of " + std::to_string(pages);
        EXPECT_NE(text.find(footer), std::string::npos) << footer;
    }
    for (const auto* set : {&report.results, &report.baseline})
        for (const ImpedanceSpectrum& r : *set)
            EXPECT_NE(text.find(r.label + " "), std::string::npos) << r.label;
    for (const char* expected : {"SD", "CoV [%]", "Change [%]", "Threshold [%]", "positive"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

}  // namespace
}  // namespace pelmor
