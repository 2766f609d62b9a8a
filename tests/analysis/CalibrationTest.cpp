#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "analysis/CalibrationTable.h"
#include "analysis/ImpedanceCalculator.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::ScriptedUserInterface;
using test::TempDir;

// A point whose transform is 1 / (m - 3): A = C = E = 0, B = D = F = 1, Z0 = sh = T21 = 1, ch = 0.
void SetSimplePoint(CalibrationTable& t, int k, double f) {
    t.frequency[k] = f;
    t.A[k] = t.C[k] = t.E[k] = t.ch[k] = {0, 0};
    t.B[k] = t.D[k] = t.F[k] = t.Z0[k] = t.sh[k] = t.T21[k] = {1, 0};
}

// One data line with distinct coefficients (all exact in "%lg").
std::string DataLine(double f, double base) {
    std::string line = Format("%lg", f);
    for (int c = 0; c < 20; ++c) line += Format("\t%lg", base + 0.25 * c);
    return line + "\r\n";
}

const char kHeader[] = "Freq\treA\timA\r\n";

TEST(Calibration, TransformMapsRatioThroughChainMatrices) {
    auto calc = std::make_unique<ImpedanceCalculator>();
    calc->workingCalibration.count = 1;
    SetSimplePoint(calc->workingCalibration, 0, 8.0);
    calc->calibrationOff = 0;

    const struct {
        Complex m, expected;
    } cases[] = {{{1, 0}, {-0.5, 0}}, {{2, 1}, {-0.5, -0.5}}, {{5, -2}, {0.25, 0.25}}};
    for (const auto& c : cases) {
        const Complex z = calc->ApplyCalibration(c.m, 8.0);
        EXPECT_NEAR(z.re, c.expected.re, 1e-15);
        EXPECT_NEAR(z.im, c.expected.im, 1e-15);
    }
    // No point for the frequency, or calibration off: the ratio passes unchanged.
    const Complex far = calc->ApplyCalibration({2, 1}, 9.0);
    EXPECT_EQ(far.re, 2);
    EXPECT_EQ(far.im, 1);
    calc->calibrationOff = 1;
    const Complex off = calc->ApplyCalibration({2, 1}, 8.0);
    EXPECT_EQ(off.re, 2);
    EXPECT_EQ(off.im, 1);
}

TEST(Calibration, LookupIsStrictlyWithinToleranceAndLaterPointWins) {
    CalibrationTable t;
    t.count = 3;
    t.frequency[0] = 0.001;
    t.frequency[1] = 10.0;
    t.frequency[2] = 10.0005;
    EXPECT_EQ(FindCalibrationPoint(t, 0.0009), 0);
    EXPECT_EQ(FindCalibrationPoint(t, 0.0), -1);  // exactly 0.001 away
    EXPECT_EQ(FindCalibrationPoint(t, 9.9995), 1);
    EXPECT_EQ(FindCalibrationPoint(t, 10.0002), 2);  // both qualify: the later one
    EXPECT_EQ(FindCalibrationPoint(t, 11.0), -1);
    t.count = 2;  // points beyond the count are never found
    EXPECT_EQ(FindCalibrationPoint(t, 10.0005), 1);
}

TEST(Calibration, CoverageOfTheActiveExcitation) {
    CalibrationTable t;
    t.count = 2;
    t.frequency[0] = 4.0;
    t.frequency[1] = 8.0;
    ActiveExcitation e;
    e.period = 0.5;
    EXPECT_TRUE(CalibrationCovers(t, e));  // no components
    e.componentCount = 2;
    e.frequencyIndex[0] = 2;
    e.frequencyIndex[1] = 4;
    EXPECT_TRUE(CalibrationCovers(t, e));
    e.frequencyIndex[1] = 5;
    EXPECT_FALSE(CalibrationCovers(t, e));
}

TEST(Calibration, TablesDifferOnlyWithinTheirCount) {
    auto a = std::make_unique<CalibrationTable>();
    a->count = 2;
    SetSimplePoint(*a, 0, 4);
    SetSimplePoint(*a, 1, 8);
    auto b = std::make_unique<CalibrationTable>(*a);
    b->frequency[5] = 99;
    b->ch[7] = {3, 3};
    EXPECT_FALSE(CalibrationTablesDiffer(*a, *b));

    b->T21[1].im = 1e-300;
    EXPECT_TRUE(CalibrationTablesDiffer(*a, *b));
    *b = *a;
    b->count = 1;
    EXPECT_TRUE(CalibrationTablesDiffer(*a, *b));
    *b = *a;
    a->A[0].re = b->A[0].re = std::nan("");  // NaN never equals
    EXPECT_TRUE(CalibrationTablesDiffer(*a, *b));
}

TEST(Calibration, RecordBytesRoundTripAndWrongSizeIsIgnored) {
    auto t = std::make_unique<CalibrationTable>();
    t->count = 1;
    SetSimplePoint(*t, 0, 12.5);
    t->ch[0] = {0.5, -0.25};
    const auto bytes = CalibrationTableBytes(*t);
    ASSERT_EQ(bytes.size(), 43016u);
    // count, then the frequency at offset 8 and ch at offset 38920.
    double f = 0;
    std::memcpy(&f, bytes.data() + 8, 8);
    EXPECT_EQ(f, 12.5);
    double chIm = 0;
    std::memcpy(&chIm, bytes.data() + 38920 + 8, 8);
    EXPECT_EQ(chIm, -0.25);

    auto back = std::make_unique<CalibrationTable>();
    ASSERT_TRUE(CalibrationTableFromBytes(bytes, *back));
    EXPECT_FALSE(CalibrationTablesDiffer(*t, *back));
    auto shorter = bytes;
    shorter.pop_back();
    auto untouched = std::make_unique<CalibrationTable>();
    EXPECT_FALSE(CalibrationTableFromBytes(shorter, *untouched));
    EXPECT_EQ(untouched->count, 0);
}

TEST(Calibration, ParserStopsAtFirstBadLineAndReadsDecimalCommas) {
    auto t = std::make_unique<CalibrationTable>();
    bool truncated = true;

    // The third line has 20 numbers: only the first data line is loaded.
    std::string text = kHeader + DataLine(4, 1);
    std::string twenty = Format("%lg", 8.0);
    for (int c = 0; c < 19; ++c) twenty += "\t1";
    text += twenty + "\r\n" + DataLine(12, 2);
    EXPECT_EQ(ParseCalibrationText(text, *t, truncated), CalibrationParse::Loaded);
    EXPECT_EQ(t->count, 1);
    EXPECT_FALSE(truncated);

    // Commas are decimal points; 22 numbers are fine; no final line end is needed.
    text = "Freq whatever follows\n4,5";
    for (int c = 0; c < 20; ++c) text += Format(" %d,5", c);
    text += " 7";
    EXPECT_EQ(ParseCalibrationText(text, *t, truncated), CalibrationParse::Loaded);
    ASSERT_EQ(t->count, 1);
    EXPECT_EQ(t->frequency[0], 4.5);
    EXPECT_EQ(t->A[0].re, 0.5);
    EXPECT_EQ(t->A[0].im, 1.5);
    EXPECT_EQ(t->ch[0].im, 19.5);

    // Frequencies outside 0.5 ... 100 Hz (and not-a-number) end the data.
    for (double f : {0.4, 100.5, std::nan("")}) {
        text = kHeader + DataLine(4, 1) + DataLine(f, 1) + DataLine(8, 1);
        EXPECT_EQ(ParseCalibrationText(text, *t, truncated), CalibrationParse::Loaded);
        EXPECT_EQ(t->count, 1) << f;
    }
    text = kHeader + DataLine(0.5, 1) + DataLine(100, 1);
    ParseCalibrationText(text, *t, truncated);
    EXPECT_EQ(t->count, 2);
}

TEST(Calibration, HeaderMustStartWithFreqCaseSensitively) {
    auto t = std::make_unique<CalibrationTable>();
    t->count = 1;
    SetSimplePoint(*t, 0, 8);
    bool truncated = false;
    EXPECT_EQ(ParseCalibrationText("freq\treA\r\n" + DataLine(4, 1), *t, truncated),
              CalibrationParse::NotCalibration);
    EXPECT_EQ(ParseCalibrationText("Fre", *t, truncated), CalibrationParse::NotCalibration);
    EXPECT_EQ(t->count, 1);
    EXPECT_EQ(ParseCalibrationText("Freqs\r\nno data\r\n", *t, truncated),
              CalibrationParse::NoData);
    EXPECT_EQ(t->count, 0);
}

TEST(Calibration, ImportTellsWhatWasLoaded) {
    TempDir dir;
    std::string reason;
    auto write = [&](const std::string& name, const std::string& text) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteFileBytes(path, text.data(), text.size(), reason));
        return path;
    };
    auto calc = std::make_unique<ImpedanceCalculator>();
    ScriptedUserInterface ui;

    EXPECT_TRUE(calc->ImportCalibration(
        write("a.cal", kHeader + DataLine(4, 1) + DataLine(8.5, 2) + DataLine(12, 3)), ui));
    EXPECT_EQ(calc->loadedCalibration.count, 3);
    EXPECT_EQ(calc->workingCalibration.count, 0);  // only the loaded table changes

    EXPECT_FALSE(calc->ImportCalibration(write("b.cal", "freq\r\n" + DataLine(4, 1)), ui));
    EXPECT_EQ(calc->loadedCalibration.count, 3);

    EXPECT_FALSE(calc->ImportCalibration(dir.File("missing.cal"), ui));
    EXPECT_EQ(calc->loadedCalibration.count, 3);

    EXPECT_TRUE(calc->ImportCalibration(write("c.cal", std::string(kHeader) + "x\r\n"), ui));
    EXPECT_EQ(calc->loadedCalibration.count, 0);

    std::string many = kHeader;
    for (int k = 0; k < 300; ++k) many += DataLine(1 + k * 0.25, k);
    EXPECT_TRUE(calc->ImportCalibration(write("d.cal", many), ui));
    EXPECT_EQ(calc->loadedCalibration.count, 256);
    EXPECT_EQ(calc->loadedCalibration.frequency[255], 1 + 255 * 0.25);

    const auto messages = ui.Messages();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0], "Calibration data were loaded for:\r\n4, 8.5, 12 Hz.");
    EXPECT_EQ(messages[1], "Can't load data from this file.");
    EXPECT_EQ(messages[2].rfind("Can't open file " + dir.File("missing.cal") + ".", 0), 0u)
        << messages[2];
    EXPECT_EQ(messages[3], "No valid data could be read.");
    EXPECT_EQ(messages[4].rfind("Calibration data were loaded for:\r\n1, 1.25, ", 0), 0u);
    const std::string tail = "64.75 Hz.\r\nOnly the first 256 points were read.";
    EXPECT_EQ(messages[4].substr(messages[4].size() - tail.size()), tail);
}

// B, D and F divide: a point where one of them is zero gives no impedance, and the import says
// so, one line per point, after the usual message. A zero elsewhere is harmless.
TEST(Calibration, ImportWarnsOfPointsThatDivideByZero) {
    TempDir dir;
    auto line = [](double f, int zeroColumn) {
        std::string l = Format("%lg", f);
        for (int c = 0; c < 10; ++c) l += c == zeroColumn ? "\t0\t0" : "\t1\t0.5";
        return l + "\r\n";
    };
    const std::string text =
        std::string(kHeader) + line(4, 1) + line(8, 0) + line(12, 3) + line(16, 5) + line(20, -1);
    const std::string path = dir.File("zero.cal");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(path, text.data(), text.size(), reason));
    auto calc = std::make_unique<ImpedanceCalculator>();
    ScriptedUserInterface ui;
    EXPECT_TRUE(calc->ImportCalibration(path, ui));
    EXPECT_EQ(calc->loadedCalibration.count, 5);
    std::string expected = "Calibration data were loaded for:\r\n4, 8, 12, 16, 20 Hz.";
    for (const char* f : {"4", "12", "16"})
        expected += std::string("\r\nThe calibration point at ") + f +
                    " Hz divides by zero and gives no valid impedance.";
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{expected});
}

TEST(Calibration, CopiedTextIsItselfACalibrationFile) {
    auto t = std::make_unique<CalibrationTable>();
    bool truncated = false;
    ASSERT_EQ(ParseCalibrationText(kHeader + DataLine(4, -1.5) + DataLine(16.25, 3), *t, truncated),
              CalibrationParse::Loaded);
    const std::string text = CalibrationText(*t);
    EXPECT_EQ(text.substr(0, text.find("\r\n") + 2),
              "Freq\treA\timA\treB\timB\treC\timC\treD\timD\treE\timE\treF\timF\treZ0\timZ0\tresh"
              "\timsh\treT21\timT21\trech\timch\r\n");
    EXPECT_NE(text.find("\r\n" + DataLine(4, -1.5)), std::string::npos);

    auto back = std::make_unique<CalibrationTable>();
    ASSERT_EQ(ParseCalibrationText(text, *back, truncated), CalibrationParse::Loaded);
    EXPECT_FALSE(CalibrationTablesDiffer(*t, *back));
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

TEST(Calibration, SettingAndCoverageQuestion) {
    test::MemoryProfile profile;
    auto calc = std::make_unique<ImpedanceCalculator>();
    calc->loadedCalibration.count = 1;
    SetSimplePoint(calc->loadedCalibration, 0, 4.0);
    calc->SaveCalibrationSetting(profile);
    ASSERT_EQ(profile.binaries.at({"Options", "Calibration"}).size(), 43016u);

    auto next = std::make_unique<ImpedanceCalculator>();
    profile.binaries[{"Options", "Other"}] = {1, 2, 3};
    next->LoadCalibrationSetting(profile);
    EXPECT_EQ(next->loadedCalibration.count, 1);
    EXPECT_FALSE(next->CalibrationTablesDiffer());
    profile.binaries[{"Options", "Calibration"}].resize(43015);
    auto third = std::make_unique<ImpedanceCalculator>();
    third->LoadCalibrationSetting(profile);  // wrong length: the empty table stays
    EXPECT_EQ(third->loadedCalibration.count, 0);

    ActiveExcitation e;
    e.period = 0.5;
    e.componentCount = 1;
    e.frequencyIndex[0] = 2;  // 4 Hz: covered
    ScriptedUserInterface ui;
    EXPECT_TRUE(next->PrepareCalibration(e, ui));
    EXPECT_EQ(next->calibrationOff, 0);
    e.frequencyIndex[0] = 3;
    ui.QueueAnswer(false);
    EXPECT_FALSE(next->PrepareCalibration(e, ui));
    EXPECT_EQ(next->calibrationOff, 1);
    ASSERT_EQ(ui.Questions().size(), 1u);
    EXPECT_EQ(ui.Questions()[0],
              "No calibration data found for each used frequency.\nNo calibration will be "
              "used.\nWould you like to continue?");
}

}  // namespace
}  // namespace pelmor
