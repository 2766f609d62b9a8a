#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <chrono>
#include <thread>

#include "device/DeviceEmulator.h"
#include "document/CPelmorDoc.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

struct MainFrameFixture : ::testing::Test {
    MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    test::TempDir home;  // recordings go here, not into the shared temporary folder
    SystemClock clock;
    DeviceEmulator emulator{[] {
        EmulatorOptions o;
        o.realtime = false;
        return o;
    }()};
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc =
        std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, emulator});
    QtUserInterface frameUi;
    QtShell frameShell;
    std::unique_ptr<CMainFrame> frame;

    void SetUp() override {
        ASSERT_NE(QApplication::instance(), nullptr);
        shell.homeFolder = home.Path();
        frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
        frame->resize(1200, 800);
    }
    void TearDown() override {
        doc->Stop();
        doc->WaitForMeasurementEnd();
        frame.reset();
    }
};

TEST_F(MainFrameFixture, MenusCarryTheCommandsInOrder) {
    QStringList menus;
    for (QAction* a : frame->menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Measurement", "E&xcitations", "&Calibration",
                                  "&Impedance", "&View", "&Help"}));
    QMenu* measurement = frame->menuBar()->actions()[1]->menu();
    QStringList items;
    for (QAction* a : measurement->actions()) items << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(items, (QStringList{"Start", "Start in tracking mode", "Stop", "Record", "-",
                                  "Options", "Set filename"}));
    EXPECT_EQ(frame->Action(cmd::Start)->statusTip(), "Start sampling");
    EXPECT_EQ(frame->Action(cmd::Start)->toolTip(), "Start");
    EXPECT_EQ(frame->Action(cmd::DeleteStored)->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(frame->Action(cmd::CopyImpedance)->shortcuts().size(), 2);
    EXPECT_EQ(frame->Action(cmd::Filter)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(frame->windowTitle().remove("[*]"), "Untitled - Pelmor");
}

TEST_F(MainFrameFixture, CommandsEnableAcrossIdleMeasuringAndRecording) {
    auto enabled = [&](int id) { return frame->Action(id)->isEnabled(); };
    EXPECT_TRUE(enabled(cmd::Start));
    EXPECT_FALSE(enabled(cmd::Stop));
    EXPECT_FALSE(enabled(cmd::Record));
    EXPECT_TRUE(enabled(cmd::Options));

    ASSERT_TRUE(frame->RunCommand(cmd::Start));
    ASSERT_EQ(state->measurementRunning, 1);
    EXPECT_FALSE(enabled(cmd::Start));
    EXPECT_FALSE(enabled(cmd::Options));
    EXPECT_FALSE(enabled(cmd::ImportExcitation));
    EXPECT_TRUE(enabled(cmd::Stop));
    EXPECT_TRUE(enabled(cmd::Record));
    frame->View()->Tick();
    EXPECT_EQ(frame->PaneText(0), "Sampling...");
    EXPECT_TRUE(frame->PaneText(1).startsWith("T=1 s"));
    // A command's prompt takes pane 0 only; the measurement panes stay, and the state returns.
    QStatusTipEvent tip("Stop sampling");
    QApplication::sendEvent(frame.get(), &tip);
    EXPECT_EQ(frame->PaneText(0), "Stop sampling");
    EXPECT_TRUE(frame->PaneText(1).startsWith("T=1 s"));
    for (QLabel* pane : frame->statusBar()->findChildren<QLabel*>()) EXPECT_FALSE(pane->isHidden());
    QStatusTipEvent tipGone("");
    QApplication::sendEvent(frame.get(), &tipGone);
    EXPECT_EQ(frame->PaneText(0), "Sampling...");
    // A toolbar button never takes its prompt back: leaving the toolbar does.
    QApplication::sendEvent(frame.get(), &tip);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(frame->findChild<QToolBar*>(), &leave);
    EXPECT_EQ(frame->PaneText(0), "Sampling...");

    for (int i = 0; i < 2000 && state->buffers[0].Count() < 4096; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(frame->RunCommand(cmd::Record));
    EXPECT_FALSE(enabled(cmd::Record));
    EXPECT_FALSE(enabled(cmd::SetFilename));
    frame->View()->Tick();
    EXPECT_EQ(frame->PaneText(0), "Recording...");

    ASSERT_TRUE(frame->RunCommand(cmd::Stop));
    doc->WaitForMeasurementEnd();
    frame->View()->Tick();
    EXPECT_EQ(frame->PaneText(0), "Ready");
    EXPECT_TRUE(enabled(cmd::Start));
    EXPECT_FALSE(enabled(cmd::Stop));

    if (const char* shot = std::getenv("PELMOR_SCREENSHOT")) {
        frame->show();
        frame->grab().save(shot);
    }
}

// Before any data the view says how to get some instead of staying blank.
TEST_F(MainFrameFixture, IdleViewSaysHowToGetData) {
    auto inkedPixels = [&] {
        const QImage picture = frame->View()->grab().toImage();
        int inked = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) inked += picture.pixel(x, y) != 0xFFFFFFFFu;
        return inked;
    };
    frame->View()->resize(600, 400);
    EXPECT_GT(inkedPixels(), 100);
}

TEST_F(MainFrameFixture, HelpThatCannotBeShownIsExplained) {
    ASSERT_TRUE(frame->RunCommand(cmd::ViewHelp));  // this frame's shell has no help page
    ASSERT_FALSE(ui.Messages().empty());
    EXPECT_EQ(ui.Messages().back().rfind("The help page was not found.", 0), 0u);
}

TEST_F(MainFrameFixture, ViewTogglesAreCheckItems) {
    ViewState& v = frame->View()->State();
    const bool before = v.showXY;
    ASSERT_TRUE(frame->RunCommand(cmd::ShowXY));
    EXPECT_EQ(v.showXY, !before);
    EXPECT_EQ(frame->Action(cmd::ShowXY)->isChecked(), !before);
    ASSERT_TRUE(frame->RunCommand(cmd::BlackBackground));
    EXPECT_TRUE(frame->Action(cmd::BlackBackground)->isChecked());
}

}  // namespace
}  // namespace pelmor
