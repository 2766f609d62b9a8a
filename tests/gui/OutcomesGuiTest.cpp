// The outcome commands of the desktop program: "Outcome options" and the "Outcomes…" dialog
// with its baseline buttons.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <memory>

#include "device/DeviceEmulator.h"
#include "document/CPelmorDoc.h"
#include "gui/CMainFrame.h"
#include "gui/CommandIds.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "gui/dialogs/COutcomeOptionsDlg.h"
#include "gui/dialogs/DialogSupport.h"
#include "platform/Clock.h"
#include "platform/MemoryProfile.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

template <typename T>
T* Child(QWidget& w, const char* name) {
    T* child = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

struct OutcomesGuiFixture : ::testing::Test {
    std::vector<std::string> messages;
    DialogMessageFunction previous;
    MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    SystemClock clock;
    DeviceEmulator emulator;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc =
        std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, emulator});
    QtUserInterface frameUi;
    QtShell frameShell;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        ASSERT_NE(QApplication::instance(), nullptr);
        previous = SetDialogMessageFunction(
            [this](QWidget*, const QString& text) { messages.push_back(ToUtf8(text)); });
        frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
    }
    void TearDown() override {
        frame.reset();
        SetDialogMessageFunction(previous);
    }

    // Results with R at 5 Hz of 2 + k and a reactance crossing zero at 7 Hz.
    void StoreResults(int count) {
        StoredImpedance& stored = doc->StoredForTesting();
        stored.count = count;
        for (int k = 0; k < count; ++k) {
            StoredResult& r = stored.results[k];
            r.spectrum.label = "run " + std::to_string(k) + ".inpx";
            r.marked = k != 2;
            r.spectrum.frequencies = {4, 6, 8, 20};
            r.spectrum.R.assign(4, 2.0 + k);
            r.spectrum.X = {-2, -1, 1, 3};
            r.spectrum.coherence.assign(4, k == 1 ? 0.5 : 0.99);
        }
    }
};

TEST_F(OutcomesGuiFixture, OptionsDialogRefusesBadValuesAndKeepsGoodOnesInTheProfile) {
    COutcomeOptionsDlg dialog(nullptr, LoadOutcomeSettings(profile));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Outcome options"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "lowHz")->text(), QStringLiteral("5"));
    EXPECT_EQ(Child<QLineEdit>(dialog, "axResponse")->text(), QStringLiteral("-80"));
    auto ok = [&] {
        Child<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->click();
    };
    Child<QLineEdit>(dialog, "highHz")->setText("5");
    ok();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The high outcome frequency must be above the low one.");
    Child<QLineEdit>(dialog, "highHz")->setText("19");
    Child<QLineEdit>(dialog, "covLimit")->setText("ten");
    ok();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(messages.back(), "Every outcome option must be a number.");
    Child<QLineEdit>(dialog, "covLimit")->setText("12.5");
    ok();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Settings().highHz, 19.0);
    EXPECT_EQ(dialog.Settings().covLimitPercent, 12.5);

    // The menu command reads the profile and writes it back after OK.
    QTimer::singleShot(0, [] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        Child<QLineEdit>(*d, "lowHz")->setText("6");
        Child<QDialogButtonBox>(*d, "buttons")->button(QDialogButtonBox::Ok)->click();
    });
    ASSERT_TRUE(frame->RunCommand(cmd::OutcomeOptions));
    EXPECT_EQ(LoadOutcomeSettings(profile).lowHz, 6.0);
}

TEST_F(OutcomesGuiFixture, OutcomesDialogShowsTheMarkedResultsAndKeepsABaseline) {
    QMenu* impedance = frame->menuBar()->actions()[5]->menu();
    const QList<QAction*> items = impedance->actions();
    ASSERT_GE(items.size(), 4);
    EXPECT_TRUE(items[items.size() - 4]->isSeparator());
    EXPECT_EQ(items[items.size() - 3]->text(), QStringLiteral("Outcome options"));
    EXPECT_EQ(items[items.size() - 2]->text(),
              QString::fromUtf8("Units and reference values\u2026"));
    EXPECT_EQ(items.back()->text(), QString::fromUtf8("Outcomes\u2026"));
    frame->UpdateCommandUi();
    EXPECT_FALSE(frame->Action(cmd::Outcomes)->isEnabled());  // nothing stored
    StoreResults(3);
    frame->UpdateCommandUi();
    ASSERT_TRUE(frame->Action(cmd::Outcomes)->isEnabled());

    bool shown = false;
    frame->showOutcomes = [&](QDialog& d) {
        shown = true;
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Outcomes"));
        QTableWidget* grid = Child<QTableWidget>(d, "outcomes");
        ASSERT_EQ(grid->columnCount(), 8);
        // Not calibrated: the ratio of volts, rounded as kPa·s/L would be.
        EXPECT_EQ(grid->horizontalHeaderItem(1)->text(),
                  QStringLiteral("R5 [V/V (not calibrated)]"));
        EXPECT_EQ(grid->horizontalHeaderItem(4)->text(),
                  QStringLiteral("R5-R20 [V/V (not calibrated)]"));
        EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("2.000"));
        ASSERT_EQ(grid->rowCount(), 5);  // the two marked results, Mean, SD, CoV [%]
        EXPECT_EQ(grid->item(1, 0)->text(), QStringLiteral("run 1.inpx"));
        EXPECT_EQ(grid->item(0, 5)->text(), QStringLiteral("7.0"));  // Fres
        // CoV of R5 (2 and 3: 28 %) and the coherence 0.5 stand out; R5 itself does not.
        const QColor plain = grid->item(0, 1)->foreground().color();
        EXPECT_NE(grid->item(4, 1)->foreground().color(), plain);
        EXPECT_NE(grid->item(1, 7)->foreground().color(), plain);
        EXPECT_EQ(grid->item(0, 7)->foreground().color(), plain);
        QTableWidget* baseline = Child<QTableWidget>(d, "baseline");
        EXPECT_TRUE(baseline->isHidden());
        EXPECT_FALSE(Child<QPushButton>(d, "clearBaseline")->isEnabled());

        Child<QPushButton>(d, "useBaseline")->click();
        ASSERT_TRUE(doc->OutcomeBaseline().has_value());
        EXPECT_EQ(doc->OutcomeBaseline()->size(), 2u);
        EXPECT_FALSE(baseline->isHidden());
        EXPECT_EQ(baseline->rowCount(), 6);  // two results, Mean, Change, Threshold, Response
        EXPECT_EQ(baseline->item(5, 1)->text(), QStringLiteral("negative"));
        EXPECT_TRUE(Child<QPushButton>(d, "clearBaseline")->isEnabled());

        Child<QPushButton>(d, "copy")->click();
        ASSERT_FALSE(shell.clipboard.empty());
        const std::string& text = shell.clipboard.back();
        EXPECT_EQ(text.rfind("Label\tR5\tX5\tR20\tR5-R20\tFres\tAX\tMin coherence\r\n", 0), 0u);
        EXPECT_NE(text.find("\r\nResponse\tnegative\r\n"), std::string::npos);

        Child<QPushButton>(d, "clearBaseline")->click();
        EXPECT_FALSE(doc->OutcomeBaseline().has_value());
        EXPECT_TRUE(baseline->isHidden());
    };
    ASSERT_TRUE(frame->RunCommand(cmd::Outcomes));
    EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace pelmor
