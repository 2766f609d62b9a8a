// "Import data": a data file goes into the trace buffers as if it had just been measured, and
// the analysis is rerun over it. A file that is not accepted changes nothing in the document.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "files/DataFile.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

constexpr const char* kTwoChannelsQuestion =
    "Only two channels are found in this file.\nWould you like to generate the third channel "
    "from the first one?";
constexpr const char* kCalibrationDiffersQuestion =
    "Calibration data found in this file are not the same as the calibration data currently "
    "used by the program.\n\nNote that it is recommended to use the file's calibration "
    "data.\n\nWould you like to ignore calibration data found in this file anyway?";

// Channel c of every frame into buffer c; with a generated third channel, channel 0 also into
// buffer 2.
void LoadSamples(const DataFileContents& contents, int channelCount, MeasurementState& state) {
    const int ch = contents.info.channelCount;
    const int frames = contents.framesRead;
    std::vector<double> column(static_cast<std::size_t>(frames));
    for (int c = 0; c < ch; ++c) {
        for (int k = 0; k < frames; ++k) column[k] = contents.Sample(k, c);
        state.buffers[c].AppendBlock(column.data(), frames);
        if (c == 0 && channelCount > ch) state.buffers[2].AppendBlock(column.data(), frames);
    }
}

// The component a selected index may name: below count, and never negative.
int32_t LowerToCount(int32_t index, int count) {
    return index < count ? std::max(index, 0) : std::max(count - 1, 0);
}

}  // namespace

bool CPelmorDoc::ImportDataFile(const std::string& path, std::string* refusal) {
    auto refuse = [refusal](const char* why) {
        if (refusal) *refusal = why;
        return false;
    };
    if (!CanImportData()) return refuse("a measurement is running");
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    const DataFileLoad load = LoadDataFile(path, *contents, message);
    if (load == DataFileLoad::Unreadable || load == DataFileLoad::Rejected) {
        services.ui.ShowMessage(message);
        return refuse(load == DataFileLoad::Unreadable ? "the file cannot be read"
                                                       : "the file's header is invalid");
    }
    AdoptDataFile(path, *contents);
    if (load == DataFileLoad::Short) services.ui.ShowMessage(message);
    const bool analysed = contents->info.format == DataFormat::FullPrecision
                              ? AnalyseFullPrecisionFile(*contents)
                              : AnalyseTwelveBitFile(contents->framesRead);
    if (!analysed) return refuse("the import was stopped before the analysis");
    ShowWholeRecord();
    fitRequest |= kFitAllWindows;
    return true;
}

// The file's rate, period and channels become the document's, and its samples fill the buffers.
void CPelmorDoc::AdoptDataFile(const std::string& path, const DataFileContents& contents) {
    const DataFileInfo& info = contents.info;
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        naming.currentDataFileName = path;
    }
    dataFileTimeStamp = info.timeStamp;
    setup.sampleRate = info.sampleRate;
    setup.channelCount = info.channelCount;
    plotSetup.windows[kXYWindow].shown = 0;
    if (viewFlags) viewFlags->showXY = false;
    if (info.channelCount == 2 &&
        ImportQuestions().AskYesNo(Question::GenerateThirdChannel, kTwoChannelsQuestion))
        setup.channelCount = 3;
    setup.activeRecordingTime = static_cast<int>(info.recordingTime);
    setup.signalPeriod = info.signalPeriod;
    plotSetup.timeStep = std::clamp(info.signalPeriod, 0.05, 32.0);
    setup.samplesPerPeriod = static_cast<int>(info.signalPeriod * info.sampleRate + 0.5);
    // A recording made in simulation is shown with every mark of the simulation.
    simulatedFileShown_ = IsSimulatedTimeStamp(info.timeStamp);
    state.simulating = simulatedFileShown_ ? 1 : 0;
    bankExcitationShown_ = false;
    for (TraceBuffer& b : state.buffers) {
        b.Reset();
        b.SetSampleInterval(1.0 / info.sampleRate);
    }
    LoadSamples(contents, setup.channelCount, state);
}

// The file's excitation, names and calibration; false when the user stops at the coverage
// question.
bool CPelmorDoc::AnalyseFullPrecisionFile(const DataFileContents& contents) {
    const DataFileInfo& info = contents.info;
    for (int k = 0; k < info.channelNamesRead; ++k) setup.signalNames[k] = info.channelNames[k];
    if (setup.channelCount > info.channelCount) setup.signalNames[2] = setup.signalNames[0];
    activeExcitation = info.excitation;
    calculator.workingCalibration = info.calibration;
    calculator.ResetCalculator();
    const int f = ComponentCountOf(activeExcitation);
    calculator.SetFrequencies(activeExcitation.frequencyIndex, f, setup.signalPeriod);
    calculator.selectedFrequencyIndex = LowerToCount(calculator.selectedFrequencyIndex, f);
    if (calculator.CalibrationTablesDiffer() &&
        ImportQuestions().AskYesNo(Question::CalibrationDiffers, kCalibrationDiffersQuestion))
        calculator.workingCalibration = calculator.loadedCalibration;
    if (!calculator.PrepareCalibration(activeExcitation, ImportQuestions())) return false;
    FinishAnalysis();
    return true;
}

// The 12-bit path: the excitation of the bank's first signal with the file's period, then the
// periods one by one into the ensemble. False when the record is too short for analysis or the
// user stops at the coverage question; true also when the record is loaded but not analysed.
bool CPelmorDoc::AnalyseTwelveBitFile(int frames) {
    const double rate = setup.sampleRate;
    int seconds = static_cast<int>(frames / rate);
    int window = std::min(static_cast<int>(seconds * rate + 0.5), kMaxDataFileFrames);
    for (int k = 20; k >= 1; --k) {
        if ((1 << k) <= window) {
            window = 1 << k;
            seconds = static_cast<int>(window / rate + 0.5);
            break;
        }
    }
    if (seconds < 1) {
        services.ui.ShowMessage(
            "Duration is less than a second is not supported for the 12-bit file format.");
        return false;
    }
    // A window that is not a whole number of seconds (a rate that is not a power of two):
    // loaded and shown, not analysed.
    if (!(std::fabs(seconds - window / rate) < 0.001)) return true;
    calculator.ResetCalculator();
    const double period = setup.signalPeriod;
    if (std::fabs(excitationBank.period / period - 1) > 0.01)
        services.ui.ShowMessage(
            "Signal period does not match.\nThe period defined in the file will be used.\nThe "
            "frequencies will be changed accordindly.");
    const int count = ComponentCountOf(excitationBank, 0);
    calculator.SetFrequencies(excitationBank.frequencyIndex[0], count, period);
    ActiveExcitation& e = activeExcitation;
    e.definitionPoints = setup.samplesPerPeriod;
    e.period = period;
    e.componentCount = count;
    std::copy_n(excitationBank.frequencyIndex[0], kMaxComponents, e.frequencyIndex);
    std::fill_n(e.amplitude, kMaxComponents, 1.0);
    std::fill_n(e.phase, kMaxComponents, 0.0);
    e.selectedFrequencyIndex = LowerToCount(e.selectedFrequencyIndex, count);
    calculator.workingCalibration = calculator.loadedCalibration;
    if (!calculator.PrepareCalibration(activeExcitation, ImportQuestions())) return false;
    AnalysePeriods(frames);
    calculator.selectedFrequencyIndex = e.selectedFrequencyIndex;
    FinishAnalysis();
    return true;
}

// Every whole period of slots 0 and 1 into the ensemble sums, until a read fails.
void CPelmorDoc::AnalysePeriods(int frames) {
    const int p = setup.samplesPerPeriod;
    if (p <= 0) return;
    std::vector<double> a(static_cast<std::size_t>(p)), b(static_cast<std::size_t>(p));
    for (int k = 0; k < frames / p; ++k) {
        if (state.buffers[0].Window(0.0, p, k * p, a.data()) < 0 ||
            state.buffers[1].Window(0.0, p, k * p, b.data()) < 0)
            break;
        calculator.AnalyseBlock(p, a.data(), b.data(), kMethodEnsemble, p);
    }
}

void CPelmorDoc::FinishAnalysis() {
    AnalysisInputs in = Inputs();
    calculator.ComputeTrend(in, services.ui);
    BuildPrintHeader();
}

// The signal windows of the loaded slots show the whole record.
void CPelmorDoc::ShowWholeRecord() {
    const int n = std::clamp(setup.channelCount, 0, kMaxChannels);
    for (int c = 0; c < n; ++c) {
        const TraceBuffer& b = state.buffers[c];
        PlotWindow& w = plotSetup.windows[kSignalWindow0 + c];
        w.xmax = b.EndTime();
        w.xmin = w.xmax - b.Count() * b.SampleInterval();
    }
}

}  // namespace pelmor
