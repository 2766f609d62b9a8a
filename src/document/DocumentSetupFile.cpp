// Setup files: the document's setup to and from the setup-file image. A file is read into an
// image of the current setup before any member changes.
#include <algorithm>
#include <memory>

#include "document/CPelmorDoc.h"
#include "files/SetupFile.h"
#include "platform/UserInterface.h"

namespace pelmor {

SetupFileImage CPelmorDoc::MakeSetupImage() const {
    SetupFileImage s;
    s.excitationBank = excitationBank;
    s.loadedCalibration = calculator.loadedCalibration;
    s.sweep = setup.sweep;
    s.plotSetup = plotSetup;
    s.channelCount = setup.channelCount;
    s.channelMask = setup.channelMask;
    s.sampleRate = setup.sampleRate;
    s.sampleRateIndex = setup.sampleRateIndex;
    s.recordingTime = setup.recordingTime;
    s.dataBits = setup.dataBits;
    s.xChannelIndex = setup.xChannelIndex;
    s.yChannelIndex = setup.yChannelIndex;
    s.measurementMode = setup.measurementMode;
    s.selectedSignal = selectedSignal;
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        s.extraSerialStep = naming.extraSerialStep;
        s.baseName = naming.baseName;
        s.serialNumber = naming.serialNumber;
        s.currentDataFileName = naming.currentDataFileName;
    }
    s.excitationFolder = setup.excitationFolder;
    s.calibrationFolder = setup.calibrationFolder;
    s.channelNames = setup.channelNames;
    s.averagingTime = calculator.averagingTime;
    s.frequencyCount = calculator.frequencyCount;
    s.selectedFrequencyIndex = calculator.selectedFrequencyIndex;
    std::copy_n(calculator.frequencyIndex, kSetupFrequencies, s.frequencyIndex.begin());
    std::copy_n(calculator.frequencyHz, kSetupFrequencies, s.frequencyHz.begin());
    s.zDisplayMode = calculator.zDisplayMode;
    s.zTrendDisplay = calculator.zTrendDisplay;
    return s;
}

// Takes a read (and clamped) image over the setup. Nothing is derived here: the next start
// derives the decimation and the signal names again.
void CPelmorDoc::ApplySetupImage(const SetupFileImage& s) {
    excitationBank = s.excitationBank;
    calculator.loadedCalibration = s.loadedCalibration;
    setup.sweep = s.sweep;
    plotSetup = s.plotSetup;
    setup.channelCount = s.channelCount;
    setup.channelMask = s.channelMask;
    setup.sampleRate = s.sampleRate;
    setup.sampleRateIndex = s.sampleRateIndex;
    setup.recordingTime = s.recordingTime;
    setup.dataBits = s.dataBits;
    setup.xChannelIndex = s.xChannelIndex;
    setup.yChannelIndex = s.yChannelIndex;
    setup.measurementMode = s.measurementMode;
    selectedSignal = s.selectedSignal;
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        naming.extraSerialStep = s.extraSerialStep;
        naming.baseName = s.baseName;
        naming.serialNumber = s.serialNumber;
        naming.currentDataFileName = s.currentDataFileName;
    }
    setup.excitationFolder = s.excitationFolder;
    setup.calibrationFolder = s.calibrationFolder;
    setup.channelNames = s.channelNames;
    calculator.SetAveragingTime(s.averagingTime);
    calculator.frequencyCount = s.frequencyCount;
    activeExcitation.selectedFrequencyIndex = s.selectedFrequencyIndex;
    std::copy(s.frequencyIndex.begin(), s.frequencyIndex.end(), calculator.frequencyIndex);
    std::copy(s.frequencyHz.begin(), s.frequencyHz.end(), calculator.frequencyHz);
    calculator.zDisplayMode = s.zDisplayMode;
    calculator.zTrendDisplay = s.zTrendDisplay;
}

bool CPelmorDoc::SaveSetup(const std::string& path) {
    TakeAcquisitionResults();
    std::string message;
    // About 130 KB of blocks: built on the heap.
    auto image = std::make_unique<SetupFileImage>(MakeSetupImage());
    if (!SaveSetupFile(path, *image, message)) {
        services.ui.ShowMessage(message);
        return false;
    }
    setupPath = path;
    modified = false;
    return true;
}

bool CPelmorDoc::OpenSetup(const std::string& path) {
    if (!CanOpenSetup()) return false;
    // Fields a shorter (older) file does not hold keep the values they have now.
    auto image = std::make_unique<SetupFileImage>(MakeSetupImage());
    std::string message;
    SetupFileExtent extent;
    if (!LoadSetupFile(path, *image, message, &extent)) {
        services.ui.ShowMessage(message);
        return false;
    }
    ClampSetupImage(*image);
    state.ResetAllBuffers();
    ApplySetupImage(*image);
    setupPath = path;
    modified = false;
    if (!extent.complete)
        services.ui.ShowMessage(SetupEndsEarlyMessage(WithoutFolder(path), extent.bytesRead));
    return true;
}

void CPelmorDoc::NewSetup() {
    setupPath.clear();
    modified = false;
}

}  // namespace pelmor
