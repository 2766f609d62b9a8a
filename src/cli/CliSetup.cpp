// setup show and setup save: the setup file as Open setup reads it and as Save setup as writes
// it.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "files/SetupFile.h"

namespace pelmor::cli {

namespace {

template <typename T>
std::vector<T> FirstOf(const T* values, int count, int capacity) {
    return std::vector<T>(values, values + std::clamp(count, 0, capacity));
}

void ReportImage(Report& r, const SetupFileImage& s) {
    r.Add("sample_rate_index", s.sampleRateIndex);
    r.Add("sample_rate", s.sampleRate);
    r.Add("channel_mask", s.channelMask, Format("0x%02X", s.channelMask));
    r.Add("channel_count", s.channelCount);
    r.Add("recording_time", s.recordingTime);
    r.Add("data_bits", s.dataBits);
    r.Add("x_channel_index", s.xChannelIndex);
    r.Add("y_channel_index", s.yChannelIndex);
    r.Add("measurement_mode", s.measurementMode);
    r.Add("extra_serial_step", s.extraSerialStep);
    r.Add("selected_signal", s.selectedSignal);
    r.Add("base_name", s.baseName);
    r.Add("serial_number", s.serialNumber);
    r.Add("excitation_folder", s.excitationFolder);
    r.Add("calibration_folder", s.calibrationFolder);
    r.Add("data_file_name", s.currentDataFileName);
    for (int c = 0; c < kMaxChannels; ++c)
        r.Add(Format("channel_name_%d", c + 1), s.channelNames[c]);
    r.Add("averaging_time", s.averagingTime);
    r.Add("frequency_count", s.frequencyCount);
    r.Add("selected_frequency_index", s.selectedFrequencyIndex);
    r.AddList("frequencies", FirstOf(s.frequencyHz.data(), s.frequencyCount, kSetupFrequencies));
    r.Add("z_display_mode", s.zDisplayMode);
    r.Add("z_trend_display", s.zTrendDisplay);

    const ExcitationBank& b = s.excitationBank;
    const int signals = std::clamp<int>(b.signalCount, 0, kMaxSignals);
    r.Add("signal_count", static_cast<int>(b.signalCount));
    r.Add("period", b.period);
    r.Add("definition_points", static_cast<int>(b.definitionPoints));
    r.Add("normalise_amplitude", static_cast<int>(b.normaliseAmplitude));
    r.Add("signal_amplitude", b.signalAmplitude);
    for (int k = 0; k < signals; ++k)
        r.AddList(Format("signal_%d_frequency_indices", k + 1),
                  FirstOf<int>(b.frequencyIndex[k], b.componentCount[k], kMaxComponents));
    const CalibrationTable& cal = s.loadedCalibration;
    r.Add("calibration_points", static_cast<int>(cal.count));
    r.AddList("calibration_frequencies", FirstOf(cal.frequency, cal.count, kMaxCalibrationPoints));
    const SweepBlock& w = s.sweep;
    r.Add("sweep",
          ordered_json{{"enabled", static_cast<int>(w.enabled)},
                       {"period", w.period},
                       {"start", w.startFrequency},
                       {"end", w.endFrequency}},
          Format("%d,%lg,%lg,%lg", w.enabled, w.period, w.startFrequency, w.endFrequency));
    r.Add("time_step", s.plotSetup.timeStep);
}

int RunSetupShow(CommandContext& ctx, const std::string& path, bool json) {
    // The fields as the file holds them (brought into range as Open setup takes them): the
    // document keeps some of them elsewhere until the next start. A shorter file leaves the
    // others at the values the document had.
    auto image = std::make_unique<SetupFileImage>(ctx.doc.MakeSetupImage());
    if (!ctx.doc.OpenSetup(path)) return kExitFailed;
    std::string message;
    if (!LoadSetupFile(path, *image, message)) {
        ctx.ui.ShowMessage(message);
        return kExitFailed;
    }
    ClampSetupImage(*image);
    Report r(json);
    ReportImage(r, *image);
    r.Print(ctx.out);
    return kExitDone;
}

}  // namespace

void RegisterSetupCommands(CLI::App& app, CommandSet& commands) {
    CLI::App* setup = app.add_subcommand("setup", "Setup files (.plm)");
    setup->require_subcommand(1);
    {
        auto path = std::make_shared<std::string>();
        auto format = std::make_shared<std::string>("text");
        CLI::App* c = setup->add_subcommand("show", "Open a setup file and print its fields");
        c->add_option("FILE", *path, "Setup file")->required();
        AddFormatOption(c, *format);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunSetupShow(ctx, *path, *format == "json");
            };
        });
    }
    {
        auto path = std::make_shared<std::string>();
        CLI::App* c = setup->add_subcommand(
            "save", "Save the setup (after --setup, --excitation, --calibration) to a file");
        c->add_option("OUT", *path, "Setup file to write")->required();
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return ctx.doc.SaveSetup(*path) ? kExitDone : kExitFailed;
            };
        });
    }
}

}  // namespace pelmor::cli
