#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/FileBytes.h"
#include "excitation/ExcitationDefinition.h"
#include "excitation/ExcitationFile.h"
#include "excitation/FrequencyList.h"
#include "excitation/Multisine.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

std::vector<int> Span(int from, int to, int step = 1) {
    std::vector<int> v;
    for (int i = from; i <= to; i += step) v.push_back(i);
    return v;
}

TEST(FrequencyList, ReadsNumbersAndRangesOrRefusesTheFirstBadItem) {
    // Period codes: 0 "2s", 1 "1 s", 2 "1/2 s", 3 "1/4 s".
    struct Case {
        const char* text;
        int periodCode;
        double sampleRate;
        std::vector<int> indexes;  // cycles per period
        const char* error;
    };
    const Case cases[] = {
        {"5, 11, 19", 1, 256, {5, 11, 19}, ""},
        {"5-35/1", 1, 256, Span(5, 35), ""},
        {"19, 5-7/1, 5,11", 1, 256, {5, 6, 7, 11, 19}, ""},  // mixed, once each, ascending
        {"5-10/2", 1, 256, {5, 7, 9}, ""},                   // the end need not be on a step
        {"1.5-3/0.5, 0.5", 0, 256, {1, 3, 4, 5, 6}, ""},
        {"4-16/4", 3, 256, {1, 2, 3, 4}, ""},
        {" 5 ,, 11 , ", 1, 256, {5, 11}, ""},
        {"63", 1, 256, {63}, ""},
        {"4, 11",
         2,
         256,
         {},
         "11 Hz is not a multiple of the 2 Hz fundamental of the 1/2 s period."},
        {"5-9/1", 0, 1024, Span(10, 18, 2), ""},
        {"0.25",
         0,
         256,
         {},
         "0.25 Hz is not a multiple of the 0.5 Hz fundamental of the 2s period."},
        {"0", 1, 256, {}, "0 Hz is below the 1 Hz fundamental of the 1 s period."},
        {"5, 64", 1, 256, {}, "64 Hz is not below a quarter of the 256 Hz sample rate."},
        {"60-70/1", 1, 256, {}, "64 Hz is not below a quarter of the 256 Hz sample rate."},
        {"100", 1, 512, {100}, ""},
        {"5, x7", 1, 256, {}, "\"x7\" is not a number."},
        {"nan", 1, 256, {}, "\"nan\" is not a number."},
        {"+5", 1, 256, {}, "\"+5\" is not a number."},
        {"5-35",
         1,
         256,
         {},
         "\"5-35\" is not a range; a range is written from-to/step, as 5-35/1."},
        {"-5", 1, 256, {}, "\"-5\" is not a range; a range is written from-to/step, as 5-35/1."},
        {"5/1-35",
         1,
         256,
         {},
         "\"5/1-35\" is not a range; a range is written from-to/step, as 5-35/1."},
        {"35-5/1", 1, 256, {}, "\"35-5/1\" is not a range; it ends below its start."},
        {"5-35/0.5",
         1,
         256,
         {},
         "The step 0.5 Hz of \"5-35/0.5\" is not a multiple of the 1 Hz fundamental of the 1 s "
         "period."},
        {"5-35/0",
         1,
         256,
         {},
         "The step 0 Hz of \"5-35/0\" is not a multiple of the 1 Hz fundamental of the 1 s "
         "period."},
        {"5.5-9/1",
         1,
         256,
         {},
         "5.5 Hz is not a multiple of the 1 Hz fundamental of the 1 s period."},
        {"0.5-200/0.5",
         0,
         1024,
         {},
         "128.5 Hz would be frequency 257 of the list; it holds at most 256."},
        {"", 1, 256, {}, "The frequency list is empty."},
        {" , ", 1, 256, {}, "The frequency list is empty."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const FrequencyList list = ParseFrequencyList(c.text, c.periodCode, c.sampleRate);
        EXPECT_EQ(list.error, c.error);
        EXPECT_EQ(list.Ok(), std::string(c.error).empty());
        EXPECT_EQ(list.indexes, c.indexes);
    }
    // A full list of 256 is taken.
    EXPECT_EQ(ParseFrequencyList("0.5-128/0.5", 0, 1024).indexes, Span(1, 256));
}

TEST(FrequencyList, AmplitudesFollowTheLawFromTheLowestFrequency) {
    const std::vector<int> indexes{4, 8, 12, 16};  // n = 1, 2, 3, 4
    EXPECT_EQ(FrequencyListAmplitudes(indexes, 0), (std::vector<double>{1, 1, 1, 1}));
    EXPECT_EQ(FrequencyListAmplitudes(indexes, 1), (std::vector<double>{1, 0.5, 0.3333, 0.25}));
    EXPECT_EQ(FrequencyListAmplitudes(indexes, 2), (std::vector<double>{1, 0.7071, 0.5773, 0.5}));
}

struct Generator {
    test::TempDir dir;
    ExcitationBank bank;
    int selected = 3;
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::FakeClock clock;
    int changes = 0;
    ExcitationContext ctx{bank, selected, profile, ui, clock, [this] { ++changes; }};
};

// Peak |value| over the 2048 output points of bank signal s.
double SignalPeak(const ExcitationBank& bank, int s) {
    ActiveExcitation active;
    CopySignalToActive(bank, s, active);
    double peak = 0;
    for (int t = 0; t < kOutputTablePoints; ++t)
        peak = std::max(peak, std::fabs(ExcitationValue(active, t, 0)));
    return peak;
}

TEST(FrequencyList, DefinitionListIsGeneratedOrRefusedWithoutTouchingTheBank) {
    SeedCrestFactorSearch(25);
    Generator g;
    ExcitationDefinition d;
    d.periodCode = 1;
    d.amplitudeShape = 1;
    d.signalCount = 2;
    d.signalAmplitude = 1.5;
    d.useFrequencyList = 1;
    d.frequencyList = "19, 5, 11";
    GenerateExcitations(g.ctx, d);
    EXPECT_EQ(g.changes, 1);
    EXPECT_EQ(g.bank.period, 1.0);
    for (int s = 0; s < 2; ++s) {
        ASSERT_EQ(g.bank.componentCount[s], 3);
        EXPECT_EQ(std::vector<int>(g.bank.frequencyIndex[s], g.bank.frequencyIndex[s] + 3),
                  (std::vector<int>{5, 11, 19}));
        // 1/f from the lowest: 1, 0.4545, 0.2631 before the scaling to the signal amplitude.
        EXPECT_NEAR(g.bank.amplitude[s][1] / g.bank.amplitude[s][0], 0.4545, 1e-12);
        EXPECT_NEAR(g.bank.amplitude[s][2] / g.bank.amplitude[s][0], 0.2631, 1e-12);
        EXPECT_NEAR(SignalPeak(g.bank, s), 1.5, 1e-9);
    }
    EXPECT_EQ(g.ui.Statuses(),
              (std::vector<std::string>{"Processing : 0%", "Processing : 50%", "Ready."}));

    const std::vector<uint8_t> before = ExcitationBankBytes(g.bank);
    d.periodCode = 2;  // 19 Hz, the first named, is no multiple of 2 Hz
    GenerateExcitations(g.ctx, d);
    EXPECT_EQ(g.ui.Messages(), std::vector<std::string>{
                                   "19 Hz is not a multiple of the 2 Hz fundamental of the 1/2 s "
                                   "period."});
    EXPECT_EQ(ExcitationBankBytes(g.bank), before);
    EXPECT_EQ(g.changes, 1);
}

TEST(FrequencyList, TwoHundredFiftySixComponentsGoThroughAWaveformFile) {
    SeedCrestFactorSearch(256);
    Generator g;
    ExcitationDefinition d;
    d.periodCode = 0;
    d.signalCount = 2;
    const std::vector<int> indexes = Span(1, 256);
    GenerateExcitationSignals(g.ctx, d, indexes, FrequencyListAmplitudes(indexes, 2));
    ASSERT_EQ(g.bank.componentCount[0], 256);
    ASSERT_EQ(g.bank.componentCount[1], 256);

    const std::string text = ExcitationText(g.bank);
    const std::string path = g.dir.File("wide.opt");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(path, text.data(), text.size(), reason)) << reason;
    Generator back;
    back.ui.defaultAnswer = false;
    ASSERT_TRUE(ImportExcitation(back.ctx, path)) << back.ui.Messages().size();
    EXPECT_EQ(back.bank.period, 2.0);
    ASSERT_EQ(back.bank.signalCount, 2);
    for (int s = 0; s < 2; ++s) {
        ASSERT_EQ(back.bank.componentCount[s], 256);
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(back.bank.frequencyIndex[s][i], i + 1);
            // The text keeps six significant digits.
            EXPECT_NEAR(back.bank.amplitude[s][i], g.bank.amplitude[s][i],
                        1e-5 * g.bank.amplitude[s][i]);
            EXPECT_NEAR(back.bank.phase[s][i], g.bank.phase[s][i], 1e-5);
        }
    }
    // And copied again it is the same text.
    EXPECT_EQ(ExcitationText(back.bank), text);

    // The signal in use holds all 256 components in its stored image.
    ActiveExcitation active, read;
    CopySignalToActive(back.bank, 1, active);
    ASSERT_TRUE(ReadActiveExcitation(ActiveExcitationBytes(active), read));
    EXPECT_EQ(read.componentCount, 256);
    EXPECT_EQ(read.frequencyIndex[255], 256);
    EXPECT_EQ(read.phase[255], back.bank.phase[1][255]);
}

}  // namespace
}  // namespace pelmor
