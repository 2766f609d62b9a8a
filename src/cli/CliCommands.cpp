// The subcommands of pelmor-cli. Each drives the same document operations as the desktop
// program and prints what that program would show or hand out.
#include "cli/CliCommands.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "cli/CliApp.h"
#include "cli/CliReport.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "excitation/ExcitationDefinition.h"
#include "excitation/ExcitationFile.h"
#include "excitation/FrequencyList.h"
#include "excitation/Multisine.h"
#include "files/DataFile.h"

namespace pelmor::cli {

MeasurementState& ProcessMeasurementState() {
    static auto* state = new MeasurementState();  // lives for the process, like the buffers
    return *state;
}

namespace {

// The calibration import as a command's step: it fails when the file was refused and when no
// line of it could be read (the document then keeps an empty table and says so).
bool ImportCalibrationData(CommandContext& ctx, const std::string& path) {
    return ctx.doc.ImportCalibration(path) && ctx.doc.Calculator().loadedCalibration.count > 0;
}

}  // namespace

int ApplyGlobalOptions(CommandContext& ctx) {
    const GlobalOptions& g = ctx.global;
    if (!g.setupFile.empty() && !OpenSetupFile(ctx, g.setupFile)) return kExitFailed;
    if (!g.excitationFile.empty() && !ctx.doc.ImportExcitation(g.excitationFile))
        return kExitFailed;
    if (!g.calibrationFile.empty() && !ImportCalibrationData(ctx, g.calibrationFile))
        return kExitFailed;
    return kExitDone;
}

namespace {

std::vector<double> ExcitationFrequencies(const ActiveExcitation& e) {
    std::vector<double> hz;
    for (int i = 0; i < ComponentCountOf(e); ++i)
        hz.push_back(e.period > 0 ? e.frequencyIndex[i] / e.period : 0.0);
    return hz;
}

// ---------------------------------------------------------------- info

int RunInfo(CommandContext& ctx, const std::string& path, bool json) {
    DataFileContents contents;
    std::string message;
    const DataFileLoad load = LoadDataFile(path, contents, message);
    if (load == DataFileLoad::Rejected || load == DataFileLoad::Unreadable) {
        ctx.ui.ShowMessage(message);
        return kExitFailed;
    }
    if (load == DataFileLoad::Short) ctx.ui.ShowMessage(message);
    const DataFileInfo& info = contents.info;
    Report r(json);
    r.Add("format", info.format == DataFormat::FullPrecision ? "full-precision" : "12-bit");
    r.Add("sample_rate", info.sampleRate);
    r.Add("signal_period", info.signalPeriod);
    r.Add("frames", contents.framesRead);
    r.Add("channels", info.channelCount);
    r.Add("recording_time", info.recordingTime);
    r.AddList("frequencies", ExcitationFrequencies(info.excitation));
    r.Add("calibration_points", static_cast<int>(info.calibration.count));
    std::vector<std::string> names;
    for (int c = 0; c < info.channelCount && c < kMaxChannels; ++c)
        names.push_back(info.channelNames[c]);
    r.Add("channel_names", ordered_json(names), Join(names, ","));
    const bool simulated = IsSimulatedTimeStamp(info.timeStamp);
    r.Add("simulated", ordered_json(simulated), simulated ? "true" : "false");
    r.Print(ctx.out);
    return kExitDone;
}

// ---------------------------------------------------------------- excitation

struct GenerateOptions {
    int periodCode = 2;
    std::string shape = "flat";
    std::string distribution = "harmonics";
    double amplitude = 1.0;
    int signals = 1;
    std::vector<int> components;
    std::optional<std::string> frequencies;
    std::optional<uint32_t> seed;
};

int RunGenerate(CommandContext& ctx, const GenerateOptions& o) {
    CPelmorDoc& doc = ctx.doc;
    ExcitationDefinition def = LoadExcitationDefinition(doc.Services().profile);
    def.periodCode = o.periodCode;
    def.amplitudeShape = o.shape == "flat" ? 0 : o.shape == "1/f" ? 1 : 2;
    def.frequencyDistribution = o.distribution == "primes" ? 1 : 0;
    def.signalAmplitude = o.amplitude;
    def.signalCount = o.signals;
    if (!o.components.empty()) {
        for (int j = 0; j < kDefinitionComponents; ++j) def.componentEnabled[j] = 0;
        for (int j : o.components) {
            if (j < 0 || j >= kDefinitionComponents) {
                ctx.err << Format("Component slot %d is outside 0 ... %d.", j,
                                  kDefinitionComponents - 1)
                        << "\n";
                return kExitUsage;
            }
            def.componentEnabled[j] = 1;
        }
    }
    def.ComputeComponentIndexes();
    def.ComputeComponentAmplitudes();
    // The list comes from the option only, never from the dialog's stored one.
    def.useFrequencyList = o.frequencies ? 1 : 0;
    def.frequencyList = o.frequencies.value_or("");
    if (def.useFrequencyList) {
        const FrequencyList list = DefinitionFrequencyList(def);
        if (!list.Ok()) {
            ctx.err << list.error << "\n";
            return kExitUsage;
        }
    }
    if (auto error = CheckExcitationDefinition(def)) {
        ctx.err << (error->integer ? Format("Enter an integer between %.0f and %.0f.",
                                            error->minimum, error->maximum)
                                   : Format("Enter a number between %lg and %lg.", error->minimum,
                                            error->maximum))
                << "\n";
        return kExitUsage;
    }
    if (o.seed) SeedCrestFactorSearch(*o.seed);
    doc.GenerateExcitations(def);
    ctx.out << doc.CopyExcitationText();
    return kExitDone;
}

// Peak over RMS of the 2048-point output table of one bank signal.
double CrestFactor(const CPelmorDoc& doc, int signal) {
    ActiveExcitation active;
    CopySignalToActive(doc.Bank(), signal, active);
    std::array<uint16_t, kExcitationTableSize> table{};
    BuildExcitationTable(doc.Bank(), active, 0, table);
    double peak = 0, squares = 0;
    for (uint16_t code : table) {
        const double v = static_cast<double>(code) - 32768.0;
        peak = std::max(peak, std::fabs(v));
        squares += v * v;
    }
    const double rms = std::sqrt(squares / kExcitationTableSize);
    return rms > 0 ? peak / rms : 0.0;
}

int RunExcitationCheck(CommandContext& ctx, const std::string& path) {
    CPelmorDoc& doc = ctx.doc;
    if (!doc.ImportExcitation(path)) return kExitFailed;
    const ExcitationBank& b = doc.Bank();
    for (int s = 0; s < SignalCountOf(b); ++s) {
        std::vector<std::string> hz;
        for (int i = 0; i < ComponentCountOf(b, s); ++i)
            hz.push_back(Format("%lg", b.period > 0 ? b.frequencyIndex[s][i] / b.period : 0.0));
        ctx.out << Format("signal %d: frequencies %s; crest factor %.3lf", s + 1,
                          Join(hz, ",").c_str(), CrestFactor(doc, s))
                << "\n";
    }
    return kExitDone;
}

int RunCalibrationCheck(CommandContext& ctx, const std::string& path) {
    if (!ImportCalibrationData(ctx, path)) return kExitFailed;
    ctx.out << ctx.doc.CopyCalibrationText();
    return kExitDone;
}

}  // namespace

void RegisterCommands(CLI::App& app, GlobalOptions& global, CommandSet& commands) {
    // info
    {
        auto path = std::make_shared<std::string>();
        auto format = std::make_shared<std::string>("text");
        CLI::App* c = app.add_subcommand("info", "Describe a data file (.inpx or .inp)");
        c->add_option("FILE", *path, "Data file")->required();
        AddFormatOption(c, *format);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunInfo(ctx, *path, *format == "json");
            };
        });
    }
    // excitation generate / check
    {
        CLI::App* excitation = app.add_subcommand("excitation", "Excitation signals");
        excitation->require_subcommand(1);
        auto o = std::make_shared<GenerateOptions>();
        auto seed = std::make_shared<uint32_t>(0);
        CLI::App* g =
            excitation->add_subcommand("generate", "Generate excitation signals and print them");
        g->add_option("--period-code", o->periodCode,
                      "0: 2 s, 1: 1 s, 2: 1/2 s, 3: 1/4 s, 4: 1/8 s")
            ->check(CLI::Range(0, 4));
        g->add_option("--shape", o->shape, "Amplitude law")
            ->check(CLI::IsMember({"flat", "1/f", "1/sqrt(f)"}));
        g->add_option("--distribution", o->distribution, "Frequency distribution")
            ->check(CLI::IsMember({"harmonics", "primes"}));
        g->add_option("--amplitude", o->amplitude, "Signal amplitude, V");
        g->add_option("--signals", o->signals, "Number of signals");
        g->add_option("--components", o->components, "0-based component slots (default: all)")
            ->delimiter(',');
        auto frequencies = std::make_shared<std::string>();
        CLI::Option* frequenciesOption = g->add_option(
            "--frequencies", *frequencies,
            "Frequency list in Hz instead of the twelve components: \"5, 11, 19\", "
            "\"5-35/1\" (from-to/step) or both; multiples of 1/period below 64 Hz, at most 256");
        CLI::Option* seedOption =
            g->add_option("--seed", *seed, "Fix the random generator for reproducible phases");
        g->callback([=, &commands] {
            if (seedOption->count()) o->seed = *seed;
            if (frequenciesOption->count()) o->frequencies = *frequencies;
            commands.selected = [=](CommandContext& ctx) { return RunGenerate(ctx, *o); };
        });
        auto path = std::make_shared<std::string>();
        CLI::App* check = excitation->add_subcommand("check", "Import and check an .opt file");
        check->add_option("FILE", *path, "Waveform definition file")->required();
        check->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) { return RunExcitationCheck(ctx, *path); };
        });
    }
    // calibration check
    {
        CLI::App* calibration = app.add_subcommand("calibration", "Calibration data");
        calibration->require_subcommand(1);
        auto path = std::make_shared<std::string>();
        CLI::App* check = calibration->add_subcommand("check", "Import and check a .cal file");
        check->add_option("FILE", *path, "Calibration file")->required();
        check->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunCalibrationCheck(ctx, *path);
            };
        });
    }
    RegisterDataCommands(app, commands);
    RegisterBreathsCommand(app, commands);
    RegisterRecordCommand(app, global, commands);
    RegisterSetupCommands(app, commands);
    RegisterPlotCommand(app, commands);
    RegisterOutcomesCommand(app, commands);
    RegisterReferenceCommands(app, commands);
    RegisterSessionReportCommand(app, commands);
    RegisterSessionCommands(app, commands);
}

bool OpenSetupFile(CommandContext& ctx, const std::string& path) { return ctx.doc.OpenSetup(path); }

}  // namespace pelmor::cli

#ifndef PELMOR_CLI_PLOT
namespace pelmor::cli {
// Built without the Qt surface: there is nothing to draw with.
void RegisterPlotCommand(CLI::App&, CommandSet&) {}
void RegisterSessionReportCommand(CLI::App&, CommandSet&) {}
}  // namespace pelmor::cli
#endif
