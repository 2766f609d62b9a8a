#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "analysis/BreathAnalysis.h"
#include "analysis/ImpedanceCalculator.h"
#include "core/MeasurementSetup.h"
#include "core/MeasurementState.h"
#include "core/PlotWindow.h"
#include "device/Acquisition.h"
#include "device/AcquisitionThread.h"
#include "document/DialogValues.h"
#include "excitation/ExcitationRecords.h"
#include "export/StoredImpedance.h"
#include "files/DataFile.h"
#include "files/FileNaming.h"

namespace pelmor {

class Clock;
class Profile;
class SerialDriver;
class Shell;
class UserInterface;
struct ExcitationContext;
struct ExcitationDefinition;
struct RecordAnalysisSetup;
struct SetupFileImage;

// The platform services the document works through. All must outlive the document.
struct DocumentServices {
    Profile& profile;
    UserInterface& ui;
    Shell& shell;
    Clock& clock;
    SerialDriver& driver;
};

// The four status-bar panes. Pane 0 is left to the frame's prompts when it has no value.
struct StatusTexts {
    std::optional<std::string> pane0;
    std::string pane1;
    std::string pane2;
    std::string pane3;
};

// The breathing-analysis limits and the flow scaling of the impedance window, with the flow
// direction of inspiration and the flow-limitation threshold of the breath-by-breath analysis
// (those two are kept in the profile's section "Breath analysis", never in setup files).
struct BreathingLimits {
    double flowScalingFactor = 1.0;
    double expirationMin = 0.0;
    double expirationMax = 10.0;
    double inspirationMin = 0.0;
    double inspirationMax = 10.0;
    int inspiratoryFlowSign = 1;
    double flowLimitationThreshold = 0.28;
};

// The display flags the update pipeline and the import read and change; they belong to the
// view.
struct ViewTickFlags {
    bool storedFullScreen = false;
    bool drewWhileRunning = false;
    bool showXY = true;  // the XY window; an import switches it off
};

// The single document: owns the measurement setup and every analysis object, and runs the
// measurement, excitation, calibration and file commands. Each command is a short function that
// hands the work to the subsystem that owns it. User-interface thread only, except the
// recording save step, which the acquisition thread runs.
class CPelmorDoc : public RecordingSink {
  public:
    // Loads the settings from the profile and derives the rate, the slots and the buffers'
    // sample interval.
    CPelmorDoc(MeasurementState& state, const DocumentServices& services);
    // Saves the settings (after stopping a measurement that still runs).
    ~CPelmorDoc() override;
    CPelmorDoc(const CPelmorDoc&) = delete;
    CPelmorDoc& operator=(const CPelmorDoc&) = delete;

  private:
    // --- state (clients read it through the accessors below) ---
    MeasurementState& state;
    MeasurementSetup setup;
    ExcitationBank excitationBank;
    ActiveExcitation activeExcitation;
    // Declared before the reference bound to it.
    std::unique_ptr<ImpedanceCalculator> calculatorStorage;
    ImpedanceCalculator& calculator;
    PlotSetup plotSetup;
    std::string printHeader;

  public:
    // --- what clients read ---
    // The trace buffers and the measurement flags the document runs on.
    const MeasurementState& State() const { return state; }
    // The measurement setup (Options, SetRecordingTime and the other single options, the start,
    // the import, OpenSetup).
    const MeasurementSetup& Setup() const { return setup; }
    // The generated or imported excitation signals, and the one the last start or import made
    // active.
    const ExcitationBank& Bank() const { return excitationBank; }
    const ActiveExcitation& ActiveSignal() const { return activeExcitation; }
    // The impedance analysis: frequencies, spectra, trend, calibration, display mode.
    const ImpedanceCalculator& Calculator() const { return calculator; }
    // The plot windows' ranges and rectangles, and the time step of the time keys.
    const PlotSetup& Plots() const { return plotSetup; }
    // The recorded-file naming, copied under namingMutex.
    FileNaming Naming() const;
    // The header lines of a printed page (the rate, the period and the frequencies).
    const std::string& PrintHeader() const { return printHeader; }
    int PrintHeaderLines() const { return printHeaderLines; }
    // The stored impedance collection ("Store", "Import from files").
    const StoredImpedance& Stored() const { return stored; }
    const DocumentServices& Services() const { return services; }

    // The bank signal the next measurement uses (SelectSignal, the excitation commands).
    int SelectedSignal() const { return selectedSignal; }
    // The breathing limits and flow scaling (ApplyZDisplayOptions).
    const BreathingLimits& Breathing() const { return breathing; }
    // The next or last recording's path, taken under namingMutex.
    std::string NameBeingWritten() const;
    // The time stamp of the imported data file ("" when none).
    const std::string& ImportedFileTimeStamp() const { return dataFileTimeStamp; }
    // The open setup file ("" when none; SaveSetup, OpenSetup, NewSetup) and whether the setup
    // changed since it was opened or saved (MarkModified).
    const std::string& SetupPath() const { return setupPath; }
    bool Modified() const { return modified; }
    // The flags of the view that shows the document (the import changes them); nullptr when no
    // view shows it. The view sets itself and takes itself off before it goes.
    void SetView(ViewTickFlags* flags) { viewFlags = flags; }
    ViewTickFlags* View() const { return viewFlags; }

    bool MeasurementRunning() const { return state.measurementRunning.load() != 0; }
    // The simulation runs in place of a device.
    bool Simulating() const { return MeasurementRunning() && state.simulating.load() != 0; }
    // The buffers hold simulated data (from the simulation's start to the next start or import).
    bool ShowsSimulatedData() const { return state.simulating.load() != 0; }
    // The data shown come from a file recorded in simulation (until the next start or import):
    // the window names the simulation as while it runs.
    bool ShowsSimulatedFile() const { return simulatedFileShown_ && !MeasurementRunning(); }
    // What the view fits its scales to once, the next time it draws (when the user keeps
    // fitting to new data): the impedance window's frequency axis to the active frequencies
    // (a start with other frequencies), or every window to its data (an import, a recording).
    enum FitRequest : int { kFitNothing = 0, kFitFrequencyAxis = 1, kFitAllWindows = 3 };
    int PendingFit() const { return fitRequest; }
    // The request, which is then cleared: the view fits its scales once.
    int TakeFitRequest();
    // The view asks for a fit of its own (the next time it draws).
    void RequestFit(int request) { fitRequest |= request; }
    // The X and Y slots of the XY window, brought into the measured slots wherever they came
    // from (profile, setup file, dialog).
    int XSlot() const { return ClampSlotIndex(setup.xChannelIndex, setup.channelCount); }
    bool RecordingActive() const { return state.recordingState.load() != 0; }

    // --- settings ---
    void LoadSettings();
    void SaveSettings();

    // --- measurement control ---
    // mode 0 normal, 1 tracking. 1 when the user declined at the calibration question.
    int StartMeasurement(int mode);
    void ApplyMeasurementSetup();
    // "Start in tracking mode": the frequency choice, then the start. False on Cancel.
    bool StartTracking();
    void Record();
    void Space();
    void Stop();
    // Ctrl+F: band-pass slots 0 and 1 and recompute the trend.
    void Filter();
    // The 100 ms update; true when the view must be redrawn.
    bool OnTimerTick(ViewTickFlags& view, StatusTexts& status);
    StatusTexts UpdateStatusText();
    // The frame asks before closing: false (with the message) while a measurement runs, and
    // when the user keeps stored results that were never copied or exported.
    bool CanCloseFrame();

    // --- enabling rules ---
    bool CanStart() const { return !MeasurementRunning(); }
    bool CanStop() const { return MeasurementRunning(); }
    bool CanRecord() const { return MeasurementRunning() && !RecordingActive(); }
    bool CanChangeSetup() const { return !MeasurementRunning(); }
    bool CanExportData() const;
    bool CanImportData() const { return !MeasurementRunning(); }
    bool CanSetFileName() const { return !RecordingActive(); }
    bool CanOpenSetup() const { return !MeasurementRunning(); }
    bool CanSelectNextExcitation() const;
    bool CanSelectPreviousExcitation() const;

    // --- options (DocumentOptions.cpp) ---
    // The Options dialog's values: the setup's and the bank's scaling.
    OptionsValues Options() const;
    // Checks values as the Options dialog does; values that pass go to the setup and the bank
    // (and an open setup file is marked modified), otherwise nothing changes and the first
    // refused field is returned.
    std::optional<FieldProblem> ApplyOptions(const OptionsValues& values);
    // Single options with the same checks (the command line's record options). An open setup
    // file is marked modified. The recording time's range message when refused.
    std::optional<std::string> SetRecordingTime(int seconds);
    void SetSampleRateIndex(int index);
    void SetDataBits(int bits);
    // The measured channels (bit 7 is channel 1) and their slots; false for an empty mask.
    bool SetChannelMask(int mask);
    // The bank signal (0-based) the next measurement uses; false outside the bank.
    bool SelectSignal(int signal);
    // The impedance display options the document keeps (the plot styles are the view's).
    ZDisplayValues ZDisplayOptions() const;
    // Checks values as the impedance display dialog does; values that pass go to the calculator
    // and the breathing limits, and the trend is computed again. The first refused field
    // otherwise, with nothing changed.
    std::optional<FieldProblem> ApplyZDisplayOptions(const ZDisplayValues& values);
    // The impedance window's trend frequency (a position in the active frequencies, brought into
    // them), then the trend again: the frequency keys and the command line's --frequency.
    void SelectTrendFrequency(int index);

    // --- the view's state the document keeps ---
    // The plot windows as the view changed them (zoom, pan, the time keys, the scaling
    // commands, the selection, where it drew them). The time step stays the document's.
    void SetPlotWindows(const std::array<PlotWindow, kPlotWindowCount>& windows);
    void SetPlotWindow(int index, const PlotWindow& window);
    // The impedance window shows the trend (true) or the spectrum. Kept in the setup file; the
    // trend is not computed again here.
    void SetTrendDisplay(bool trend);
    // The impedance window's time-window analysis over [fromSeconds, toSeconds] of the loaded or
    // measured data (fromSeconds below 0 counts from 0): the interval spectrum and the breathing
    // estimate. Not 0 when no whole excitation period lies within.
    int AnalyseInterval(double fromSeconds, double toSeconds);
    // What the impedance window shows, analysed again after it changed (the view runs it before
    // it redraws; drawing only reads the results). While no measurement runs: with the trend
    // shown, the trend frequency brought into the active frequencies and the breaths of the
    // offline trend; otherwise the interval spectrum of the span the first signal window shows.
    void UpdateDisplayedAnalysis();
    // Whether that interval spectrum holds a complete period.
    bool DisplayedIntervalAnalysed() const { return displayedIntervalAnalysed_; }
    // The breaths of the record as that analysis found them.
    const BreathAnalysis& DisplayedBreaths() const { return displayedBreaths_; }
    // The breath-by-breath analysis of the loaded or measured record: the within-breath
    // estimates at the excitation frequency nearest targetHz (without it, the low outcome
    // frequency f_L of the settings), then the breaths over the slot-2 samples. The estimates
    // are kept for the next call while the trend, the flow sign and scaling and the frequency
    // stay as they were, so that a redraw does not estimate again.
    BreathAnalysis RecordBreaths(const BreathSettings& settings,
                                 std::optional<double> targetHz = std::nullopt);

    // --- excitation and calibration commands ---
    void SelectNextExcitation();
    void SelectPreviousExcitation();
    // "Generate excitation signals" with the definition the user accepted: the bank's signals,
    // the selected one shown in the status bar until a start. Refused while a measurement runs.
    void GenerateExcitations(const ExcitationDefinition& definition);
    bool ImportExcitation(const std::string& path);
    // The bank's excitations were generated, imported or another one was selected: the status
    // bar shows the selected one until a start or an import makes another active.
    void ExcitationChanged();
    std::string CopyExcitationText() const;
    bool ImportCalibration(const std::string& path);
    std::string CopyCalibrationText() const;
    // "Copy calibration data": the table through the clipboard hand-off, with the user's
    // decimal separator as every other table. (The excitation copy keeps points: its lines
    // must read back through the waveform-file import.)
    bool CopyCalibration();

    // The analysis inputs of the measurement in progress or the loaded file.
    AnalysisInputs Inputs() {
        return MakeAnalysisInputs(setup, state, breathing.flowScalingFactor);
    }

    // Blocks until the acquisition thread has ended (tests, the CLI and shutdown).
    void WaitForMeasurementEnd();
    // Takes over what the acquisition thread's save step left for the user-interface thread
    // (the excitation signal the next measurement uses). Run by the timer tick, the start,
    // the selection commands and WaitForMeasurementEnd.
    void TakeAcquisitionResults();

    // --- recorded files (DocumentRecording.cpp) ---
    // The acquisition thread's save step: names the file (asking for a base name first when
    // none was chosen) and writes it. A file that cannot be written is reported and the
    // save-options dialog offered again until it is written or the user lets the data go.
    // 0 when written, 1 when the user discarded the recording.
    int SaveRecording(const Recording& recording) override;
    // "Set filename": the save-options dialog, then the base name from it. False on Cancel and
    // while a recording is active.
    bool SetFileName();
    // The base name from a folder and a title; the next recording gets the first free number.
    bool SetFileName(const std::string& folder, const std::string& title);
    // The current data file (the last written or imported), with its folder.
    std::string CurrentDataFile() const;
    // The title the save-options dialog proposes from now on ("" for the one it kept last);
    // when it changes, the next recording asks for its name again.
    void ProposeRecordingTitle(const std::string& title);
    // The recordings written since the last call, in order.
    struct WrittenRecording {
        std::string path;
        bool simulated = false;  // made in simulation
    };
    std::vector<WrittenRecording> TakeWrittenRecordings();

    // --- data import and export (DocumentImport.cpp, DocumentDataExport.cpp) ---
    // Loads a data file into the trace buffers and reruns the analysis over it. False (with
    // the reason in refusal) when the file was refused or the user stopped before the analysis.
    bool ImportDataFile(const std::string& path, std::string* refusal = nullptr);

    // --- tables and the stored impedance collection ---
    bool CanStore(bool storedFullScreen) const;
    // "Store": the displayed impedance result into the collection.
    bool StoreImpedance();
    // "Import from files": each file's whole-record result into the collection.
    int ImportFromFiles(const std::vector<std::string>& paths);
    // "Copy impedance data" / "Open impedance data in Spreadsheet".
    bool HandOutImpedanceData(bool toSpreadsheet);
    // "Copy" / "Open in Spreadsheet" of the impedance window: the breath table while the trend is
    // shown and no measurement runs, otherwise the impedance data table.
    bool HandOutImpedanceWindowData(bool toSpreadsheet);
    // The breath-by-breath analysis settings from the limits above.
    BreathSettings BreathAnalysisSettings() const;
    // "Copy stored data" / "Open stored data in Spreadsheet".
    bool HandOutStoredData(bool toSpreadsheet);
    // The stored impedance window's commands on the collection.
    void ClearStored();
    void SelectNextStored();
    void SelectPreviousStored();
    void ToggleStoredMarked();
    void DeleteSelectedStored();
    // The marked results went out in something other than a table (a written report).
    void MarkStoredHandedOut();
    // Tests only: results made up field by field, which no command of the program stores.
    StoredImpedance& StoredForTesting() { return stored; }
    // Tests and benchmarks only: an analysis made up value by value (a trend no recording gives).
    ImpedanceCalculator& CalculatorForTesting() { return calculator; }

    // The baseline of the outcomes: the marked stored results as they were at "Use as
    // baseline"; none until then and after "Clear baseline".
    const std::optional<std::vector<StoredResult>>& OutcomeBaseline() const {
        return outcomeBaseline;
    }
    void UseMarkedAsOutcomeBaseline();
    void ClearOutcomeBaseline() { outcomeBaseline.reset(); }
    // An open test session's results: the collection becomes these (at most kCapacity, the
    // last selected) and the baseline the given one (none clears it).
    void ShowSessionResults(const std::vector<StoredResult>& results,
                            std::optional<std::vector<StoredResult>> baseline);
    // Writes the samples of [fromSeconds, toSeconds] of every slot to a data file whose format
    // the extension chooses (".inp" 12 bits, anything else full precision). True when written.
    bool ExportData(const std::string& path, double fromSeconds, double toSeconds);
    // The same for the range the first signal window shows.
    bool ExportData(const std::string& path);
    // Whether the range the first signal window shows holds a whole excitation period; says
    // "At least one period must be selected." when it does not (asked before the file dialog).
    bool CheckExportRange();

    // --- a record analysis's own document (RecordAnalysis.cpp) ---
    // Takes the user document's setup a record analysis carries: the bank, the loaded
    // calibration (also as the working one), the averaging time and the flow scaling (unchecked).
    void UseRecordAnalysisSetup(const RecordAnalysisSetup& setup);
    // Before each file, so that nothing of the previous one carries over: the active excitation
    // and the selected frequency as given, the loaded calibration as the working one.
    void RestartRecordAnalysis(const ActiveExcitation& excitation, int selectedFrequency);

    // --- setup files (DocumentSetupFile.cpp) ---
    bool SaveSetup(const std::string& path);
    // Refused while a measurement runs; a file that cannot be read whole changes nothing.
    bool OpenSetup(const std::string& path);
    // Keeps the setup and drops the file association.
    void NewSetup();
    SetupFileImage MakeSetupImage() const;
    void ApplySetupImage(const SetupFileImage& image);

    // Called when the document's setup changes while a setup file is open.
    void MarkModified();

  private:
    const DocumentServices services;
    int fitRequest = kFitNothing;
    // Recorded-file naming. The acquisition thread's save step and the user-interface thread
    // both use it: read and change it only under namingMutex.
    FileNaming naming;
    mutable std::mutex namingMutex;
    int printHeaderLines = 0;
    // Declared before the reference bound to it.
    std::unique_ptr<StoredImpedance> storedStorage;
    StoredImpedance& stored;
    int selectedSignal = 0;
    BreathingLimits breathing;
    std::string nameBeingWritten;                     // under namingMutex
    std::string proposedTitle;                        // under namingMutex
    std::vector<WrittenRecording> writtenRecordings;  // under namingMutex
    std::string lastWrittenFile;  // the last recording actually written ("" when none)
    std::string dataFileTimeStamp;
    std::string setupPath;
    bool modified = false;
    ViewTickFlags* viewFlags = nullptr;
    std::optional<std::vector<StoredResult>> outcomeBaseline;
    // The signal selected after a saved recording, -1 when there is none to take over.
    std::atomic<int> signalAfterRecording{-1};
    // Set by the save step when a recording ended; the user-interface thread then shows the
    // whole record (TakeAcquisitionResults).
    std::atomic<int> recordingEnded{0};

    void BuildPrintHeader();
    // The excitation state and services the excitation commands work on.
    ExcitationContext ExcitationCommandContext();
    // Recording helpers.
    bool ChooseBaseName(int dataBits);
    bool ChooseBaseNameOrDiscard(int dataBits);
    bool WriteRecording(const Recording& recording, int dataBits, std::string& path,
                        std::string& message);
    // Import helpers.
    void AdoptDataFile(const std::string& path, const DataFileContents& contents);
    bool AnalyseFullPrecisionFile(const DataFileContents& contents);
    bool AnalyseTwelveBitFile(int frames);
    void AnalysePeriods(int frames);
    void FinishAnalysis();
    void ShowWholeRecord();
    // Export helper.
    bool ExportSpan(double fromSeconds, double toSeconds, double& t0, double& t1);
    // Where the import asks its per-file questions: the batch import's "to all" answers while
    // one runs, the user otherwise.
    UserInterface& ImportQuestions() { return importQuestions_ ? *importQuestions_ : services.ui; }
    AcquisitionThread thread_;
    bool activityShown_ = false;
    bool simulatedFileShown_ = false;
    bool bankExcitationShown_ = false;
    UserInterface* importQuestions_ = nullptr;
    bool displayedIntervalAnalysed_ = false;
    BreathAnalysis displayedBreaths_;
    // What RecordBreaths estimated last, and from what.
    struct EstimatesKey {
        int32_t trendGeneration = -1;
        double targetHz = 0, flowScalingFactor = 0, sampleRate = 0;
        int inspiratoryFlowSign = 0;
        bool operator==(const EstimatesKey&) const = default;
    };
    EstimatesKey estimatesKey_;
    std::unique_ptr<RecordEstimates> recordEstimates_;
};

// "T=%lg s, f=1,2,3" and the like: the frequencies of a list, each "%lg", separated by ",".
std::string JoinFrequencies(const double* hz, int count);

// The part of a name after its last backslash or slash, unless that is its first character.
std::string WithoutFolder(const std::string& name);

}  // namespace pelmor
