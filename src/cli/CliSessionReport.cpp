// report: the session report of data files as a PDF, the same pages the desktop program's
// "Export report..." writes.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "platform/Clock.h"
#include "report/PdfReport.h"
#include "report/SessionReport.h"

namespace pelmor::cli {

namespace {

struct SessionReportOptions {
    std::string out;
    std::vector<std::string> files;
    std::vector<std::string> baseline;
    double low = 5;
    double high = 20;
    std::optional<double> trendFrequency;
};

// The files of one set, one after the other through the command's document. Each refused file
// is named with its reason; false when any was refused.
bool AnalyseSet(CommandContext& ctx, const std::vector<std::string>& paths, double trendHz,
                bool pages, SessionReport& report, std::vector<ReportSpectrum>& set) {
    bool allTaken = true;
    const bool showProgress = paths.size() > 10;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (showProgress)
            ctx.err << Format("Analysing %d of %d: ", static_cast<int>(i + 1),
                              static_cast<int>(paths.size()))
                    << paths[i] << "\n";
        ReportSpectrum spectrum;
        ReportRecording recording;
        std::string refusal;
        if (!AnalyseReportFile(ctx.doc, paths[i], trendHz, &spectrum, recording, refusal)) {
            ctx.err << paths[i] << " was refused: " << refusal << ".\n";
            allTaken = false;
            continue;
        }
        // The header describes the session as its first file was analysed.
        if (report.results.empty() && set.empty() && pages) DescribeSession(ctx.doc, report);
        set.push_back(std::move(spectrum));
        if (pages) report.recordings.push_back(std::move(recording));
    }
    return allTaken;
}

int RunSessionReport(CommandContext& ctx, const SessionReportOptions& o) {
    if (!(o.low > 0) || !(o.high > o.low)) {
        ctx.err << Format(
                       "The outcome frequencies must satisfy 0 < low < high (low %lg Hz, high "
                       "%lg Hz).",
                       o.low, o.high)
                << "\n";
        return kExitUsage;
    }
    SessionReport report;
    report.lowFrequency = o.low;
    report.highFrequency = o.high;
    const double trendHz = o.trendFrequency.value_or(o.low);
    Clock& clock = ctx.doc.services.clock;
    report.written = clock.FormatLocalTime("%Y/%m/%d %H:%M:%S", clock.CalendarSeconds());
    bool allTaken = AnalyseSet(ctx, o.files, trendHz, true, report, report.results);
    allTaken = AnalyseSet(ctx, o.baseline, trendHz, false, report, report.baseline) && allTaken;
    if (!allTaken) {
        ctx.err << o.out << " was not written: not every file could be analysed.\n";
        return kExitFailed;
    }
    FitReportModel(report, ctx.doc.services.profile);
    std::string error;
    if (!WriteReportPdf(report, o.out, error)) {
        ctx.err << error << "\n";
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace

void RegisterSessionReportCommand(CLI::App& app, CommandSet& commands) {
    auto o = std::make_shared<SessionReportOptions>();
    CLI::App* c = app.add_subcommand(
        "report", "Write the session report of data files (whole records) as a PDF");
    c->add_option("OUT", o->out, "PDF file to write")->required();
    c->add_option("FILE", o->files, "Data files of the session, in this order")->required();
    c->add_option("--baseline", o->baseline, "Data files of the baseline session");
    c->add_option("--low", o->low, "Low outcome frequency f_L, Hz (default 5)");
    c->add_option("--high", o->high, "High outcome frequency f_H, Hz (default 20)");
    c->add_option("--trend-frequency", o->trendFrequency,
                  "Follow the excitation frequency nearest this on the recording pages, Hz "
                  "(default: the low outcome frequency)");
    c->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) { return RunSessionReport(ctx, *o); };
    });
}

}  // namespace pelmor::cli
