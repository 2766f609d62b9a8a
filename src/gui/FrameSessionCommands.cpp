// The Session menu: test sessions of a subject in the database, their phases and trials. The
// open session is the store's: every recording, import, exclusion and phase goes there as it
// happens, and the stored results and the Trials window show what the store then holds.
#include <QApplication>
#include <QDateTime>
#include <QInputDialog>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <future>

#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "device/DeviceEmulator.h"
#include "document/RecordAnalysis.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "gui/TrialsWindow.h"
#include "gui/dialogs/SessionDialogs.h"
#include "platform/Profile.h"
#include "platform/UserInterface.h"
#include "sessions/Location.h"
#include "sessions/SessionResults.h"
#include "sessions/TrialAnalysis.h"

namespace pelmor {

namespace {

// The session open when the program ended (its number; "" when none).
constexpr char kOpenSessionKey[] = "OpenSession";

long long Number(int64_t n) { return static_cast<long long>(n); }

QString SessionDate(const std::string& started) {
    const QDateTime t = QDateTime::fromString(QString::fromStdString(started), Qt::ISODate);
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"))
                       : QString::fromStdString(started.substr(0, 10));
}

}  // namespace

QString SessionTitle(const Session& s) {
    return QStringLiteral("%1 %2%3").arg(
        QString::fromStdString(s.subject.id), SessionDate(s.started),
        s.training ? QStringLiteral(" (training session)") : QString());
}

void CMainFrame::ReportStoreError(const std::string& text) { doc_.Services().ui.ShowMessage(text); }

SessionStore* CMainFrame::Store() {
    if (store_) return store_.get();
    const std::string settings =
        doc_.Services().profile.GetString(kDatabaseSection, kDatabaseLocationKey, "");
    const DatabaseLocation location = ResolveDatabaseLocation("", settings);
    try {
        store_ = SessionStore::Open(location.value, location.postgres);
    } catch (const std::exception& e) {
        ReportStoreError(
            Format("The session database could not be opened (%s). Pelmor goes on "
                   "without sessions.",
                   e.what()));
    }
    return store_.get();
}

void CMainFrame::DefineSessionCommands() {
    auto open = [this] { return session_.has_value(); };
    Define({cmd::NewSession,
            QString::fromUtf8("&New Session\u2026"),
            {},
            "",
            [this] {
                SessionStore* store = Store();
                if (!store) return;
                CNewSessionDlg dialog(
                    this,
                    [store](const std::string& search) { return store->ListSubjects(search); },
                    OperatingSystemUser());
                if (RunDialog(runSessionDialog, dialog) != QDialog::Accepted) return;
                const NewSessionChoice& c = dialog.Choice();
                NewSession s;
                s.subjectId = c.subjectId;
                s.operatorName = c.operatorName;
                s.note = c.note;
                s.training = c.training;
                s.setupFileName = FileNameOf(doc_.SetupPath());
                // The unit the trials are measured in, and the set they are judged by.
                Profile& profile = doc_.Services().profile;
                s.impedanceUnit = doc_.Calculator().loadedCalibration.count > 0
                                      ? UnitName(LoadUnitSettings(profile).calibration)
                                      : kUncalibratedUnit;
                s.referenceSet = profile.GetString(kReferenceSection, kReferenceSetKey, "");
                std::string reason;
                if (!doc_.SetupPath().empty() &&
                    !ReadFileBytes(doc_.SetupPath(), s.setupBytes, reason)) {
                    ReportStoreError(doc_.SetupPath() + " could not be read: " + reason);
                    return;
                }
                try {
                    if (c.newSubject) store->AddSubject(*c.newSubject);
                    OpenSessionNumber(store->StartSession(s));
                } catch (const StoreError& e) {
                    ReportStoreError(e.what());
                }
            },
            [this] { return !doc_.RecordingActive(); }});
    Define({cmd::OpenSession,
            QString::fromUtf8("&Open Session\u2026"),
            {},
            "",
            [this] {
                SessionStore* store = Store();
                if (!store) return;
                try {
                    COpenSessionDlg dialog(this, store->ListSessions());
                    if (RunDialog(runSessionDialog, dialog) == QDialog::Accepted)
                        OpenSessionNumber(dialog.Chosen());
                } catch (const StoreError& e) {
                    ReportStoreError(e.what());
                }
            },
            [this] { return !doc_.RecordingActive(); }});
    Define({cmd::NewPhase,
            QString::fromUtf8("New &Phase\u2026"),
            {},
            "",
            [this] {
                CNewPhaseDlg dialog(this);
                if (RunDialog(runSessionDialog, dialog) != QDialog::Accepted) return;
                try {
                    store_->AddPhase(session_->number, dialog.Name(), dialog.Note());
                } catch (const StoreError& e) {
                    ReportStoreError(e.what());
                }
                RefreshSession();
            },
            open});
    Define({cmd::CloseSession, tr("&Close Session"), {}, "", [this] { CloseSession(); }, open});
    Define({cmd::Subjects,
            QString::fromUtf8("&Subjects\u2026"),
            {},
            "",
            [this] {
                SessionStore* store = Store();
                if (!store) return;
                CSubjectsDlg dialog(
                    this,
                    [store](const std::string& search) { return store->ListSubjects(search); },
                    [store](const Subject& s, bool isNew) -> std::string {
                        try {
                            if (isNew)
                                store->AddSubject(s);
                            else
                                store->EditSubject(s);
                        } catch (const StoreError& e) {
                            return e.what();
                        }
                        return "";
                    },
                    runSessionDialog);
                RunDialog(runSessionDialog, dialog);
                if (session_) RefreshSession();  // the subject's fields may have changed
            },
            {}});
}

bool CMainFrame::OpenSessionNumber(int64_t number) {
    SessionStore* store = Store();
    if (!store) return false;
    try {
        session_ = store->LoadSession(number);
    } catch (const StoreError& e) {
        ReportStoreError(e.what());
        return false;
    }
    doc_.Services().profile.WriteString(kDatabaseSection, kOpenSessionKey, std::to_string(number));
    ShowSession();  // just loaded: no second read of every trial
    trials_->show();
    trials_->raise();
    // Wide enough for every column of a trial.
    resizeDocks({trials_}, {std::max(trials_->width(), 600)}, Qt::Horizontal);
    UpdateCommandUi();
    return true;
}

void CMainFrame::CloseSession() {
    if (!session_) return;
    session_.reset();
    doc_.Services().profile.WriteString(kDatabaseSection, kOpenSessionKey, "");
    doc_.ProposeRecordingTitle("");
    doc_.ShowSessionResults({}, std::nullopt);
    trials_->Clear();
    trials_->hide();
    UpdateCommandUi();
    view_->Refresh();
}

void CMainFrame::OfferToReopenSession() {
    Profile& profile = doc_.Services().profile;
    const std::string remembered = profile.GetString(kDatabaseSection, kOpenSessionKey, "");
    if (remembered.empty()) return;
    const long long number = std::atoll(remembered.c_str());
    SessionStore* store = number > 0 ? Store() : nullptr;
    std::optional<SessionSummary> found;
    if (store) {
        try {
            found = store->FindSession(number);
        } catch (const StoreError& e) {
            ReportStoreError(e.what());
            return;
        }
    }
    if (!found) {
        // A database that cannot be opened now keeps the offer for a later start.
        if (store || number <= 0) profile.WriteString(kDatabaseSection, kOpenSessionKey, "");
        return;
    }
    const std::string question = Format(
        "Session %lld of subject %s (started %s) was open when Pelmor last closed. "
        "Reopen it?",
        number, found->subjectId.c_str(), SessionDate(found->started).toStdString().c_str());
    if (doc_.Services().ui.AskYesNo(Question::ReopenSession, question))
        OpenSessionNumber(number);
    else
        profile.WriteString(kDatabaseSection, kOpenSessionKey, "");
}

void CMainFrame::RefreshSession() {
    if (!session_ || !store_) return;
    try {
        session_ = store_->LoadSession(session_->number);
    } catch (const StoreError& e) {
        ReportStoreError(e.what());
    }
    ShowSession();
}

void CMainFrame::ShowSession() {
    if (!session_) return;
    trials_->Show(*session_, LoadUnitSettings(doc_.Services().profile).display);
    SessionResults results = ResultsOf(*session_);
    doc_.ShowSessionResults(results.current, std::move(results.baseline));
    const std::string phase = session_->phases.empty() ? "" : session_->phases.back().name;
    doc_.ProposeRecordingTitle(RecordingTitle(session_->subject.id, phase));
    UpdateCommandUi();
    view_->Refresh();
}

bool CMainFrame::SetTrialIncluded(int trial, bool included) {
    if (!session_ || !store_) return false;
    std::string reason;
    if (!included) {
        QInputDialog dialog(this);
        dialog.setWindowTitle(tr("Exclude trial %1").arg(trial));
        dialog.setLabelText(tr("Why is trial %1 left out of its phase's outcomes?").arg(trial));
        dialog.setInputMode(QInputDialog::TextInput);
        if (RunDialog(runSessionDialog, dialog) != QDialog::Accepted) return false;
        reason = dialog.textValue().trimmed().toStdString();
        if (reason.empty()) {
            ReportStoreError(
                Format("Trial %d stays included: an exclusion needs a reason.", trial));
            return false;
        }
    }
    bool done = true;
    try {
        store_->SetTrialIncluded(session_->number, trial, included, reason);
    } catch (const StoreError& e) {
        ReportStoreError(e.what());
        done = false;
    }
    // Shown once the box's own change is over.
    QMetaObject::invokeMethod(
        this, [this] { RefreshSession(); }, Qt::QueuedConnection);
    return done;
}

void CMainFrame::AddWrittenRecordings() {
    const std::vector<CPelmorDoc::WrittenRecording> written = doc_.TakeWrittenRecordings();
    if (written.empty() || !session_ || !store_) return;
    const bool emulator = dynamic_cast<DeviceEmulator*>(&doc_.Services().driver) != nullptr;
    for (const CPelmorDoc::WrittenRecording& w : written) {
        if (w.simulated && !session_->training) {
            ReportStoreError(
                Format("%s was recorded in simulation. Session %lld is not a training "
                       "session, so it was not added as a trial; the file is kept.",
                       w.path.c_str(), Number(session_->number)));
            continue;
        }
        const TrialOrigin origin = w.simulated ? TrialOrigin::Simulated
                                   : emulator  ? TrialOrigin::Emulator
                                               : TrialOrigin::Device;
        const FileTrial t = TrialFromFile(w.path, RecordAnalysisSetupOf(doc_), origin);
        try {
            if (!t.trial) throw StoreError(t.error);
            store_->AddTrial(session_->number, "", *t.trial);
        } catch (const StoreError& e) {
            ReportStoreError(std::string(e.what()) + "\nThe recording is kept in " + w.path + ".");
        }
    }
    RefreshSession();
}

void CMainFrame::ImportIntoSession(const std::vector<std::string>& paths) {
    // Analysed on worker threads; the window keeps painting meanwhile.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const RecordAnalysisSetup setup = RecordAnalysisSetupOf(doc_);
    auto work =
        std::async(std::launch::async, [&paths, &setup] { return TrialsFromFiles(paths, setup); });
    while (work.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const std::vector<FileTrial> trials = work.get();
    QApplication::restoreOverrideCursor();
    std::vector<std::string> problems;
    std::string notes;  // what the analysis said about the files
    int added = 0;
    for (std::size_t k = 0; k < trials.size(); ++k) {
        const FileTrial& t = trials[k];
        for (const std::string& m : t.messages) notes += "\n" + paths[k] + ": " + m;
        if (!t.trial) {
            problems.push_back(t.error);
            continue;
        }
        if (t.trial->origin == TrialOrigin::Simulated && !session_->training) {
            problems.push_back(
                Format("%s holds a recording made in simulation; session %lld is "
                       "not a training session.",
                       paths[k].c_str(), Number(session_->number)));
            continue;
        }
        try {
            store_->AddTrial(session_->number, "", *t.trial);
            ++added;
        } catch (const StoreError& e) {
            problems.push_back(e.what());
        }
    }
    RefreshSession();
    if (!notes.empty()) ReportStoreError("The analysis of the imported files said:" + notes);
    if (problems.empty()) return;
    std::string text = Format("%d of %d files were added as trials. Not added:", added,
                              static_cast<int>(paths.size()));
    for (const std::string& p : problems) text += "\n" + p;
    ReportStoreError(text);
}

}  // namespace pelmor
