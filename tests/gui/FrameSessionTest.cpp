#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWheelEvent>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "GuiTestSupport.h"
#include "core/FileBytes.h"
#include "device/SerialDriverFactory.h"
#include "display/ViewInteraction.h"
#include "document/CPelmorDoc.h"
#include "files/FileNaming.h"
#include "files/SetupFile.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "gui/QtProfile.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "report/RenderView.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

// One signal of twelve harmonics of a 1 s period.
void TwelveHarmonics(CPelmorDoc& doc) { test::UseTwelveHarmonics(doc); }

using test::WaitFor;

// A frame over a document without a device (the measurement is simulated on a fake clock).
struct SessionFixture : ::testing::Test {
    test::MemoryProfile profile;
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    test::FakeClock clock;
    test::TempDir home;
    NoDeviceSerialDriver driver;
    std::unique_ptr<MeasurementState> state = std::make_unique<MeasurementState>();
    std::unique_ptr<CPelmorDoc> doc =
        std::make_unique<CPelmorDoc>(*state, DocumentServices{profile, ui, shell, clock, driver});
    QtUserInterface frameUi;
    QtShell frameShell;
    std::unique_ptr<CMainFrame> frame;
    QStringList chosen;  // what the file dialogs answer

    void SetUp() override {
        shell.homeFolder = home.Path();
        frame = std::make_unique<CMainFrame>(*doc, frameUi, frameShell);
        frame->resize(1200, 800);
        frame->chooseFiles = [this](const QString&, const QString&, bool, bool) { return chosen; };
    }
    void TearDown() override {
        doc->Stop();
        doc->WaitForMeasurementEnd();
        frame.reset();
    }
};

TEST_F(SessionFixture, AcceleratorsReachTheirCommands) {
    const struct {
        QKeySequence key;
        int id;
    } table[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), cmd::NewSetup},
        {QKeySequence(Qt::CTRL | Qt::Key_O), cmd::OpenSetup},
        {QKeySequence(Qt::CTRL | Qt::Key_S), cmd::SaveSetup},
        {QKeySequence(Qt::CTRL | Qt::Key_P), cmd::Print},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), cmd::CopyImpedance},
        {QKeySequence(Qt::Key_Space), cmd::Space},
        {QKeySequence(Qt::Key_Left), cmd::TimeEarlier},
        {QKeySequence(Qt::CTRL | Qt::Key_Right), cmd::TimeNarrower},
        {QKeySequence(Qt::Key_Home), cmd::TimeHome},
        {QKeySequence(Qt::Key_Tab), cmd::OptimalScaling},
        {QKeySequence(Qt::Key_A), cmd::AutoscaleAll},
        {QKeySequence(Qt::SHIFT | Qt::Key_F), cmd::PreviousFrequency},
        {QKeySequence(Qt::Key_F), cmd::NextFrequency},
        {QKeySequence(Qt::Key_Escape), cmd::LeaveFullScreen},
        {QKeySequence(Qt::Key_F5), cmd::FullScreenOn},
        {QKeySequence(Qt::Key_Down), cmd::SelectNextStored},
        {QKeySequence(Qt::Key_Delete), cmd::DeleteStored},
        {QKeySequence(Qt::Key_M), cmd::ToggleMarked},
        {QKeySequence(Qt::Key_F1), cmd::ViewHelp},
    };
    for (const auto& row : table) {
        QList<QAction*> owners;
        for (QAction* a : frame->actions())
            if (a->shortcuts().contains(row.key)) owners << a;
        ASSERT_EQ(owners.size(), 1) << row.key.toString().toStdString();
        EXPECT_EQ(owners.front(), frame->Action(row.id)) << row.key.toString().toStdString();
    }
    // The File menu: the commands, then the recent files (none yet: a greyed place), then Exit.
    QStringList items;
    for (QAction* a : frame->menuBar()->actions()[0]->menu()->actions())
        if (a->isVisible()) items << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(items,
              (QStringList{"&New setup\tCtrl+N", "&Open setup\tCtrl+O", "&Save setup\tCtrl+S",
                           "Save setup &as...", "-", "Import data", "Export data", "-",
                           "&Print...\tCtrl+P", "Print Pre&view", "Export &report…",
                           "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
    // Every toolbar button has a picture, themed or the program's own.
    for (QAction* a : frame->findChild<QToolBar*>()->actions())
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        }
}

TEST_F(SessionFixture, WholeSessionFromStartToTheCopiedStoredTable) {
    TwelveHarmonics(*doc);
    ASSERT_FALSE(doc->SetRecordingTime(2));
    ASSERT_TRUE(doc->SetFileName(home.Path(), "session"));
    ASSERT_TRUE(frame->RunCommand(cmd::Start));
    ASSERT_TRUE(WaitFor([&] { return state->buffers[0].Count() > 256; }));
    EXPECT_FALSE(frame->Action(cmd::OpenSetup)->isEnabled());
    EXPECT_FALSE(frame->RunCommand(cmd::NewSetup));  // refused while measuring
    ASSERT_TRUE(frame->RunCommand(cmd::Record));
    ASSERT_TRUE(WaitFor([&] { return !doc->RecordingActive(); }));
    frame->RunCommand(cmd::Stop);
    doc->WaitForMeasurementEnd();
    frame->View()->Tick();
    const std::string file = doc->CurrentDataFile();
    ASSERT_TRUE(FileExists(file)) << file;

    chosen = {QString::fromStdString(file)};
    ASSERT_TRUE(frame->RunCommand(cmd::ImportData));
    // The repaint analyses the displayed interval; Store takes its result.
    const StoredResultsView none = MakeStoredResultsView(doc->Stored());
    RenderViewToImage(*doc, frame->View()->State(), 1200, 800, &none);
    frame->UpdateCommandUi();
    ASSERT_TRUE(frame->Action(cmd::Store)->isEnabled());
    ASSERT_TRUE(frame->RunCommand(cmd::Store));
    EXPECT_EQ(doc->Stored().count, 1);
    EXPECT_TRUE(frame->Action(cmd::CopyStored)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::SelectNextStored)->isEnabled());

    shell.clipboard.clear();
    ASSERT_TRUE(frame->RunCommand(cmd::CopyStored));
    ASSERT_EQ(shell.clipboard.size(), 1u);
    const std::string& table = shell.clipboard.front();
    const std::string label = doc->Stored().results[0].spectrum.label;
    EXPECT_EQ(label.rfind(FileNameOf(file), 0), 0u) << label;
    EXPECT_EQ(table.rfind("\t\t\t" + label + "\t" + label + "\t" + label + "\r\n", 0), 0u)
        << table.substr(0, 200);
    EXPECT_NE(table.find("\r\nf\t"), std::string::npos);
    EXPECT_NE(table.find("\r\n1\t"), std::string::npos);  // a row per excited frequency
    EXPECT_NE(table.find("\r\n12\t"), std::string::npos);

    // The view's stored window now draws, and Delete empties the collection again.
    EXPECT_EQ(frame->View()->storedResults().count, 1);
    ASSERT_TRUE(frame->RunCommand(cmd::DeleteStored));
    EXPECT_EQ(doc->Stored().count, 0);
    EXPECT_FALSE(frame->Action(cmd::CopyStored)->isEnabled());

    // Export data says a shown range shorter than a period is too short before the file dialog.
    int asked = 0;
    frame->chooseFiles = [&](const QString&, const QString&, bool, bool) {
        ++asked;
        return QStringList{};
    };
    PlotWindow shown = doc->Plots().windows[0];
    shown.xmax = shown.xmin + 0.5 * doc->Setup().signalPeriod;
    doc->SetPlotWindow(0, shown);
    ASSERT_TRUE(frame->RunCommand(cmd::ExportData));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(ui.Messages().back(), "At least one period must be selected.");
    shown.xmax = shown.xmin + 2 * doc->Setup().signalPeriod;
    doc->SetPlotWindow(0, shown);
    ASSERT_TRUE(frame->RunCommand(cmd::ExportData));
    EXPECT_EQ(asked, 1);
}

TEST_F(SessionFixture, ImpedanceWindowCommandsHandOutTheBreathTableOfTheTrend) {
    test::EditSetup(*doc, [](SetupFileImage& s) {
        s.frequencyCount = 1;
        s.frequencyHz[0] = 5;
        s.zTrendDisplay = 1;
    });
    ASSERT_EQ(doc->Calculator().selectedFrequencyIndex, 0);
    ASSERT_TRUE(frame->RunCommand(cmd::ZCopy));  // no trend yet: nothing at all
    EXPECT_TRUE(shell.clipboard.empty());
    EXPECT_TRUE(ui.Messages().empty());

    // Seven seconds of a record at 5 Hz, a breath from 1 to 5 s, and a trend to show it.
    const std::vector<double> q = {-1, 1, 1, -1, -1, 1, -1};
    std::vector<double> x;
    for (double v : q) x.push_back(v > 0 ? -0.1 : -0.5);
    test::AppendBreathingRecord(*state, doc->Setup().sampleRate, {5}, q,
                                std::vector<double>(7, 0.3), x);
    ImpedanceCalculator& z = doc->CalculatorForTesting();
    z.offlineTrendCount = 7;
    ASSERT_TRUE(frame->RunCommand(cmd::ZCopy));
    ASSERT_EQ(shell.clipboard.size(), 1u);
    const std::string& table = shell.clipboard[0];
    EXPECT_EQ(table.rfind("Breath\tStart [s]\tTi [s]\t", 0), 0u) << table;
    EXPECT_NE(table.find("\r\n1\t1\t2\t2\t2\t0.3\t0.3\t-0.1\t-0.5\t0.4\tyes\tyes\r\n"),
              std::string::npos)
        << table;
    // 5 Hz alone: windows of one cycle, 0.2 s.
    EXPECT_NE(table.find("Frequency [Hz]\t5\r\nWindow [s]\t0.2\r\n"), std::string::npos);
    EXPECT_NE(table.find("Accepted breaths\t1 of 1\r\n"), std::string::npos);
    ASSERT_TRUE(frame->RunCommand(cmd::ZOpenInExcel));
    EXPECT_EQ(shell.spreadsheetFiles.size(), 1u);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(SessionFixture, SetupFilesPromptForChangesAndFillTheRecentList) {
    const QString a = QString::fromStdString(home.File("a.plm"));
    chosen = {QString::fromStdString(home.File("a"))};  // the extension is added
    ASSERT_TRUE(frame->RunCommand(cmd::SaveSetupAs));
    EXPECT_EQ(doc->SetupPath(), a.toStdString());
    EXPECT_EQ(frame->RecentFiles(), QStringList{a});
    EXPECT_TRUE(frame->Action(cmd::RecentFile)->isVisible());
    EXPECT_EQ(frame->Action(cmd::RecentFile)->text(), "&1 a.plm");

    // A modified setup: Cancel keeps everything, No discards, Yes saves first.
    QStringList asked;
    int answer = QMessageBox::Cancel;
    frame->askSaveChanges = [&](const QString& text) {
        asked << text;
        return answer;
    };
    ASSERT_FALSE(doc->SetRecordingTime(5));
    doc->MarkModified();
    ASSERT_TRUE(doc->Modified());
    frame->RunCommand(cmd::NewSetup);
    EXPECT_EQ(asked, QStringList{"Save changes to a.plm?"});
    EXPECT_EQ(doc->SetupPath(), a.toStdString());
    answer = QMessageBox::Yes;
    frame->RunCommand(cmd::NewSetup);
    EXPECT_TRUE(doc->SetupPath().empty());
    EXPECT_FALSE(doc->Modified());

    // A dropped setup file opens.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(a)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame.get(), &drop);
    EXPECT_EQ(doc->SetupPath(), a.toStdString());
    doc->NewSetup();

    // Reopening from the recent list reads the saved file back.
    ASSERT_FALSE(doc->SetRecordingTime(9));
    ASSERT_TRUE(frame->RunCommand(cmd::RecentFile));
    EXPECT_EQ(doc->Setup().recordingTime, 5);
    EXPECT_EQ(doc->SetupPath(), a.toStdString());

    // Open asks once about a modified setup, after the file has been chosen.
    ASSERT_FALSE(doc->SetRecordingTime(7));
    doc->MarkModified();
    asked.clear();
    answer = QMessageBox::No;
    chosen = {a};
    ASSERT_TRUE(frame->RunCommand(cmd::OpenSetup));
    EXPECT_EQ(asked, QStringList{"Save changes to a.plm?"});
    EXPECT_EQ(doc->Setup().recordingTime, 5);

    // A setup file that cannot be read changes nothing and stays out of the list.
    EXPECT_FALSE(frame->OpenSetupFile(QString::fromStdString(home.File("missing.plm"))));
    EXPECT_EQ(frame->RecentFiles(), QStringList{a});
    // A listed file that has gone leaves the list.
    ASSERT_TRUE(QFile::remove(a));
    frame->RunCommand(cmd::RecentFile);
    EXPECT_TRUE(frame->RecentFiles().isEmpty());
    frame->UpdateCommandUi();
    EXPECT_EQ(frame->Action(cmd::RecentFile)->text(), "Recent File");  // greyed placeholder
    EXPECT_FALSE(frame->Action(cmd::RecentFile)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::RecentFile + 1)->isVisible());
}

TEST(QtUserInterfaceTest, BoxesFromAnotherThreadAreAnsweredOnTheGuiThread) {
    QtUserInterface ui;
    std::atomic<bool> onGuiThread{false};
    QStringList texts;
    ui.answerBox = [&](const QString& text, bool question) {
        onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        texts << text + (question ? "?" : "");
        return false;
    };
    std::atomic<bool> done{false};
    bool answer = true;
    std::thread worker([&] {
        ui.ShowMessage("Disk full");
        answer = ui.AskYesNo(Question::CalibrationIncomplete, "Go on");
        done = true;
    });
    ASSERT_TRUE(WaitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(onGuiThread);
    EXPECT_FALSE(answer);
    EXPECT_EQ(texts, (QStringList{"Disk full", "Go on?"}));
}

// Messages carry the warning icon, questions the question icon and the default their kind asks
// for; the questions of a batch offer "Yes to All" and "No to All".
TEST(QtUserInterfaceTest, BoxesLookLikeWhatTheyAre) {
    QtUserInterface ui;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton press = QMessageBox::NoButton;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        icon = box->icon();
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        box->button(press)->click();
    });
    poll.start(5);
    using B = QMessageBox;
    struct Case {
        const char* what;
        std::function<int()> ask;
        B::StandardButton press;
        int answer;
        B::Icon icon;
        B::StandardButtons buttons;
        B::StandardButton defaultButton;
    };
    const B::StandardButtons yesNo = B::Yes | B::No;
    const B::StandardButtons forAll = B::Yes | B::YesToAll | B::No | B::NoToAll;
    const Case cases[] = {
        {"message",
         [&] {
             ui.ShowMessage("Disk full");
             return 0;
         },
         B::Ok, 0, B::Warning, B::Ok, B::NoButton},
        {"question", [&] { return int{ui.AskYesNo(Question::CalibrationIncomplete, "Go on?")}; },
         B::No, 0, B::Question, yesNo, B::Yes},
        {"question that may lose data",
         [&] { return int{ui.AskYesNoDefaultNo(Question::DiscardRecording, "Lose it?")}; }, B::Yes,
         1, B::Question, yesNo, B::No},
        {"Yes to All",
         [&] {
             return static_cast<int>(
                 ui.AskYesNoForAll(Question::GenerateThirdChannel, "Third channel?"));
         },
         B::YesToAll, static_cast<int>(BatchAnswer::YesToAll), B::Question, forAll, B::Yes},
        {"No to All",
         [&] {
             return static_cast<int>(
                 ui.AskYesNoForAll(Question::GenerateThirdChannel, "Third channel?"));
         },
         B::NoToAll, static_cast<int>(BatchAnswer::NoToAll), B::Question, forAll, B::Yes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        icon = B::NoIcon;
        press = c.press;
        EXPECT_EQ(c.ask(), c.answer);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(buttons, c.buttons);
        if (c.defaultButton != B::NoButton) {
            EXPECT_EQ(defaultButton, c.defaultButton);
        }
    }
}

TEST(QtProfileTest, SettingsWrittenAtExitAreReadAtTheNextStart) {
    test::TempDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(folder.Path()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(folder.Path()));
    test::ScriptedUserInterface ui;
    test::RecordingShell shell;
    test::FakeClock clock;
    NoDeviceSerialDriver driver;
    const QString setup = QString::fromStdString(folder.File("kept.plm"));
    {
        QtProfile profile;
        MeasurementState state;
        CPelmorDoc doc(state, DocumentServices{profile, ui, shell, clock, driver});
        QtUserInterface frameUi;
        QtShell frameShell;
        CMainFrame frame(doc, frameUi, frameShell);
        frame.chooseFiles = [&](const QString&, const QString&, bool, bool) {
            return QStringList{setup};
        };
        ASSERT_FALSE(doc.SetRecordingTime(17));
        frame.View()->State().showSpectrum = true;
        ASSERT_TRUE(frame.RunCommand(cmd::SaveSetupAs));
    }
    QtProfile profile;
    EXPECT_TRUE(QFileInfo(profile.Settings().fileName())
                    .absoluteFilePath()
                    .startsWith(QString::fromStdString(folder.Path())));
    MeasurementState state;
    CPelmorDoc doc(state, DocumentServices{profile, ui, shell, clock, driver});
    QtUserInterface frameUi;
    QtShell frameShell;
    CMainFrame frame(doc, frameUi, frameShell);
    EXPECT_EQ(doc.Setup().recordingTime, 17);
    EXPECT_TRUE(frame.View()->State().showSpectrum);
    EXPECT_EQ(frame.RecentFiles(), QStringList{setup});
    EXPECT_EQ(profile.Settings().value("Recent File List/File1").toString(), setup);
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

TEST_F(SessionFixture, PrintsThePageIntoAPdfFile) {
    TwelveHarmonics(*doc);
    ASSERT_TRUE(frame->RunCommand(cmd::Start));
    ASSERT_TRUE(WaitFor([&] { return state->buffers[0].Count() > 600; }));
    frame->RunCommand(cmd::Stop);
    doc->WaitForMeasurementEnd();
    ui.ClearRecords();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString(home.File("page.pdf"));
    printer.setOutputFileName(pdf);
    frame->PrintTo(printer);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_GT(bytes.size(), 5000);  // the header text and the curves, not an empty page
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

TEST_F(SessionFixture, ViewEventsReachTheWindowsAndTheirMenus) {
    TwelveHarmonics(*doc);
    ASSERT_TRUE(frame->RunCommand(cmd::Start));
    ASSERT_TRUE(WaitFor([&] { return state->buffers[0].Count() > 1200; }));
    frame->RunCommand(cmd::Stop);
    doc->WaitForMeasurementEnd();
    CPelmorView* view = frame->View();
    view->resize(1200, 700);
    RenderViewToImage(*doc, view->State(), 1200, 700);
    const PlotWindow& xy = doc->Plots().windows[kXYWindow];
    ASSERT_TRUE(xy.shown);

    // Ctrl+wheel forward in the XY window's x zone narrows its x range to 0.8.
    const QPointF at((xy.left + xy.right) / 2.0, xy.bottom - 5);
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view, &wheel);
    EXPECT_DOUBLE_EQ(xy.xmax - xy.xmin, 8.0);

    // Shift+click in the signal window opens its help page.
    const PlotWindow& s0 = doc->Plots().windows[kSignalWindow0];
    std::string help;
    view->openHelp = [&](const std::string& fragment) { help = fragment; };
    const QPointF inSignal((s0.left + s0.right) / 2.0, (s0.top + s0.bottom) / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, inSignal, view->mapToGlobal(inSignal),
                      Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(view, &press);
    EXPECT_EQ(help, "#signal");

    auto texts = [&](ContextWindow window) {
        std::unique_ptr<QMenu> menu(frame->MakeContextMenu({window, 0}));
        QStringList items;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) items << a->text();
        return (menu->title() + ": " + items.join(", ")).toStdString();
    };
    EXPECT_EQ(texts(ContextWindow::Signal),
              "Signal Window: Integrate, Default scaling, Autoscale, Sliding display mode, Copy");
    EXPECT_EQ(texts(ContextWindow::Spectrum),
              "Spectrum window: dB scale, Default scaling, Autoscale, Copy");
    EXPECT_EQ(texts(ContextWindow::Stored),
              "Z Store Window: Default scaling, Find optimal scaling, Autoscale, Full screen\tF5, "
              "Select next\tDOWN, Select previous\tUP, Toggle marked state, Delete selected\tDEL, "
              "Copy, Open in Spreadsheet");
    EXPECT_EQ(frame->MakeContextMenu({ContextWindow::None, -1}), nullptr);

    // "Integrate" acts on the window the menu was opened over.
    delete frame->MakeContextMenu({ContextWindow::Signal, 1});
    ASSERT_TRUE(frame->RunCommand(cmd::SignalIntegrate));
    EXPECT_TRUE(view->State().integrate[1]);
    EXPECT_FALSE(view->State().integrate[0]);
}

}  // namespace
}  // namespace pelmor

namespace pelmor {
namespace {

TEST(QtUserInterfaceTest, SaveOptionsDialogFromTheAcquisitionThreadRunsOnTheGuiThread) {
    QtUserInterface ui;
    SaveOptions options;
    options.title = "run";
    options.folder = "/tmp";
    std::atomic<bool> done{false};
    bool accepted = false;
    std::thread worker([&] {
        accepted = ui.EditSaveOptions(options);
        done = true;
    });
    // The dialog appears on the GUI thread (in the event loop that waits for it); OK closes it
    // with the values it was given.
    bool shownOnGuiThread = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* shown = QApplication::activeModalWidget()) {
            shownOnGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            QMetaObject::invokeMethod(shown, "accept", Qt::QueuedConnection);
        }
    });
    poll.start(5);
    ASSERT_TRUE(WaitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(shownOnGuiThread);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(options.title, "run");
    EXPECT_EQ(options.folder, "/tmp");
}

}  // namespace
}  // namespace pelmor
