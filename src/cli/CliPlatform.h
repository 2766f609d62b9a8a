#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor::cli {

// The answers the command line gives to the program's questions.
struct CliAnswers {
    bool thirdChannel = false;          // "Only two channels are found in this file..."
    bool useLoadedCalibration = false;  // "Calibration data found in this file are not the same..."
    bool optimise = false;              // "...Would you like to optimize crest factor?"
    std::optional<int> trackingFrequency;  // the tracking start's frequency (0-based position)
};

// Messages go to standard error followed by a newline; each question is printed followed by
// " [Yes]" or " [No]" and answered as the command line says.
class CliUserInterface : public UserInterface {
  public:
    CliUserInterface(std::ostream& err, CliAnswers answers) : err_(err), answers_(answers) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    int ChooseExcitationFrequency(const double* frequencies, int count, int preselected) override;

    // How many messages were shown (a command that showed a refusal exits 1).
    int messageCount = 0;

  private:
    std::ostream& err_;
    CliAnswers answers_;
};

// The desktop hand-offs of a program without a desktop: the clipboard is kept in memory.
class CliShell : public Shell {
  public:
    bool SetClipboardText(const std::string& text) override {
        clipboard = text;
        return true;
    }
    bool OpenInSpreadsheet(const std::string& path, std::string& reason) override;
    bool OpenHelp(const std::string&) override { return false; }
    std::string TempFolder() override;
    std::string HomeFolder() override;
    char DecimalSeparator() override { return '.'; }

    std::string clipboard;
};

}  // namespace pelmor::cli
