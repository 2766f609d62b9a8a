#pragma once

#include <iosfwd>

namespace pelmor::cli {

// Exit codes of pelmor-cli.
enum ExitCode : int { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

// Runs pelmor-cli with the given arguments (argv[0] is the program name). Tables and results go
// to out, messages and questions to err. Never reads or writes the user's settings.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace pelmor::cli
