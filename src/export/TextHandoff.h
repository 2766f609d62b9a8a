#pragma once

#include <string>

namespace pelmor {

class Shell;
class UserInterface;

// The name of the spreadsheet hand-off file in the temp folder.
inline constexpr char kSpreadsheetFileName[] = "Pelmortemp.txt";

// Tables are built with "." as the decimal point; this writes the user's separator instead into
// every "." that is directly followed by a digit (the last character is never changed). Nothing
// else changes: tabs, exponents and a "." followed by anything but a digit stay.
std::string LocaliseDecimalSeparator(std::string text, char separator);

// Localises the text and puts it on the clipboard as plain text. False when the clipboard
// refused it (nothing is shown, as for the other clipboard commands).
bool CopyTextToClipboard(const std::string& text, Shell& shell);

// Localises the text, writes it to "Pelmortemp.txt" in the temp folder and starts a spreadsheet
// program on it. When the file cannot be written, or no spreadsheet program can be started, a
// message names the reason (and the file written, so it can be opened by hand). True when the
// program was started.
bool OpenTextInSpreadsheet(const std::string& text, Shell& shell, UserInterface& ui);

// The path OpenTextInSpreadsheet writes: the temp folder followed by "/Pelmortemp.txt".
std::string SpreadsheetFilePath(Shell& shell);

}  // namespace pelmor
