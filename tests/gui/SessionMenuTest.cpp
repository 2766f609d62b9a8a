#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <functional>
#include <thread>

#include "GuiTestSupport.h"
#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"
#include "core/FileBytes.h"
#include "device/DeviceEmulator.h"
#include "device/SerialDriverFactory.h"
#include "document/CPelmorDoc.h"
#include "files/FileNaming.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "gui/TrialsWindow.h"
#include "gui/dialogs/DialogSupport.h"
#include "gui/dialogs/SessionDialogs.h"
#include "platform/Question.h"
#include "sessions/Location.h"
#include "sessions/SessionStore.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

using test::WaitFor;

template <typename W>
W* Child(QDialog& d, const char* name) {
    W* w = d.findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// A document and frame on the settings, database and driver given; rebuilt to start again.
struct SessionMenuFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    test::TempDir home;
    SystemClock clock;
    DeviceEmulator emulator{[] {
        EmulatorOptions o;
        o.realtime = false;
        return o;
    }()};
    NoDeviceSerialDriver simulation;
    std::unique_ptr<MeasurementState> state;
    std::unique_ptr<CPelmorDoc> doc;
    QtUserInterface frameUi;
    QtShell frameShell;
    std::unique_ptr<CMainFrame> frame;
    // What the session dialogs do, one after the other: fill the dialog, return its result.
    std::deque<std::function<int(QDialog&)>> dialogs;
    std::string database;

    void Start(SerialDriver& driver) {
        frame.reset();
        doc.reset();
        state = std::make_unique<MeasurementState>();
        doc = std::make_unique<CPelmorDoc>(*state,
                                           DocumentServices{profile, ui, shell, clock, driver});
        frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
        frame->resize(1200, 800);
        frame->runSessionDialog = [this](QDialog& d) {
            if (dialogs.empty()) {
                ADD_FAILURE() << "unexpected dialog " << d.windowTitle().toStdString();
                return 0;
            }
            auto next = std::move(dialogs.front());
            dialogs.pop_front();
            return next(d);
        };
    }
    void SetUp() override {
        shell.homeFolder = home.Path();
        database = home.File("pelmor.sqlite");
        setenv(kDatabaseVariable, database.c_str(), 1);
        ui.saveOptionsEditor = [this](SaveOptions& o) {
            proposedTitles.push_back(o.title);
            o.folder = home.Path();
            return true;
        };
        Start(emulator);
    }
    void TearDown() override {
        doc->Stop();
        doc->WaitForMeasurementEnd();
        frame.reset();
        doc.reset();
        unsetenv(kDatabaseVariable);
    }

    // New Session… with a new subject.
    void NewSession(const std::string& id, bool training) {
        dialogs.push_back([=](QDialog& d) {
            Child<QRadioButton>(d, "newSubject")->setChecked(true);
            Child<QLineEdit>(d, "subjectId")->setText(QString::fromStdString(id));
            Child<QLineEdit>(d, "family")->setText(QStringLiteral("Müller"));
            Child<QComboBox>(d, "sex")->setCurrentText(QStringLiteral("female"));
            Child<QLineEdit>(d, "height")->setText(QStringLiteral("170"));
            Child<QLineEdit>(d, "operator")->setText(QStringLiteral("op"));
            Child<QCheckBox>(d, "training")->setChecked(training);
            d.accept();
            return d.result();
        });
        ASSERT_TRUE(frame->RunCommand(cmd::NewSession));
        ASSERT_NE(frame->OpenSession(), nullptr);
    }

    // Records n files of 1 s, one measurement each (a recording ends its measurement), and lets
    // the frame take them.
    void Record(int n) {
        test::UseTwelveHarmonics(*doc);
        ASSERT_FALSE(doc->SetRecordingTime(1));
        for (int k = 0; k < n; ++k) {
            ASSERT_TRUE(frame->RunCommand(cmd::Start));
            ASSERT_TRUE(WaitFor([&] { return state->buffers[0].Count() > 256; }));
            ASSERT_TRUE(frame->RunCommand(cmd::Record));
            doc->WaitForMeasurementEnd();
            frame->View()->Tick();
        }
    }

    Session Stored() {
        return SessionStore::Open(database)->LoadSession(frame->OpenSession()->number);
    }

    std::vector<std::string> proposedTitles;
};

TEST_F(SessionMenuFixture, TrialsAndAnExclusionSurviveARestart) {
    QStringList menus;
    for (QAction* a : frame->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus.mid(0, 3), (QStringList{"&File", "&Session", "&Measurement"}));
    EXPECT_FALSE(frame->Action(cmd::NewPhase)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::CloseSession)->isEnabled());

    NewSession("M-17/Δ", false);
    const int64_t number = frame->OpenSession()->number;
    EXPECT_TRUE(frame->windowTitle().startsWith("M-17/Δ 20")) << frame->windowTitle().toStdString();
    EXPECT_FALSE(frame->windowTitle().contains("training"));
    EXPECT_TRUE(frame->Trials()->isVisibleTo(frame.get()));
    EXPECT_TRUE(frame->Action(cmd::CloseSession)->isEnabled());

    Record(2);
    // The save dialog proposed the subject and phase once; the second went into that series.
    EXPECT_EQ(proposedTitles, std::vector<std::string>{"M-17_Δ Baseline"});
    Session s = Stored();
    ASSERT_EQ(s.phases.size(), 1u);
    ASSERT_EQ(s.phases[0].trials.size(), 2u);
    for (const Trial& t : s.phases[0].trials) {
        EXPECT_EQ(t.origin, TrialOrigin::Emulator);
        EXPECT_TRUE(FileExists(home.File(t.fileName))) << t.fileName;
    }
    EXPECT_EQ(doc->Stored().count, 2);

    // Unticking asks for a reason: none (Cancel or an empty text) leaves the trial included.
    QTreeWidgetItem* first = frame->Trials()->TrialItem(1);
    ASSERT_NE(first, nullptr);
    for (const QString& reason : {QString(), QStringLiteral("  ")}) {
        dialogs.push_back([reason](QDialog& d) {
            if (reason.isNull()) return 0;
            static_cast<QInputDialog&>(d).setTextValue(reason);
            d.accept();
            return d.result();
        });
        first->setCheckState(TrialsWindow::Included, Qt::Unchecked);
        QCoreApplication::processEvents();
        first = frame->Trials()->TrialItem(1);
        EXPECT_EQ(first->checkState(TrialsWindow::Included), Qt::Checked);
    }
    EXPECT_TRUE(Stored().phases[0].trials[0].included);
    dialogs.push_back([](QDialog& d) {
        static_cast<QInputDialog&>(d).setTextValue(QStringLiteral("cough"));
        d.accept();
        return d.result();
    });
    first->setCheckState(TrialsWindow::Included, Qt::Unchecked);
    QCoreApplication::processEvents();
    EXPECT_EQ(doc->Stored().count, 1);

    // Quit and start again on the same settings and database; the offer is accepted.
    const std::string kept = s.phases[0].trials[1].fileName;
    Start(emulator);
    ASSERT_EQ(frame->OpenSession(), nullptr);
    ui.Answer(Question::ReopenSession, true);
    frame->OfferToReopenSession();
    ASSERT_NE(frame->OpenSession(), nullptr);
    EXPECT_EQ(frame->OpenSession()->number, number);
    s = Stored();
    ASSERT_EQ(s.phases[0].trials.size(), 2u);
    EXPECT_FALSE(s.phases[0].trials[0].included);
    EXPECT_EQ(s.phases[0].trials[0].reason, "cough");
    EXPECT_TRUE(s.phases[0].trials[1].included);
    EXPECT_TRUE(frame->windowTitle().startsWith("M-17/Δ 20"));
    EXPECT_TRUE(frame->Trials()->isVisibleTo(frame.get()));
    QTreeWidgetItem* item = frame->Trials()->TrialItem(1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->checkState(TrialsWindow::Included), Qt::Unchecked);
    EXPECT_TRUE(item->text(TrialsWindow::Reason).startsWith("cough"));
    EXPECT_EQ(item->text(TrialsWindow::Origin), "emulator");
    ASSERT_EQ(doc->Stored().count, 1);
    EXPECT_EQ(doc->Stored().results[0].spectrum.label, kept);

    // A new phase makes the baseline of the first; Close Session ends the offer.
    dialogs.push_back([](QDialog& d) {
        Child<QLineEdit>(d, "name")->setText(QStringLiteral("Post bronchodilator"));
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(frame->RunCommand(cmd::NewPhase));
    EXPECT_EQ(doc->Stored().count, 0);
    ASSERT_TRUE(doc->OutcomeBaseline().has_value());
    EXPECT_EQ(doc->OutcomeBaseline()->size(), 1u);
    ASSERT_TRUE(frame->RunCommand(cmd::CloseSession));
    EXPECT_EQ(frame->OpenSession(), nullptr);
    EXPECT_FALSE(doc->OutcomeBaseline().has_value());
    Start(emulator);
    ui.ClearRecords();
    frame->OfferToReopenSession();
    EXPECT_TRUE(ui.Questions().empty());
    EXPECT_EQ(frame->OpenSession(), nullptr);
}

// A session of a woman of 162 cm and 60 kg, born 1963-05-01, measured on 2026-06-01 in the unit
// given, judged by the shipped set; one trial with R5 0.52 kPa·s/L.
int64_t JudgedSession(SessionStore& store, const std::string& id, const std::string& unit) {
    Subject subject;
    subject.id = id;
    subject.sex = "female";
    subject.birth = "1963-05-01";
    subject.heightCm = 162;
    subject.weightKg = 60;
    store.AddSubject(subject);
    NewSession s;
    s.subjectId = id;
    s.started = "2026-06-01T10:00:00Z";
    s.impedanceUnit = unit;
    s.referenceSet = "Aarli IOS adults";
    const int64_t number = store.StartSession(s);
    NewTrial trial;
    trial.fileName = id + ".inpx";
    trial.bytes.assign(trial.fileName.begin(), trial.fileName.end());
    trial.spectrum = {{4, 5, 6, 8, 20},
                      std::vector<double>(5, 0.52),
                      {-0.3, -0.2, -0.1, 0.1, 0.2},
                      std::vector<double>(5, 0.99)};
    trial.outcomes = {{"r_low", 0.52}, {"x_low", -0.2}, {"r_high", 0.52}};
    store.AddTrial(number, "", trial);
    return number;
}

TEST_F(SessionMenuFixture, TrialsWindowAndOutcomesJudgeTheMeanByTheSessionsReferenceSet) {
    test::ReferenceDataHome(home);
    profile.WriteString(kUnitsSection, kDisplayUnitKey, "cmH2O·s/L");
    std::unique_ptr<SessionStore> store = SessionStore::Open(database);
    const int64_t calibrated = JudgedSession(*store, "W1", "kPa·s/L");
    const int64_t uncalibrated = JudgedSession(*store, "W2", kUncalibratedUnit);

    // Predicted R5 of the set's female equation, shown in cmH2O·s/L.
    const double predicted = std::exp(2.68 - 0.026 * 162 + 0.012 * 60);
    const std::string pred = FormatRounded(predicted * 10.1972, 2);
    const std::string percent = FormatRounded(100 * 0.52 / predicted, 0);
    ASSERT_TRUE(frame->OpenSessionNumber(calibrated));
    QTreeWidget* tree = frame->Trials()->Tree();
    auto lines = [tree] {
        QStringList all;
        for (int i = 0; i < tree->topLevelItem(0)->childCount(); ++i) {
            const QTreeWidgetItem* item = tree->topLevelItem(0)->child(i);
            all << item->text(0) + QLatin1Char('|') + item->text(TrialsWindow::RLow);
        }
        return all;
    };
    EXPECT_EQ(tree->headerItem()->text(TrialsWindow::RLow), QString::fromUtf8("R5 [cmH2O·s/L]"));
    QStringList shown = lines();
    ASSERT_GE(shown.size(), 3);
    EXPECT_EQ(shown[0], QStringLiteral("1: W1.inpx|5.30"));
    EXPECT_EQ(shown[1], QStringLiteral("Mean|5.30"));
    EXPECT_TRUE(
        shown.contains(QString::fromUtf8("R5 5.30 cmH2O·s/L    Pred " + pred +
                                         "    LLN –    ULN –    z –    %Pred " + percent + "|")))
        << ToUtf8(shown.join('\n'));

    bool dialogShown = false;
    frame->showOutcomes = [&](QDialog& d) {
        dialogShown = true;
        QTableWidget* grid = d.findChild<QTableWidget*>(QStringLiteral("outcomes"));
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QString::fromUtf8("R5 [cmH2O·s/L]"));
        // The trial, Mean, then the set's rows.
        const QStringList rows = {"W1.inpx", "Mean", "Pred", "LLN", "ULN", "z", "%Pred"};
        for (int r = 0; r < rows.size(); ++r) EXPECT_EQ(grid->item(r, 0)->text(), rows[r]);
        EXPECT_EQ(grid->item(1, 1)->text(), QStringLiteral("5.30"));
        EXPECT_EQ(grid->item(2, 1)->text(), QString::fromStdString(pred));
        EXPECT_EQ(grid->item(6, 1)->text(), QString::fromStdString(percent));
        // The copy keeps full precision in the unit measured, without the set's rows.
        d.findChild<QPushButton*>(QStringLiteral("copy"))->click();
        ASSERT_FALSE(shell.clipboard.empty());
        EXPECT_NE(shell.clipboard.back().find("\r\nMean\t0.52\t"), std::string::npos);
        EXPECT_EQ(shell.clipboard.back().find("Pred"), std::string::npos);
    };
    ASSERT_TRUE(frame->RunCommand(cmd::Outcomes));
    EXPECT_TRUE(dialogShown);

    ASSERT_TRUE(frame->OpenSessionNumber(uncalibrated));
    EXPECT_EQ(tree->headerItem()->text(TrialsWindow::RLow),
              QString::fromUtf8("R5 [V/V (not calibrated)]"));
    shown = lines();
    EXPECT_EQ(shown[1], QStringLiteral("Mean|0.520"));
    EXPECT_TRUE(shown.contains(
        QStringLiteral("Aarli IOS adults: Reference values need a calibrated measurement.|")))
        << ToUtf8(shown.join('\n'));

    // A new session takes the chosen set, and without a calibration the ratio of volts.
    profile.WriteString(kReferenceSection, kReferenceSetKey, "Aarli IOS adults");
    NewSession("W3", false);
    EXPECT_EQ(Stored().impedanceUnit, kUncalibratedUnit);
    EXPECT_EQ(Stored().referenceSet, "Aarli IOS adults");
}

TEST_F(SessionMenuFixture, OpenSessionSearchesTheListAndSubjectsEditsOne) {
    int64_t numbers[2];
    {
        const std::unique_ptr<SessionStore> store = SessionStore::Open(database);
        const char* ids[2] = {"A-1", "B-2"};
        const char* given[2] = {"Anna", "Bert"};
        for (int i = 0; i < 2; ++i) {
            Subject s;
            s.id = ids[i];
            s.given = given[i];
            store->AddSubject(s);
            pelmor::NewSession n;
            n.subjectId = ids[i];
            numbers[i] = store->StartSession(n);
        }
    }
    dialogs.push_back([&](QDialog& d) {
        QTreeWidget* list = Child<QTreeWidget>(d, "sessions");
        EXPECT_EQ(list->topLevelItem(0)->text(0).toLongLong(), numbers[1]);  // newest first
        Child<QLineEdit>(d, "search")->setText(QStringLiteral("anna"));
        int shown = 0;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            shown += list->topLevelItem(i)->isHidden() ? 0 : 1;
        EXPECT_EQ(shown, 1);
        d.accept();
        return d.result();
    });
    ASSERT_TRUE(frame->RunCommand(cmd::OpenSession));
    ASSERT_NE(frame->OpenSession(), nullptr);
    EXPECT_EQ(frame->OpenSession()->number, numbers[0]);
    EXPECT_TRUE(frame->windowTitle().startsWith("A-1 "));

    // Subjects…: the open session's subject edited; a bad height is refused in the dialog.
    std::vector<std::string> refused;
    SetDialogMessageFunction(
        [&](QWidget*, const QString& text) { refused.push_back(text.toStdString()); });
    dialogs.push_back([&](QDialog& d) {
        Child<QLineEdit>(d, "search")->setText(QStringLiteral("A-1"));
        dialogs.push_back([](QDialog& editor) {
            Child<QLineEdit>(editor, "height")->setText(QStringLiteral("tall"));
            editor.accept();
            EXPECT_EQ(editor.result(), QDialog::Rejected);  // still open
            Child<QLineEdit>(editor, "height")->setText(QStringLiteral("181.5"));
            Child<QLineEdit>(editor, "family")->setText(QStringLiteral("Öberg"));
            editor.accept();
            return editor.result();
        });
        static_cast<CSubjectsDlg&>(d).Edit(false);
        EXPECT_EQ(Child<QTreeWidget>(d, "subjects")->topLevelItem(0)->text(1), "Öberg");
        return 0;
    });
    ASSERT_TRUE(frame->RunCommand(cmd::Subjects));
    SetDialogMessageFunction({});
    ASSERT_EQ(refused.size(), 1u);
    const Subject edited = *SessionStore::Open(database)->FindSubject("A-1");
    EXPECT_EQ(edited.family, "Öberg");
    EXPECT_EQ(edited.heightCm, 181.5);
    EXPECT_EQ(frame->OpenSession()->subject.family, "Öberg");
}

TEST_F(SessionMenuFixture, SimulatedDataOnlyInATrainingSessionAndImportsKeepTheirOrigin) {
    const std::string lab = test::CopyFixture("lab 001.inpx", home);
    std::string reason;
    const std::string simulated = home.File("sim 001.inpx");
    ASSERT_TRUE(test::WriteSimulatedCopy(lab, simulated, reason)) << reason;
    const struct {
        bool training;
        std::vector<TrialOrigin> origins;  // of the recording and the two imported files
    } table[] = {
        {false, {TrialOrigin::Imported}},
        {true, {TrialOrigin::Simulated, TrialOrigin::Imported, TrialOrigin::Simulated}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.training ? "training" : "not training");
        Start(simulation);
        ui.ClearRecords();
        proposedTitles.clear();
        NewSession(row.training ? "T-1" : "S-1", row.training);
        EXPECT_EQ(frame->windowTitle().contains("(training session)"), row.training);
        Record(1);
        const std::string written = doc->CurrentDataFile();
        ASSERT_TRUE(FileExists(written));  // kept in any case
        std::vector<std::string> refusals;
        for (const std::string& m : ui.Messages())
            if (m.find("not a training session") != std::string::npos) refusals.push_back(m);
        ASSERT_EQ(refusals.size(), row.training ? 0u : 1u);
        if (!row.training) {
            EXPECT_NE(refusals[0].find(written), std::string::npos) << refusals[0];
        }
        ui.ClearRecords();
        // Imported: the file marked simulated is refused by name outside a training session.
        frame->chooseFiles = [&](const QString&, const QString&, bool, bool) {
            return QStringList{QString::fromStdString(lab), QString::fromStdString(simulated)};
        };
        ASSERT_TRUE(frame->RunCommand(cmd::ImportFromFiles));
        std::vector<TrialOrigin> origins;
        const Session stored = Stored();  // the loop must not outlive the session it reads
        for (const Trial& t : stored.phases[0].trials) origins.push_back(t.origin);
        EXPECT_EQ(origins, row.origins);
        EXPECT_EQ(doc->Stored().count, static_cast<int>(row.origins.size()));
        refusals.clear();
        for (const std::string& m : ui.Messages())
            if (m.find("Not added") != std::string::npos) refusals.push_back(m);
        ASSERT_EQ(refusals.size(), row.training ? 0u : 1u);
        if (!row.training) {
            EXPECT_NE(refusals[0].find(simulated), std::string::npos) << refusals[0];
            EXPECT_EQ(refusals[0].find(lab), std::string::npos) << refusals[0];
        }
    }
}

}  // namespace
}  // namespace pelmor
