#include "cli/CliPlatform.h"

#include <cstdlib>
#include <ostream>
#include <string_view>

namespace pelmor::cli {

void CliUserInterface::ShowMessage(const std::string& text) {
    err_ << text << "\n";
    err_.flush();
    ++messageCount;
}

bool CliUserInterface::AskYesNo(const std::string& text) {
    const std::string_view t(text);
    bool yes = false;
    if (t.starts_with("Only two channels are found in this file"))
        yes = answers_.thirdChannel;
    else if (t.starts_with("Calibration data found in this file are not the same"))
        yes = answers_.useLoadedCalibration;
    else if (t.starts_with("No calibration data found for each used frequency"))
        yes = true;
    else if (t.find("Would you like to optimize crest factor?") != std::string_view::npos)
        yes = answers_.optimise;
    else
        yes = false;  // "Data will be lost. Do you want to continue?" and anything else: No
    err_ << text << (yes ? " [Yes]" : " [No]") << "\n";
    err_.flush();
    return yes;
}

int CliUserInterface::ChooseExcitationFrequency(const double*, int count, int preselected) {
    const int k = answers_.trackingFrequency.value_or(preselected);
    return k >= 0 && k < count ? k : -1;
}

bool CliShell::OpenInSpreadsheet(const std::string&, std::string& reason) {
    reason = "the command-line program starts no spreadsheet";
    return false;
}

std::string CliShell::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

std::string CliShell::HomeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

}  // namespace pelmor::cli
