// Recorded-file naming and writing, and setup files, through the document.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "document/DocumentFixture.h"
#include "files/DataFile.h"
#include "files/FileNaming.h"
#include "files/SetupFile.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// The save step runs on the acquisition thread; the user-interface thread takes the advanced
// signal over afterwards.
int SaveThenTakeOver(CPelmorDoc& doc, const Recording& recording) {
    const int result = doc.SaveRecording(recording);
    doc.TakeAcquisitionResults();
    return result;
}

constexpr const char* kDataWillBeLost = "Data will be lost. Do you want to continue?";

Recording MakeRecording(int frames, int dataBits = 1) {
    Recording r;
    r.channelCount = 2;
    r.frames = frames;
    r.rawValues.resize(static_cast<std::size_t>(frames) * 2);
    for (int k = 0; k < frames * 2; ++k) r.rawValues[k] = (k % 2 ? -1 : 1) * k * 4096;
    r.startTime = 1700000000;
    r.sampleRate = 512;
    r.activeRecordingTime = 10;
    r.dataBits = dataBits;
    return r;
}

struct RecordingFixture : DocumentFixture {
    void SetUp() override {
        doc = MakeDocument();
        test::EditSetup(*doc, [](SetupFileImage& s) { s.excitationBank.signalCount = 3; });
        // The signal period of the status bar, 1 s, with no frequency active yet.
        doc->ApplyMeasurementSetup();
        test::EditSetup(*doc, [](SetupFileImage& s) { s.frequencyCount = 0; });
    }
    void Touch(const std::string& name) {
        std::string reason;
        ASSERT_TRUE(WriteFileBytes(home.File(name), std::vector<uint8_t>{1}, reason));
    }
};

TEST_F(RecordingFixture, RecordingsTakeTheNextFreeNumberAndTheNextSignal) {
    Touch("run 001.inpx");
    Touch("run 002.inpx");
    Touch("run 003.inp");  // another extension does not count
    ASSERT_TRUE(doc->SetFileName(home.Path(), "run"));
    // "Last file:" names only a file that was written.
    EXPECT_EQ(doc->UpdateStatusText().pane1, "T=1 s");
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(600)), 0);
    EXPECT_EQ(doc->CurrentDataFile(), home.File("run 003.inpx"));
    EXPECT_EQ(doc->UpdateStatusText().pane1, "Last file: run 003.inpx | T=1 s");
    EXPECT_EQ(doc->Naming().serialNumber, 3);
    EXPECT_EQ(doc->SelectedSignal(), 1);
    EXPECT_EQ(ui.saveOptionsDialogs, 0);  // the base name was chosen already
    EXPECT_TRUE(ui.Messages().empty());

    DataFileContents back;
    std::string message;
    ASSERT_EQ(LoadDataFile(doc->CurrentDataFile(), back, message), DataFileLoad::Loaded);
    EXPECT_EQ(back.framesRead, 600);
    EXPECT_EQ(back.Sample(3, 1), static_cast<float>(-7 * 4096 / kRawPerVolt));

    // The extra serial step skips a number after every written file.
    test::EditSetup(*doc, [](SetupFileImage& s) { s.extraSerialStep = 1; });
    ASSERT_TRUE(doc->SetFileName(home.Path(), "x"));
    std::vector<std::string> written;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(20)), 0);
        written.push_back(FileNameOf(doc->CurrentDataFile()));
    }
    EXPECT_EQ(written, (std::vector<std::string>{"x 001.inpx", "x 003.inpx", "x 005.inpx"}));
    EXPECT_EQ(doc->SelectedSignal(), 1);  // 1, 2, 0, 1: wraps at the signal count

    // "Set filename" waits while a recording is active.
    state->recordingState = 1;
    EXPECT_FALSE(doc->SetFileName(home.Path(), "y"));
    EXPECT_FALSE(doc->SetFileName());
    EXPECT_EQ(doc->Naming().baseName, home.File("x"));
}

TEST_F(RecordingFixture, TheFirstRecordingAsksForANameAndCancelLetsTheUserChoose) {
    // OK in the dialog: the folder and title typed, remembered in the profile.
    ui.saveOptionsEditor = [this](SaveOptions& o) {
        EXPECT_EQ(o.title, "x");
        EXPECT_EQ(o.folder, home.Path());
        o.title = "subject";
        return true;
    };
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(20)), 0);
    EXPECT_EQ(doc->CurrentDataFile(), home.File("subject 001.inpx"));
    EXPECT_EQ(profile.GetString("Save Options", "Working Folder", "?"), home.Path());

    // A fresh document asks again. Cancel, then Yes: the recording is dropped.
    doc = MakeDocument();
    ui.saveOptionsEditor = [](SaveOptions&) { return false; };
    ui.QueueAnswer(true);
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(20)), 1);
    EXPECT_EQ(ui.Questions(), std::vector<std::string>{kDataWillBeLost});
    EXPECT_EQ(doc->CurrentDataFile(), "");

    // The question's default is No, and No brings the dialog back; OK with an empty title is
    // refused there. Nothing is written in the current folder on the way.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(home.Path());
    ui.ClearRecords();
    std::vector<std::string> titles = {"", "  ", "named"};
    int dialogs = 0;
    ui.saveOptionsEditor = [&](SaveOptions& o) {
        if (dialogs++ == 0) return false;  // Cancel first
        o.title = titles.at(dialogs - 2);
        return true;
    };
    ui.QueueAnswer(false);
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(20)), 0);
    EXPECT_EQ(dialogs, 4);
    EXPECT_EQ(ui.DefaultNoQuestions(), std::vector<std::string>{kDataWillBeLost});
    EXPECT_EQ(ui.Messages(),
              std::vector<std::string>(2, "Please enter a title for the data file."));
    EXPECT_EQ(doc->CurrentDataFile(), home.File("named 001.inpx"));
    EXPECT_TRUE(FileExists(home.File("named 001.inpx")));
    EXPECT_FALSE(FileExists(home.File(" 001.inpx")));
    std::filesystem::current_path(previous);
    EXPECT_FALSE(doc->SetFileName(home.Path(), ""));
}

TEST_F(RecordingFixture, ARecordingThatCannotBeWrittenIsNeverLostSilently) {
    ASSERT_TRUE(doc->SetFileName(home.File("missing"), "run"));
    // The dialog offered after the failure points to a folder that exists.
    ui.saveOptionsEditor = [this](SaveOptions& o) {
        o.folder = home.Path();
        o.title = "saved";
        return true;
    };
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(20)), 0);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].find("Can't write file " + home.File("missing/run 001.inpx")), 0u);
    const std::size_t reason = ui.Messages()[0].find("\r\n");  // then the system's reason
    ASSERT_NE(reason, std::string::npos);
    EXPECT_GT(ui.Messages()[0].size(), reason + 2);
    EXPECT_EQ(ui.saveOptionsDialogs, 1);
    EXPECT_EQ(doc->CurrentDataFile(), home.File("saved 001.inpx"));
    EXPECT_EQ(doc->SelectedSignal(), 1);

    // Cancel and No bring the dialog back; Cancel and Yes let the data go.
    ui.ClearRecords();
    ASSERT_TRUE(doc->SetFileName(home.File("missing"), "run"));
    ui.saveOptionsEditor = [](SaveOptions&) { return false; };
    ui.QueueAnswer(false);
    ui.QueueAnswer(true);
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(20)), 1);
    EXPECT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.saveOptionsDialogs, 3);
    EXPECT_EQ(ui.Questions(), (std::vector<std::string>{kDataWillBeLost, kDataWillBeLost}));
    EXPECT_EQ(doc->SelectedSignal(), 1);
}

TEST_F(RecordingFixture, ALongTwelveBitRecordingIsSavedInFullPrecision) {
    ASSERT_TRUE(doc->SetFileName(home.Path(), "long"));
    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(kMaxTwelveBitFrames, 0)), 0);
    EXPECT_EQ(doc->CurrentDataFile(), home.File("long 001.inp"));
    EXPECT_TRUE(ui.Messages().empty());

    EXPECT_EQ(SaveThenTakeOver(*doc, MakeRecording(kMaxTwelveBitFrames + 1, 0)), 0);
    const std::string path = home.File("long 002.inpx");
    EXPECT_EQ(doc->CurrentDataFile(), path);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find(path), std::string::npos);
    DataFileContents back;
    std::string message;
    ASSERT_EQ(LoadDataFile(path, back, message), DataFileLoad::Loaded) << message;
    EXPECT_EQ(back.framesRead, kMaxTwelveBitFrames + 1);
}

// The save step runs on the acquisition thread while the user-interface thread keeps reading
// the status panes.
TEST_F(RecordingFixture, ARecordingEndsInItsFileWhileTheStatusIsPolled) {
    emulatorOptions.realtime = false;
    doc = MakeDocument();
    ASSERT_FALSE(doc->SetRecordingTime(1));
    ASSERT_TRUE(doc->SetFileName(home.Path(), "live"));
    ASSERT_EQ(doc->StartMeasurement(0), 0);
    doc->Record();
    while (state->measurementRunning) doc->UpdateStatusText();
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(doc->UpdateStatusText().pane3, "live 001.inpx");
    // The windows show the whole record, not its last page, and fit their scales to it.
    for (int s = 0; s < doc->Setup().channelCount; ++s) {
        const TraceBuffer& b = state->buffers[s];
        const PlotWindow& w = doc->Plots().windows[kSignalWindow0 + s];
        EXPECT_DOUBLE_EQ(w.xmax, b.EndTime());
        EXPECT_DOUBLE_EQ(w.xmin, b.EndTime() - b.Count() * b.SampleInterval());
    }
    EXPECT_EQ(doc->PendingFit(), CPelmorDoc::kFitAllWindows);
    DataFileContents back;
    std::string message;
    ASSERT_EQ(LoadDataFile(home.File("live 001.inpx"), back, message), DataFileLoad::Loaded);
    EXPECT_GE(back.framesRead, 512);
    EXPECT_EQ(back.info.excitation.componentCount, doc->ActiveSignal().componentCount);
}

// A name is UTF-8 everywhere in the program; only the setup file and the channel names of a data
// file carry Latin-1, where a character without a Latin-1 form becomes '?'.
TEST_F(DocumentFixture, NamesReadTheSameFromRecordingToClipboardToSetupFileAndBack) {
    struct Case {
        std::string name;      // as typed (UTF-8)
        std::string latin1;    // its bytes in the setup and data files
        std::string reloaded;  // as it comes back from those files
    } cases[] = {
        {"run", "run", "run"},
        {"Donn\xC3\xA9"
         "es",
         "Donn\xE9"
         "es",
         "Donn\xC3\xA9"
         "es"},
        {"\xCE\x94p flow", "?p flow", "?p flow"},  // a Greek capital delta
    };
    auto contains = [](const std::vector<uint8_t>& bytes, const std::string& text) {
        return std::string(bytes.begin(), bytes.end()).find(text) != std::string::npos;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emulatorOptions.realtime = false;
        doc = MakeDocument();
        TwelveHarmonics();
        ASSERT_FALSE(doc->SetRecordingTime(2));
        OptionsValues options = doc->Options();
        options.names[0] = c.name;
        ASSERT_FALSE(doc->ApplyOptions(options));
        ASSERT_TRUE(doc->SetFileName(home.Path(), c.name));
        ASSERT_EQ(doc->StartMeasurement(0), 0);
        doc->Record();
        ASSERT_TRUE(WaitUntilIdle());
        const std::string file = c.name + " 001.inpx";
        ASSERT_EQ(doc->CurrentDataFile(), home.File(file));
        EXPECT_EQ(doc->UpdateStatusText().pane3, file);

        std::vector<uint8_t> bytes;
        std::string reason;
        ASSERT_TRUE(ReadFileBytes(home.File(file), bytes, reason)) << reason;
        EXPECT_TRUE(contains(bytes, c.latin1));
        ASSERT_TRUE(doc->ImportDataFile(home.File(file)));
        EXPECT_EQ(doc->Setup().signalNames[0], c.reloaded);

        ASSERT_TRUE(doc->StoreImpedance());
        EXPECT_EQ(doc->Stored().results[0].spectrum.label.rfind(file, 0), 0u);
        ASSERT_TRUE(doc->HandOutStoredData(false));
        EXPECT_NE(shell.clipboard.back().find(file), std::string::npos);

        ASSERT_TRUE(doc->SaveSetup(home.File("names.plm")));
        ASSERT_TRUE(ReadFileBytes(home.File("names.plm"), bytes, reason)) << reason;
        EXPECT_TRUE(contains(bytes, "/" + c.latin1));
        EXPECT_EQ(c.latin1 == c.name, contains(bytes, c.name));
        doc = MakeDocument();
        ASSERT_TRUE(doc->OpenSetup(home.File("names.plm")));
        EXPECT_EQ(doc->Naming().baseName, home.File(c.reloaded));
        EXPECT_EQ(doc->Setup().channelNames[0], c.reloaded);
        EXPECT_EQ(doc->Naming().currentDataFileName, home.File(c.reloaded + " 001.inpx"));
    }
}

// ---------------------------------------------------------------- setup files

struct SetupFixture : DocumentFixture {
    void SetUp() override { doc = MakeDocument(); }
    std::vector<uint8_t> Image() { return WriteSetupFile(doc->MakeSetupImage()); }
    std::string Write(const std::vector<uint8_t>& bytes, const std::string& name = "s.plm") {
        std::string reason;
        EXPECT_TRUE(WriteFileBytes(home.File(name), bytes, reason)) << reason;
        return home.File(name);
    }
};

TEST_F(SetupFixture, EveryFieldTravelsThroughASetupFile) {
    CPelmorDoc& d = *doc;
    test::EditSetup(d, [](SetupFileImage& s) {
        s.excitationBank.signalCount = 2;
        s.excitationBank.componentCount[1] = 4;
        s.excitationBank.amplitude[1][3] = 0.7;
        s.loadedCalibration.count = 2;
        s.loadedCalibration.ch[1] = {3, 4};
        s.sweep.enabled = 1;
        s.plotSetup.windows[kXYWindow].xmin = -9;
        s.plotSetup.timeStep = 0.25;
        s.channelCount = 3;
        s.channelMask = 0xE0;
        s.sampleRate = 1024;
        s.sampleRateIndex = 2;
        s.recordingTime = 33;
        s.dataBits = 0;
        s.xChannelIndex = 1;
        s.yChannelIndex = 2;
        s.measurementMode = 1;
        s.extraSerialStep = 1;
        s.baseName = std::string(300, 'b');
        s.serialNumber = 7;
        s.excitationFolder = "/e";
        s.calibrationFolder = "/c";
        s.currentDataFileName = "/d/run 007.inpx";
        s.channelNames[7] = "Flow";
        s.averagingTime = 2.0;
        s.frequencyCount = 3;
        s.frequencyIndex[255] = 77;
        s.frequencyHz[2] = 12.5;
        s.zDisplayMode = 2;
        s.zTrendDisplay = 1;
    });
    ASSERT_TRUE(d.SelectSignal(1));
    d.SelectTrendFrequency(2);
    const std::vector<uint8_t> saved = Image();
    const std::string path = home.File("s.plm");
    ASSERT_TRUE(d.SaveSetup(path));
    EXPECT_EQ(d.SetupPath(), path);

    doc = MakeDocument();
    state->buffers[3].Append(1.0);
    ASSERT_TRUE(doc->OpenSetup(path));
    EXPECT_EQ(state->buffers[3].Count(), 0);
    EXPECT_EQ(doc->SetupPath(), path);
    EXPECT_FALSE(doc->Modified());
    // The selected frequency goes into the active excitation; everything else back in place.
    EXPECT_EQ(doc->ActiveSignal().selectedFrequencyIndex, 2);
    doc->SelectTrendFrequency(2);
    EXPECT_EQ(Image(), saved);
    EXPECT_EQ(doc->Calculator().ringLength, 20);
    doc->MarkModified();
    EXPECT_TRUE(doc->Modified());

    doc->NewSetup();
    EXPECT_EQ(doc->SetupPath(), "");
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(doc->Setup().recordingTime, 33);
}

TEST_F(SetupFixture, ValuesFromAFileAreBroughtIntoRange) {
    struct Case {
        double averaging;
        double loaded;
        int ringLength;
    };
    for (const Case& c : {Case{0.05, 0.1, 1}, Case{7.0, 5.0, 50}}) {
        SetupFileImage image = doc->MakeSetupImage();
        image.averagingTime = c.averaging;
        image.sampleRateIndex = 7;
        image.channelCount = 2;
        image.xChannelIndex = 9;
        image.yChannelIndex = -1;
        ASSERT_TRUE(doc->OpenSetup(Write(WriteSetupFile(image))));
        EXPECT_EQ(doc->Calculator().averagingTime, c.loaded);
        EXPECT_EQ(doc->Calculator().ringLength, c.ringLength);
        EXPECT_EQ(doc->Setup().sampleRateIndex, 2);
        EXPECT_EQ(doc->Setup().xChannelIndex, 1);
        EXPECT_EQ(doc->Setup().yChannelIndex, 0);
    }
}

TEST_F(SetupFixture, ARefusedFileLeavesTheSetupAsItWas) {
    ASSERT_FALSE(doc->SetRecordingTime(42));
    const std::vector<uint8_t> good = Image();
    const std::string kept = home.File("kept.plm");
    ASSERT_TRUE(doc->SaveSetup(kept));
    std::vector<uint8_t> wrongMarker = good;
    wrongMarker[0] ^= 1;
    const std::vector<std::vector<uint8_t>> refused = {
        wrongMarker, std::vector<uint8_t>(good.begin(), good.begin() + 3),  // not even the marker
    };
    std::vector<uint8_t> other = good;
    other[good.size() - 4] = 9;  // a different zTrendDisplay
    for (const auto& bytes : refused) {
        ui.ClearRecords();
        state->buffers[0].Append(1.0);
        EXPECT_FALSE(doc->OpenSetup(Write(bytes)));
        EXPECT_EQ(ui.Messages(), std::vector<std::string>{"Unexpected file format."});
        EXPECT_EQ(Image(), good);
        EXPECT_GT(state->buffers[0].Count(), 0);
        EXPECT_EQ(doc->SetupPath(), kept);
    }

    ui.ClearRecords();
    EXPECT_FALSE(doc->OpenSetup(home.File("none.plm")));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_NE(ui.Messages()[0].find("none.plm"), std::string::npos);
    EXPECT_FALSE(doc->SaveSetup(home.File("none/s.plm")));
    EXPECT_NE(ui.Messages().back().find("none/s.plm"), std::string::npos);

    state->measurementRunning = 1;  // no setup is opened under a running measurement
    EXPECT_FALSE(doc->OpenSetup(Write(other)));
    state->measurementRunning = 0;
    EXPECT_EQ(Image(), good);
    EXPECT_TRUE(doc->OpenSetup(Write(other)));
    EXPECT_EQ(doc->Calculator().zTrendDisplay, 9);
}

TEST_F(SetupFixture, AShorterFileSetsTheFieldsItHoldsAndSaysWhereItEnded) {
    SetupFileImage written = doc->MakeSetupImage();
    written.recordingTime = 17;
    written.zDisplayMode = 2;
    written.zTrendDisplay = 0;
    const std::vector<uint8_t> full = WriteSetupFile(written);
    struct Case {
        std::size_t length, reached;
        int recordingTime, zDisplayMode;
    };
    const std::size_t kInCalibration = 4 + sizeof(ExcitationBank) + 1000;
    const Case cases[] = {
        {kInCalibration, kInCalibration, 42, -1},   // inside the calibration block
        {full.size() - 1, full.size() - 4, 17, 2},  // all but the last number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        doc = MakeDocument();
        ASSERT_FALSE(doc->SetRecordingTime(42));
        doc->SetTrendDisplay(true);
        const int zDisplayModeBefore = doc->Calculator().zDisplayMode;
        ui.ClearRecords();
        state->buffers[0].Append(1.0);
        const std::string path =
            Write(std::vector<uint8_t>(full.begin(), full.begin() + c.length), "old.plm");
        ASSERT_TRUE(doc->OpenSetup(path));
        EXPECT_EQ(ui.Messages(), std::vector<std::string>{Format(
                                     "old.plm ends early (after %d bytes); the settings after "
                                     "that point keep their values.",
                                     static_cast<int>(c.reached))});
        EXPECT_EQ(state->buffers[0].Count(), 0);
        EXPECT_EQ(doc->SetupPath(), path);
        EXPECT_FALSE(doc->Modified());
        EXPECT_EQ(doc->Setup().recordingTime, c.recordingTime);
        EXPECT_EQ(doc->Calculator().zDisplayMode,
                  c.zDisplayMode < 0 ? zDisplayModeBefore : c.zDisplayMode);
        EXPECT_EQ(doc->Calculator().zTrendDisplay, 1);
    }
    // The marker alone holds no setting: refused, and nothing changes.
    doc = MakeDocument();
    ASSERT_FALSE(doc->SetRecordingTime(42));
    ui.ClearRecords();
    state->buffers[0].Append(1.0);
    EXPECT_FALSE(
        doc->OpenSetup(Write(std::vector<uint8_t>(full.begin(), full.begin() + 4), "old.plm")));
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{"Unexpected file format."});
    EXPECT_EQ(state->buffers[0].Count(), 1);
    EXPECT_EQ(doc->Setup().recordingTime, 42);
    EXPECT_EQ(doc->SetupPath(), "");
}

}  // namespace
}  // namespace pelmor
