#include "gui/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>

#include "display/ViewSettings.h"
#include "document/DialogValues.h"
#include "excitation/ExcitationDefinition.h"
#include "excitation/Multisine.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "gui/ToolbarIcons.h"
#include "gui/TrialsWindow.h"
#include "gui/dialogs/CExcitationDlg.h"
#include "gui/dialogs/COptionsDlg.h"
#include "gui/dialogs/DisplayDialogs.h"

namespace pelmor {

namespace {

struct Prompt {
    int id;
    const char* text;  // status-bar prompt, then the tooltip after "\n"
};

const Prompt kPrompts[] = {
    {cmd::Start, "Start sampling\nStart"},
    {cmd::Stop, "Stop sampling\nStop"},
    {cmd::Record, "Start recording\nRecord"},
    {cmd::Options, "Set options\nOptions"},
    {cmd::ImportExcitation, "Import excitation waveform\nImport excitation"},
    {cmd::ShowImpedance, "Display impedance\nShow impedance"},
    {cmd::ShowXY, "Display XY plot\nShow XY plot"},
    {cmd::StartTracking, "Start measurement in tracking mode\nStart in tracking mode"},
    {cmd::ToSavedValues, "Reset scaling to saved values\nApply scaling"},
    {cmd::ToFactoryValues, "Reset scaling to default values\nDefault scaling"},
    {cmd::NextExcitation, "Select next excitation\nNext excitation"},
    {cmd::PreviousExcitation, "Select previous excitation\nPrevious excitation"},
    {cmd::ImportCalibration, "Import calibration\nImport calibration"},
    {cmd::ShowSpectrum, "Show signal spectrum\nShow signal spectrum"},
    {cmd::BlackBackground, "Set black bacground color\nBlack background"},
    {cmd::OpenImpedanceInExcel,
     "Open impedance data in Spreadsheet\nOpen impedance in Spreadsheet"},
    {cmd::ImportData, "Import data\nImport data"},
    {cmd::SaveScaling, "Save the current plot scaling as default\nSave current scaling"},
    {cmd::GenerateExcitation, "Generate excitation signals\nGenerate excitation"},
    {cmd::CopyExcitation, "Copy excitation data to the clipboard\nCopy excitation data"},
    {cmd::CopyCalibration, "Copy calibration data to the clipboard\nCopy calibration data"},
    {cmd::ExportData, "Export currently displayed data into a file\nExport displayed data"},
    {cmd::Store, "Store displayed impedance\nStore impedance"},
    {cmd::ImportFromFiles, "Batch import impedance data from files\nBatch import impedance"},
    {cmd::ShowStored, "Show stored impedance data\nShow stored impedance data"},
    {cmd::CopyStored, "Copy stored impedance data\nCopy stored impedance"},
    {cmd::OpenStoredInExcel, "Open stored impedance\nOpen stored impedance"},
    {cmd::SelectNextStored, "Select next impedance\nSelect next impedance"},
    {cmd::SelectPreviousStored, "Select previous impedance\nSelect previous impedance"},
    {cmd::DeleteStored, "Dele3te selected impedance\nDelete selected impedance"},
    {cmd::ClearStored, "Clear all stored impedance data\nClear all stored impedance data"},
    {cmd::FullScreen, "Show stored imedance in full screen mode\nFull screen mode"},
    {cmd::SetFilename, "Set base filename\nSet filename"},
    {cmd::ToggleMarked, "Toggle selected impedance marked state\nToggle marked state"},
    {cmd::SetTimeWindow, "Set the time display window\nSet time window"},
    {cmd::FitScalesToNewData,
     "Fit the scales to the data after an import, a recording or a new excitation\nFit scales to "
     "new data"},
    {cmd::CopyImpedance, "Copy the impedance data\nCopy impedance data"},
    {cmd::OutcomeOptions, "Set the outcome frequencies and limits\nOutcome options"},
    {cmd::UnitsOptions,
     "Choose the units values are shown in and the reference set\nUnits and reference values"},
    {cmd::Outcomes, "Outcomes, session quality and response of the marked results\nOutcomes"},
    {cmd::NewSetup, "Create a new setup\nNew setup"},
    {cmd::OpenSetup, "Open an existing setup\nOpen setup"},
    {cmd::SaveSetup, "Save the active setup\nSave setup"},
    {cmd::SaveSetupAs, "Save the active setup with a new name\nSave setup as"},
    {cmd::Print, "Print the active setup\nPrint"},
    {cmd::PrintPreview, "Display full pages\nPrint Preview"},
    {cmd::PrintSetup, "Change the printer and printing options\nPrint Setup"},
    {cmd::ExportReport, "Write a PDF report of the marked stored results\nExport report"},
    {cmd::About, "Display program information, version number and copyright\nAbout"},
    {cmd::Exit, "Quit the application; prompts to save setup\nExit"},
    {cmd::ViewToolbar, "Show or hide the toolbar\nToggle ToolBar"},
    {cmd::ViewStatusBar, "Show or hide the status bar\nToggle StatusBar"},
    {cmd::ViewHelp, "View help\nHelp"},
    {cmd::NewSession, "Start a test session of a subject\nNew session"},
    {cmd::OpenSession, "Open a test session of the database\nOpen session"},
    {cmd::NewPhase, "Add a phase to the open session\nNew phase"},
    {cmd::CloseSession, "Close the open session\nClose session"},
    {cmd::Subjects, "List, find and edit the subjects of the database\nSubjects"},
};

QString PromptPart(int id, int part) {
    for (const Prompt& p : kPrompts)
        if (p.id == id) return QString::fromLatin1(p.text).section(QLatin1Char('\n'), part, part);
    return {};
}

}  // namespace

QString CommandPrompt(int id) { return PromptPart(id, 0); }
QString CommandToolTip(int id) { return PromptPart(id, 1); }

CMainFrame::CMainFrame(CPelmorDoc& doc, QtUserInterface& ui, QtShell& shell)
    : doc_(doc), ui_(ui), shell_(shell) {
    view_ = new CPelmorView(doc_, this);
    setCentralWidget(view_);
    ui_.SetParent(this);
    ui_.statusSink = [this](const QString& text) {
        SetPaneZero(text);
        // Long work (the excitation generation) reports its steps without returning to the
        // event loop: paint the pane now, or the user never sees them.
        if (panes_[0] && panes_[0]->isVisible()) panes_[0]->repaint();
    };
    view_->storedResults = [this] { return MakeStoredResultsView(doc_.Stored()); };
    view_->contextMenu = [this](const ContextHit& hit, const QPoint& global) {
        QMenu* menu = MakeContextMenu(hit);
        if (!menu) return;
        UpdateCommandUi();
        menu->exec(global);
        delete menu;
        ClearPrompt();
    };
    view_->openHelp = [this](const std::string& fragment) { ShowHelp(fragment); };
    setAcceptDrops(true);
    LoadRecentFiles();
    DefineCommands();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    trials_ = new TrialsWindow(this);
    trials_->includeChanged = [this](int trial, bool included) {
        return SetTrialIncluded(trial, included);
    };
    addDockWidget(Qt::RightDockWidgetArea, trials_);
    trials_->hide();
    LoadViewSettings(doc_.Services().profile, view_->State());
    connect(view_, &CPelmorView::Ticked, this, [this](const StatusTexts& texts) {
        ShowStatus(texts);
        AddWrittenRecordings();
        UpdateCommandUi();
    });
    UpdateCommandUi();
}

CMainFrame::~CMainFrame() {
    view_->storedResults = nullptr;
    SaveViewSettings(doc_.Services().profile, view_->State());
    ui_.statusSink = nullptr;
}

void CMainFrame::Define(FrameCommand command) {
    auto* action = new QAction(command.text, this);
    if (!command.keys.isEmpty()) {
        action->setShortcuts(command.keys);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    const QString prompt = CommandPrompt(command.id);
    if (!prompt.isEmpty()) action->setStatusTip(prompt);
    const QString tip = CommandToolTip(command.id);
    if (!tip.isEmpty()) action->setToolTip(tip);
    if (!command.iconName.isEmpty()) {
        QIcon icon = QIcon::fromTheme(command.iconName, ProgramIcon(command.iconName));
        if (!icon.isNull()) action->setIcon(icon);
    }
    if (command.checked) action->setCheckable(true);
    const int id = command.id;
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    addAction(action);  // accelerators work without the menu being open
    actions_.insert(id, action);
    commands_.insert(id, std::move(command));
}

bool CMainFrame::RunCommand(int id) {
    auto it = commands_.find(id);
    if (it == commands_.end() || !it->run) return false;
    if (it->enabled && !it->enabled()) return false;
    it->run();
    UpdateCommandUi();
    view_->Refresh();
    return true;
}

void CMainFrame::UpdateCommandUi() {
    for (auto it = commands_.cbegin(); it != commands_.cend(); ++it) {
        QAction* action = actions_.value(it.key());
        if (!action) continue;
        const bool enabled = it->run && (!it->enabled || it->enabled());
        if (action->isEnabled() != enabled) action->setEnabled(enabled);
        if (it->checked) {
            const bool on = it->checked();
            if (action->isChecked() != on) action->setChecked(on);
        }
    }
    const QString name = doc_.SetupPath().empty()
                             ? QStringLiteral("Untitled")
                             : QString::fromLocal8Bit(WithoutFolder(doc_.SetupPath()).c_str());
    // The simulation is named for as long as it runs, never only once. This runs at every timer
    // tick: only a change goes to the window system, which would otherwise get (and queue) the
    // same title ten times a second.
    // A file recorded in simulation is named so as well while it is shown.
    const bool simulating = doc_.Simulating() || doc_.ShowsSimulatedFile();
    const QString session = session_ ? SessionTitle(*session_) + QStringLiteral(" - ") : QString();
    const QString title = session + name + QStringLiteral("[*] - Pelmor") +
                          (simulating ? QStringLiteral(" [Simulation]") : QString());
    if (windowTitle() != title) setWindowTitle(title);
    if (isWindowModified() != doc_.Modified()) setWindowModified(doc_.Modified());
    if (simulationIndicator_ && simulationIndicator_->isVisibleTo(this) != simulating)
        simulationIndicator_->setVisible(simulating);
}

void CMainFrame::ShowStatus(const StatusTexts& texts) {
    if (texts.pane0) SetPaneZero(QString::fromStdString(*texts.pane0));
    panes_[1]->setText(QString::fromStdString(texts.pane1));
    panes_[2]->setText(QString::fromStdString(texts.pane2));
    panes_[3]->setText(QString::fromStdString(texts.pane3));
}

QString CMainFrame::PaneText(int pane) const {
    return pane >= 0 && pane < 4 && panes_[pane] ? panes_[pane]->text() : QString();
}

void CMainFrame::CopyToClipboard(const std::string& text) { shell_.SetClipboardText(text); }

QString CMainFrame::AskOpenPath(const QString& caption, const QString& filter,
                                const std::string& folder) {
    return QFileDialog::getOpenFileName(this, caption, QString::fromLocal8Bit(folder.c_str()),
                                        filter);
}

void CMainFrame::DefineCommands() {
    CPelmorDoc& d = doc_;
    auto idle = [&d] { return d.CanChangeSetup(); };

    DefineFileCommands();
    DefinePrintCommands();
    DefineReportCommand();
    DefineSessionCommands();

    // Measurement
    Define({cmd::Start,
            tr("Start"),
            {},
            "media-playback-start",
            [&d] { d.StartMeasurement(0); },
            [&d] { return d.CanStart(); }});
    Define({cmd::StartTracking,
            tr("Start in tracking mode"),
            {},
            "media-seek-forward",
            [&d] { d.StartTracking(); },
            [&d] { return d.CanStart(); }});
    Define({cmd::Stop,
            tr("Stop"),
            {},
            "media-playback-stop",
            [&d] { d.Stop(); },
            [&d] { return d.CanStop(); }});
    Define({cmd::Record,
            tr("Record"),
            {},
            "media-record",
            [&d] { d.Record(); },
            [&d] { return d.CanRecord(); }});
    Define({cmd::Options,
            tr("Options"),
            {},
            "preferences-system",
            [this, &d] { EditDocumentOptions(this, d); },
            idle});
    Define({cmd::SetFilename,
            tr("Set filename"),
            {},
            "",
            [&d] { d.SetFileName(); },
            [&d] { return d.CanSetFileName(); }});
    Define({cmd::Space, tr("Space"), {QKeySequence(Qt::Key_Space)}, "", [&d] { d.Space(); }, {}});
    Define({cmd::Filter,
            tr("Filter"),
            {QKeySequence(Qt::CTRL | Qt::Key_F)},
            "",
            [&d] { d.Filter(); },
            {}});

    // Excitations
    Define({cmd::GenerateExcitation,
            tr("Generate excitation signals"),
            {},
            "",
            [this, &d] {
                ExcitationDefinition definition = LoadExcitationDefinition(d.Services().profile);
                if (CExcitationDlg::Edit(this, definition, d.Services().profile))
                    d.GenerateExcitations(definition);
            },
            idle});
    Define({cmd::ImportExcitation,
            tr("&Import excitation"),
            {},
            "insert-object",
            [this, &d] {
                const QString path =
                    AskOpenPath(tr("Import excitation"),
                                tr("Waveform definition files (*.opt);;All files (*.*)"),
                                d.Setup().excitationFolder);
                if (!path.isEmpty()) d.ImportExcitation(path.toLocal8Bit().toStdString());
            },
            idle});
    Define({cmd::NextExcitation,
            tr("Select next excitation"),
            {},
            "go-next",
            [&d] { d.SelectNextExcitation(); },
            [&d] { return d.CanSelectNextExcitation(); }});
    Define({cmd::PreviousExcitation,
            tr("Select previous excitation"),
            {},
            "go-previous",
            [&d] { d.SelectPreviousExcitation(); },
            [&d] { return d.CanSelectPreviousExcitation(); }});
    Define({cmd::CopyExcitation,
            tr("Copy"),
            {},
            "edit-copy",
            [this, &d] { CopyToClipboard(d.CopyExcitationText()); },
            {}});

    // Calibration
    Define({cmd::ImportCalibration,
            tr("Import calibration data"),
            {},
            "",
            [this, &d] {
                const QString path =
                    AskOpenPath(tr("Import calibration data"),
                                tr("Calibration definition files (*.cal);;All files (*.*)"),
                                d.Setup().calibrationFolder);
                if (!path.isEmpty()) d.ImportCalibration(path.toLocal8Bit().toStdString());
            },
            idle});
    Define({cmd::CopyCalibration, tr("Copy"), {}, "edit-copy", [&d] { d.CopyCalibration(); }, {}});

    // Impedance
    Define({cmd::CopyImpedance,
            tr("&Copy impedance data\tCtrl+C"),
            {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
            "edit-copy",
            [&d] { d.HandOutImpedanceData(false); },
            [&d] { return d.CanExportData(); }});
    Define({cmd::OpenImpedanceInExcel,
            tr("Open impedance data in Spreadsheet"),
            {},
            "x-office-spreadsheet",
            [&d] { d.HandOutImpedanceData(true); },
            [&d] { return d.CanExportData(); }});
    DefineStoredCommands();
    DefineOutcomeCommands();

    // View
    Define({cmd::ViewToolbar,
            tr("&Toolbar"),
            {},
            "",
            [this] { toolBar_->setVisible(!toolBar_->isVisible()); },
            {},
            [this] { return toolBar_ && !toolBar_->isHidden(); }});
    Define({cmd::ViewStatusBar,
            tr("&Status Bar"),
            {},
            "",
            [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
            {},
            [this] { return !statusBar()->isHidden(); }});
    ViewState& v = view_->State();
    Profile& profile = d.Services().profile;
    auto toggle = [this](bool& flag) {
        return [this, &flag] {
            flag = !flag;
            view_->Refresh();
        };
    };
    auto isOn = [](const bool& flag) { return [&flag] { return flag; }; };
    Define({cmd::ShowImpedance,
            tr("&Impedance"),
            {},
            "pelmor-impedance",
            toggle(v.showImpedance),
            {},
            isOn(v.showImpedance)});
    Define({cmd::ShowStored,
            tr("Stored impedance"),
            {},
            "pelmor-stored",
            toggle(v.showStoredImpedance),
            {},
            isOn(v.showStoredImpedance)});
    Define({cmd::ShowXY, tr("XY plot"), {}, "pelmor-xy", toggle(v.showXY), {}, isOn(v.showXY)});
    Define({cmd::ShowSpectrum,
            tr("Signal spectrum"),
            {},
            "pelmor-spectrum",
            toggle(v.showSpectrum),
            {},
            isOn(v.showSpectrum)});
    Define({cmd::SaveScaling,
            tr("Save current scaling"),
            {},
            "",
            [&d, &profile] { SaveCurrentScaling(profile, d.Plots()); },
            {}});
    Define({cmd::ToSavedValues,
            tr("To saved values"),
            {},
            "view-restore",
            [&d, &profile] {
                ChangePlotWindows(
                    d, [&profile](PlotSetup& plots) { RestoreSavedScaling(profile, plots); });
            },
            {}});
    Define({cmd::ToFactoryValues,
            tr("To factory default values"),
            {},
            "",
            [&d] { ChangePlotWindows(d, [](PlotSetup& plots) { SetFactoryRanges(plots); }); },
            {}});
    Define({cmd::SetTimeWindow,
            tr("Set time window"),
            {},
            "pelmor-time-window",
            [this, &d] {
                PlotWindow w = d.Plots().windows[kSignalWindow0];
                TimeWindowValues values = TimeWindowFromRange(w.xmin, w.xmax);
                if (CTimeWindowDlg::Edit(this, values)) {
                    ApplyTimeWindow(values, d.Setup().signalPeriod, w.xmin, w.xmax);
                    d.SetPlotWindow(kSignalWindow0, w);
                }
            },
            {}});
    Define({cmd::FitScalesToNewData,
            tr("Fit Scales to New Data"),
            {},
            "",
            [&v] { v.fitScalesToNewData = !v.fitScalesToNewData; },
            {},
            [&v] { return v.fitScalesToNewData; }});
    Define({cmd::BlackBackground,
            tr("Black background"),
            {},
            "pelmor-black-background",
            [&v] { ToggleBlackBackground(v); },
            {},
            [&v] { return BlackBackground(v); }});

    // Help
    Define({cmd::About,
            tr("&About Pelmor..."),
            {},
            "help-about",
            [this] { CAboutDlg::Show(this); },
            {}});
    Define({cmd::ViewHelp,
            tr("View help"),
            {QKeySequence(Qt::Key_F1)},
            "help-contents",
            [this] { ShowHelp(""); },
            {}});

    DefineViewKeys();
    DefineContextCommands();
}

void CMainFrame::BuildMenus() {
    auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(Action(id));
        }
    };
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    add(fileMenu_,
        {cmd::NewSetup, cmd::OpenSetup, cmd::SaveSetup, cmd::SaveSetupAs, 0, cmd::ImportData,
         cmd::ExportData, 0, cmd::Print, cmd::PrintPreview, cmd::ExportReport, cmd::PrintSetup});
    fileMenu_->addSeparator();
    for (int i = 0; i < 8; ++i) fileMenu_->addAction(Action(cmd::RecentFile + i));
    add(fileMenu_, {0, cmd::Exit});
    UpdateRecentMenu();
    add(menuBar()->addMenu(tr("&Session")),
        {cmd::NewSession, cmd::OpenSession, 0, cmd::NewPhase, cmd::CloseSession, 0, cmd::Subjects});
    add(menuBar()->addMenu(tr("&Measurement")), {cmd::Start, cmd::StartTracking, cmd::Stop,
                                                 cmd::Record, 0, cmd::Options, cmd::SetFilename});
    add(menuBar()->addMenu(tr("E&xcitations")),
        {cmd::GenerateExcitation, cmd::ImportExcitation, 0, cmd::NextExcitation,
         cmd::PreviousExcitation, 0, cmd::CopyExcitation});
    add(menuBar()->addMenu(tr("&Calibration")), {cmd::ImportCalibration, 0, cmd::CopyCalibration});
    add(menuBar()->addMenu(tr("&Impedance")),
        {cmd::CopyImpedance, cmd::OpenImpedanceInExcel, 0, cmd::Store, cmd::ImportFromFiles,
         cmd::ClearStored, 0, cmd::CopyStored, cmd::OpenStoredInExcel, 0, cmd::OutcomeOptions,
         cmd::UnitsOptions, cmd::Outcomes});
    QMenu* view = menuBar()->addMenu(tr("&View"));
    add(view, {cmd::ViewToolbar, cmd::ViewStatusBar, 0, cmd::ShowImpedance, cmd::ShowStored,
               cmd::ShowXY, cmd::ShowSpectrum, 0, cmd::SaveScaling});
    add(view->addMenu(tr("Reset scaling")), {cmd::ToSavedValues, cmd::ToFactoryValues});
    add(view, {cmd::FitScalesToNewData, cmd::SetTimeWindow, 0, cmd::BlackBackground});
    add(menuBar()->addMenu(tr("&Help")), {cmd::About, 0, cmd::ViewHelp});
    // A closed menu gives pane 0 back to the measurement state.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToHide, this, [this] { ClearPrompt(); });
}

void CMainFrame::BuildToolBar() {
    toolBar_ = addToolBar(tr("Toolbar"));
    toolBar_->installEventFilter(this);
    toolBar_->setObjectName(QStringLiteral("Toolbar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int layout[] = {cmd::OpenSetup,
                          cmd::SaveSetup,
                          cmd::ImportData,
                          cmd::ExportData,
                          0,
                          cmd::Start,
                          cmd::StartTracking,
                          cmd::Stop,
                          0,
                          cmd::Record,
                          0,
                          cmd::Options,
                          0,
                          cmd::ImportExcitation,
                          cmd::PreviousExcitation,
                          cmd::NextExcitation,
                          0,
                          cmd::ShowXY,
                          cmd::ShowImpedance,
                          cmd::ShowSpectrum,
                          cmd::ToSavedValues,
                          cmd::SetTimeWindow,
                          0,
                          cmd::ShowStored,
                          cmd::Store,
                          cmd::SelectPreviousStored,
                          cmd::SelectNextStored,
                          cmd::ToggleMarked,
                          cmd::DeleteStored,
                          cmd::FullScreen,
                          0,
                          cmd::CopyStored,
                          cmd::OpenStoredInExcel,
                          0,
                          cmd::BlackBackground,
                          0,
                          cmd::Print,
                          cmd::About};
    for (int id : layout) {
        if (id == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        if (a->icon().isNull()) {
            // Without a themed icon the button shows its short name.
            a->setIconText(CommandToolTip(id).isEmpty() ? a->text() : CommandToolTip(id));
        }
        toolBar_->addAction(a);
        // The pointer may leave a button for the toolbar's own empty space: the prompt goes
        // with it.
        if (QWidget* button = toolBar_->widgetForAction(a)) button->installEventFilter(this);
    }
    toolBar_->setToolButtonStyle(Qt::ToolButtonFollowStyle);
}

void CMainFrame::BuildStatusBar() {
    const int widths[4] = {80, 450, 100, 0};
    for (int i = 0; i < 4; ++i) {
        panes_[i] = new QLabel(this);
        panes_[i]->setObjectName(QStringLiteral("pane%1").arg(i));
        panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i]) panes_[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(panes_[i], i == 3 ? 1 : 0);
    }
    // The excitation generation's progress is shown while the layout cannot follow the text:
    // pane 0 holds the longest of it from the start.
    const int progressWidth =
        panes_[0]->fontMetrics().horizontalAdvance(QLatin1String(kWidestGenerationProgress)) +
        2 * panes_[0]->frameWidth() + 2 * panes_[0]->margin() + 8;
    panes_[0]->setMinimumWidth(std::max(widths[0], progressWidth));
    SetPaneZero(tr("Ready"));
    // At the right end, beside the four panes: shown while the simulation runs.
    simulationIndicator_ = new QLabel(tr("SIMULATION"), this);
    simulationIndicator_->setObjectName(QStringLiteral("simulationIndicator"));
    simulationIndicator_->setStyleSheet(
        QStringLiteral("QLabel { color: #d00000; font-weight: bold; padding: 0 6px; }"));
    statusBar()->addPermanentWidget(simulationIndicator_);
    simulationIndicator_->setVisible(false);
}

void CMainFrame::SetPaneZero(const QString& text) {
    paneZero_ = text;
    if (panes_[0] && !promptShown_) panes_[0]->setText(text);
}

void CMainFrame::ShowHelp(const std::string& fragment) {
    if (shell_.OpenHelp(fragment)) return;
    const QString page = shell_.HelpPath();
    const QString text =
        page.isEmpty() || !QFileInfo::exists(page)
            ? tr("The help page was not found. It is installed with the program as help.html.")
            : tr("The help page %1 could not be shown: no program for web pages is set up on "
                 "this desktop (xdg-open found none). Open the file in a web browser instead.")
                  .arg(page);
    doc_.Services().ui.ShowMessage(text.toStdString());
}

void CMainFrame::ClearPrompt() {
    promptShown_ = false;
    if (panes_[0]) panes_[0]->setText(paneZero_);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Toolbar buttons show their prompt on entering but never take it back.
    if (event->type() == QEvent::Leave &&
        (watched == toolBar_ || (watched->isWidgetType() && watched->parent() == toolBar_)))
        ClearPrompt();
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        // The prompt goes to pane 0 alone; the status bar's own message would hide all four.
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (tip.isEmpty()) {
            ClearPrompt();
        } else {
            promptShown_ = true;
            if (panes_[0]) panes_[0]->setText(tip);
        }
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!doc_.CanCloseFrame() || !SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace pelmor
