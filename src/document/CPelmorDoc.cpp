#include "document/CPelmorDoc.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "analysis/Outcomes.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "excitation/ExcitationContext.h"
#include "excitation/ExcitationFile.h"
#include "excitation/ExcitationSelection.h"
#include "excitation/Multisine.h"
#include "export/OutcomeTables.h"
#include "export/TextHandoff.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/UserInterface.h"

namespace pelmor {

std::string JoinFrequencies(const double* hz, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i) text += ",";
        text += Format("%lg", hz[i]);
    }
    return text;
}

std::string WithoutFolder(const std::string& name) {
    const auto pos = name.find_last_of("\\/");
    if (pos == std::string::npos || pos == 0) return name;
    return name.substr(pos + 1);
}

CPelmorDoc::CPelmorDoc(MeasurementState& measurementState, const DocumentServices& s)
    : state(measurementState),
      calculatorStorage(std::make_unique<ImpedanceCalculator>()),
      calculator(*calculatorStorage),
      services(s),
      storedStorage(std::make_unique<StoredImpedance>()),
      stored(*storedStorage) {
    ResetExcitationBank(excitationBank, activeExcitation);
    SetFactoryRanges(plotSetup);
    LoadSettings();
    DeriveRate(setup);
    for (TraceBuffer& b : state.buffers) b.SetSampleInterval(1.0 / setup.sampleRate);
    CountChannels(setup.channelMask, setup, state);
    state.measurementRunning = 0;
    state.stopRequested = 0;
}

CPelmorDoc::~CPelmorDoc() {
    if (MeasurementRunning()) state.stopRequested = 1;
    thread_.Join();
    SaveSettings();
}

void CPelmorDoc::MarkModified() {
    if (!setupPath.empty()) modified = true;
}

std::string CPelmorDoc::NameBeingWritten() const {
    std::lock_guard<std::mutex> lock(namingMutex);
    return nameBeingWritten;
}

FileNaming CPelmorDoc::Naming() const {
    std::lock_guard<std::mutex> lock(namingMutex);
    return naming;
}

int CPelmorDoc::TakeFitRequest() { return std::exchange(fitRequest, kFitNothing); }

void CPelmorDoc::SetPlotWindows(const std::array<PlotWindow, kPlotWindowCount>& windows) {
    plotSetup.windows = windows;
}

void CPelmorDoc::SetPlotWindow(int index, const PlotWindow& window) {
    if (index >= 0 && index < kPlotWindowCount) plotSetup.windows[index] = window;
}

void CPelmorDoc::SetTrendDisplay(bool trend) { calculator.zTrendDisplay = trend ? 1 : 0; }

int CPelmorDoc::AnalyseInterval(double fromSeconds, double toSeconds) {
    AnalysisInputs in = Inputs();
    return calculator.AnalyseInterval(in, std::max(fromSeconds, 0.0), toSeconds);
}

void CPelmorDoc::UpdateDisplayedAnalysis() {
    if (MeasurementRunning()) return;
    const int fc = std::clamp(calculator.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    if (calculator.zTrendDisplay != 0) {
        if (calculator.selectedFrequencyIndex >= fc)
            calculator.selectedFrequencyIndex = std::max(fc - 1, 0);
        displayedBreaths_ = calculator.offlineTrendCount > 0
                                ? RecordBreaths(BreathAnalysisSettings())
                                : BreathAnalysis{};
        return;
    }
    const PlotWindow& w0 = plotSetup.windows[kSignalWindow0];
    displayedIntervalAnalysed_ =
        AnalyseInterval(w0.xmin, w0.xmax) == 0 && calculator.periodsAccumulated > 0;
}

BreathAnalysis CPelmorDoc::RecordBreaths(const BreathSettings& settings,
                                         std::optional<double> targetHz) {
    const double target = targetHz ? *targetHz : LoadOutcomeSettings(services.profile).lowHz;
    const EstimatesKey key{calculator.trendGeneration, target, breathing.flowScalingFactor,
                           setup.sampleRate, settings.inspiratoryFlowSign < 0 ? -1 : 1};
    if (!recordEstimates_ || !(key == estimatesKey_)) {
        recordEstimates_ = std::make_unique<RecordEstimates>(
            EstimateRecord(calculator, Inputs(), target, key.inspiratoryFlowSign));
        estimatesKey_ = key;
    }
    return AnalyseEstimatedBreaths(*recordEstimates_, settings);
}

void CPelmorDoc::UseMarkedAsOutcomeBaseline() { outcomeBaseline = MarkedStoredResults(stored); }

// ---------------------------------------------------------------- measurement control

void CPelmorDoc::ApplyMeasurementSetup() {
    TakeAcquisitionResults();
    bankExcitationShown_ = false;
    setup.activeRecordingTime = setup.recordingTime;
    CopySignalToActive(excitationBank, selectedSignal, activeExcitation);
    DeriveRate(setup);
    const double period = activeExcitation.period;
    setup.signalPeriod = period;
    plotSetup.timeStep = std::clamp(period, 0.05, 32.0);
    setup.samplesPerPeriod = static_cast<int>(setup.sampleRate * period + 0.5);
    calculator.selectedFrequencyIndex = activeExcitation.selectedFrequencyIndex;
    calculator.SetFrequencies(activeExcitation.frequencyIndex, ComponentCountOf(activeExcitation),
                              period);
    const int n = std::clamp(setup.channelCount, 0, kMaxChannels);
    for (int c = 0; c < n; ++c) {
        state.buffers[c].SetSampleInterval(1.0 / setup.sampleRate);
        state.buffers[c].Reset();
        setup.signalNames[c] = setup.channelNames[c];
    }
}

void CPelmorDoc::BuildPrintHeader() {
    printHeader =
        Format("Sample rate=%lg Hz, signal period=%lg s", setup.sampleRate, setup.signalPeriod) +
        "\nf=" + JoinFrequencies(calculator.frequencyHz, calculator.frequencyCount) + " Hz";
    printHeaderLines = 2;
}

int CPelmorDoc::StartMeasurement(int mode) {
    if (MeasurementRunning()) return 0;
    {
        std::lock_guard<std::mutex> lock(namingMutex);
        naming.currentDataFileName.clear();
    }
    dataFileTimeStamp.clear();
    state.ResetAllBuffers();
    state.simulating = 0;
    simulatedFileShown_ = false;
    const std::vector<double> previousFrequencies(
        calculator.frequencyHz,
        calculator.frequencyHz +
            std::clamp(calculator.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies));
    ApplyMeasurementSetup();
    if (!std::equal(previousFrequencies.begin(), previousFrequencies.end(), calculator.frequencyHz,
                    calculator.frequencyHz + calculator.frequencyCount))
        fitRequest |= kFitFrequencyAxis;
    calculator.workingCalibration = calculator.loadedCalibration;
    if (!calculator.PrepareCalibration(activeExcitation, services.ui)) return 1;
    setup.measurementMode = mode;
    if ((setup.channelMask & 0xFF) == 0) {
        services.ui.ShowMessage("No channels are selected");
        return 0;
    }
    calculator.ResetCalculator();
    BuildExcitationTable(excitationBank, activeExcitation, setup.measurementMode,
                         state.excitationTable);
    BuildPrintHeader();
    setup.decimation = DecimationForIndex(setup.sampleRateIndex);
    state.measurementRunning = 1;
    thread_.Start(AcquisitionParameters::FromSetup(setup),
                  AcquisitionContext{state, services.driver, services.ui, services.clock, *this});
    return 0;
}

bool CPelmorDoc::StartTracking() {
    if (MeasurementRunning()) return false;
    ApplyMeasurementSetup();
    ExcitationFrequencyChoice choice = PrepareFrequencyChoice(excitationBank, activeExcitation);
    const int chosen = services.ui.ChooseExcitationFrequency(
        choice.frequencies, choice.frequencyCount, choice.selection);
    if (chosen < 0 || chosen >= choice.frequencyCount) return false;
    activeExcitation.selectedFrequencyIndex = chosen;
    // The start copies the signal from the bank again; the choice is kept there.
    StartMeasurement(1);
    return true;
}

void CPelmorDoc::Record() {
    if (!CanRecord()) return;
    state.recordedFrames = 0;
    state.targetFrames = static_cast<int32_t>(setup.activeRecordingTime * setup.sampleRate);
    state.recordingState = 1;
    state.recordingStartTime = services.clock.CalendarSeconds();
}

void CPelmorDoc::Space() {
    if (!MeasurementRunning())
        StartMeasurement(0);
    else if (!RecordingActive())
        Record();
    else
        state.recordingState = 2;
}

void CPelmorDoc::Stop() {
    if (MeasurementRunning()) state.stopRequested = 1;
}

void CPelmorDoc::Filter() {
    AnalysisInputs in = Inputs();
    calculator.BandPassChannels(in, services.ui);
}

void CPelmorDoc::WaitForMeasurementEnd() {
    thread_.Join();
    TakeAcquisitionResults();
}

void CPelmorDoc::TakeAcquisitionResults() {
    if (MeasurementRunning()) return;
    const int next = signalAfterRecording.exchange(-1);
    if (next >= 0) selectedSignal = next;
    // After a recording the windows show the whole record, not the last page of it, so the
    // impedance window analyses the recording.
    if (recordingEnded.exchange(0) != 0) {
        ShowWholeRecord();
        fitRequest |= kFitAllWindows;
    }
}

bool CPelmorDoc::OnTimerTick(ViewTickFlags& view, StatusTexts& status) {
    TakeAcquisitionResults();
    status = UpdateStatusText();
    if (MeasurementRunning()) {
        view.storedFullScreen = false;
        AnalysisInputs in = Inputs();
        calculator.AnalyseLatestPeriod(in, 0, 1);
        return true;
    }
    if (view.drewWhileRunning) {
        view.drewWhileRunning = false;
        // The status of this tick was taken above; taking it again would lose its "Ready".
        AnalysisInputs in = Inputs();
        calculator.ComputeTrend(in, services.ui);
        return true;
    }
    return false;
}

StatusTexts CPelmorDoc::UpdateStatusText() {
    StatusTexts s;
    std::string text;
    if (MeasurementRunning()) {
        text = RecordingActive() ? "Recording..." : "Sampling...";
        s.pane0 = text;
        activityShown_ = true;
    } else if (activityShown_) {
        text = "Ready";
        s.pane0 = text;
        activityShown_ = false;
    }
    std::unique_lock<std::mutex> lock(namingMutex);
    const std::string current = naming.currentDataFileName;
    const std::string lastFile = lastWrittenFile;
    lock.unlock();
    const std::string lastFileText =
        lastFile.empty() ? std::string() : "Last file: " + WithoutFolder(lastFile) + " | ";
    if (bankExcitationShown_ && !MeasurementRunning()) {
        // A generated, imported or newly selected excitation shows before it is started.
        const int sel = std::clamp(selectedSignal, 0, kMaxSignals - 1);
        const double period = excitationBank.period;
        std::vector<double> hz;
        for (int i = 0; i < ComponentCountOf(excitationBank, sel); ++i)
            hz.push_back(excitationBank.frequencyIndex[sel][i] / period);
        text = lastFileText + Format("T=%lg s", period);
        if (!hz.empty()) text += ", f=" + JoinFrequencies(hz.data(), static_cast<int>(hz.size()));
    } else if (setup.signalPeriod > 0) {
        text = lastFileText + Format("T=%lg s", setup.signalPeriod);
        if (calculator.frequencyCount != 0)
            text += ", f=" + JoinFrequencies(calculator.frequencyHz, calculator.frequencyCount);
    }
    s.pane1 = text;
    s.pane2 = stored.count > 0 ? Format("Stored samples:%d", stored.count) : std::string();
    s.pane3 = WithoutFolder(current);
    return s;
}

bool CPelmorDoc::CanCloseFrame() {
    if (MeasurementRunning()) {
        services.ui.ShowMessage("Please stop the measurement before closing the application.");
        return false;
    }
    // The stored collection lives only in memory: results nobody took out would be lost.
    const int notHandedOut = stored.NotHandedOutCount();
    if (notHandedOut > 0 &&
        !services.ui.AskYesNoDefaultNo(
            Question::QuitWithStoredResults,
            Format("%d stored results have not been copied or exported. Quit anyway?",
                   notHandedOut)))
        return false;
    return true;
}

bool CPelmorDoc::CanExportData() const {
    return !MeasurementRunning() && state.buffers[0].Count() > 0;
}

// ---------------------------------------------------------------- excitation and calibration

bool CPelmorDoc::CanSelectNextExcitation() const {
    return pelmor::CanSelectNextExcitation(excitationBank, selectedSignal, MeasurementRunning());
}

bool CPelmorDoc::CanSelectPreviousExcitation() const {
    return pelmor::CanSelectPreviousExcitation(selectedSignal, MeasurementRunning());
}

void CPelmorDoc::SelectNextExcitation() {
    TakeAcquisitionResults();
    if (!CanSelectNextExcitation()) return;
    pelmor::SelectNextExcitation(excitationBank, selectedSignal);
    ExcitationChanged();
}

void CPelmorDoc::SelectPreviousExcitation() {
    TakeAcquisitionResults();
    if (!CanSelectPreviousExcitation()) return;
    pelmor::SelectPreviousExcitation(selectedSignal);
    ExcitationChanged();
}

ExcitationContext CPelmorDoc::ExcitationCommandContext() {
    return ExcitationContext{excitationBank, selectedSignal, services.profile,
                             services.ui,    services.clock, [this] { MarkModified(); }};
}

void CPelmorDoc::GenerateExcitations(const ExcitationDefinition& definition) {
    if (MeasurementRunning()) return;
    ExcitationContext ctx = ExcitationCommandContext();
    pelmor::GenerateExcitations(ctx, definition);
    ExcitationChanged();
}

bool CPelmorDoc::ImportExcitation(const std::string& path) {
    if (MeasurementRunning()) return false;
    ExcitationContext ctx = ExcitationCommandContext();
    const bool ok = pelmor::ImportExcitation(ctx, path);
    setup.excitationFolder = FolderOf(path);
    if (ok) ExcitationChanged();
    return ok;
}

void CPelmorDoc::ExcitationChanged() { bankExcitationShown_ = true; }

std::string CPelmorDoc::CopyExcitationText() const { return ExcitationText(excitationBank); }

bool CPelmorDoc::ImportCalibration(const std::string& path) {
    if (MeasurementRunning()) return false;
    const bool ok = calculator.ImportCalibration(path, services.ui);
    setup.calibrationFolder = FolderOf(path);
    if (ok) MarkModified();
    return ok;
}

std::string CPelmorDoc::CopyCalibrationText() const { return calculator.CopyCalibration(); }

bool CPelmorDoc::CopyCalibration() {
    return CopyTextToClipboard(CopyCalibrationText(), services.shell);
}

}  // namespace pelmor
