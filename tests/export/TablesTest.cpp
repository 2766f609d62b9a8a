#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "core/FileBytes.h"
#include "core/MeasurementState.h"
#include "export/ImpedanceTables.h"
#include "export/TextHandoff.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::RecordingShell;
using test::ScriptedUserInterface;
using test::TempDir;

using test::Lines;

TEST(DecimalSeparator, OnlyPointsBeforeDigitsChange) {
    struct Case {
        std::string in;
        char separator;
        std::string out;
    } cases[] = {
        {"0.5\t1e-05\r\n", ',', "0,5\t1e-05\r\n"},
        {"1.25\t3.", ',', "1,25\t3."},  // the last character stays
        {"a.b\t.5\t-.25", ',', "a.b\t,5\t-,25"},
        {"0.5\t2.75", '.', "0.5\t2.75"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LocaliseDecimalSeparator(c.in, c.separator), c.out) << c.in;
        RecordingShell shell;
        shell.decimalSeparator = c.separator;
        EXPECT_TRUE(CopyTextToClipboard(c.in, shell));
        ASSERT_EQ(shell.clipboard.size(), 1u);
        EXPECT_EQ(shell.clipboard[0], c.out);
    }
}

TEST(SpreadsheetHandOff, WritesTheLocalisedFileAndStartsTheProgram) {
    TempDir dir;
    RecordingShell shell;
    ScriptedUserInterface ui;
    shell.tempFolder = dir.Path();
    shell.decimalSeparator = ',';
    EXPECT_TRUE(OpenTextInSpreadsheet("0.5\t1\r\n", shell, ui));
    const std::string path = dir.File("Pelmortemp.txt");
    ASSERT_EQ(shell.spreadsheetFiles, std::vector<std::string>{path});
    std::string text, reason;
    ASSERT_TRUE(ReadFileText(path, text, reason));
    EXPECT_EQ(text, "0,5\t1\r\n");
    EXPECT_TRUE(ui.Messages().empty());

    // No program: the message says why and where the file is.
    shell.spreadsheetAvailable = false;
    EXPECT_FALSE(OpenTextInSpreadsheet("x", shell, ui));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("no spreadsheet program was found"), std::string::npos);
    EXPECT_NE(ui.Messages()[0].find(path), std::string::npos);
}

TEST(SpreadsheetHandOff, UnwritableFileIsReportedAndNothingStarts) {
    TempDir dir;
    RecordingShell shell;
    ScriptedUserInterface ui;
    shell.tempFolder = dir.File("missing-folder");
    EXPECT_FALSE(OpenTextInSpreadsheet("1\r\n", shell, ui));
    EXPECT_TRUE(shell.spreadsheetFiles.empty());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find(dir.File("missing-folder/Pelmortemp.txt")), std::string::npos);
}

struct TableFixture : ::testing::Test {
    std::unique_ptr<ImpedanceCalculator> calc = std::make_unique<ImpedanceCalculator>();
    MeasurementState state;
    RecordingShell shell;
    ScriptedUserInterface ui;
    ImpedanceTableSource Source(int mode = 0) { return {*calc, state, mode, 1}; }

    void TwoFrequencies() {
        calc->frequencyCount = 2;
        calc->frequencyHz[0] = 4;
        calc->frequencyHz[1] = 8;
    }
    // The section after the table proper.
    static std::string Section(const std::string& text) {
        const std::size_t at = text.find("\r\n\r\nRespiratory rate\t\tFlow\r\n");
        return at == std::string::npos ? "" : text.substr(at + 2);
    }
};

TEST_F(TableFixture, WhileMeasuringEveryRingSlotFollowsTheAverageOldestFirst) {
    TwoFrequencies();
    calc->ringLength = 3;
    calc->ringCount = 3;
    calc->ringIndex = 1;  // slot 1 is the oldest
    for (int slot = 0; slot < 3; ++slot) {
        for (int i = 0; i < 2; ++i) {
            calc->instantR[slot][i] = 10 * slot + i;
            calc->instantX[slot][i] = -(10 * slot + i) - 0.5;
        }
    }
    calc->averageR[0] = 1.5;
    calc->averageX[0] = -2.5;
    state.measurementRunning = 1;
    const std::vector<std::string> lines = Lines(ImpedanceTableText(Source()));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "F[Hz]\t<re>\t<im>\tre (1)\tim (1)\tre (2)\tim (2)\tre (3)\tim (3)");
    EXPECT_EQ(lines[1], "4\t1.5\t-2.5\t10\t-10.5\t20\t-20.5\t0\t-0.5");
    EXPECT_EQ(lines[2], "8\t0\t0\t11\t-11.5\t21\t-21.5\t1\t-1.5");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Respiratory rate\t\tFlow");
}

TEST_F(TableFixture, AfterMeasuringTheLastIntervalWithCoherence) {
    TwoFrequencies();
    calc->periodsAccumulated = 7;
    calc->ensembleR[1] = 0.25;
    calc->ensembleX[1] = 1e-5;
    calc->coherence[1] = 0.999;
    const std::vector<std::string> lines = Lines(ImpedanceTableText(Source()));
    EXPECT_EQ(lines[0], "F[Hz]\t<re>\t<im>\tCoherence (7 samples)");
    EXPECT_EQ(lines[2], "8\t0.25\t1e-05\t0.999");

    // No active frequency, or no live trend point in tracking mode: nothing is handed out.
    calc->frequencyCount = 0;
    EXPECT_FALSE(BuildImpedanceTable(false, Source(), shell, ui));
    EXPECT_FALSE(BuildImpedanceTable(false, Source(1), shell, ui));
    EXPECT_TRUE(shell.clipboard.empty());
}

TEST_F(TableFixture, TrackingModeTimesEndOneTenthBeforeTheData) {
    state.buffers[0].SetSampleInterval(0.01);
    for (int k = 0; k < 200; ++k) state.buffers[0].Append(0);  // ends at 2 s
    calc->trendCapacity = 50;
    calc->trendCount = 3;
    calc->trendStart = 49;  // oldest at 49, then 0, 1
    calc->trendR[49] = 1;
    calc->trendR[0] = 2;
    calc->trendR[1] = 3;
    const std::vector<std::string> lines = Lines(ImpedanceTableText(Source(1)));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "time\tre\tim");
    EXPECT_EQ(lines[1], "1.7\t1\t0");
    EXPECT_EQ(lines[2], "1.8\t2\t0");
    EXPECT_EQ(lines[3], "1.9\t3\t0");
}

TEST_F(TableFixture, BreathRateRowsFromRisingCrossingsOfTheSmoothedFlow) {
    // Crossings at 1.0 s and 3.5 s: one rate row of 0.4 breaths per second.
    TraceBuffer& flow = state.buffers[2];
    flow.SetSampleInterval(0.1);
    for (int k = 0; k < 60; ++k) flow.Append((k >= 10 && k < 20) || (k >= 35 && k < 50) ? 1 : -1);
    const std::vector<std::string> lines =
        Lines(BreathRateSection(flow, -1, 100, 1).substr(2));  // the whole record
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Respiratory rate\t\tFlow");
    // The mean (-1/6) is removed from the flow.
    EXPECT_EQ(lines[1], "0.4\t\t-0.833333");
    EXPECT_EQ(lines[2], "\t\t-0.833333");
    EXPECT_EQ(lines[11], "\t\t1.16667");
    EXPECT_EQ(lines.size(), 61u);

    // A forward moving average cut at the end: 1 2 3 4 over 2 samples is 1.5 2.5 3.5 4.
    TraceBuffer ramp;
    ramp.SetSampleInterval(1);
    for (double v : {1.0, 2.0, 3.0, 4.0}) ramp.Append(v);
    EXPECT_EQ(
        BreathRateSection(ramp, 0, 4, 2),
        "\r\nRespiratory rate\t\tFlow\r\n\t\t-1.375\r\n\t\t-0.375\r\n\t\t0.625\r\n\t\t1.125\r\n");
}

TEST_F(TableFixture, NumbersKeepThePointWhateverTheProcessLocale) {
    test::CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << "no decimal-comma locale installed";
    TwoFrequencies();
    calc->ensembleR[0] = 0.25;
    calc->coherence[0] = 0.5;
    ASSERT_TRUE(BuildImpedanceTable(false, Source(), shell, ui));
    EXPECT_NE(shell.clipboard[0].find("\r\n4\t0.25\t0\t0.5\r\n"), std::string::npos);
}

TEST_F(TableFixture, CopyImpedanceDataUsesTheStoredTableOnceItExists) {
    TwoFrequencies();
    EXPECT_TRUE(HandOutImpedanceData(false, "", Source(), shell, ui));
    EXPECT_TRUE(HandOutImpedanceData(false, "\t\tstored\r\n", Source(), shell, ui));
    ASSERT_EQ(shell.clipboard.size(), 2u);
    EXPECT_EQ(shell.clipboard[0].rfind("F[Hz]\t<re>\t<im>\tCoherence (0 samples)\r\n", 0), 0u);
    EXPECT_EQ(shell.clipboard[1], "\t\tstored\r\n");
}

TEST_F(TableFixture, ImpedanceWindowWithTheTrendShownHandsOutTheBreathTable) {
    TwoFrequencies();
    calc->zTrendDisplay = 1;
    calc->selectedFrequencyIndex = 1;
    // The breaths of a record of seven flow samples, asked for only when the table is made.
    int asked = 0;
    const auto breaths = [&asked] {
        ++asked;
        const std::vector<double> q = {-1, 1, 1, -1, -1, 1, -1};
        BreathAnalysis a =
            test::SampleBreaths(q, std::vector<double>(7, 0.5), std::vector<double>(7, 0.0));
        a.frequency = 8;
        return a;
    };
    EXPECT_FALSE(ImpedanceWindowHandOff(false, Source(), breaths, shell, ui));  // no trend
    EXPECT_TRUE(shell.clipboard.empty());
    EXPECT_EQ(asked, 0);
    calc->offlineTrendCount = 7;
    EXPECT_TRUE(ImpedanceWindowHandOff(false, Source(), breaths, shell, ui));
    ASSERT_EQ(shell.clipboard.size(), 1u);
    const std::vector<std::string> lines = Lines(shell.clipboard[0]);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Breath\tStart [s]\t", 0), 0u);
    EXPECT_EQ(lines[1], "1\t1\t2\t2\t2\t0.5\t0.5\t0\t0\t0\tno\tyes");
    EXPECT_NE(shell.clipboard[0].find("Frequency [Hz]\t8\r\n"), std::string::npos);
    EXPECT_NE(shell.clipboard[0].find("Accepted breaths\t1 of 1\r\n"), std::string::npos);
    EXPECT_TRUE(ImpedanceWindowHandOff(true, Source(), breaths, shell, ui));
    EXPECT_EQ(shell.spreadsheetFiles.size(), 1u);
    EXPECT_TRUE(ui.Messages().empty());

    state.measurementRunning = 1;  // while measuring the impedance table is copied
    EXPECT_TRUE(ImpedanceWindowHandOff(false, Source(), breaths, shell, ui));
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(shell.clipboard.size(), 2u);
    EXPECT_EQ(shell.clipboard[1].rfind("F[Hz]", 0), 0u);
}

TEST(SignalTable, TimesValuesAndTheMappedIntegral) {
    TraceBuffer buffer;
    buffer.SetSampleInterval(1);
    buffer.Append(1);
    buffer.Append(3);
    // Integral of the mean-free signal: -1, 0; mapped from [-1, 0] onto [0, 10].
    EXPECT_EQ(SignalTableText(buffer, -5, 2, 1, true, 0, 10), "0\t1\t0\r\n1\t3\t10\r\n");
    EXPECT_EQ(SignalTableText(buffer, 0, 2, 1, false, 0, 10), "0\t1\r\n1\t3\r\n");

    TraceBuffer flat;  // no span to map: the bottom of the range, not a division by zero
    flat.SetSampleInterval(0.5);
    flat.Append(2);
    flat.Append(2);
    EXPECT_EQ(SignalTableText(flat, 0, 1, 2, true, -1, 1), "0\t2\t-1\r\n0.5\t2\t-1\r\n");
    EXPECT_EQ(SignalTableText(TraceBuffer{}, 0, 1, 2, false, 0, 1), "");

    const double x[] = {0.5, 2}, y[] = {1e-5, -3};
    EXPECT_EQ(PointTableText(x, y, 2), "0.5\t1e-05\r\n2\t-3\r\n");
}

}  // namespace
}  // namespace pelmor
