#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "excitation/ExcitationFile.h"
#include "excitation/ExcitationSelection.h"
#include "excitation/Multisine.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// A bank the profile already holds, recognisable after a restore.
ExcitationBank StoredBank() {
    ExcitationBank bank;
    bank.period = 0.125;
    bank.signalCount = 2;
    bank.componentCount[0] = bank.componentCount[1] = 1;
    bank.frequencyIndex[0][0] = 3;
    bank.frequencyIndex[1][0] = 7;
    bank.amplitude[0][0] = bank.amplitude[1][0] = 0.4;
    return bank;
}

struct Importer {
    test::TempDir dir;
    ExcitationBank bank;
    int selected = 1;
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::FakeClock clock;
    ExcitationContext ctx{bank, selected, profile, ui, clock, {}};

    Importer() {
        SeedCrestFactorSearch(11);
        ui.defaultAnswer = false;
    }
    bool Import(const std::string& text) {
        std::string reason;
        const std::string path = dir.File("wave.opt");
        EXPECT_TRUE(WriteFileBytes(path, text.data(), text.size(), reason));
        return ImportExcitation(ctx, path);
    }
    void KeepStoredBank() { StoreExcitationBank(profile, StoredBank()); }
    std::vector<uint8_t> Stored() { return profile.binaries[{"Options", "Excitation"}]; }
};

std::string Signals(int count, const char* lastEnd) {
    std::string text = "#\n64 1\n";
    for (int s = 0; s < count; ++s)
        text += Format("%d 0.1 0\n%s\n", s + 1, s + 1 < count ? "-2" : lastEnd);
    return text;
}

TEST(ImportExcitation, EightAndSixteenHertzFileIsStoredAndOffered) {
    Importer im;
    ASSERT_TRUE(im.Import("# test\n64 0.5\n4 0.5 0\n8 0.25 1.57\n-1\n"));
    EXPECT_EQ(im.bank.signalCount, 1);
    EXPECT_EQ(im.bank.period, 0.5);
    EXPECT_EQ(im.bank.definitionPoints, 64);
    ASSERT_EQ(im.bank.componentCount[0], 2);
    EXPECT_EQ(im.bank.frequencyIndex[0][1], 8);
    EXPECT_EQ(im.bank.amplitude[0][1], 0.25);
    EXPECT_EQ(im.bank.phase[0][1], 1.57);
    EXPECT_EQ(im.selected, 0);
    EXPECT_EQ(im.Stored(), ExcitationBankBytes(im.bank));
    EXPECT_EQ(im.ui.Questions(),
              std::vector<std::string>{
                  "Signal 1 of 1 \nFrequencies :8,16\n\nWould you like to optimize crest factor?"});
    EXPECT_TRUE(im.ui.Messages().empty());
}

TEST(ImportExcitation, YesOptimisesThatSignalAfterTheBankWasStored) {
    Importer im;
    im.ui.QueueAnswer(false);
    im.ui.QueueAnswer(true);
    ASSERT_TRUE(
        im.Import("#\n64\t0,25\n1 1 0\n2 1 0\n-2\n1 1 0\n2 1 0\n-1\ngarbage after the end\n"));
    EXPECT_EQ(im.bank.period, 0.25);
    EXPECT_EQ(im.bank.signalCount, 2);
    ASSERT_EQ(im.ui.Questions().size(), 2u);
    EXPECT_EQ(im.ui.Questions()[1],
              "Signal 2 of 2 \nFrequencies :4,8\n\nWould you like to optimize crest factor?");
    EXPECT_EQ(im.bank.phase[0][1], 0.0);
    EXPECT_NE(im.bank.phase[1][1], 0.0);
    ExcitationBank stored;
    ASSERT_TRUE(ReadExcitationBank(im.Stored(), stored));
    EXPECT_EQ(stored.phase[1][1], 0.0);  // optimised phases wait for the next settings save
}

TEST(ImportExcitation, TextWithoutItsEndLineCountsNoSignal) {
    Importer im;
    ASSERT_TRUE(im.Import("#\n64 0.5\n4 0.5 0\n8 0.25 1.57\n"));
    EXPECT_EQ(im.bank.signalCount, 0);
    EXPECT_EQ(im.bank.componentCount[0], 2);
    EXPECT_TRUE(im.ui.Questions().empty());
}

TEST(ImportExcitation, RefusedContentBringsBackTheBankInUse) {
    struct Case {
        std::string text;
        std::string message;
    };
    std::string tooMany = "#\n64 1\n";
    for (int i = 0; i < 257; ++i) tooMany += "5 0.01 0\n";
    tooMany += "-1\n";
    const Case cases[] = {
        {"#\n64 0.3\n1 1 0\n-1\n", "The signal period must be 1/n seconds, where n is an integer."},
        {"#\n64 2.5\n", "Period too long."},
        {"#\n64 0.04\n", "Period too short."},
        {"#\n64 -1\n", "Period too short."},
        {tooMany, "Too many frequencies.\n"},
        {"#\n64 1\n0 1 0\n-1\n", "Frequency out of range.\n"},
        {"#\n64 1\n257 1 0\n-1\n", "Frequency out of range.\n"},
        {Signals(16, "-1"), "Too many signals.\n"},
        {Signals(16, "-2"), "Too many signals.\n"},
        // Lines that do not give three numbers, counted from the first line of the file.
        {"#\n64 1\n\n1 1 0\n2 1\n-1\n", "Invalid component line 5.\n"},
        {"#\n64 1\n1 0,5 0\n-1\n", "Invalid component line 3.\n"},
        {"#\n64 1\nx 1 0\n-1\n", "Invalid component line 3.\n"},
        {"#\n64 1\n1.5 1 0\n-1\n", "Invalid component line 3.\n"},
        {"#\n64 1\n1 nan 0\n-1\n", "Invalid component line 3.\n"},
        {"#\n64 1\n1 1 inf\n-1\n", "Invalid component line 3.\n"},
    };
    // The bank in use was generated after the profile value was written: a refused text must
    // bring back that bank, not the older stored one.
    ExcitationBank inUse = StoredBank();
    inUse.signalCount = 3;
    inUse.componentCount[2] = 1;
    inUse.frequencyIndex[2][0] = 11;
    inUse.phase[0][0] = 0.75;
    for (const Case& c : cases) {
        Importer im;
        im.KeepStoredBank();
        const auto storedBefore = im.Stored();
        im.bank = inUse;
        im.selected = 2;
        EXPECT_FALSE(im.Import(c.text)) << c.message;
        EXPECT_EQ(im.ui.Messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(ExcitationBankBytes(im.bank), ExcitationBankBytes(inUse)) << c.message;
        EXPECT_EQ(im.selected, 2);
        EXPECT_EQ(im.Stored(), storedBefore);
        EXPECT_TRUE(im.ui.Questions().empty());
    }
}

TEST(ImportExcitation, FifteenSignalsAreAccepted) {
    Importer im;
    ASSERT_TRUE(im.Import(Signals(15, "-1")));
    EXPECT_EQ(im.bank.signalCount, 15);
    EXPECT_EQ(im.bank.frequencyIndex[14][0], 15);
    EXPECT_EQ(im.ui.Questions().size(), 15u);
}

TEST(ImportExcitation, FormatErrorsLeaveTheBankAlone) {
    const struct {
        const char* text;
        const char* message;
        int points;
    } cases[] = {
        {"", "Can't load data from this file.", 64},
        {" #\n64 1\n-1\n", "Can't load data from this file.", 64},
        {"#\n", "Can't find number of points and/or period.", 64},
        {"#\n128\n", "Can't find number of points and/or period.", 128},
        {"#\n128 half\n", "Can't find number of points and/or period.", 128},
        {"#\n32 nan\n", "Can't find number of points and/or period.", 32},
        {"#\npoints 1\n", "Can't find number of points and/or period.", 64},
    };
    for (const auto& c : cases) {
        Importer im;
        ExcitationBank before = StoredBank();
        im.bank = before;
        EXPECT_FALSE(im.Import(c.text));
        EXPECT_EQ(im.ui.Messages(), std::vector<std::string>{c.message}) << c.text;
        before.definitionPoints = c.points;
        EXPECT_EQ(ExcitationBankBytes(im.bank), ExcitationBankBytes(before)) << c.text;
        EXPECT_EQ(im.selected, 1);
    }
}

TEST(ImportExcitation, UnreadableFileIsNamed) {
    Importer im;
    const std::string path = im.dir.File("missing.opt");
    EXPECT_FALSE(ImportExcitation(im.ctx, path));
    ASSERT_EQ(im.ui.Messages().size(), 1u);
    EXPECT_EQ(im.ui.Messages()[0].rfind("Can't open file " + path + ".\n", 0), 0u);
}

TEST(CopyExcitation, DefaultBankIsFourLinesAndReadsBack) {
    ExcitationBank bank;
    ActiveExcitation active;
    ResetExcitationBank(bank, active);
    const std::string text = ExcitationText(bank);
    EXPECT_EQ(text, "# 1\r\n64\t1\r\n1\t1\t0\r\n-1\r\n");

    Importer im;
    ASSERT_TRUE(im.Import(text));
    EXPECT_EQ(ExcitationBankBytes(im.bank), ExcitationBankBytes(bank));

    ExcitationBank two = StoredBank();
    two.phase[1][0] = -1.25;
    EXPECT_EQ(ExcitationText(two),
              "# 1\r\n64\t0.125\r\n3\t0.4\t0\r\n-2\r\n7\t0.4\t-1.25\r\n-1\r\n");

    // A period accepted near the edge of the reader's tolerance is copied in full: six digits
    // ("0.99995") would be refused when read back.
    Importer edge;
    ASSERT_TRUE(edge.Import("#\n64 0.99995005\n1 1 0\n-1\n"));
    Importer again;
    ASSERT_TRUE(again.Import(ExcitationText(edge.bank)));
    EXPECT_EQ(again.bank.period, edge.bank.period);
}

TEST(SelectExcitation, StepsWithinTheBankAndFollowsTheEnablingRules) {
    ExcitationBank bank;
    bank.signalCount = 3;
    int selected = 0;
    EXPECT_FALSE(CanSelectPreviousExcitation(selected, false));
    EXPECT_FALSE(SelectPreviousExcitation(selected));
    EXPECT_TRUE(CanSelectNextExcitation(bank, selected, false));
    EXPECT_FALSE(CanSelectNextExcitation(bank, selected, true));
    EXPECT_TRUE(SelectNextExcitation(bank, selected));
    EXPECT_TRUE(SelectNextExcitation(bank, selected));
    EXPECT_EQ(selected, 2);
    EXPECT_FALSE(CanSelectNextExcitation(bank, selected, false));
    EXPECT_FALSE(SelectNextExcitation(bank, selected));
    EXPECT_EQ(selected, 2);
    EXPECT_TRUE(CanSelectPreviousExcitation(selected, false));
    EXPECT_FALSE(CanSelectPreviousExcitation(selected, true));
    EXPECT_TRUE(SelectPreviousExcitation(selected));
    EXPECT_EQ(selected, 1);
    bank.signalCount = 1000;  // a broken stored bank never leads outside the records
    selected = 15;
    EXPECT_FALSE(SelectNextExcitation(bank, selected));
}

TEST(FrequencyChoice, ListsTheActiveFrequenciesAndBringsTheIndexIntoRange) {
    ExcitationBank bank = StoredBank();
    ActiveExcitation active;
    bank.componentCount[1] = 3;
    bank.frequencyIndex[1][1] = 9;
    bank.frequencyIndex[1][2] = 12;
    active.selectedFrequencyIndex = 7;
    CopySignalToActive(bank, 1, active);
    EXPECT_EQ(active.selectedFrequencyIndex, 7);
    ExcitationFrequencyChoice choice = PrepareFrequencyChoice(bank, active);
    EXPECT_EQ(active.selectedFrequencyIndex, 2);
    EXPECT_EQ(choice.selection, 2);
    ASSERT_EQ(choice.frequencyCount, 3);
    EXPECT_EQ(choice.frequencies[0], 56.0);
    EXPECT_EQ(choice.frequencies[2], 96.0);

    active.componentCount = 0;
    choice = PrepareFrequencyChoice(bank, active);
    EXPECT_EQ(choice.frequencyCount, 0);
    EXPECT_EQ(active.selectedFrequencyIndex, 0);
}

}  // namespace
}  // namespace pelmor
