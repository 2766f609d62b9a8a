// record: Start (or the tracking start), then Record, on the device the environment chooses; the
// recording is written under the base name given on the command line.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "excitation/ExcitationRecords.h"

namespace pelmor::cli {

namespace {

struct RecordOptions {
    std::string base;
    int seconds = 10;
    std::optional<int> rate;
    std::optional<std::string> mask;
    std::optional<std::string> bits;
    std::optional<int> signal;       // 1-based bank signal
    std::optional<int> tracking;     // 1-based frequency of the tracking start
    std::optional<int64_t> session;  // the written file becomes a trial of its last phase
};

// The Options dialog's values, checked as the dialog checks them.
int ApplyRecordOptions(CommandContext& ctx, const RecordOptions& o) {
    CPelmorDoc& doc = ctx.doc;
    if (auto refusal = doc.SetRecordingTime(o.seconds)) {
        ctx.err << *refusal << "\n";
        return kExitUsage;
    }
    if (o.rate) doc.SetSampleRateIndex(*o.rate == 256 ? 0 : *o.rate == 512 ? 1 : 2);
    if (o.bits) doc.SetDataBits(*o.bits == "12" ? 0 : 1);
    if (o.mask) {
        const std::string& m = *o.mask;
        const std::size_t skip = m.starts_with("0x") || m.starts_with("0X") ? 2 : 0;
        long long parsed = 0;
        bool valid = m.size() > skip && m.size() <= skip + 2;
        for (std::size_t i = skip; valid && i < m.size(); ++i) {
            const char c = m[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            valid = digit >= 0;
            parsed = parsed * 16 + digit;
        }
        if (!valid || !doc.SetChannelMask(static_cast<int>(parsed))) {
            ctx.err << "--mask: give the measured channels as a hexadecimal mask 01 ... FF (bit 7 "
                       "is channel 1).\n";
            return kExitUsage;
        }
    }
    if (o.signal && !doc.SelectSignal(*o.signal - 1)) {
        ctx.err << Format("--signal: the excitation has signals 1 ... %d.",
                          SignalCountOf(doc.Bank()))
                << "\n";
        return kExitUsage;
    }
    return kExitDone;
}

int RunRecord(CommandContext& ctx, const RecordOptions& o) {
    CPelmorDoc& doc = ctx.doc;
    if (int code = ApplyRecordOptions(ctx, o); code != kExitDone) return code;
    if (o.session && !SessionExists(ctx, *o.session)) return kExitFailed;
    CliUserInterface& ui = ctx.ui;
    ui.recordingBase = o.base;
    ui.pathBeingWritten = [&doc] { return doc.NameBeingWritten(); };
    ui.tempFolder = [&ctx] { return ctx.shell.TempFolder(); };
    if (o.tracking) {
        ui.SetTrackingFrequency(*o.tracking - 1);
        if (!doc.StartTracking()) {
            ctx.err << Format("--tracking: the excitation has no frequency %d.", *o.tracking)
                    << "\n";
            return kExitUsage;
        }
    } else {
        doc.StartMeasurement(0);
    }
    if (!doc.MeasurementRunning()) return kExitFailed;  // the reason was shown
    doc.Record();
    doc.WaitForMeasurementEnd();
    const std::string written = doc.CurrentDataFile();
    if (written.empty()) {
        ctx.err << "The recording was not written.\n";
        return kExitFailed;
    }
    ctx.out << written << "\n";
    // Written, but not where it was asked to go.
    if (ui.saveOptionsAsked > 1) {
        ctx.err << "The recording was written to " << written << " instead.\n";
        return kExitFailed;
    }
    if (o.session) return AddRecordingToSession(ctx, *o.session, written);
    return kExitDone;
}

}  // namespace

void RegisterRecordCommand(CLI::App& app, GlobalOptions& global, CommandSet& commands) {
    (void)global;
    auto o = std::make_shared<RecordOptions>();
    CLI::App* c = app.add_subcommand(
        "record", "Start a measurement, record it and write \"BASE 001.inpx\" (or the next free)");
    c->add_option("BASE", o->base, "Folder and title of the recorded files")->required();
    c->add_option("--seconds", o->seconds,
                  Format("Recording time, s (%d ... %d)", kMinRecordingTime, kMaxRecordingTime))
        ->default_val(10);
    c->add_option("--rate", o->rate, "Sample rate, Hz")->check(CLI::IsMember({256, 512, 1024}));
    c->add_option("--mask", o->mask, "Measured channels as a hexadecimal mask (bit 7: channel 1)");
    c->add_option("--bits", o->bits, "Data format")->check(CLI::IsMember({"12", "full"}));
    c->add_option("--signal", o->signal, "Excitation signal of the bank to use (1-based)");
    c->add_option("--tracking", o->tracking,
                  "Start in tracking mode with this excitation frequency (1-based)");
    c->add_option("--session", o->session,
                  "Add the recording to this session's last phase as a trial");
    c->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) { return RunRecord(ctx, *o); };
    });
}

}  // namespace pelmor::cli
