#pragma once

#include <QDialog>
#include <functional>

#include "files/FileNaming.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace pelmor {

// The save-style file dialog behind "Select": proposed path and filter in, the chosen path out
// ("" for Cancel). Replaceable so tests need no real file dialog.
using SaveFileChooser =
    std::function<QString(QWidget* parent, const QString& proposed, const QString& filter)>;
// Installs f (an empty function restores the platform's dialog); returns the one it replaces.
SaveFileChooser SetSaveFileChooser(SaveFileChooser f);

// "Save Setup Dialog": the file title and the working folder of recordings. The folder is
// chosen with "Select"; the append flag is shown (disabled) and kept.
class CSaveSetupDlg : public QDialog {
  public:
    CSaveSetupDlg(QWidget* parent, const SaveOptions& options);

    // What the controls last held: the title as typed and the folder as selected.
    SaveOptions Options() const;
    // "Select": the file dialog, then folder and title from the chosen path.
    void Select();
    // OK: refused with a message while the title is empty.
    void accept() override;

  private:
    void Put();
    SaveOptions options_;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* folder_ = nullptr;
    QCheckBox* append_ = nullptr;
};

// Runs the dialog on options. Whichever way it ends, options take the dialog's values (so a
// SaveOptionsSession around the call remembers a folder picked before Cancel). True on OK.
bool EditSaveOptions(QWidget* parent, SaveOptions& options);

}  // namespace pelmor
