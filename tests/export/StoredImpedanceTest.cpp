#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "analysis/ImpedanceCalculator.h"
#include "excitation/ExcitationRecords.h"
#include "export/StoredImpedance.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::MemoryProfile;
using test::ScriptedUserInterface;

using test::Lines;

struct StoredFixture : ::testing::Test {
    std::unique_ptr<ImpedanceCalculator> calc = std::make_unique<ImpedanceCalculator>();
    std::unique_ptr<StoredImpedance> stored = std::make_unique<StoredImpedance>();
    ScriptedUserInterface ui;
    MemoryProfile profile;

    // Puts a spectrum into the calculator's ensemble results: re = base + i, im = -re,
    // coherence = 0.5.
    void Analysed(std::vector<double> hz, double base) {
        calc->frequencyCount = static_cast<int>(hz.size());
        for (std::size_t i = 0; i < hz.size(); ++i) {
            calc->frequencyHz[i] = hz[i];
            calc->ensembleR[i] = base + static_cast<double>(i);
            calc->ensembleX[i] = -(base + static_cast<double>(i));
            calc->coherence[i] = 0.5;
        }
    }
    void StoreSpectrum(std::vector<double> hz, double base, const std::string& label) {
        Analysed(std::move(hz), base);
        ASSERT_TRUE(stored->Store(*calc, label, ui));
    }
};

TEST(StoredLabelText, FileNameWithoutFolderOrTheStartTime) {
    EXPECT_EQ(StoredLabel("D:\\m\\run 003.inpx", "", 0, 10.5), "run 003.inpx, 0.000s-10.500s");
    EXPECT_EQ(StoredLabel("/data/m/run 003.inpx", "", 0, 10.5), "run 003.inpx, 0.000s-10.500s");
    EXPECT_EQ(StoredLabel("", "14/11/2023,22:13:20", 1.25, 2),
              "14/11/2023,22:13:20, 1.250s-2.000s");
}

TEST_F(StoredFixture, StoreCopiesTheEnsembleResultsAndSelectsTheNewResult) {
    Analysed({4, 8}, 1);
    calc->breathingRate = 0.25;
    ASSERT_TRUE(stored->Store(*calc, "a", ui));
    ASSERT_TRUE(stored->Store(*calc, "b", ui));
    EXPECT_EQ(stored->count, 2);
    EXPECT_EQ(stored->selected, 1);
    const StoredResult& r = stored->results[1];
    EXPECT_EQ(r.spectrum.frequencies.size(), 2u);
    EXPECT_EQ(r.spectrum.frequencies[1], 8);
    EXPECT_EQ(r.spectrum.R[1], 2);
    EXPECT_EQ(r.spectrum.X[1], -2);
    EXPECT_EQ(r.spectrum.coherence[1], 0.5);
    EXPECT_EQ(r.breathingRate, 0.25);
    EXPECT_TRUE(r.marked);
    EXPECT_EQ(r.spectrum.label, "b");
}

TEST_F(StoredFixture, DeletingTheFirstOfThreeMovesEveryField) {
    StoreSpectrum({4, 8}, 0, "zero");
    StoreSpectrum({5, 10, 15}, 10, "one");
    StoreSpectrum({6}, 20, "two");
    stored->results[2].marked = false;
    stored->results[1].breathingVolume = 3;
    stored->selected = 0;
    stored->DeleteSelected();
    ASSERT_EQ(stored->count, 2);
    EXPECT_EQ(stored->selected, 0);
    const StoredResult& a = stored->results[0];
    EXPECT_EQ(a.spectrum.label, "one");
    EXPECT_EQ(a.spectrum.frequencies.size(), 3u);
    EXPECT_EQ(a.spectrum.frequencies[2], 15);
    EXPECT_EQ(a.spectrum.R[2], 12);
    EXPECT_EQ(a.spectrum.X[2], -12);
    EXPECT_EQ(a.spectrum.coherence[2], 0.5);
    EXPECT_EQ(a.breathingVolume, 3);
    EXPECT_TRUE(a.marked);
    const StoredResult& b = stored->results[1];
    EXPECT_EQ(b.spectrum.label, "two");
    EXPECT_EQ(b.spectrum.frequencies.size(), 1u);
    EXPECT_EQ(b.spectrum.frequencies[0], 6);
    EXPECT_FALSE(b.marked);

    stored->selected = 1;  // deleting the last selects the one before
    stored->DeleteSelected();
    EXPECT_EQ(stored->count, 1);
    EXPECT_EQ(stored->selected, 0);
}

TEST_F(StoredFixture, SelectionAndEnablingRules) {
    EXPECT_FALSE(stored->CanClear());
    EXPECT_FALSE(stored->CanEditSelection(true));
    for (int k = 0; k < 3; ++k) StoreSpectrum({4}, k, "r");
    EXPECT_FALSE(stored->CanSelectNext(true));  // the last is selected
    EXPECT_TRUE(stored->CanSelectPrevious(true));
    EXPECT_FALSE(stored->CanSelectPrevious(false));  // window not shown
    stored->SelectPrevious();
    stored->SelectPrevious();
    EXPECT_EQ(stored->selected, 0);
    EXPECT_FALSE(stored->CanSelectPrevious(true));
    stored->SelectPrevious();  // disabled: nothing happens
    EXPECT_EQ(stored->selected, 0);
    stored->SelectNext();
    EXPECT_EQ(stored->selected, 1);
    stored->ToggleMarked();
    EXPECT_FALSE(stored->results[1].marked);

    EXPECT_TRUE(stored->CanStore(false, true, false, false));
    EXPECT_FALSE(stored->CanStore(true, true, false, false));
    EXPECT_FALSE(stored->CanStore(false, false, false, false));
    EXPECT_FALSE(stored->CanStore(false, true, true, false));
    EXPECT_FALSE(stored->CanStore(false, true, false, true));
    stored->Clear();
    EXPECT_EQ(stored->count, 0);
    EXPECT_FALSE(stored->CanClear());
}

TEST_F(StoredFixture, BatchOfFortyFilesStoresThirtyTwoAndSaysSoOnce) {
    std::vector<std::string> paths;
    for (int k = 0; k < 40; ++k) paths.push_back("/data/f" + std::to_string(k) + ".inpx");
    int imports = 0;
    ActiveExcitation active{};
    const int storedNow = stored->ImportBatch(
        paths, *calc, active,
        [&](const std::string&) {
            ++imports;
            Analysed({4, 8}, imports);
            calc->intervalEnd = 10.5;
            return ImportOutcome{true, ""};
        },
        ui);
    EXPECT_EQ(storedNow, 32);
    EXPECT_EQ(imports, 32);
    EXPECT_EQ(stored->count, 32);
    EXPECT_EQ(stored->selected, 31);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"No more samples can be stored."});
    EXPECT_EQ(stored->results[31].spectrum.label, "f31.inpx, 0.000s-10.500s");
    EXPECT_EQ(stored->results[31].spectrum.R[0], 32);
    EXPECT_FALSE(stored->CanStore(false, true, false, false));
    EXPECT_FALSE(stored->CanImportBatch(false));

    ui.ClearRecords();
    EXPECT_FALSE(stored->Store(*calc, "x", ui));
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"No more samples can be stored."});
}

TEST_F(StoredFixture, BatchSkipsRefusedFilesAndRestoresExcitationAndCalibration) {
    ActiveExcitation active{};
    active.componentCount = 3;
    calc->workingCalibration.count = 7;
    const std::vector<std::string> paths = {"/d/good.inpx", "/d/bad.inpx", "/d/short.inp"};
    const int storedNow = stored->ImportBatch(
        paths, *calc, active,
        [&](const std::string& path) {
            // The import replaces the excitation and the calibration before it validates.
            active.componentCount = 1;
            calc->workingCalibration.count = 0;
            if (path == "/d/bad.inpx") return ImportOutcome{false, "invalid header"};
            if (path == "/d/short.inp") return ImportOutcome{false, ""};
            Analysed({4}, 1);
            return ImportOutcome{true, ""};
        },
        ui);
    EXPECT_EQ(storedNow, 1);
    ASSERT_EQ(stored->count, 1);
    EXPECT_EQ(stored->results[0].spectrum.label.rfind("good.inpx, ", 0), 0u);
    EXPECT_EQ(active.componentCount, 3);
    EXPECT_EQ(calc->workingCalibration.count, 7);
    ASSERT_EQ(ui.Messages().size(), 1u);
    const std::string message = ui.Messages()[0];
    EXPECT_NE(message.find("bad.inpx: invalid header"), std::string::npos);
    EXPECT_NE(message.find("short.inp: "), std::string::npos);
    EXPECT_EQ(message.find("good.inpx"), std::string::npos);
}

TEST_F(StoredFixture, MergedListWithEmptyColumnsWhereAResultHasNoValue) {
    StoreSpectrum({4, 8, 12}, 1, "A");  // re 1 2 3
    StoreSpectrum({4, 6, 8}, 5, "B");   // re 5 6 7
    double merged[256];
    ASSERT_EQ(stored->MergedFrequencies(merged), 4);
    EXPECT_EQ(std::vector<double>(merged, merged + 4), (std::vector<double>{4, 6, 8, 12}));

    ui.modelAccepted = false;  // Cancel: the table ends after its rows
    const std::vector<std::string> lines = Lines(stored->BuildStoredTable(profile, ui));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "\t\t\t\t\tA\tA\tA\tB\tB\tB");
    EXPECT_EQ(lines[1], "f\t<re>\t<im>\tsd(re)\tsd(im)\tre 1\tim 1\tcoh 1\tre 2\tim 2\tcoh 2");
    // 4 Hz: both results (re 1 and 5: mean 3, sd sqrt(8)).
    EXPECT_EQ(lines[2],
              "4\t    3\t   -3\t2.82843\t2.82843\t    1\t   -1\t  0.5\t    5\t   -5\t  0.5");
    EXPECT_EQ(lines[3], "6\t    6\t   -6\t\t\t\t\t\t    6\t   -6\t  0.5");
    EXPECT_EQ(lines[5], "12\t    3\t   -3\t\t\t    3\t   -3\t  0.5\t\t\t");
    EXPECT_EQ(ui.offeredModelFrequencies.size(), 4u);

    // The table built for the clipboard is what "Copy impedance data" hands out from then on.
    test::RecordingShell shell;
    ASSERT_TRUE(stored->HandOutStoredTable(false, profile, ui, shell));
    ASSERT_EQ(shell.clipboard.size(), 1u);
    EXPECT_EQ(shell.clipboard[0], stored->tableText);
}

TEST_F(StoredFixture, MergeEndsAtValuesItCannotTake) {
    // A frequency of a million hertz or more, or not a number, is never taken; the merge ends
    // when nothing else is left instead of waiting for it.
    StoreSpectrum({4, 2e6, 16}, 0, "A");
    StoreSpectrum({std::nan(""), 2}, 0, "B");
    StoreSpectrum({8}, 0, "C");
    double merged[256];
    ASSERT_EQ(stored->MergedFrequencies(merged), 2);
    EXPECT_EQ(merged[0], 4);
    EXPECT_EQ(merged[1], 8);
}

TEST_F(StoredFixture, NoMarkedResultLeavesTheMeansEmptyAndAsksForNoModel) {
    StoreSpectrum({4, 8}, 1, "A");
    stored->results[0].marked = false;
    const std::vector<std::string> lines = Lines(stored->BuildStoredTable(profile, ui));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "\t\t");
    EXPECT_EQ(lines[1], "f\t<re>\t<im>");
    EXPECT_EQ(lines[2], "4\t\t");
    EXPECT_TRUE(ui.offeredModelFrequencies.empty());
}

TEST_F(StoredFixture, ModelBlockOfOneMarkedResult) {
    // Imaginary parts of L = 0.01 and C = 0.5 at 4, 8, 12, 16 Hz, real part 2 everywhere.
    const double hz[] = {4, 8, 12, 16};
    calc->frequencyCount = 4;
    for (int i = 0; i < 4; ++i) {
        const double w = 2 * std::numbers::pi * hz[i];
        calc->frequencyHz[i] = hz[i];
        calc->ensembleR[i] = 2;
        calc->ensembleX[i] = w * 0.01 - 1 / (w * 0.5);
        calc->coherence[i] = 1;
    }
    calc->breathingRate = 0.25;
    calc->breathingVolume = 0.5;
    ASSERT_TRUE(stored->Store(*calc, "run.inpx, 0.000s-8.000s", ui));
    StoreSpectrum({4, 8, 12, 16}, 0, "unmarked");
    stored->results[1].marked = false;
    ui.modelChoice = ModelOptions{1, 2, 0, 3};

    const std::string& text = stored->BuildStoredTable(profile, ui);
    // The preset was the whole list; the choice is kept for the next time.
    ASSERT_TRUE(ui.offeredModelOptions.has_value());
    EXPECT_EQ(ui.offeredModelOptions->rTo, 3);
    EXPECT_EQ(profile.GetString("Model", "R fmin", ""), "8");
    EXPECT_EQ(profile.GetString("Model", "LC fmax", ""), "16");

    const std::size_t block = text.find("\r\n\r\n");
    ASSERT_NE(block, std::string::npos);
    const std::vector<std::string> lines = Lines(text.substr(block + 4));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "\t\t\t\trun.inpx, 0.000s-8.000s");
    EXPECT_EQ(lines[1], "\tMean\tStdDev\t\t1");
    EXPECT_EQ(lines[2], "R\t2\t0\t\t2");
    EXPECT_EQ(lines[3], "C\t0.5\t0\t\t0.5");
    EXPECT_EQ(lines[4], "L\t0.01\t0\t\t0.01");
    EXPECT_EQ(lines[5], "fRes\t2.25079\t0\t\t2.25079");
    EXPECT_EQ(lines[6], "RespRate\t15\t0\t\t15");
    EXPECT_EQ(lines[7], "dVol\t0.5\t0\t\t0.5");
    EXPECT_EQ(lines[8].rfind("Error\t\t\t\t", 0), 0u);
    EXPECT_NE(text.back(), '\n');
}

}  // namespace
}  // namespace pelmor
