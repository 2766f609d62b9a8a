#include "export/TextHandoff.h"

#include "core/FileBytes.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor {

std::string LocaliseDecimalSeparator(std::string text, char separator) {
    if (separator == '.' || separator == '\0') return text;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '.' && text[i + 1] >= '0' && text[i + 1] <= '9') text[i] = separator;
    }
    return text;
}

bool CopyTextToClipboard(const std::string& text, Shell& shell) {
    return shell.SetClipboardText(LocaliseDecimalSeparator(text, shell.DecimalSeparator()));
}

std::string SpreadsheetFilePath(Shell& shell) {
    std::string folder = shell.TempFolder();
    if (folder.empty()) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder + kSpreadsheetFileName;
}

bool OpenTextInSpreadsheet(const std::string& text, Shell& shell, UserInterface& ui) {
    const std::string path = SpreadsheetFilePath(shell);
    const std::string localised = LocaliseDecimalSeparator(text, shell.DecimalSeparator());
    std::string reason;
    if (!WriteFileBytes(path, localised.data(), localised.size(), reason)) {
        ui.ShowMessage("The table could not be written to " + path + ":\n" + reason);
        return false;
    }
    if (!shell.OpenInSpreadsheet(path, reason)) {
        ui.ShowMessage("No spreadsheet program could be started: " + reason +
                       "\nThe table was written to " + path + "; open it by hand.");
        return false;
    }
    return true;
}

}  // namespace pelmor
