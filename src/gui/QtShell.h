#pragma once

#include <QString>

#include "platform/Shell.h"

namespace pelmor {

// The desktop: clipboard, spreadsheet and help hand-offs, folders and the decimal separator.
// Callable from any thread; clipboard access is carried to the GUI thread.
class QtShell : public Shell {
  public:
    // helpPath: the installed help page (docs/help.html).
    explicit QtShell(QString helpPath = {});
    bool SetClipboardText(const std::string& text) override;
    bool OpenInSpreadsheet(const std::string& path, std::string& reason) override;
    bool OpenHelp(const std::string& fragment) override;
    std::string TempFolder() override;
    std::string HomeFolder() override;
    char DecimalSeparator() override;
    const QString& HelpPath() const { return helpPath_; }

  private:
    QString helpPath_;
};

}  // namespace pelmor
