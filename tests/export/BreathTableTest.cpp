#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "export/BreathTable.h"
#include "export/TextHandoff.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// Two breaths, one flow sample and one estimate per second: inspiration 2 … 3, expiration
// 4 … 6 (X -0.5, dX 0.4), then inspiration 7 … 8, expiration 9 … 10 (X -0.2, dX 0.1).
BreathAnalysis TwoBreaths(const BreathSettings& settings) {
    const std::vector<double> q = {-1, -1, 2, 2, -1, -1, -1, 2, 2, -1, -1, 1};
    const std::vector<double> x = {-0.5, -0.5, -0.1, -0.1, -0.5, -0.5,
                                   -0.5, -0.1, -0.1, -0.2, -0.2, -0.1};
    return test::SampleBreaths(q, std::vector<double>(q.size(), 1.0), x, settings);
}

const char kHeader[] =
    "Breath\tStart [s]\tTi [s]\tTe [s]\tVT\tR insp\tR exp\tX insp\tX exp\tdX\tEFL\tAccepted\r\n";

TEST(BreathTable, RowsAndSummaryInACommaLocale) {
    test::CommaLocale comma;  // the numbers are built with "." whatever the process locale
    test::RecordingShell shell;
    shell.decimalSeparator = ',';
    ASSERT_TRUE(CopyTextToClipboard(BreathTableText(TwoBreaths({}), 5), shell));
    EXPECT_EQ(shell.clipboard.at(0), std::string(kHeader) +
                                         "1\t2\t2\t3\t4\t1\t1\t-0,1\t-0,5\t0,4\tyes\tyes\r\n"
                                         "2\t7\t2\t2\t4\t1\t1\t-0,1\t-0,2\t0,1\tno\tyes\r\n"
                                         "\r\n"
                                         "Mean\t\t2\t2,5\t4\t1\t1\t-0,1\t-0,35\t0,25\r\n"
                                         "SD\t\t0\t0,707107\t0\t0\t0\t0\t0,212132\t0,212132\r\n"
                                         "CoV [%]\t\t0\t28,2843\t0\t0\t0\t0\t60,6092\t84,8528\r\n"
                                         "Frequency [Hz]\t5\r\n"
                                         "Window [s]\t1\r\n"
                                         "Estimates per breath\t4,5\r\n"
                                         "Accepted breaths\t2 of 2\r\n"
                                         "Flow-limited breaths\t1\r\n"
                                         "Flow limitation\tno\r\n");
}

TEST(BreathTable, RefusedBreathsAndMissingStatisticsLeaveCellsEmpty) {
    BreathSettings settings;
    settings.expirationMax = 2.5;
    settings.flowLimitationThreshold = 0.1;
    EXPECT_EQ(BreathTableText(TwoBreaths(settings), 0.25),
              std::string(kHeader) +
                  "1\t2\t2\t3\t4\t1\t1\t-0.1\t-0.5\t0.4\t\tTe out of range\r\n"
                  "2\t7\t2\t2\t4\t1\t1\t-0.1\t-0.2\t0.1\tyes\tyes\r\n"
                  "\r\n"
                  "Mean\t\t2\t2\t4\t1\t1\t-0.1\t-0.2\t0.1\r\n"
                  "SD\t\t\t\t\t\t\t\t\t\r\n"
                  "CoV [%]\t\t\t\t\t\t\t\t\t\r\n"
                  "Frequency [Hz]\t0.25\r\n"
                  "Window [s]\t1\r\n"
                  "Estimates per breath\t4\r\n"
                  "Accepted breaths\t1 of 2\r\n"
                  "Flow-limited breaths\t1\r\n"
                  "Flow limitation\tyes\r\n");

    // A record without a breath still gives the header and the summary, 0 of 0.
    const std::vector<double> v = {1, 1, 1};
    const std::string empty = BreathTableText(test::SampleBreaths(v, v, v, {}, 1, 2), 5);
    EXPECT_EQ(empty, std::string(kHeader) +
                         "\r\n"
                         "Mean\t\t\t\t\t\t\t\t\t\r\n"
                         "SD\t\t\t\t\t\t\t\t\t\r\n"
                         "CoV [%]\t\t\t\t\t\t\t\t\t\r\n"
                         "Frequency [Hz]\t5\r\n"
                         "Window [s]\t2\r\n"
                         "Estimates per breath\t\r\n"
                         "Accepted breaths\t0 of 0\r\n"
                         "Flow-limited breaths\t0\r\n"
                         "Flow limitation\tno\r\n");
}

TEST(BreathTable, SeriesListsEveryEstimateWithItsPhase) {
    const std::vector<double> q = {-1, 1, 1}, r = {0.25, 0.5, 0.75}, x = {-0.1, -0.2, -0.3};
    EXPECT_EQ(BreathSeriesText(test::SampleBreaths(q, r, x, {}, 4, 2)),
              "Time [s]\tR\tX\tPhase\r\n"
              "0.125\t0.25\t-0.1\tmixed\r\n"
              "0.375\t0.5\t-0.2\tinspiration\r\n");
}

}  // namespace
}  // namespace pelmor
