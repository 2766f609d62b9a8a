// Import and export of data files through the document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "core/FileBytes.h"
#include "display/DrawAll.h"
#include "display/RecordingSurface.h"
#include "display/SessionReport.h"
#include "document/DocumentFixture.h"
#include "document/RecordAnalysis.h"
#include "files/DataFile.h"

namespace pelmor {
namespace {

constexpr const char* kTwoChannels =
    "Only two channels are found in this file.\nWould you like to generate the third channel "
    "from the first one?";
constexpr const char* kNoCalibration =
    "No calibration data found for each used frequency.\nNo calibration will be "
    "used.\nWould you like to continue?";
constexpr const char* kCalibrationDiffers =
    "Calibration data found in this file are not the same as the calibration data currently "
    "used by the program.\n\nNote that it is recommended to use the file's calibration "
    "data.\n\nWould you like to ignore calibration data found in this file anyway?";

// Slot 1 carries cosines at 4, 8 and 12 Hz (0.25 V each), slot 0 twice slot 1 (Z = 2), slot 2
// and beyond a ramp that tells the channels apart.
std::vector<double> TestVolts(int frames, int channels, double rate) {
    std::vector<double> v(static_cast<std::size_t>(frames) * channels);
    for (int k = 0; k < frames; ++k) {
        double x = 0;
        for (int f : {4, 8, 12}) x += 0.25 * std::cos(2 * std::numbers::pi * f * k / rate);
        for (int c = 0; c < channels; ++c)
            v[static_cast<std::size_t>(k) * channels + c] = c == 0   ? 2 * x
                                                            : c == 1 ? x
                                                                     : 0.01 * c + 1e-5 * k;
    }
    return v;
}

struct ImportFixture : DocumentFixture {
    std::vector<double> volts;
    ActiveExcitation excitation;
    CalibrationTable calibration;

    ImportFixture() {
        excitation.period = 0.5;
        excitation.componentCount = 3;
        for (int i = 0; i < 3; ++i) excitation.frequencyIndex[i] = 2 * (i + 1);
    }

    void SetUp() override { FreshDocument(); }

    // A new document whose bank's first signal matches the files' excitation: 4, 8, 12 Hz in
    // 0.5 s.
    void FreshDocument() {
        doc = MakeDocument();
        test::EditSetup(*doc, [](SetupFileImage& s) {
            s.excitationBank.period = 0.5;
            s.excitationBank.componentCount[0] = 3;
            for (int i = 0; i < 3; ++i) s.excitationBank.frequencyIndex[0][i] = 2 * (i + 1);
        });
    }

    // The displayed range of the first signal window ends at xmax (a range the import must
    // leave alone).
    void ShowUpTo(double xmax) {
        PlotWindow w = doc->Plots().windows[0];
        w.xmax = xmax;
        doc->SetPlotWindow(0, w);
    }

    // The program's table covering 4, 8 and 12 Hz.
    void LoadCalibrationFor4To12Hz() {
        test::EditSetup(*doc, [](SetupFileImage& s) {
            CalibrationTable& loaded = s.loadedCalibration;
            loaded.count = 3;
            for (int i = 0; i < 3; ++i) {
                loaded.frequency[i] = 4.0 * (i + 1);
                loaded.A[i] = {1, 0};
                loaded.D[i] = {1, 0};
            }
        });
    }

    std::vector<uint8_t> Bytes(DataFormat format, int frames, int channels, double rate,
                               double period = 0.5) {
        volts = TestVolts(frames, channels, rate);
        DataFileInput in;
        in.sampleRate = rate;
        in.signalPeriod = period;
        in.samplesPerPeriod = static_cast<int>(rate * period + 0.5);
        in.channelCount = channels;
        in.frameCount = frames;
        in.recordingTime = frames / rate;
        in.timeStamp = "2026/01/02   03:04:05";
        in.excitation = &excitation;
        in.calibration = &calibration;
        for (int c = 0; c < channels; ++c) in.channelNames[c] = "name" + std::to_string(c);
        in.voltSamples = volts;
        std::vector<uint8_t> bytes;
        std::string message;
        EXPECT_TRUE(BuildDataFile(format, in, bytes, message)) << message;
        return bytes;
    }

    std::string File(const std::vector<uint8_t>& bytes, const std::string& name = "d.inpx") {
        std::string reason;
        EXPECT_TRUE(WriteFileBytes(home.File(name), bytes, reason)) << reason;
        return home.File(name);
    }

    std::vector<double> Slot(int slot) {
        std::vector<double> v(state->buffers[slot].Count());
        for (int k = 0; k < static_cast<int>(v.size()); ++k)
            v[k] = state->buffers[slot].ValueFromOldest(k);
        return v;
    }
};

// A two-channel file after a three-channel one keeps nothing of the first file's breathing flow,
// in the user's document and in a report worker that analyses one file after the other.
TEST_F(ImportFixture, EachFileStartsWithoutTheFlowOfTheFileBefore) {
    const std::string three = File(Bytes(DataFormat::FullPrecision, 2048, 3, 512), "three.inpx");
    const std::string two = File(Bytes(DataFormat::FullPrecision, 2048, 2, 512), "two.inpx");
    const ImpedanceCalculator& z = doc->Calculator();
    auto flowPoints = [](const std::vector<double>& flow) {
        return std::count_if(flow.begin(), flow.end(), [](double f) { return f != 0; });
    };
    ASSERT_TRUE(doc->ImportDataFile(three));
    ASSERT_GT(z.offlineTrendCount, 0);
    EXPECT_GT(flowPoints({z.trendFlow, z.trendFlow + z.offlineTrendCount}), 0);
    ui.QueueAnswer(false);  // no third channel
    ASSERT_TRUE(doc->ImportDataFile(two));
    EXPECT_EQ(state->buffers[2].Count(), 0);
    EXPECT_EQ(flowPoints({z.trendFlow, z.trendFlow + ImpedanceCalculator::kTrendLength}), 0);

    const std::vector<ReportFile> files = AnalyseReportFiles(
        {three, two}, RecordAnalysisSetupOf(*doc), 4.0, doc->BreathAnalysisSettings(), 1);
    ASSERT_EQ(files.size(), 2u);
    ASSERT_TRUE(files[1].record.analysed) << files[1].record.reason;
    EXPECT_GT(flowPoints(files[0].page.flow), 0);
    EXPECT_EQ(flowPoints(files[1].page.flow), 0);
}

// The 12-bit path: a window of a power of two samples that lasts whole seconds is analysed
// period by period; shorter records are refused with a message; other rates are only shown.
TEST_F(ImportFixture, TwelveBitFilesAreAnalysedPeriodByPeriodWhenTheirWindowAllows) {
    struct Case {
        int frames;
        double rate;
        double period;
        int extraBytes;
        int periods;  // analysed periods; -1: refused with the duration message
        double shownSeconds;
    };
    const Case cases[] = {
        {5120, 512, 0.5, 0, 20, 10.0},   // W = 4096, 8 s
        {5120, 512, 0.5, 7, 20, 10.0},   // bytes between header and samples are skipped
        {100, 256, 0.25, 0, -1, 0.0},    // shorter than a second
        {10000, 1000, 0.5, 0, 0, 10.0},  // W = 8192 is not whole seconds: shown, not analysed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frames);
        FreshDocument();  // no analysis left from the case before
        ui.ClearRecords();
        ShowUpTo(-1);
        std::vector<uint8_t> bytes = Bytes(DataFormat::TwelveBit, c.frames, 3, c.rate, c.period);
        bytes.insert(bytes.begin() + 79, c.extraBytes, 0x55);
        doc->ImportDataFile(File(bytes, "t.inp"));
        ASSERT_EQ(state->buffers[0].Count(), c.frames);
        EXPECT_EQ(doc->Setup().channelCount, 3);
        EXPECT_NEAR(state->buffers[1].ValueFromOldest(0), 0.75, kTwelveBitVolts);
        EXPECT_EQ(doc->CurrentDataFile(), home.File("t.inp"));
        if (c.periods < 0) {
            EXPECT_EQ(ui.Messages(),
                      std::vector<std::string>{"Duration is less than a second is not supported "
                                               "for the 12-bit file format."});
            EXPECT_EQ(doc->Plots().windows[0].xmax, -1);  // the range is left alone
            continue;
        }
        EXPECT_TRUE(ui.Messages().empty());
        EXPECT_EQ(doc->Calculator().periodsAccumulated, c.periods);
        EXPECT_NEAR(doc->Plots().windows[2].xmin, 0.0, 1e-9);
        EXPECT_NEAR(doc->Plots().windows[2].xmax, c.shownSeconds, 1e-9);
        if (c.periods == 0) {
            EXPECT_EQ(doc->Calculator().offlineTrendCount, 0);
            continue;
        }
        EXPECT_GT(doc->Calculator().offlineTrendCount, 0);
        EXPECT_EQ(doc->ActiveSignal().componentCount, 3);
        EXPECT_EQ(doc->ActiveSignal().definitionPoints, 256);
        EXPECT_EQ(doc->ActiveSignal().amplitude[2], 1.0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(doc->Calculator().ensembleR[i], 2.0, 0.02);
        EXPECT_EQ(doc->PrintHeader(), "Sample rate=512 Hz, signal period=0.5 s\nf=4,8,12 Hz");
    }
}

TEST_F(ImportFixture, TwelveBitPeriodMismatchIsReportedAndTheFilePeriodUsed) {
    test::EditSetup(*doc, [](SetupFileImage& s) { s.excitationBank.period = 1.0; });
    doc->ImportDataFile(File(Bytes(DataFormat::TwelveBit, 5120, 3, 512), "t.inp"));
    EXPECT_EQ(ui.Messages(),
              std::vector<std::string>{"Signal period does not match.\nThe period defined in the "
                                       "file will be used.\nThe frequencies will be changed "
                                       "accordindly."});
    EXPECT_EQ(doc->Calculator().frequencyHz[0], 4.0);
    EXPECT_EQ(doc->ActiveSignal().period, 0.5);
}

TEST_F(ImportFixture, TwoChannelFilesCanGetAThirdChannelFromTheFirst) {
    for (DataFormat format : {DataFormat::FullPrecision, DataFormat::TwelveBit}) {
        for (bool yes : {true, false}) {
            SCOPED_TRACE(testing::Message() << (format == DataFormat::TwelveBit) << yes);
            ui.ClearRecords();
            state->ResetAllBuffers();
            // Three slots named "a", "b", "c", as a start leaves them.
            OptionsValues options = doc->Options();
            options.channelEnabled[2] = true;
            options.names[0] = "a";
            options.names[1] = "b";
            options.names[2] = "c";
            ASSERT_FALSE(doc->ApplyOptions(options));
            doc->ApplyMeasurementSetup();
            ui.QueueAnswer(yes);
            doc->ImportDataFile(File(Bytes(format, 1024, 2, 512)));
            ASSERT_FALSE(ui.Questions().empty());
            EXPECT_EQ(ui.Questions()[0], kTwoChannels);
            EXPECT_EQ(doc->Setup().channelCount, yes ? 3 : 2);
            EXPECT_EQ(state->buffers[2].Count(), yes ? 1024 : 0);
            if (yes) {
                EXPECT_EQ(Slot(2), Slot(0));
            }
            const bool full = format == DataFormat::FullPrecision;
            EXPECT_EQ(doc->Setup().signalNames[0], full ? "name0" : "a");
            EXPECT_EQ(doc->Setup().signalNames[2], full && yes ? "name0" : "c");
        }
    }
}

TEST_F(ImportFixture, CalibrationQuestionsDecideWhichTableIsUsed) {
    // The program has a table covering 4, 8 and 12 Hz; the file has none.
    LoadCalibrationFor4To12Hz();
    const std::string path = File(Bytes(DataFormat::FullPrecision, 1024, 3, 512));

    ui.QueueAnswer(false);  // keep the file's (empty) table ...
    ui.QueueAnswer(true);   // ... and go on without calibration
    doc->ImportDataFile(path);
    EXPECT_EQ(ui.Questions(), (std::vector<std::string>{kCalibrationDiffers, kNoCalibration}));
    EXPECT_EQ(doc->Calculator().workingCalibration.count, 0);
    EXPECT_EQ(doc->Calculator().calibrationOff, 1);
    EXPECT_GT(doc->Calculator().offlineTrendCount, 0);

    ui.ClearRecords();
    ui.QueueAnswer(true);  // ignore the file's table: the loaded one covers every frequency
    doc->ImportDataFile(path);
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{kCalibrationDiffers});
    EXPECT_EQ(doc->Calculator().workingCalibration.count, 3);
    EXPECT_EQ(doc->Calculator().calibrationOff, 0);

    ui.ClearRecords();
    ShowUpTo(-1);
    ui.QueueAnswer(false);
    ui.QueueAnswer(false);  // stop at the coverage question: loaded, not analysed
    doc->ImportDataFile(path);
    EXPECT_EQ(state->buffers[0].Count(), 1024);
    EXPECT_EQ(doc->Calculator().offlineTrendCount, 0);
    EXPECT_EQ(doc->Plots().windows[0].xmax, -1);
}

TEST_F(ImportFixture, FullPrecisionImportTakesTheFileExcitationNamesAndRange) {
    // As a measurement of twelve components left it.
    test::EditSetup(*doc, [](SetupFileImage& s) { s.frequencyCount = 12; });
    // The frequency keys step within the active frequencies.
    doc->SelectTrendFrequency(12);
    EXPECT_EQ(doc->Calculator().selectedFrequencyIndex, 11);
    doc->SelectTrendFrequency(-1);
    EXPECT_EQ(doc->Calculator().selectedFrequencyIndex, 0);
    doc->SelectTrendFrequency(9);
    ASSERT_EQ(doc->Calculator().selectedFrequencyIndex, 9);
    ui.ClearRecords();  // no trend without data
    doc->ImportDataFile(File(Bytes(DataFormat::FullPrecision, 1536, 4, 512)));
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(doc->Setup().channelCount, 4);
    EXPECT_EQ(doc->Setup().sampleRate, 512.0);
    EXPECT_EQ(doc->Setup().samplesPerPeriod, 256);
    EXPECT_EQ(doc->Setup().activeRecordingTime, 3);
    EXPECT_EQ(doc->Plots().timeStep, 0.5);
    EXPECT_EQ(doc->Setup().signalNames[3], "name3");
    EXPECT_EQ(doc->ActiveSignal().frequencyIndex[2], 6);
    EXPECT_EQ(doc->Calculator().frequencyCount, 3);
    EXPECT_EQ(doc->Calculator().selectedFrequencyIndex, 2);  // lowered to the last component
    EXPECT_EQ(Slot(3).back(), static_cast<float>(0.03 + 1e-5 * 1535));
    EXPECT_EQ(doc->Plots().windows[3].xmin, 0.0);
    EXPECT_EQ(doc->Plots().windows[3].xmax, 3.0);
    EXPECT_EQ(doc->UpdateStatusText().pane3, "d.inpx");
    EXPECT_GT(doc->Calculator().offlineTrendCount, 0);
}

TEST_F(ImportFixture, BothImportsSwitchTheViewsXYWindowOff) {
    const std::string path = File(Bytes(DataFormat::FullPrecision, 1536, 3, 512));
    for (bool batch : {false, true}) {
        SCOPED_TRACE(batch ? "Import from files" : "Import data");
        ViewTickFlags view;
        doc->SetView(&view);
        if (batch)
            EXPECT_EQ(doc->ImportFromFiles({path}), 1);
        else
            EXPECT_TRUE(doc->ImportDataFile(path));
        EXPECT_FALSE(view.showXY);
        doc->SetView(nullptr);
    }
}

TEST_F(ImportFixture, RejectedUnreadableAndShortFiles) {
    const ActiveExcitation& before = doc->ActiveSignal();
    const int components = before.componentCount;
    state->buffers[0].Append(7.0);
    // Rejected: a valid excitation block behind an invalid rate changes nothing.
    std::vector<uint8_t> bytes = Bytes(DataFormat::FullPrecision, 1024, 3, 512);
    const double badRate = 100.0;
    std::memcpy(bytes.data() + 4, &badRate, 8);
    doc->ImportDataFile(File(bytes, "bad.inpx"));
    // The file's name on a line of its own, then what is wrong.
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{home.File("bad.inpx") +
                                                      "\nInvalid sample rate: 100\nToo short "
                                                      "recording time: 0\n"});
    EXPECT_EQ(doc->ActiveSignal().componentCount, components);
    EXPECT_EQ(state->buffers[0].Count(), 1);
    EXPECT_EQ(doc->CurrentDataFile(), "");

    ui.ClearRecords();
    doc->ImportDataFile(home.File("missing.inpx"));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("missing.inpx"), std::string::npos);
    EXPECT_EQ(state->buffers[0].Count(), 1);

    // Short: the frames present are loaded, never a repeated last frame.
    ui.ClearRecords();
    bytes = Bytes(DataFormat::FullPrecision, 1024, 3, 512);
    bytes.resize(bytes.size() - 3 * 4 * 100 - 30);
    const std::string path = File(bytes, "short.inpx");
    doc->ImportDataFile(path);
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_EQ(ui.Messages()[0], path +
                                    " is shorter than its header says: 923 of 1024 frames "
                                    "were read.");
    EXPECT_EQ(state->buffers[0].Count(), 923);
}

// With "Fit Scales to New Data" every window fits its ranges to the imported record once;
// without it the ranges stay as the user set them.
TEST_F(ImportFixture, AnImportFitsTheScalesOnceUnlessTheUserKeepsThem) {
    for (bool fit : {true, false}) {
        SCOPED_TRACE(fit);
        ViewState view;
        view.fitScalesToNewData = fit;
        view.showSpectrum = true;
        PlotSetup plots = doc->Plots();
        for (PlotWindow& w : plots.windows) {
            w.ymin = -100;
            w.ymax = 100;
        }
        plots.windows[kImpedanceFrequencyWindow].xmin = 0;
        plots.windows[kImpedanceFrequencyWindow].xmax = 50;
        doc->SetPlotWindows(plots.windows);
        const PlotWindow& zf = doc->Plots().windows[kImpedanceFrequencyWindow];
        ASSERT_TRUE(doc->ImportDataFile(File(Bytes(DataFormat::FullPrecision, 2048, 3, 512))));
        EXPECT_EQ(doc->PendingFit(), CPelmorDoc::kFitAllWindows);
        RecordingSurface surface;
        UpdateView(*doc, view, StoredResultsView{});
        auto drawn = std::make_unique<DrawnView>();
        DrawAll(surface, *doc, view, StoredResultsView{}, {0, 0, 1200, 900}, false, *drawn);
        KeepDrawnView(*doc, view, *drawn);
        EXPECT_EQ(doc->PendingFit(), CPelmorDoc::kFitNothing);
        const std::vector<double> v = Slot(0);
        const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
        const PlotWindow& s0 = doc->Plots().windows[kSignalWindow0];
        const PlotWindow& spectrum = doc->Plots().windows[kSpectrumWindow0];
        if (fit) {
            EXPECT_NEAR(s0.ymin, *lo, 1e-6);
            EXPECT_NEAR(s0.ymax, *hi, 1e-6);
            // The frequency axis covers 4 … 12 Hz closely; the bars rise from zero.
            EXPECT_LE(zf.xmin, 4.0);
            EXPECT_GE(zf.xmax, 12.0);
            EXPECT_LT(zf.xmax - zf.xmin, 12.0);
            EXPECT_GT(zf.ymax - zf.ymin, 0.0);
            EXPECT_LT(zf.ymax - zf.ymin, 200.0);
            EXPECT_LE(spectrum.ymin, 0.0);
            EXPECT_LT(spectrum.ymax, 100.0);
        } else {
            EXPECT_EQ(s0.ymin, -100);
            EXPECT_EQ(s0.ymax, 100);
            EXPECT_EQ(zf.xmin, 0);
            EXPECT_EQ(zf.xmax, 50);
            EXPECT_EQ(spectrum.ymin, -100);
        }
    }
}

// In "Import from files" the per-file questions offer "Yes to All" and "No to All", and an
// answer for all holds for the remaining files of that import without asking again.
TEST_F(ImportFixture, BatchImportAsksEachQuestionOnceWhenAnsweredForAll) {
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i)
        paths.push_back(File(Bytes(DataFormat::FullPrecision, 1024, 2, 512),
                             "two" + std::to_string(i) + ".inpx"));
    struct Case {
        BatchAnswer third, noCalibration;
        std::vector<std::string> questions;
        int channels;
    };
    const Case cases[] = {
        {BatchAnswer::YesToAll, BatchAnswer::YesToAll, {kTwoChannels, kNoCalibration}, 3},
        {BatchAnswer::NoToAll, BatchAnswer::YesToAll, {kTwoChannels, kNoCalibration}, 2},
        // Yes alone holds for one file only.
        {BatchAnswer::Yes,
         BatchAnswer::YesToAll,
         {kTwoChannels, kNoCalibration, kTwoChannels, kTwoChannels},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channels);
        ui.ClearRecords();
        doc->ClearStored();
        ui.QueueBatchAnswer(c.third);
        ui.QueueBatchAnswer(c.noCalibration);
        EXPECT_EQ(doc->ImportFromFiles(paths), 3);
        EXPECT_EQ(ui.Questions(), c.questions);
        EXPECT_EQ(doc->Setup().channelCount, c.channels);
    }
    // A later import asks afresh.
    ui.ClearRecords();
    ui.QueueAnswer(false);
    ui.QueueAnswer(true);
    EXPECT_TRUE(doc->ImportDataFile(paths[0]));
    EXPECT_EQ(ui.Questions(), (std::vector<std::string>{kTwoChannels, kNoCalibration}));
}

// Every question an import can ask carries its own name, and the record analysis answers by
// that name alone: an import whose questions are answered only by name, with the analysis's
// answers, ends where the analysis of the same file ends, so no wording of a text can move a
// batch result.
TEST_F(ImportFixture, ImportQuestionsAreNamedAndTheRecordAnalysisAnswersByName) {
    // The program's table covers 4, 8 and 12 Hz; the two-channel file has none.
    LoadCalibrationFor4To12Hz();
    const std::string path = File(Bytes(DataFormat::FullPrecision, 1024, 2, 512));
    using Q = Question;
    const std::vector<std::pair<Q, std::string>> withLoaded = {
        {Q::GenerateThirdChannel, kTwoChannels}, {Q::CalibrationDiffers, kCalibrationDiffers}};
    std::vector<std::pair<Q, std::string>> withFiles = withLoaded;
    withFiles.emplace_back(Q::CalibrationIncomplete, kNoCalibration);
    struct Case {
        bool third, useLoaded;
        const std::vector<std::pair<Q, std::string>>& asked;
        int channels, calibrationCount, calibrationOff;
    };
    // clang-format off
    const Case cases[] = {
        {false, false, withFiles,  2, 0, 1},
        {true,  false, withFiles,  3, 0, 1},
        {false, true,  withLoaded, 2, 3, 0},
        {true,  true,  withLoaded, 3, 3, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.third << c.useLoaded);
        RecordAnalysisSetup setup = RecordAnalysisSetupOf(*doc);
        setup.generateThirdChannel = c.third;
        setup.useLoadedCalibration = c.useLoaded;
        ui.ClearRecords();
        for (Q q : {Q::GenerateThirdChannel, Q::CalibrationDiffers, Q::CalibrationIncomplete})
            ui.Answer(q, RecordAnalysisAnswer(setup, q));
        ASSERT_TRUE(doc->ImportDataFile(path));
        std::vector<std::pair<Q, std::string>> asked;
        const std::vector<Q> names = ui.AskedQuestions();
        const std::vector<std::string> texts = ui.Questions();
        ASSERT_EQ(names.size(), texts.size());
        for (std::size_t k = 0; k < names.size(); ++k) asked.emplace_back(names[k], texts[k]);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(doc->Setup().channelCount, c.channels);
        EXPECT_EQ(doc->Calculator().workingCalibration.count, c.calibrationCount);
        EXPECT_EQ(doc->Calculator().calibrationOff, c.calibrationOff);

        RecordAnalyser analyser(setup);
        const RecordResult r = analyser.Analyse(path);
        ASSERT_TRUE(r.analysed) << r.reason;
        const CPelmorDoc& batch = analyser.Document();
        EXPECT_EQ(batch.Setup().channelCount, c.channels);
        EXPECT_EQ(batch.Calculator().workingCalibration.count, c.calibrationCount);
        EXPECT_EQ(batch.Calculator().calibrationOff, c.calibrationOff);
    }
    // What an import never asks, the analysis answers No.
    const RecordAnalysisSetup setup = RecordAnalysisSetupOf(*doc);
    for (Q q : {Q::OptimiseCrestFactor, Q::DiscardRecording, Q::QuitWithStoredResults})
        EXPECT_FALSE(RecordAnalysisAnswer(setup, q));
}

TEST_F(ImportFixture, ExportWritesTheDisplayedRangeInTheFormatOfTheExtension) {
    doc->ImportDataFile(File(Bytes(DataFormat::FullPrecision, 2048, 3, 512)));
    const std::vector<double> slot1 = Slot(1);
    ui.ClearRecords();

    // 2.5 periods from 0.5 s; full precision for any extension but ".inp".
    ASSERT_TRUE(doc->ExportData(home.File("e.dat"), 0.5, 1.75));
    DataFileContents out;
    std::string message;
    ASSERT_EQ(LoadDataFile(home.File("e.dat"), out, message), DataFileLoad::Loaded) << message;
    EXPECT_EQ(out.info.format, DataFormat::FullPrecision);
    EXPECT_EQ(out.framesRead, 640);
    EXPECT_EQ(out.Sample(0, 1), static_cast<float>(slot1[256]));
    EXPECT_EQ(out.info.channelNames[2], "name2");

    PlotWindow shown = doc->Plots().windows[0];
    shown.xmin = -3;  // the displayed range, cut to the record
    shown.xmax = 100;
    doc->SetPlotWindow(0, shown);
    ASSERT_TRUE(doc->ExportData(home.File("e.INP")));
    ASSERT_EQ(LoadDataFile(home.File("e.INP"), out, message), DataFileLoad::Loaded) << message;
    EXPECT_EQ(out.info.format, DataFormat::TwelveBit);
    EXPECT_EQ(out.framesRead, 2048);
    EXPECT_EQ(out.info.recordingTime, 4.0f);

    EXPECT_FALSE(doc->ExportData(home.File("short.inpx"), 1.0, 1.4));
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"At least one period must be selected."});
    EXPECT_FALSE(FileExists(home.File("short.inpx")));

    ui.ClearRecords();
    EXPECT_FALSE(doc->ExportData(home.File("none/e.inpx"), 0, 2));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("none/e.inpx"), std::string::npos);
}

TEST_F(ImportFixture, ExportStartsAtTheOldestSampleAndRefusesLongTwelveBitFiles) {
    // Two slots at 1024 Hz, the bank's period of 0.5 s.
    doc->SetSampleRateIndex(2);
    doc->ApplyMeasurementSetup();
    ASSERT_EQ(doc->Setup().sampleRate, 1024);
    ASSERT_EQ(doc->Setup().signalPeriod, 0.5);
    ASSERT_EQ(doc->Setup().channelCount, 2);
    // 70,000 samples: the first 4,464 were overwritten.
    for (TraceBuffer& b : state->buffers) b.SetSampleInterval(1.0 / 1024);
    for (int k = 0; k < 70000; ++k) {
        state->buffers[0].Append(k * 1e-4);
        state->buffers[1].Append(-k * 1e-4);
    }
    EXPECT_FALSE(doc->ExportData(home.File("long.inp"), 0, 60));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("full-precision"), std::string::npos);
    EXPECT_FALSE(FileExists(home.File("long.inp")));

    ASSERT_TRUE(doc->ExportData(home.File("old.inpx"), 0, 5));
    DataFileContents out;
    std::string message;
    ASSERT_EQ(LoadDataFile(home.File("old.inpx"), out, message), DataFileLoad::Loaded);
    // The buffer's window read of a wrapped buffer lands within a sample of the oldest one.
    EXPECT_NEAR(out.Sample(0, 0), 4464 * 1e-4, 1.01e-4);
    EXPECT_NEAR(out.Sample(1, 1), -4465 * 1e-4, 1.01e-4);
}

}  // namespace
}  // namespace pelmor
