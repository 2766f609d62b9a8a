// The recording's file: naming, the save-options dialog and the write. The save step runs on the
// acquisition thread; the naming state is shared with the user-interface thread under
// namingMutex, which is never held while a dialog is up.
#include <utility>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "files/DataFile.h"
#include "files/FileNaming.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr const char* kDataWillBeLost = "Data will be lost. Do you want to continue?";
constexpr const char* kEnterTitle = "Please enter a title for the data file.";
constexpr const char* kSimulatedTitleMark = " SIM";

}  // namespace

std::string CPelmorDoc::CurrentDataFile() const {
    std::lock_guard<std::mutex> lock(namingMutex);
    return naming.currentDataFileName;
}

// The save-options dialog; on OK the base name is set from it and moved past existing files.
// The dialog's values reach the profile however it ends.
// An empty title would name the file " 001.inpx" in the start-up folder: it is refused.
bool CPelmorDoc::ChooseBaseName(int dataBits) {
    SaveOptionsSession session(services.profile, dataBits, services.shell.HomeFolder());
    session.options.simulated = state.simulating.load() != 0;
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        if (!proposedTitle.empty()) session.options.title = proposedTitle;
    }
    // A simulated recording is proposed a series of its own beside the device's: the series
    // in use (or the last title) with " SIM" after its title.
    if (session.options.simulated) {
        std::string series;
        {
            std::lock_guard<std::mutex> lock(namingMutex);
            if (naming.baseNameChosen) series = naming.baseName;
        }
        if (!series.empty()) {
            if (!FolderOf(series).empty()) session.options.folder = FolderOf(series);
            session.options.title = FileNameOf(series);
        }
        if (!session.options.title.ends_with(kSimulatedTitleMark))
            session.options.title += kSimulatedTitleMark;
    }
    for (;;) {
        if (!services.ui.EditSaveOptions(session.options)) return false;
        if (session.options.title.find_first_not_of(' ') != std::string::npos) break;
        services.ui.ShowMessage(kEnterTitle);
    }
    std::lock_guard<std::mutex> lock(namingMutex);
    nameBeingWritten =
        pelmor::SetFileName(naming, session.options.folder, session.options.title, dataBits);
    return true;
}

void CPelmorDoc::ProposeRecordingTitle(const std::string& title) {
    std::lock_guard<std::mutex> lock(namingMutex);
    if (title == proposedTitle) return;
    proposedTitle = title;
    naming.baseNameChosen = false;
}

std::vector<CPelmorDoc::WrittenRecording> CPelmorDoc::TakeWrittenRecordings() {
    std::lock_guard<std::mutex> lock(namingMutex);
    return std::exchange(writtenRecordings, {});
}

bool CPelmorDoc::SetFileName() {
    if (!CanSetFileName()) return false;
    return ChooseBaseName(setup.dataBits);
}

bool CPelmorDoc::SetFileName(const std::string& folder, const std::string& title) {
    if (!CanSetFileName() || title.find_first_not_of(' ') == std::string::npos) return false;
    std::lock_guard<std::mutex> lock(namingMutex);
    nameBeingWritten = pelmor::SetFileName(naming, folder, title, setup.dataBits);
    return true;
}

// Names the next file, writes it and takes the naming steps. True when written.
bool CPelmorDoc::WriteRecording(const Recording& r, int dataBits, std::string& path,
                                std::string& message) {
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        path = FindFreeName(naming.baseName, naming.serialNumber, dataBits);
        nameBeingWritten = path;
    }
    DataFileInput in;
    in.sampleRate = r.sampleRate;
    in.signalPeriod = setup.signalPeriod;
    in.samplesPerPeriod = setup.samplesPerPeriod;
    in.channelCount = r.channelCount;
    in.frameCount = r.frames;
    in.recordingTime = r.activeRecordingTime;
    in.timeStamp = DataFileTimeStamp(services.clock, r.startTime);
    if (state.simulating.load() != 0) in.timeStamp += kSimulatedStampMark;
    in.excitation = &activeExcitation;
    in.calibration = &calculator.workingCalibration;
    in.channelNames = setup.signalNames;
    in.rawSamples = r.rawValues;
    const bool written = WriteDataFile(path, DataFormatForBits(dataBits), in, message);
    std::lock_guard<std::mutex> lock(namingMutex);
    AdvanceAfterRecording(naming, path, written);
    if (written) {
        lastWrittenFile = path;
        writtenRecordings.push_back({path, state.simulating.load() != 0});
    }
    return written;
}

// The save-options dialog until it names the file, or until the user confirms that the data
// may go (No, the default, brings the dialog back). False when the data are to be dropped.
bool CPelmorDoc::ChooseBaseNameOrDiscard(int dataBits) {
    for (;;) {
        if (ChooseBaseName(dataBits)) return true;
        if (services.ui.AskYesNoDefaultNo(Question::DiscardRecording, kDataWillBeLost))
            return false;
    }
}

int CPelmorDoc::SaveRecording(const Recording& recording) {
    // The 12-bit count field cannot describe a longer recording: it is kept in full precision.
    const bool tooLongForTwelveBits =
        recording.dataBits != 1 && recording.frames > kMaxTwelveBitFrames;
    const int dataBits = tooLongForTwelveBits ? 1 : recording.dataBits;
    bool chosen;
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        chosen = naming.baseNameChosen;
    }
    recordingEnded.store(1);
    // A simulated recording is never saved silently into the series the user named for the
    // device: the dialog always opens for it.
    const bool simulated = state.simulating.load() != 0;
    if ((!chosen || simulated) && !ChooseBaseNameOrDiscard(dataBits)) return 1;
    for (;;) {
        std::string path, message;
        if (WriteRecording(recording, dataBits, path, message)) {
            // The user-interface thread reads selectedSignal all the time; it takes the
            // advanced value over itself (TakeAcquisitionResults).
            signalAfterRecording.store(
                NextSelectedSignal(selectedSignal, SignalCountOf(excitationBank)));
            if (tooLongForTwelveBits)
                services.ui.ShowMessage(
                    Format("The recording of %d frames is longer than the 12-bit format can hold "
                           "(%d frames), so it was saved in full precision as %s.",
                           recording.frames, kMaxTwelveBitFrames, path.c_str()));
            return 0;
        }
        services.ui.ShowMessage(message);
        if (!ChooseBaseNameOrDiscard(dataBits)) return 1;
    }
}

}  // namespace pelmor
