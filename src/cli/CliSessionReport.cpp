// report: the session report of data files as a PDF, the same pages the desktop program's
// "Export report..." writes.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

#include "analysis/Outcomes.h"
#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "core/NumberFormat.h"
#include "display/SessionReport.h"
#include "document/CPelmorDoc.h"
#include "document/RecordAnalysis.h"
#include "platform/Clock.h"
#include "report/PdfReport.h"

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

// The files of one set. Each refused file is named with its reason; false when any was refused.
bool AnalyseSet(CommandContext& ctx, const std::vector<std::string>& paths,
                const RecordAnalysisSetup& setup, double trendHz, const char* what,
                std::vector<ReportFile>& files) {
    const int total = static_cast<int>(paths.size());
    auto progress = [&](int done, int) {
        if (total > 10) ctx.err << Format("Analysed %d of %d %s files", done, total, what) << "\n";
    };
    files =
        AnalyseReportFiles(paths, setup, trendHz, ctx.doc.BreathAnalysisSettings(), 0, progress);
    bool allTaken = true;
    for (const ReportFile& f : files) {
        if (f.record.analysed) continue;
        ctx.err << f.record.spectrum.source << " was refused: " << f.record.reason << "\n";
        allTaken = false;
    }
    return allTaken;
}

int RunSessionReport(CommandContext& ctx, const SessionReportOptions& o) {
    OutcomeSettings settings = LoadOutcomeSettings(ctx.doc.Services().profile);
    settings.lowHz = o.low;
    settings.highHz = o.high;
    if (const std::string why = ValidateOutcomeSettings(settings); !why.empty()) {
        ctx.err << why << "\n";
        return kExitUsage;
    }
    // The import's questions are answered as the global options say.
    RecordAnalysisSetup setup = RecordAnalysisSetupOf(ctx.doc);
    setup.generateThirdChannel = ctx.global.answers.thirdChannel;
    setup.useLoadedCalibration = ctx.global.answers.useLoadedCalibration;
    const double trendHz = o.trendFrequency.value_or(o.low);
    std::vector<ReportFile> files, baseline;
    bool allTaken = AnalyseSet(ctx, o.files, setup, trendHz, "session", files);
    allTaken = AnalyseSet(ctx, o.baseline, setup, trendHz, "baseline", baseline) && allTaken;
    if (!allTaken) {
        ctx.err << o.out << " was not written: not every file could be analysed.\n";
        return kExitFailed;
    }

    SessionReport report;
    report.lowFrequency = settings.lowHz;
    report.highFrequency = settings.highHz;
    Clock& clock = ctx.doc.Services().clock;
    report.written = clock.FormatLocalTime("%Y/%m/%d %H:%M:%S", clock.CalendarSeconds());
    if (!ctx.doc.SetupPath().empty()) report.setupName = WithoutFolder(ctx.doc.SetupPath());
    // The calibration and excitation as the first file was analysed.
    if (!files.empty()) {
        report.calibrationPoints = files.front().calibrationPoints;
        report.excitationFrequencies = files.front().excitationFrequencies;
    }
    for (ReportFile& f : files) {
        report.results.push_back(f.record.spectrum);
        report.recordings.push_back(std::move(f.page));
    }
    for (const ReportFile& f : baseline) report.baseline.push_back(f.record.spectrum);
    FitReportModel(report, ctx.doc.Services().profile);
    report.tables = OutcomeReportTables(report, settings);
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
