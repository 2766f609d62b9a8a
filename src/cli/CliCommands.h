#pragma once

#include <cstdint>
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
    std::string database;  // --database: the database of subjects and sessions
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

// The commands of each group (CliDataCommands.cpp, CliRecord.cpp, CliSetup.cpp, CliPlot.cpp).
void RegisterDataCommands(CLI::App& app, CommandSet& commands);
void RegisterRecordCommand(CLI::App& app, GlobalOptions& global, CommandSet& commands);
void RegisterSetupCommands(CLI::App& app, CommandSet& commands);
// "breaths" (CliBreaths.cpp).
void RegisterBreathsCommand(CLI::App& app, CommandSet& commands);
// plot (CliPlot.cpp); left out, with the session report, when built without the Qt surface.
void RegisterPlotCommand(CLI::App& app, CommandSet& commands);
// outcomes (CliOutcomes.cpp).
void RegisterOutcomesCommand(CLI::App& app, CommandSet& commands);
// reference list, show and compute (CliReference.cpp).
void RegisterReferenceCommands(CLI::App& app, CommandSet& commands);
// The session report (CliSessionReport.cpp).
void RegisterSessionReportCommand(CLI::App& app, CommandSet& commands);

// subject, session and db (CliSessions.cpp).
void RegisterSessionCommands(CLI::App& app, CommandSet& commands);
// record --session: whether the session exists (else the reason was shown), and the written
// recording added to its last phase (when refused, the message says the file is kept).
bool SessionExists(CommandContext& ctx, int64_t session);
int AddRecordingToSession(CommandContext& ctx, int64_t session, const std::string& written);

// Import data, as the desktop program's command does; exit code 1 when the file was refused.
int ImportForCommand(CommandContext& ctx, const std::string& path);

// Selects the active frequency nearest hz for the trend and recomputes the trend, as the
// impedance window's frequency keys do. False (with a message) when the file has no frequency.
bool SelectTrendFrequency(CommandContext& ctx, double hz);

// --setup, --excitation and --calibration, in that order, as the desktop program's commands.
int ApplyGlobalOptions(CommandContext& ctx);

// Open setup, as the desktop program's command does. False when refused.
bool OpenSetupFile(CommandContext& ctx, const std::string& path);

// The process's one measurement state (the trace buffers are large; they live for the process).
MeasurementState& ProcessMeasurementState();

}  // namespace pelmor::cli
