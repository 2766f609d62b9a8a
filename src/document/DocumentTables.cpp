// The document's table hand-offs and the stored impedance collection.
#include <algorithm>
#include <map>

#include "document/CPelmorDoc.h"
#include "export/ImpedanceTables.h"
#include "platform/Clock.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor {

namespace {
ImpedanceTableSource TableSource(const CPelmorDoc& doc) {
    return {doc.Calculator(), doc.State(), doc.Setup().measurementMode,
            doc.Setup().samplesPerPeriod};
}

// The per-file questions of a batch import: each is asked with "Yes to All" and "No to All"
// besides Yes and No, and an answer given for all answers the same question (by its name) for
// the remaining files without asking. Everything else goes to the user as usual.
class BatchQuestions : public UserInterface {
  public:
    explicit BatchQuestions(UserInterface& user) : user_(user) {}
    void ShowMessage(const std::string& text) override { user_.ShowMessage(text); }
    bool AskYesNo(Question question, const std::string& text) override {
        if (auto it = forAll_.find(question); it != forAll_.end()) return it->second;
        switch (user_.AskYesNoForAll(question, text)) {
            case BatchAnswer::YesToAll:
                forAll_[question] = true;
                return true;
            case BatchAnswer::NoToAll:
                forAll_[question] = false;
                return false;
            case BatchAnswer::Yes:
                return true;
            case BatchAnswer::No:
                break;
        }
        return false;
    }
    bool AskYesNoDefaultNo(Question question, const std::string& text) override {
        return user_.AskYesNoDefaultNo(question, text);
    }
    void ShowStatus(const std::string& text) override { user_.ShowStatus(text); }
    void SetBusy(bool busy) override { user_.SetBusy(busy); }

  private:
    UserInterface& user_;
    std::map<Question, bool> forAll_;
};
}  // namespace

bool CPelmorDoc::CanStore(bool storedFullScreen) const {
    return stored.CanStore(MeasurementRunning(), state.buffers[0].Count() > 0,
                           calculator.zTrendDisplay != 0, storedFullScreen);
}

bool CPelmorDoc::StoreImpedance() {
    // A result of the running measurement has no file behind it, whatever was imported before.
    const std::string source = MeasurementRunning() ? std::string() : CurrentDataFile();
    const std::string label =
        StoredLabel(CurrentDataFile(),
                    services.clock.FormatLocalTime(kStoredTimeFormat, state.recordingStartTime),
                    calculator.intervalStart, calculator.intervalEnd, ShowsSimulatedData());
    const bool ok = stored.Store(calculator, label, services.ui, source,
                                 MeasurementRunning() ? std::string() : ImportedFileTimeStamp());
    UpdateStatusText();
    return ok;
}

int CPelmorDoc::ImportFromFiles(const std::vector<std::string>& paths) {
    if (!stored.CanImportBatch(MeasurementRunning())) return 0;
    auto importOne = [this](const std::string& path) {
        ImportOutcome outcome;
        std::string refusal;
        if (!ImportDataFile(path, &refusal)) {
            outcome.accepted = false;
            outcome.reason = refusal;
            return outcome;
        }
        AnalysisInputs in = Inputs();
        if (calculator.AnalyseInterval(in, 0, 0) != 0) {
            outcome.accepted = false;
            outcome.reason = "no whole excitation period to analyse";
            return outcome;
        }
        outcome.accepted = true;
        outcome.simulated = ShowsSimulatedData();
        outcome.timeStamp = ImportedFileTimeStamp();
        return outcome;
    };
    BatchQuestions questions(services.ui);
    importQuestions_ = &questions;
    struct Restore {
        UserInterface*& questions;
        ~Restore() { questions = nullptr; }
    } restore{importQuestions_};
    const int storedCount =
        stored.ImportBatch(paths, calculator, activeExcitation, importOne, services.ui);
    UpdateStatusText();
    return storedCount;
}

BreathSettings CPelmorDoc::BreathAnalysisSettings() const {
    BreathSettings s;
    s.inspirationMin = breathing.inspirationMin;
    s.inspirationMax = breathing.inspirationMax;
    s.expirationMin = breathing.expirationMin;
    s.expirationMax = breathing.expirationMax;
    s.inspiratoryFlowSign = breathing.inspiratoryFlowSign < 0 ? -1 : 1;
    s.flowLimitationThreshold = breathing.flowLimitationThreshold;
    return s;
}

bool CPelmorDoc::HandOutImpedanceWindowData(bool toSpreadsheet) {
    return ImpedanceWindowHandOff(
        toSpreadsheet, TableSource(*this),
        [this] { return RecordBreaths(BreathAnalysisSettings()); }, services.shell, services.ui);
}

bool CPelmorDoc::HandOutImpedanceData(bool toSpreadsheet) {
    return pelmor::HandOutImpedanceData(toSpreadsheet, stored.tableText, TableSource(*this),
                                        services.shell, services.ui);
}

bool CPelmorDoc::HandOutStoredData(bool toSpreadsheet) {
    return stored.HandOutStoredTable(toSpreadsheet, services.profile, services.ui, services.shell);
}

void CPelmorDoc::ClearStored() { stored.Clear(); }
void CPelmorDoc::SelectNextStored() { stored.SelectNext(); }
void CPelmorDoc::SelectPreviousStored() { stored.SelectPrevious(); }
void CPelmorDoc::ToggleStoredMarked() { stored.ToggleMarked(); }
void CPelmorDoc::DeleteSelectedStored() { stored.DeleteSelected(); }
void CPelmorDoc::MarkStoredHandedOut() { stored.MarkHandedOut(); }

void CPelmorDoc::ShowSessionResults(const std::vector<StoredResult>& results,
                                    std::optional<std::vector<StoredResult>> baseline) {
    const std::size_t n = std::min<std::size_t>(results.size(), StoredImpedance::kCapacity);
    std::copy(results.end() - static_cast<long>(n), results.end(), stored.results.begin());
    stored.count = static_cast<int>(n);
    stored.selected = n > 0 ? static_cast<int>(n) - 1 : 0;
    outcomeBaseline = std::move(baseline);
    UpdateStatusText();
}

}  // namespace pelmor
