#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <functional>

#include "document/CPelmorDoc.h"

class QAction;
class QMenu;
class QToolBar;

namespace pelmor {

class CPelmorView;
class QtShell;
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

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void DefineCommands();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void Define(FrameCommand command);
    void CopyToClipboard(const std::string& text);
    QString AskOpenPath(const QString& caption, const QString& filter, const std::string& folder);

    CPelmorDoc& doc_;
    QtUserInterface& ui_;
    QtShell& shell_;
    CPelmorView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* panes_[4] = {};
    QMap<int, QAction*> actions_;
    QMap<int, FrameCommand> commands_;
};

// The status-bar prompt and the tooltip of a command ("" when it has none).
QString CommandPrompt(int id);
QString CommandToolTip(int id);

}  // namespace pelmor
