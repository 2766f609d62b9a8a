#include "cli/CliApp.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/CliPlatform.h"
#include "core/Version.h"
#include "device/SerialDriverFactory.h"
#include "device/UsbIds.h"
#include "document/CPelmorDoc.h"
#include "platform/Clock.h"
#include "platform/MemoryProfile.h"
#include "platform/SerialDriver.h"
#ifdef PELMOR_HAVE_FTDI
#include "ftdi/FtdiSerialDriver.h"
#endif

namespace pelmor::cli {

int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"pelmor-cli: respiratory impedance analysis without a display", "pelmor-cli"};
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string("pelmor-cli ") + ProgramVersion(),
                         "Print the version and exit");

    GlobalOptions global;
    app.add_option("--database", global.database,
                   "The database of subjects and sessions: an SQLite file or a PostgreSQL "
                   "connection (instead of PELMOR_DATABASE and the default file)");
    app.add_option("--setup", global.setupFile, "Open this setup file (.plm) first");
    app.add_option("--excitation", global.excitationFile, "Import this excitation file (.opt)");
    app.add_option("--calibration", global.calibrationFile, "Import this calibration file (.cal)");
    app.add_flag("--third-channel", global.answers.thirdChannel,
                 "Answer Yes to generating a third channel for two-channel files");
    app.add_flag("--use-loaded-calibration", global.answers.useLoadedCalibration,
                 "Answer Yes to using the loaded calibration instead of the file's");
    app.add_flag("--optimize", global.answers.optimise,
                 "Answer Yes to optimising the crest factor of imported excitations");

    CommandSet commands;
    RegisterCommands(app, global, commands);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitDone : kExitUsage;
    }
    if (!commands.selected) return kExitUsage;

    MemoryProfile profile;
    CliUserInterface ui(err, global.answers);
    CliShell shell;
    SystemClock clock;
#ifdef PELMOR_HAVE_FTDI
    // The command line never reads the settings store: further USB ids come from the
    // environment only.
    std::string idWarning;
    RegisterFtdiSerialDriver(ExtraUsbIds(std::getenv("PELMOR_USB_IDS"), "", &idWarning));
    if (!idWarning.empty()) err << idWarning << "\n";
#endif
    std::string warning;
    std::unique_ptr<SerialDriver> driver = MakeSerialDriverFromEnvironment(&warning);
    if (!warning.empty()) err << warning << "\n";
    MeasurementState& state = ProcessMeasurementState();
    CPelmorDoc doc(state, DocumentServices{profile, ui, shell, clock, *driver});

    CommandContext ctx{doc, ui, shell, out, err, global};
    if (int code = ApplyGlobalOptions(ctx); code != kExitDone) return code;
    return commands.selected(ctx);
}

}  // namespace pelmor::cli
