#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor::cli {

// The answers the command line gives to the program's questions.
struct CliAnswers {
    bool thirdChannel = false;             // Question::GenerateThirdChannel
    bool useLoadedCalibration = false;     // Question::CalibrationDiffers
    bool optimise = false;                 // Question::OptimiseCrestFactor
    std::optional<int> trackingFrequency;  // the tracking start's frequency (0-based position)
};

// The model ranges of the stored-data table as frequencies (Hz); unset: the whole list.
struct CliModelRanges {
    std::optional<std::pair<double, double>> r;
    std::optional<std::pair<double, double>> lc;
};

// Messages go to standard error followed by a newline; each question is printed followed by
// " [Yes]" or " [No]" and answered by its name as the command line says (Yes to going on
// without calibration, No to anything the command line has no answer for).
class CliUserInterface : public UserInterface {
  public:
    CliUserInterface(std::ostream& err, CliAnswers answers) : err_(err), answers_(answers) {}
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(Question question, const std::string& text) override;
    int ChooseExcitationFrequency(const double* frequencies, int count, int preselected) override;
    // The ranges take the list entries within 0.001 Hz of the chosen frequencies. A frequency
    // that is not in the list or a range the dialog would refuse prints the dialog's message,
    // sets modelOptionsRefused and answers Cancel.
    bool EditModelOptions(ModelOptions& options, const double* frequencies, int count) override;
    // The recording's base name: the first time the folder and title of recordingBase; when the
    // document asks again (the file could not be written), the path that failed with the reason
    // is printed and the temporary folder offered with the same title; after that Cancel.
    bool EditSaveOptions(SaveOptions& options) override;
    // The tracking start's frequency (0-based position).
    void SetTrackingFrequency(int k) { answers_.trackingFrequency = k; }

    // How many messages were shown (a command that showed a refusal exits 1).
    int messageCount = 0;
    std::string lastMessage;
    CliModelRanges modelRanges;
    bool modelOptionsRefused = false;
    std::string recordingBase;
    // The path the document tried to write last (read when it asks for another name).
    std::function<std::string()> pathBeingWritten;
    std::function<std::string()> tempFolder;
    int saveOptionsAsked = 0;
    bool gaveUpSaving = false;

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
