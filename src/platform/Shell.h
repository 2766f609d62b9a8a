#pragma once

#include <string>

namespace pelmor {

// The desktop around the program: clipboard, spreadsheet and help hand-offs, folders, locale.
class Shell {
  public:
    virtual ~Shell() = default;
    virtual bool SetClipboardText(const std::string& text) = 0;
    // Starts a spreadsheet program on a file; false with a reason when none could be started.
    virtual bool OpenInSpreadsheet(const std::string& path, std::string& reason) = 0;
    // Opens the help page at a fragment ("" for the top, "spectrum", "keys", ...).
    virtual bool OpenHelp(const std::string& fragment) = 0;
    virtual std::string TempFolder() = 0;
    virtual std::string HomeFolder() = 0;
    // The user's decimal separator, applied only where a table is handed out.
    virtual char DecimalSeparator() = 0;
};

}  // namespace pelmor
