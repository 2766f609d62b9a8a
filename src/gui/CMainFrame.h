#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <functional>

#include "display/ViewInteraction.h"
#include "document/CPelmorDoc.h"
#include "sessions/SessionStore.h"

class QAction;
class QDialog;
class QMenu;
class QPrinter;
class QToolBar;

namespace pelmor {

class CPelmorView;
class QtShell;
class TrialsWindow;
class QtUserInterface;

// One command of the program: where it appears, what it says and what it does.
struct FrameCommand {
    int id = 0;
    QString text;                   // menu text with its mnemonic and, after a tab, its key
    QList<QKeySequence> keys;       // accelerators
    QString iconName;               // desktop icon theme name ("" for none)
    std::function<void()> run;      // nothing: the command is not available
    std::function<bool()> enabled;  // nothing: always enabled
    std::function<bool()> checked;  // nothing: not a check item
};

// The single main window: menus, toolbar, the four-pane status bar and the view. Command
// states are re-evaluated continuously, as the view's timer ticks.
class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    CMainFrame(CPelmorDoc& doc, QtUserInterface& ui, QtShell& shell);
    ~CMainFrame() override;

    QAction* Action(int id) const { return actions_.value(id, nullptr); }
    // Triggers a command as its menu item would (tests drive the frame this way).
    bool RunCommand(int id);
    // Re-evaluates every command's enabled and checked state and the window title.
    void UpdateCommandUi();
    // Puts the document's status texts into the four panes.
    void ShowStatus(const StatusTexts& texts);
    QString PaneText(int pane) const;
    CPelmorView* View() const { return view_; }
    // The red "SIMULATION" mark at the right end of the status bar.
    QLabel* SimulationIndicator() const { return simulationIndicator_; }

    // Opens a setup file by name (Open, the recent-file list, the command line, dropped files):
    // refused while a measurement runs, after the save prompt for a modified setup.
    bool OpenSetupFile(const QString& path);
    // The save prompt of a modified setup: false when the user cancelled (or saving failed).
    bool SaveModified();
    QStringList RecentFiles() const { return recent_; }
    // The context menu of the window under a point of the view (nothing over an empty area).
    QMenu* MakeContextMenu(const ContextHit& hit);
    // Prints the view's page on printer (the print and preview commands, PDF files).
    void PrintTo(QPrinter& printer);

    // Test hooks: the file dialogs (caption, filter, save, multiple selection; the chosen paths,
    // none for Cancel) and the save prompt (QMessageBox::Yes, No or Cancel).
    std::function<QStringList(const QString&, const QString&, bool save, bool multiple)>
        chooseFiles;
    std::function<int(const QString& text)> askSaveChanges;
    // Test hook: runs the outcomes dialog instead of exec().
    std::function<void(QDialog& dialog)> showOutcomes;
    // Test hook: runs the Session menu's dialogs and the exclusion reason's instead of exec(),
    // returning their result.
    std::function<int(QDialog& dialog)> runSessionDialog;

    // The test session (FrameSessionCommands.cpp). The database is opened on first use from the
    // settings' section "Database" key "Location", PELMOR_DATABASE or the default file; one
    // that cannot be opened is reported and the program goes on without sessions.
    SessionStore* Store();
    // The open session as the store last gave it; none when no session is open.
    const Session* OpenSession() const { return session_ ? &*session_ : nullptr; }
    // Opens a session: the title, the Trials window, the stored results and their baseline, the
    // recordings' title; remembered in the settings for the next start. False (reported) when
    // the store has no such session.
    bool OpenSessionNumber(int64_t number);
    void CloseSession();
    // At start-up: the session still open when the program last ended, offered for reopening.
    void OfferToReopenSession();
    TrialsWindow* Trials() const { return trials_; }

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void DefineCommands();
    void DefineFileCommands();
    void DefineStoredCommands();
    void DefineOutcomeCommands();
    void DefineViewKeys();
    void DefineContextCommands();
    void DefinePrintCommands();
    void DefineReportCommand();
    void DefineSessionCommands();
    // Reads the open session again and shows it.
    void RefreshSession();
    // The open session as it is held: the Trials window, the stored results, the title proposed.
    void ShowSession();
    // The recordings written since the last look, made trials of the current phase.
    void AddWrittenRecordings();
    // "Import from files" while a session is open: the files as trials of the current phase.
    void ImportIntoSession(const std::vector<std::string>& paths);
    bool SetTrialIncluded(int trial, bool included);
    void ReportStoreError(const std::string& text);
    // "Export report...": the marked stored results and their recordings as a PDF.
    bool CanExportReport() const;
    void ExportReport();
    void SaveSetupAs();
    bool SaveSetupTo(const QString& path);
    void AddRecentFile(const QString& path);
    void LoadRecentFiles();
    void WriteRecentFiles();
    void UpdateRecentMenu();
    // suggested: the file name a save dialog proposes in the data folder ("" for none).
    QStringList ChooseFiles(const QString& caption, const QString& filter, bool save, bool multiple,
                            const QString& suggested = QString());
    QPrinter& Printer();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void Define(FrameCommand command);
    // Pane 0's own text (the measurement state, progress); a command's prompt covers it while
    // the pointer rests on the command.
    void SetPaneZero(const QString& text);
    void ClearPrompt();
    // Opens the help page at an anchor; says why when the desktop cannot show it.
    void ShowHelp(const std::string& fragment);
    void CopyToClipboard(const std::string& text);
    QString AskOpenPath(const QString& caption, const QString& filter, const std::string& folder);

    CPelmorDoc& doc_;
    QtUserInterface& ui_;
    QtShell& shell_;
    CPelmorView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* panes_[4] = {};
    QLabel* simulationIndicator_ = nullptr;
    QString paneZero_;
    bool promptShown_ = false;
    QMap<int, QAction*> actions_;
    QMap<int, FrameCommand> commands_;
    QMenu* fileMenu_ = nullptr;
    QStringList recent_;
    bool autoscaleAll_ = false;
    int contextSignal_ = 0;
    int contextSpectrum_ = 0;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<SessionStore> store_;
    std::optional<Session> session_;
    TrialsWindow* trials_ = nullptr;
};

// "SUBJECTID DATE" of a session, with "(training session)" for one.
QString SessionTitle(const Session& session);

// The status-bar prompt and the tooltip of a command ("" when it has none).
QString CommandPrompt(int id);
QString CommandToolTip(int id);

}  // namespace pelmor
