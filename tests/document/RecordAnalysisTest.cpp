// The whole-record analysis of data files on documents of their own, one file or many at once.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/FileBytes.h"
#include "document/DocumentFixture.h"
#include "document/RecordAnalysis.h"

namespace pelmor {
namespace {

TEST_F(DocumentFixture, RecordAnalysisGivesTheDocumentsWholeRecordSpectrum) {
    const std::string file = TwelveHarmonicsRecording();
    // The document's own way: import, then the time-window analysis of the displayed range.
    ASSERT_TRUE(doc->ImportDataFile(file));
    const PlotWindow& w = doc->Plots().windows[kSignalWindow0];
    ASSERT_EQ(doc->AnalyseInterval(w.xmin, w.xmax), 0);
    const ImpedanceCalculator& c = doc->Calculator();

    const RecordResult r = AnalyseRecord(file, RecordAnalysisSetupOf(*doc));
    ASSERT_TRUE(r.analysed) << r.reason;
    EXPECT_EQ(r.spectrum.label, FileNameOf(file));
    ASSERT_EQ(r.spectrum.frequencies.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(r.spectrum.frequencies[i], c.frequencyHz[i]);
        EXPECT_EQ(r.spectrum.R[i], c.ensembleR[i]);
        EXPECT_EQ(r.spectrum.X[i], c.ensembleX[i]);
        EXPECT_EQ(r.spectrum.coherence[i], c.coherence[i]);
    }
    EXPECT_NEAR(r.spectrum.R[4], 0.25, 1e-3);  // the emulated resistance
    EXPECT_EQ(r.periods, c.periodsAccumulated);
    EXPECT_EQ(r.to, c.intervalEnd);
    EXPECT_TRUE(r.messages.empty());
}

TEST_F(DocumentFixture, ManyRecordsKeepTheirOrderAndRefusedOnesSayWhy) {
    const std::string file = TwelveHarmonicsRecording();
    const std::string copy = home.File("copy.inpx");
    std::filesystem::copy_file(file, copy);
    const std::string broken = home.File("broken.inpx");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(broken, std::vector<uint8_t>(40, 7), reason));
    const std::string missing = home.File("missing.inpx");

    const std::vector<std::string> paths = {file, broken, copy, missing, file};
    std::vector<int> progress;
    const RecordAnalysisSetup setup = RecordAnalysisSetupOf(*doc);
    const std::vector<RecordResult> results =
        AnalyseRecords(paths, setup, 2, [&](int done, int total) {
            EXPECT_EQ(total, 5);
            progress.push_back(done);
        });
    ASSERT_EQ(results.size(), paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) EXPECT_EQ(results[k].spectrum.source, paths[k]);
    EXPECT_TRUE(results[0].analysed);
    EXPECT_TRUE(results[2].analysed);
    EXPECT_TRUE(results[4].analysed);
    EXPECT_EQ(results[2].spectrum.label, "copy.inpx");
    EXPECT_EQ(results[2].spectrum.R,
              results[0].spectrum.R);  // each worker starts from the same document
    EXPECT_EQ(results[4].spectrum.X, results[0].spectrum.X);
    EXPECT_FALSE(results[1].analysed);
    EXPECT_NE(results[1].reason.find("header"), std::string::npos) << results[1].reason;
    EXPECT_FALSE(results[3].analysed);
    EXPECT_NE(results[3].reason.find("cannot be read"), std::string::npos) << results[3].reason;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 5);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

    // A cancelled batch leaves the files unanalysed.
    const std::atomic<bool> cancel{true};
    const auto cancelled = AnalyseRecords({file, copy}, setup, 1, {}, &cancel);
    EXPECT_EQ(cancelled[1].reason, "cancelled");
    EXPECT_FALSE(cancelled[0].analysed);
}

}  // namespace
}  // namespace pelmor
