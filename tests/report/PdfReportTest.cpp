// The session report written to a PDF file.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/FileBytes.h"
#include "report/PdfReport.h"
#include "support/SampleReport.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::TwoResultsTwoRecordings;

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

}  // namespace
}  // namespace pelmor
