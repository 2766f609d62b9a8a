#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QUrl>
#include <chrono>
#include <fstream>
#include <thread>

#include "device/DeviceEmulator.h"
#include "device/SerialDriverFactory.h"
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
    DeviceEmulator pacedEmulator{EmulatorOptions{}, &clock};
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc =
        std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, emulator});
    QtUserInterface frameUi;
    QtShell frameShell;
    std::unique_ptr<CMainFrame> frame;

    // A document and frame on an emulator paced by the clock, for a test that must act while a
    // recording runs: unpaced, a recording ends as soon as its frames are read.
    void UsePacedDevice() {
        frame.reset();
        doc.reset();
        doc = std::make_unique<CPelmorDoc>(
            *state, DocumentServices{profile, ui, shell, clock, pacedEmulator});
        frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
        frame->resize(1200, 800);
    }

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
    EXPECT_EQ(menus, (QStringList{"&File", "&Session", "&Measurement", "E&xcitations",
                                  "&Calibration", "&Impedance", "&View", "&Help"}));
    QMenu* measurement = frame->menuBar()->actions()[2]->menu();
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
    // Words for this platform.
    QStringList impedance;
    for (QAction* a : frame->menuBar()->actions()[5]->menu()->actions()) impedance << a->text();
    EXPECT_TRUE(impedance.contains("Open impedance data in Spreadsheet"));
    EXPECT_TRUE(impedance.contains("Open stored data in Spreadsheet"));
    EXPECT_EQ(frame->Action(cmd::OpenImpedanceInExcel)->statusTip(),
              "Open impedance data in Spreadsheet");
    for (QAction* a : frame->findChildren<QAction*>())
        EXPECT_FALSE(a->text().contains("Excel") || a->statusTip().contains("Excel") ||
                     a->toolTip().contains("Excel"))
            << a->text().toStdString();
}

TEST_F(MainFrameFixture, CommandsEnableAcrossIdleMeasuringAndRecording) {
    UsePacedDevice();
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
    for (QLabel* pane : frame->statusBar()->findChildren<QLabel*>()) {
        if (pane != frame->SimulationIndicator()) {
            EXPECT_FALSE(pane->isHidden());
        }
    }
    QStatusTipEvent tipGone("");
    QApplication::sendEvent(frame.get(), &tipGone);
    EXPECT_EQ(frame->PaneText(0), "Sampling...");
    // A toolbar button never takes its prompt back: leaving the toolbar does.
    QApplication::sendEvent(frame.get(), &tip);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(frame->findChild<QToolBar*>(), &leave);
    EXPECT_EQ(frame->PaneText(0), "Sampling...");
    // Nor does the pointer keep it by leaving a button for the toolbar's empty space.
    QToolBar* toolBar = frame->findChild<QToolBar*>();
    QWidget* stopButton = toolBar->widgetForAction(frame->Action(cmd::Stop));
    ASSERT_NE(stopButton, nullptr);
    QApplication::sendEvent(frame.get(), &tip);
    QApplication::sendEvent(stopButton, &leave);
    EXPECT_EQ(frame->PaneText(0), "Sampling...");

    for (int i = 0; i < 2000 && state->buffers[0].Count() < 256; ++i)
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

// While the simulation runs the title ends in " [Simulation]" and a red "SIMULATION" stands at
// the right end of the status bar, beside the four panes; both go when it ends.
TEST_F(MainFrameFixture, SimulationIsNamedInTheTitleAndTheStatusBarWhileItRuns) {
    NoDeviceSerialDriver none;
    CPelmorDoc simDoc(*state, DocumentServices{profile, ui, shell, clock, none});
    CMainFrame simFrame(simDoc, frameUi, frameShell);
    simFrame.resize(1200, 800);
    simFrame.show();
    QLabel* mark = simFrame.SimulationIndicator();
    ASSERT_NE(mark, nullptr);
    EXPECT_FALSE(mark->isVisibleTo(&simFrame));
    ASSERT_TRUE(simFrame.RunCommand(cmd::Start));
    for (int i = 0; i < 1000 && !simDoc.Simulating(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(simDoc.Simulating());
    simFrame.View()->Tick();
    QApplication::processEvents();
    EXPECT_TRUE(simFrame.windowTitle().endsWith(" [Simulation]"))
        << simFrame.windowTitle().toStdString();
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->text(), "SIMULATION");
    EXPECT_TRUE(mark->styleSheet().contains("#d00000"));
    EXPECT_EQ(simFrame.PaneText(0), "Sampling...");
    EXPECT_TRUE(simFrame.PaneText(1).startsWith("T="));
    int rightmostPane = 0;
    for (QLabel* pane : simFrame.statusBar()->findChildren<QLabel*>())
        if (pane != mark) rightmostPane = std::max(rightmostPane, pane->geometry().right());
    EXPECT_GT(mark->geometry().left(), rightmostPane);

    simDoc.Stop();
    simDoc.WaitForMeasurementEnd();
    simFrame.View()->Tick();
    EXPECT_FALSE(simFrame.windowTitle().contains("Simulation"));
    EXPECT_FALSE(mark->isVisibleTo(&simFrame));
    EXPECT_TRUE(simDoc.ShowsSimulatedData());  // the watermark stays with the data

    // A recording made in simulation, opened again, is named so as well.
    ASSERT_FALSE(simDoc.SetRecordingTime(1));
    ASSERT_TRUE(simFrame.RunCommand(cmd::Start));
    for (int i = 0; i < 1000 && !simDoc.Simulating(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    simDoc.Record();
    simDoc.WaitForMeasurementEnd();
    ASSERT_FALSE(simDoc.CurrentDataFile().empty());
    ASSERT_TRUE(simDoc.ImportDataFile(simDoc.CurrentDataFile()));
    simFrame.View()->Tick();
    EXPECT_TRUE(simFrame.windowTitle().endsWith(" [Simulation]"))
        << simFrame.windowTitle().toStdString();
    EXPECT_TRUE(mark->isVisibleTo(&simFrame));
}

// Quitting with stored results nobody copied or exported asks first; No keeps the window.
TEST_F(MainFrameFixture, QuittingWithStoredResultsThatWereNeverHandedOutAsks) {
    frame->show();
    doc->StoredForTesting().count = 3;  // three results never handed out
    ui.QueueAnswer(false);
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(ui.DefaultNoQuestions(),
              std::vector<std::string>{
                  "3 stored results have not been copied or exported. Quit anyway?"});
    for (int i = 0; i < 3; ++i) doc->StoredForTesting().results[i].marked = true;
    doc->StoredForTesting().MarkHandedOut();
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(ui.Questions().size(), 1u);
}

TEST_F(MainFrameFixture, FitScalesToNewDataIsACheckedViewItemKeptInTheSettings) {
    QAction* fit = frame->Action(cmd::FitScalesToNewData);
    ASSERT_NE(fit, nullptr);
    EXPECT_EQ(fit->text(), "Fit Scales to New Data");
    EXPECT_TRUE(fit->isCheckable());
    EXPECT_TRUE(fit->isChecked());
    QMenu* view = frame->menuBar()->actions()[6]->menu();
    EXPECT_TRUE(view->actions().contains(fit));
    ASSERT_TRUE(frame->RunCommand(cmd::FitScalesToNewData));
    EXPECT_FALSE(frame->View()->State().fitScalesToNewData);
    EXPECT_FALSE(fit->isChecked());
    frame.reset();
    EXPECT_EQ(profile.GetInt("View", "Fit Scales to New Data", 1), 0);
    frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
    EXPECT_FALSE(frame->Action(cmd::FitScalesToNewData)->isChecked());
}

// Takes the addresses the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> urls;
  public slots:
    void Open(const QUrl& url) { urls << url; }
};

TEST(HelpAddress, TheHelpPageOpensAtTheSectionOfItsFragment) {
    test::TempDir dir;
    const std::string page = dir.File("help.html");
    std::ofstream(page) << "<html></html>";
    QtShell shell(QString::fromStdString(page));
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    const QString file = QUrl::fromLocalFile(QString::fromStdString(page)).toString();
    for (const char* fragment : {"#keys", "#impedance", "#xy", "#signal", "#spectrum"}) {
        recorder.urls.clear();
        EXPECT_TRUE(shell.OpenHelp(fragment));
        ASSERT_EQ(recorder.urls.size(), 1) << fragment;
        EXPECT_EQ(recorder.urls[0].toString(), file + QString::fromLatin1(fragment));
    }
    recorder.urls.clear();
    EXPECT_TRUE(shell.OpenHelp(""));
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls[0].toString(), file);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

// The texts a label showed at each of its paints.
struct PaintSpy : QObject {
    QStringList texts;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) texts << static_cast<QLabel*>(watched)->text();
        return false;
    }
};

TEST_F(MainFrameFixture, ProgressOfLongWorkIsPaintedAtEachStep) {
    frame->show();
    QApplication::processEvents();
    QLabel* pane = frame->findChild<QLabel*>(QStringLiteral("pane0"));
    ASSERT_NE(pane, nullptr);
    PaintSpy spy;
    pane->installEventFilter(&spy);
    // As the generation reports its steps: no return to the event loop in between.
    for (const char* step : {"Processing : 0%", "Processing : 50%"}) frameUi.ShowStatus(step);
    pane->removeEventFilter(&spy);
    EXPECT_EQ(spy.texts, (QStringList{"Processing : 0%", "Processing : 50%"}));
    // The layout does not follow the text then: the pane holds the whole of the longest already.
    EXPECT_GE(pane->contentsRect().width(),
              pane->fontMetrics().horizontalAdvance(QStringLiteral("Processing : 100%")));
}

TEST_F(MainFrameFixture, TheViewRepaintsIntoOneBackBuffer) {
    frame->show();
    QApplication::processEvents();
    CPelmorView* view = frame->View();
    view->repaint();
    const uchar* bits = view->BackBuffer().constBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(view->BackBuffer().size(), view->size());
    for (int i = 0; i < 3; ++i) view->repaint();
    EXPECT_EQ(view->BackBuffer().constBits(), bits);  // no picture-sized block per repaint
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

#include "MainFrameTest.moc"
