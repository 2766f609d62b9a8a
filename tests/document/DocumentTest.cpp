#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "core/ByteIO.h"
#include "device/DeviceEmulator.h"
#include "device/SerialDriverFactory.h"
#include "display/SessionReport.h"
#include "document/CPelmorDoc.h"
#include "document/DocumentFixture.h"
#include "document/RecordAnalysis.h"
#include "export/TextHandoff.h"
#include "files/DataFile.h"
#include "files/SetupFile.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using namespace std::chrono_literals;

TEST_F(DocumentFixture, FreshDocumentHasTheFactorySetup) {
    doc = MakeDocument();
    EXPECT_EQ(doc->Setup().sampleRate, 512.0);
    EXPECT_EQ(doc->Setup().decimation, 2);
    EXPECT_EQ(doc->Setup().channelMask, 0xC0);
    EXPECT_EQ(doc->Setup().channelCount, 2);
    EXPECT_EQ(doc->Setup().recordingTime, 10);
    EXPECT_EQ(doc->Setup().dataBits, 1);
    EXPECT_EQ(doc->Setup().sweep.period, 20.0);
    EXPECT_EQ(state->buffers[7].SampleInterval(), 1.0 / 512);
    EXPECT_EQ(doc->Bank().signalCount, 1);
    EXPECT_EQ(doc->Plots().windows[kXYWindow].xmin, -5);
    EXPECT_EQ(doc->Breathing().expirationMax, 10.0);
    EXPECT_EQ(state->measurementRunning, 0);
}

TEST_F(DocumentFixture, SettingsAreClampedOnLoadAndEveryKeyIsWrittenAtExit) {
    profile.WriteInt("Options", "Recording timee", 0);
    profile.WriteInt("Options", "Sample rate", 7);
    profile.WriteInt("Options", "Data bits", 5);
    profile.WriteInt("Options", "Channel mask", 0x21);
    profile.WriteInt("Options", "X channel index", 9);
    profile.WriteInt("Options", "Z display trend", 1);
    profile.WriteString("Options", "Channel Name3", "Flow");
    profile.WriteBinary("Options", "Sweep setup", std::vector<uint8_t>(31, 1));
    profile.WriteBinary("Options", "Flow Scaling Factor", std::vector<uint8_t>(7, 1));
    ByteWriter two;
    two.F64(2.5);
    profile.WriteBinary("Options", "Inspiration Duration Max", two.Take());
    doc = MakeDocument();
    EXPECT_EQ(doc->Setup().recordingTime, 1);
    EXPECT_EQ(doc->Setup().sampleRateIndex, 2);
    EXPECT_EQ(doc->Setup().sampleRate, 1024.0);
    EXPECT_EQ(doc->Setup().decimation, 1);
    EXPECT_EQ(doc->Setup().dataBits, 1);
    EXPECT_EQ(doc->Setup().channelCount, 2);
    EXPECT_EQ(state->buffers[0].ChannelNumber(), 2);
    EXPECT_EQ(doc->Setup().xChannelIndex, 9);  // kept as stored, used within the slots
    EXPECT_EQ(doc->XSlot(), 1);
    EXPECT_EQ(doc->Setup().channelNames[2], "Flow");
    EXPECT_EQ(doc->Setup().sweep.enabled, 0);
    EXPECT_EQ(doc->Setup().sweep.endFrequency, 10.0);
    EXPECT_EQ(doc->Breathing().flowScalingFactor, 1.0);
    EXPECT_EQ(doc->Breathing().inspirationMax, 2.5);
    EXPECT_EQ(doc->Calculator().zTrendDisplay, 0);  // written at exit, never read back

    // Only the loader clamps (a setup taken over is not clamped either).
    test::EditSetup(*doc, [](SetupFileImage& s) { s.recordingTime = 500; });
    profile.Clear();
    doc.reset();
    EXPECT_EQ(profile.GetInt("Options", "Recording timee", -1), 500);
    for (const char* key :
         {"Sample rate", "Channel mask", "Data bits", "X channel index", "Y channel index",
          "Excitation File Folder", "Calibration File Folder", "Excitation", "Calibration",
          "Sweep setup", "Z display mode", "Z display trend", "Flow Scaling Factor",
          "Expiration Duration Min", "Expiration Duration Max", "Inspiration Duration Min",
          "Inspiration Duration Max", "Channel Name1", "Channel Name8"})
        EXPECT_TRUE(profile.Has("Options", key)) << key;
    EXPECT_EQ(profile.GetBinary("Options", "Excitation")->size(), 82024u);
    EXPECT_EQ(profile.GetBinary("Options", "Calibration")->size(), 43016u);
    EXPECT_EQ(profile.GetBinary("Options", "Sweep setup")->size(), 32u);

    profile.WriteInt("Options", "Recording timee", 500);
    doc = MakeDocument();
    EXPECT_EQ(doc->Setup().recordingTime, 120);
}

// The Options dialog and the command line's record options go through the same checks: a
// refused value changes nothing and leaves an open setup file unmodified.
TEST_F(DocumentFixture, OptionsAreCheckedAlikeForTheDialogAndTheSingleSetters) {
    doc = MakeDocument();
    for (int seconds : {kMinRecordingTime - 1, kMaxRecordingTime + 1}) {
        EXPECT_EQ(doc->SetRecordingTime(seconds), "Enter an integer between 1 and 120.");
        OptionsValues values = doc->Options();
        values.recordingTime = seconds;
        const auto problem = doc->ApplyOptions(values);
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->message, "Enter an integer between 1 and 120.");
        EXPECT_EQ(doc->Setup().recordingTime, 10);
    }
    EXPECT_FALSE(doc->SetRecordingTime(kMaxRecordingTime));
    EXPECT_EQ(doc->Setup().recordingTime, kMaxRecordingTime);

    EXPECT_FALSE(doc->SetChannelMask(0));
    EXPECT_EQ(doc->Setup().channelMask, 0xC0);
    EXPECT_TRUE(doc->SetChannelMask(0xE0));
    EXPECT_EQ(doc->Setup().channelCount, 3);
    EXPECT_EQ(doc->Options().channelEnabled[2], true);

    EXPECT_FALSE(doc->SelectSignal(SignalCountOf(doc->Bank())));
    EXPECT_FALSE(doc->SelectSignal(-1));
    EXPECT_TRUE(doc->SelectSignal(0));

    // A refused display value leaves the calculator and the limits as they were.
    ZDisplayValues z = doc->ZDisplayOptions();
    z.averagingTime = 2;
    z.expirationMax = 61;
    ASSERT_TRUE(doc->ApplyZDisplayOptions(z));
    EXPECT_EQ(doc->Calculator().averagingTime, 0.5);
    EXPECT_EQ(doc->Breathing().expirationMax, 10.0);
    z.expirationMax = 20;
    EXPECT_FALSE(doc->ApplyZDisplayOptions(z));
    EXPECT_EQ(doc->ZDisplayOptions().averagingTime, 2);
    EXPECT_EQ(doc->ZDisplayOptions().expirationMax, 20);
}

// A least breath duration above the most one would refuse every breath: the display options
// refuse it with a message of its own, and stored limits in that state go back to the defaults.
TEST_F(DocumentFixture, BreathDurationLimitsOutOfOrderAreRefused) {
    doc = MakeDocument();
    const struct {
        double ti0, ti1, te0, te1;
        const char* message;
    } table[] = {
        {12, 10, 0, 10, "The minimum inspiration duration must not exceed the maximum."},
        {0, 10, 3, 2, "The minimum expiration duration must not exceed the maximum."},
    };
    for (const auto& row : table) {
        ZDisplayValues z = doc->ZDisplayOptions();
        z.inspirationMin = row.ti0;
        z.inspirationMax = row.ti1;
        z.expirationMin = row.te0;
        z.expirationMax = row.te1;
        const auto problem = doc->ApplyZDisplayOptions(z);
        ASSERT_TRUE(problem);
        EXPECT_EQ(problem->message, row.message);
        EXPECT_EQ(doc->Breathing().inspirationMin, 0.0);
        EXPECT_EQ(doc->Breathing().expirationMin, 0.0);
    }
    doc.reset();
    auto seconds = [](double v) {
        ByteWriter w;
        w.F64(v);
        return w.Take();
    };
    profile.WriteBinary("Options", "Inspiration Duration Min", seconds(12));
    profile.WriteBinary("Options", "Inspiration Duration Max", seconds(10));
    profile.WriteBinary("Options", "Expiration Duration Min", seconds(1));
    profile.WriteBinary("Options", "Expiration Duration Max", seconds(3));
    doc = MakeDocument();
    EXPECT_EQ(doc->Breathing().inspirationMin, 0.0);
    EXPECT_EQ(doc->Breathing().inspirationMax, 10.0);
    EXPECT_EQ(doc->Breathing().expirationMin, 1.0);  // in order: kept
    EXPECT_EQ(doc->Breathing().expirationMax, 3.0);
}

TEST_F(DocumentFixture, BreathAnalysisValuesLiveInTheirOwnSection) {
    doc = MakeDocument();  // defaults: inspiration is positive flow, threshold 0.28
    BreathSettings s = doc->BreathAnalysisSettings();
    EXPECT_EQ(s.inspiratoryFlowSign, 1);
    EXPECT_EQ(s.flowLimitationThreshold, 0.28);
    EXPECT_EQ(s.inspirationMax, 10.0);

    ZDisplayValues values = doc->ZDisplayOptions();
    values.inspiratoryFlowSign = -1;
    values.flowLimitationThreshold = 2.8;
    values.expirationMin = 0.5;
    ASSERT_FALSE(doc->ApplyZDisplayOptions(values));
    profile.Clear();
    doc.reset();
    EXPECT_EQ(profile.GetInt("Breath analysis", "Inspiratory flow sign", 0), -1);
    EXPECT_EQ(profile.GetBinary("Breath analysis", "Flow limitation threshold")->size(), 8u);
    EXPECT_FALSE(profile.Has("Options", "Inspiratory flow sign"));

    doc = MakeDocument();
    s = doc->BreathAnalysisSettings();
    EXPECT_EQ(s.inspiratoryFlowSign, -1);
    EXPECT_EQ(s.flowLimitationThreshold, 2.8);
    EXPECT_EQ(s.expirationMin, 0.5);

    // A sign other than -1 is +1; a threshold of the wrong size is the default.
    doc.reset();  // saves first
    profile.WriteInt("Breath analysis", "Inspiratory flow sign", 7);
    profile.WriteBinary("Breath analysis", "Flow limitation threshold", {1, 2, 3});
    doc = MakeDocument();
    EXPECT_EQ(doc->Breathing().inspiratoryFlowSign, 1);
    EXPECT_EQ(doc->Breathing().flowLimitationThreshold, 0.28);
}

TEST_F(DocumentFixture, TheCalibrationCopyTakesTheUsersDecimalSeparator) {
    doc = MakeDocument();
    test::EditSetup(*doc, [](SetupFileImage& s) {
        CalibrationTable& t = s.loadedCalibration;
        t.count = 1;
        t.frequency[0] = 2.5;
        t.A[0] = {0.125, -1.5};
    });
    shell.decimalSeparator = ',';
    ASSERT_TRUE(doc->CopyCalibration());
    ASSERT_EQ(shell.clipboard.size(), 1u);
    EXPECT_EQ(shell.clipboard[0], LocaliseDecimalSeparator(doc->CopyCalibrationText(), ','));
    EXPECT_NE(shell.clipboard[0].find("2,5\t0,125\t-1,5"), std::string::npos) << shell.clipboard[0];
}

TEST_F(DocumentFixture, StartWithoutChannelsStartsNothing) {
    doc = MakeDocument();
    state->buffers[0].Append(1.0);
    test::EditSetup(*doc, [](SetupFileImage& s) { s.channelMask = 0; });
    EXPECT_EQ(doc->StartMeasurement(0), 0);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"No channels are selected"});
    EXPECT_EQ(state->measurementRunning, 0);
    EXPECT_EQ(state->buffers[0].Count(), 0);
}

TEST_F(DocumentFixture, DecliningTheCalibrationQuestionStartsNothing) {
    doc = MakeDocument();
    ui.QueueAnswer(false);
    EXPECT_EQ(doc->StartMeasurement(0), 1);
    ASSERT_EQ(ui.Questions().size(), 1u);
    EXPECT_EQ(ui.Questions()[0],
              "No calibration data found for each used frequency.\nNo calibration will be "
              "used.\nWould you like to continue?");
    EXPECT_EQ(state->measurementRunning, 0);
}

TEST_F(DocumentFixture, StatusPanesAndEnablingFollowTheMeasurement) {
    doc = MakeDocument();
    test::EditSetup(*doc, [](SetupFileImage& s) {
        ExcitationBank& b = s.excitationBank;
        b.period = 2.0;
        b.componentCount[0] = 3;
        for (int i = 0; i < 3; ++i) b.frequencyIndex[0][i] = 2 * (i + 1);
    });
    doc->ApplyMeasurementSetup();
    StatusTexts s = doc->UpdateStatusText();
    EXPECT_FALSE(s.pane0.has_value());
    EXPECT_EQ(s.pane1, "T=2 s, f=1,2,3");
    EXPECT_EQ(s.pane2, "");
    EXPECT_EQ(doc->Plots().timeStep, 2.0);
    EXPECT_EQ(doc->Setup().samplesPerPeriod, 1024);
    EXPECT_FALSE(doc->CanRecord());
    EXPECT_FALSE(doc->CanStop());
    EXPECT_TRUE(doc->CanStart());

    emulatorOptions.realtime = true;
    doc->Space();  // from idle: start sampling
    ASSERT_EQ(state->measurementRunning, 1);
    EXPECT_EQ(doc->UpdateStatusText().pane0, "Sampling...");
    EXPECT_TRUE(doc->CanRecord());
    EXPECT_FALSE(doc->CanStart());
    EXPECT_FALSE(doc->CanCloseFrame());
    EXPECT_EQ(ui.Messages().back(), "Please stop the measurement before closing the application.");
    EXPECT_EQ(doc->PrintHeader(), "Sample rate=512 Hz, signal period=2 s\nf=1,2,3 Hz");
    doc->Space();  // start recording
    EXPECT_EQ(state->recordingState, 1);
    EXPECT_EQ(state->targetFrames, 5120);
    EXPECT_FALSE(doc->CanRecord());
    EXPECT_EQ(doc->UpdateStatusText().pane0, "Recording...");
    doc->Space();  // restart the recording
    EXPECT_NE(state->recordingState, 0);
    doc->Stop();
    ASSERT_TRUE(WaitUntilIdle());
    // The first tick after the end shows "Ready", also when the view drew during the run.
    ViewTickFlags view;
    view.drewWhileRunning = true;
    StatusTexts status;
    doc->OnTimerTick(view, status);
    EXPECT_EQ(status.pane0, "Ready");
    EXPECT_FALSE(doc->UpdateStatusText().pane0.has_value());  // "Ready" only once
    // The recording went to the home folder under the dialog's default title.
    EXPECT_EQ(doc->CurrentDataFile(), home.File("x 001.inpx"));
    EXPECT_EQ(doc->UpdateStatusText().pane1.rfind("Last file: x 001.inpx | T=2 s", 0), 0u);
    EXPECT_EQ(doc->UpdateStatusText().pane3, "x 001.inpx");
    EXPECT_TRUE(doc->CanCloseFrame());
}

TEST_F(DocumentFixture, AGeneratedImportedOrSelectedExcitationShowsBeforeTheStart) {
    doc = MakeDocument();
    test::EditSetup(*doc, [](SetupFileImage& s) {
        ExcitationBank& b = s.excitationBank;
        b.period = 2.0;
        b.signalCount = 2;
        b.componentCount[0] = 3;
        b.componentCount[1] = 2;
        for (int i = 0; i < 3; ++i) b.frequencyIndex[0][i] = 2 * (i + 1);
        b.frequencyIndex[1][0] = 1;
        b.frequencyIndex[1][1] = 3;
    });
    doc->SelectSignal(0);
    EXPECT_EQ(doc->UpdateStatusText().pane1, "");
    doc->ExcitationChanged();  // as after "Generate excitation signals"
    EXPECT_EQ(doc->UpdateStatusText().pane1, "T=2 s, f=1,2,3");
    doc->SelectNextExcitation();
    EXPECT_EQ(doc->UpdateStatusText().pane1, "T=2 s, f=0.5,1.5");
    // A start with other frequencies also asks the view to fit the frequency axis.
    doc->TakeFitRequest();  // as the view takes it when it draws
    doc->ApplyMeasurementSetup();
    EXPECT_EQ(doc->UpdateStatusText().pane1, "T=2 s, f=0.5,1.5");
    doc->SelectSignal(0);
    ASSERT_EQ(doc->StartMeasurement(0), 0);
    EXPECT_EQ(doc->PendingFit(), CPelmorDoc::kFitFrequencyAxis);
    doc->Stop();
    ASSERT_TRUE(WaitUntilIdle());
}

// Without a device the simulation runs: it is named while it runs, its recording's dialog says
// so, and its data stay marked until a start or an import replaces them.
TEST_F(DocumentFixture, SimulationIsMarkedForAsLongAsItsDataAreShown) {
    NoDeviceSerialDriver none;
    doc = std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, none});
    TwelveHarmonics();
    ASSERT_FALSE(doc->SetRecordingTime(1));
    // A series named for the device: the simulated recording still gets the dialog, which
    // proposes a series of its own.
    ASSERT_TRUE(doc->SetFileName(home.Path(), "lab"));
    bool dialogSaidSimulated = false;
    std::string proposed;
    ui.saveOptionsEditor = [&](SaveOptions& o) {
        dialogSaidSimulated = o.simulated;
        proposed = o.title;
        return true;
    };
    EXPECT_FALSE(doc->ShowsSimulatedData());
    ASSERT_EQ(doc->StartMeasurement(0), 0);
    for (int i = 0; i < 500 && !doc->Simulating(); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(doc->Simulating());
    EXPECT_EQ(ui.Messages().front(), "Device not found. Simulation mode will be executed.");
    doc->Record();
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(dialogSaidSimulated);
    EXPECT_EQ(proposed, "lab SIM");
    EXPECT_FALSE(doc->Simulating());
    EXPECT_TRUE(doc->ShowsSimulatedData());
    EXPECT_FALSE(doc->ShowsSimulatedFile());  // the window names the simulation only while it runs
    const std::string file = doc->CurrentDataFile();
    EXPECT_EQ(file, home.File("lab SIM 001.inpx"));

    // After a restart the file still says what it is.
    doc = std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, none});
    ASSERT_TRUE(doc->ImportDataFile(file));
    EXPECT_TRUE(IsSimulatedTimeStamp(doc->ImportedFileTimeStamp())) << doc->ImportedFileTimeStamp();
    EXPECT_TRUE(doc->ShowsSimulatedData());  // the watermark, on screen and on paper
    EXPECT_TRUE(doc->ShowsSimulatedFile());  // the title and the status bar
    ASSERT_TRUE(doc->StoreImpedance());
    EXPECT_EQ(doc->Stored().results[0].spectrum.label.rfind("lab SIM 001.inpx (simulated), ", 0),
              0u)
        << doc->Stored().results[0].spectrum.label;
    ASSERT_EQ(doc->ImportFromFiles({file}), 1);
    EXPECT_EQ(doc->Stored().results[1].spectrum.label.rfind("lab SIM 001.inpx (simulated), ", 0),
              0u);
    const RecordResult analysed = AnalyseRecord(file, RecordAnalysisSetupOf(*doc));
    EXPECT_EQ(analysed.spectrum.label, "lab SIM 001.inpx (simulated)");
    // So does its page of the session report, and a file of the device's does not.
    const std::vector<ReportFile> pages =
        AnalyseReportFiles({file, test::FixturePath("twelve 001.inpx")},
                           RecordAnalysisSetupOf(*doc), 5.0, doc->BreathAnalysisSettings(), 1);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[0].page.simulated);
    EXPECT_FALSE(pages[1].page.simulated);

    // A file of the device replaces the marks.
    ASSERT_TRUE(doc->ImportDataFile(test::CopyFixture("twelve 001.inpx", home)));
    EXPECT_FALSE(doc->ShowsSimulatedData());
    EXPECT_FALSE(doc->ShowsSimulatedFile());
}

TEST_F(DocumentFixture, TrackingStartUsesTheChosenFrequency) {
    emulatorOptions.realtime = false;
    doc = MakeDocument();
    TwelveHarmonics();
    ui.frequencyChoice = -1;  // Cancel
    EXPECT_FALSE(doc->StartTracking());
    EXPECT_EQ(state->measurementRunning, 0);
    ASSERT_EQ(ui.offeredFrequencies.size(), 12u);
    EXPECT_EQ(ui.offeredFrequencies[11], 12.0);

    ui.frequencyChoice = 2;
    EXPECT_TRUE(doc->StartTracking());
    EXPECT_EQ(doc->Setup().measurementMode, 1);
    EXPECT_EQ(doc->ActiveSignal().selectedFrequencyIndex, 2);
    EXPECT_EQ(doc->Calculator().selectedFrequencyIndex, 2);
    doc->Stop();
    ASSERT_TRUE(WaitUntilIdle());
    // The table plays only the chosen component: a 3 Hz cosine (6 cycles in 2 s).
    const auto& t = state->excitationTable;
    EXPECT_NEAR((t[0] - 32768.0) / 6553, 0.1 * std::cos(0.3 * 4), 2e-4);
    EXPECT_EQ(t[0], t[1024]);  // three whole cycles later
}

// The whole chain: the emulated subject through the device protocol, the acquisition thread and
// the calculator gives back Z(f) = R + j(2 pi f L - 1 / (2 pi f C)), live, from the buffers
// after the recording, and from the recorded file imported again.
TEST_F(DocumentFixture, EmulatedSubjectImpedanceComesBackLiveFromTheRecordingAndFromItsFile) {
    emulatorOptions.realtime = false;
    emulatorOptions.resistance = 0.25;
    emulatorOptions.inductance = 0.001;
    emulatorOptions.capacitance = 0.25;
    doc = MakeDocument();
    TwelveHarmonics();
    ASSERT_FALSE(doc->SetRecordingTime(2));
    auto expected = [](double f) {
        const double w = 2 * std::numbers::pi * f;
        return std::pair<double, double>{0.25, w * 0.001 - 1 / (w * 0.25)};
    };
    auto check = [&](const double* re, const double* im, const char* what) {
        ASSERT_EQ(doc->Calculator().frequencyCount, 12);
        for (int i = 0; i < 12; ++i) {
            auto [r, x] = expected(i + 1.0);
            const double scale = std::hypot(r, x);
            EXPECT_NEAR(re[i], r, 1e-4 * scale) << what << " " << i + 1 << " Hz";
            EXPECT_NEAR(im[i], x, 1e-4 * scale) << what << " " << i + 1 << " Hz";
        }
    };

    ASSERT_EQ(doc->StartMeasurement(0), 0);
    ASSERT_EQ(state->measurementRunning, 1);
    // Let two seconds of frames arrive, then fill the live ring from the newest periods.
    while (state->buffers[1].Count() < 2 * 512 && state->measurementRunning)
        std::this_thread::sleep_for(1ms);
    // The newest periods may still hold the first second of the stream, or a tick may pair
    // periods read apart while the acquisition thread appends: a fresh round of ticks is taken
    // once more samples have arrived.
    auto liveMatches = [&] {
        for (int i = 0; i < 12; ++i) {
            auto [r, x] = expected(i + 1.0);
            const double scale = std::hypot(r, x);
            if (!(std::fabs(doc->Calculator().averageR[i] - r) <= 1e-4 * scale &&
                  std::fabs(doc->Calculator().averageX[i] - x) <= 1e-4 * scale))
                return false;
        }
        return true;
    };
    ViewTickFlags view;
    StatusTexts status;
    for (int round = 0; round < 20; ++round) {
        for (int tick = 0; tick < 8; ++tick) doc->OnTimerTick(view, status);
        if (liveMatches()) break;
        const int32_t seen = state->buffers[1].Count();
        while (state->buffers[1].Count() < seen + 512 && state->measurementRunning)
            std::this_thread::sleep_for(1ms);
    }
    check(doc->Calculator().averageR, doc->Calculator().averageX, "live");

    doc->Record();
    ASSERT_TRUE(WaitUntilIdle());  // the recording ends the measurement by itself
    const std::string file = doc->CurrentDataFile();
    ASSERT_EQ(file, home.File("x 001.inpx"));
    const int32_t frames = state->buffers[0].Count();
    EXPECT_GE(frames, 1024);
    ASSERT_EQ(doc->AnalyseInterval(0, 0), 0);
    EXPECT_GE(doc->Calculator().periodsAccumulated, 2);
    check(doc->Calculator().ensembleR, doc->Calculator().ensembleX, "ensemble");
    for (int i = 0; i < 12; ++i) EXPECT_NEAR(doc->Calculator().coherence[i], 1.0, 1e-9);

    state->ResetAllBuffers();  // the import starts the analysis afresh
    ui.ClearRecords();
    doc->ImportDataFile(file);
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_EQ(state->buffers[0].Count(), frames);
    EXPECT_EQ(doc->Setup().samplesPerPeriod, 512);
    EXPECT_GT(doc->Calculator().offlineTrendCount, 0);
    ASSERT_EQ(doc->AnalyseInterval(0, 0), 0);
    EXPECT_EQ(doc->Calculator().periodsAccumulated, frames / 512);
    check(doc->Calculator().ensembleR, doc->Calculator().ensembleX, "imported");
}

}  // namespace
}  // namespace pelmor
