#include "cli/CliPlatform.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include "analysis/ModelFit.h"
#include "core/NumberFormat.h"
#include "files/FileNaming.h"

namespace pelmor::cli {

void CliUserInterface::ShowMessage(const std::string& text) {
    err_ << text << "\n";
    err_.flush();
    lastMessage = text;
    ++messageCount;
}

bool CliUserInterface::AskYesNo(Question question, const std::string& text) {
    bool yes = false;
    switch (question) {
        case Question::GenerateThirdChannel:
            yes = answers_.thirdChannel;
            break;
        case Question::CalibrationDiffers:
            yes = answers_.useLoadedCalibration;
            break;
        case Question::CalibrationIncomplete:
            yes = true;
            break;
        case Question::OptimiseCrestFactor:
            yes = answers_.optimise;
            break;
        case Question::DiscardRecording:
            // No brings the save options back; once nobody is there to choose another folder,
            // asking again would never end.
            yes = gaveUpSaving;
            break;
        case Question::QuitWithStoredResults:
        case Question::ReopenSession:
            yes = false;
            break;
    }
    err_ << text << (yes ? " [Yes]" : " [No]") << "\n";
    err_.flush();
    return yes;
}

int CliUserInterface::ChooseExcitationFrequency(const double*, int count, int preselected) {
    const int k = answers_.trackingFrequency.value_or(preselected);
    return k >= 0 && k < count ? k : -1;
}

bool CliUserInterface::EditModelOptions(ModelOptions& options, const double* frequencies,
                                        int count) {
    auto positionOf = [&](double hz) {
        for (int i = 0; i < count; ++i)
            if (std::fabs(frequencies[i] - hz) <= 0.001) return i;
        return -1;
    };
    options = {0, count - 1, 0, count - 1};
    if (modelRanges.r) {
        options.rFrom = positionOf(modelRanges.r->first);
        options.rTo = positionOf(modelRanges.r->second);
    }
    if (modelRanges.lc) {
        options.lcFrom = positionOf(modelRanges.lc->first);
        options.lcTo = positionOf(modelRanges.lc->second);
    }
    const std::string problem = ValidateModelOptions(options, count);
    if (problem.empty()) return true;
    err_ << problem << "\n";
    err_.flush();
    modelOptionsRefused = true;
    return false;
}

bool CliUserInterface::EditSaveOptions(SaveOptions& options) {
    ++saveOptionsAsked;
    const std::size_t slash = recordingBase.rfind('/');
    const std::string title =
        slash == std::string::npos ? recordingBase : recordingBase.substr(slash + 1);
    if (saveOptionsAsked == 1) {
        options.folder =
            slash == std::string::npos ? std::string() : recordingBase.substr(0, slash);
        options.title = title;
        return true;
    }
    // The document has shown "Can't write file ...\r\n<reason>" just before asking again.
    const std::size_t lineEnd = lastMessage.find("\r\n");
    const std::string reason =
        lineEnd == std::string::npos ? lastMessage : lastMessage.substr(lineEnd + 2);
    const std::string failed = pathBeingWritten ? pathBeingWritten() : std::string();
    err_ << "Could not write " << failed << ": " << reason << "\n";
    if (saveOptionsAsked > 2) {
        gaveUpSaving = true;
        err_.flush();
        return false;
    }
    options.folder = tempFolder ? tempFolder() : std::string("/tmp");
    options.title = title;
    err_ << "Writing the recording into " << options.folder << " instead.\n";
    err_.flush();
    return true;
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
