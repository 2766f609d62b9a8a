#include "document/RecordAnalysis.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/NumberFormat.h"
#include "device/SerialDriverFactory.h"
#include "document/CPelmorDoc.h"
#include "platform/Clock.h"
#include "platform/MemoryProfile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {

// Keeps every message and answers the import's questions as the setup says.
class RecordUserInterface : public UserInterface {
  public:
    explicit RecordUserInterface(const RecordAnalysisSetup& setup) : setup_(setup) {}
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(Question question, const std::string&) override {
        return RecordAnalysisAnswer(setup_, question);
    }
    std::vector<std::string> messages;

  private:
    const RecordAnalysisSetup& setup_;
};

class NoShell : public Shell {
  public:
    bool SetClipboardText(const std::string&) override { return false; }
    bool OpenInSpreadsheet(const std::string&, std::string& reason) override {
        reason = "no spreadsheet program in a file analysis";
        return false;
    }
    bool OpenHelp(const std::string&) override { return false; }
    std::string TempFolder() override { return "/tmp"; }
    std::string HomeFolder() override { return "/tmp"; }
    char DecimalSeparator() override { return '.'; }
};

// A message as one line: its line breaks become spaces.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    std::string out;
    for (char c : text)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

bool RecordAnalysisAnswer(const RecordAnalysisSetup& setup, Question question) {
    switch (question) {
        case Question::GenerateThirdChannel:
            return setup.generateThirdChannel;
        case Question::CalibrationDiffers:
            return setup.useLoadedCalibration;
        case Question::CalibrationIncomplete:
            return true;  // go on without calibration
        case Question::OptimiseCrestFactor:
        case Question::DiscardRecording:
        case Question::QuitWithStoredResults:
        case Question::ReopenSession:
            break;
    }
    return false;
}

void CPelmorDoc::UseRecordAnalysisSetup(const RecordAnalysisSetup& s) {
    excitationBank = s.excitationBank;
    calculator.loadedCalibration = s.loadedCalibration;
    calculator.workingCalibration = s.loadedCalibration;
    calculator.SetAveragingTime(s.averagingTime);
    breathing.flowScalingFactor = s.flowScalingFactor;
}

void CPelmorDoc::RestartRecordAnalysis(const ActiveExcitation& excitation, int selectedFrequency) {
    activeExcitation = excitation;
    calculator.selectedFrequencyIndex = selectedFrequency;
    calculator.workingCalibration = calculator.loadedCalibration;
}

RecordAnalysisSetup RecordAnalysisSetupOf(const CPelmorDoc& doc) {
    RecordAnalysisSetup s;
    s.excitationBank = doc.Bank();
    s.loadedCalibration = doc.Calculator().loadedCalibration;
    s.averagingTime = doc.Calculator().averagingTime;
    s.flowScalingFactor = doc.Breathing().flowScalingFactor;
    return s;
}

struct RecordAnalyser::Worker {
    explicit Worker(const RecordAnalysisSetup& s)
        : setup(s),
          state(std::make_unique<MeasurementState>()),
          ui(setup),
          doc(*state, DocumentServices{profile, ui, shell, clock, driver}) {
        doc.UseRecordAnalysisSetup(setup);
        freshExcitation = doc.ActiveSignal();
        freshSelection = doc.Calculator().selectedFrequencyIndex;
    }

    const RecordAnalysisSetup setup;
    std::unique_ptr<MeasurementState> state;
    MemoryProfile profile;
    RecordUserInterface ui;
    NoShell shell;
    SystemClock clock;
    NoDeviceSerialDriver driver;
    CPelmorDoc doc;
    ActiveExcitation freshExcitation;
    int32_t freshSelection = 0;
};

RecordAnalyser::RecordAnalyser(const RecordAnalysisSetup& setup)
    : worker_(std::make_unique<Worker>(setup)) {}

RecordAnalyser::~RecordAnalyser() = default;

RecordResult RecordAnalyser::Analyse(const std::string& path) {
    Worker& w = *worker_;
    CPelmorDoc& doc = w.doc;
    const ImpedanceCalculator& c = doc.Calculator();
    RecordResult out;
    out.spectrum.source = path;
    out.spectrum.label = WithoutFolder(path);
    // Every file starts from the same document: nothing of the previous file carries over.
    doc.RestartRecordAnalysis(w.freshExcitation, w.freshSelection);
    w.ui.messages.clear();

    std::string refusal;
    const bool imported = doc.ImportDataFile(path, &refusal);
    out.messages = w.ui.messages;
    if (doc.ShowsSimulatedFile()) out.spectrum.label += kSimulatedLabelMark;
    if (!imported) {
        out.reason = refusal;
        for (const std::string& m : out.messages) out.reason += ": " + OneLine(m);
        return out;
    }
    // The range the first signal window shows: the whole record after an import.
    const PlotWindow& shown = doc.Plots().windows[kSignalWindow0];
    if (doc.AnalyseInterval(shown.xmin, shown.xmax) != 0) {
        out.reason =
            Format("No whole excitation period lies within %lg ... %lg s.", shown.xmin, shown.xmax);
        return out;
    }
    const int n = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    out.spectrum.frequencies.assign(c.frequencyHz, c.frequencyHz + n);
    out.spectrum.R.assign(c.ensembleR, c.ensembleR + n);
    out.spectrum.X.assign(c.ensembleX, c.ensembleX + n);
    out.spectrum.coherence.assign(c.coherence, c.coherence + n);
    out.spectrum.timeStamp = doc.ImportedFileTimeStamp();
    out.from = c.intervalStart;
    out.to = c.intervalEnd;
    out.periods = c.periodsAccumulated;
    out.breathingRate = c.breathingRate;
    out.breathingVolume = c.breathingVolume;
    out.calibrated = c.calibrationOff == 0;
    out.analysed = true;
    return out;
}

CPelmorDoc& RecordAnalyser::Document() { return worker_->doc; }

RecordResult AnalyseRecord(const std::string& path, const RecordAnalysisSetup& setup) {
    RecordAnalyser analyser(setup);
    return analyser.Analyse(path);
}

std::vector<RecordResult> AnalyseRecords(const std::vector<std::string>& paths,
                                         const RecordAnalysisSetup& setup, int threads,
                                         const RecordProgress& progress,
                                         const std::atomic<bool>* cancel) {
    return AnalyseRecords(paths, setup, threads, progress, cancel, {});
}

std::vector<RecordResult> AnalyseRecords(const std::vector<std::string>& paths,
                                         const RecordAnalysisSetup& setup, int threads,
                                         const RecordProgress& progress,
                                         const std::atomic<bool>* cancel,
                                         const RecordFollowUp& followUp) {
    const int total = static_cast<int>(paths.size());
    std::vector<RecordResult> results(paths.size());
    if (total == 0) return results;
    if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::min(threads, total);

    std::mutex mutex;
    std::condition_variable changed;
    int next = 0, done = 0, running = threads;
    auto work = [&] {
        // A worker whose document cannot be made (memory) leaves its files to the others.
        std::unique_ptr<RecordAnalyser> analyser;
        try {
            analyser = std::make_unique<RecordAnalyser>(setup);
        } catch (const std::bad_alloc&) {
        }
        for (;;) {
            int k = 0;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (next >= total || (!analyser && running > 1)) break;
                k = next++;
            }
            RecordResult r;
            if (cancel && cancel->load()) {
                r.spectrum.source = paths[k];
                r.spectrum.label = WithoutFolder(paths[k]);
                r.reason = "cancelled";
            } else if (!analyser) {
                r.spectrum.source = paths[k];
                r.spectrum.label = WithoutFolder(paths[k]);
                r.reason = "not enough memory for the analysis";
            } else {
                r = analyser->Analyse(paths[k]);
                if (followUp) followUp(k, *analyser, r);
            }
            std::lock_guard<std::mutex> lock(mutex);
            results[k] = std::move(r);
            ++done;
            changed.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        changed.notify_all();
    };
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (int t = 0; t < threads; ++t) pool.emplace_back(work);
    {
        std::unique_lock<std::mutex> lock(mutex);
        int reported = 0;
        for (;;) {
            changed.wait(lock, [&] { return done != reported || running == 0; });
            if (done != reported) {
                reported = done;
                if (progress) {
                    lock.unlock();
                    progress(reported, total);
                    lock.lock();
                }
                continue;
            }
            if (running == 0) break;
        }
    }
    for (std::thread& t : pool) t.join();
    return results;
}

}  // namespace pelmor
