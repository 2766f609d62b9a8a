#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "cli/CliPlatform.h"

namespace CLI {
class App;
}

namespace pelmor {
class CPelmorDoc;
struct MeasurementState;
}  // namespace pelmor

namespace pelmor::cli {

struct GlobalOptions {
    std::string setupFile;
    std::string excitationFile;
    std::string calibrationFile;
    CliAnswers answers;
};

// Everything a command works with.
struct CommandContext {
    CPelmorDoc& doc;
    CliUserInterface& ui;
    CliShell& shell;
    std::ostream& out;
    std::ostream& err;
    const GlobalOptions& global;
};

// The command chosen on the command line, run once the document exists.
struct CommandSet {
    std::function<int(CommandContext&)> selected;
};

// Adds every subcommand to app; the chosen one sets commands.selected while parsing.
void RegisterCommands(CLI::App& app, GlobalOptions& global, CommandSet& commands);

// --setup, --excitation and --calibration, in that order, as the desktop program's commands.
int ApplyGlobalOptions(CommandContext& ctx);

// Open setup, as the desktop program's command does. False when refused.
bool OpenSetupFile(CommandContext& ctx, const std::string& path);

// The process's one measurement state (the trace buffers are large; they live for the process).
MeasurementState& ProcessMeasurementState();

}  // namespace pelmor::cli
