// "breaths": the breath-by-breath analysis of a data file (within-breath estimates over the
// breathing flow's samples), as the trend display's "Copy" hands it out, or as JSON; with
// --series the estimates themselves.
#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "document/DialogValues.h"
#include "export/BreathTable.h"

namespace pelmor::cli {

namespace {

struct BreathsOptions {
    std::string path;
    std::optional<double> frequency;
    std::string sign;
    std::optional<double> threshold;
    std::vector<double> limits;
    bool series = false;
    std::string format = "text";
};

ordered_json Optional(const std::optional<double>& value) {
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

ordered_json StatisticJson(const BreathSummary& s, std::optional<double> BreathStatistic::*field) {
    return ordered_json{{"ti", Optional(s.ti.*field)},      {"te", Optional(s.te.*field)},
                        {"vt", Optional(s.vt.*field)},      {"r_insp", Optional(s.rInsp.*field)},
                        {"r_exp", Optional(s.rExp.*field)}, {"x_insp", Optional(s.xInsp.*field)},
                        {"x_exp", Optional(s.xExp.*field)}, {"dx", Optional(s.dx.*field)}};
}

ordered_json AnalysisJson(const BreathAnalysis& a, double frequency, double threshold) {
    ordered_json breaths = ordered_json::array();
    for (const Breath& b : a.breaths) {
        breaths.push_back({{"index", b.index},
                           {"start", b.start},
                           {"ti", b.ti},
                           {"te", b.te},
                           {"vt", b.vt},
                           {"r_insp", b.rInsp},
                           {"r_exp", b.rExp},
                           {"x_insp", b.xInsp},
                           {"x_exp", b.xExp},
                           {"dx", b.dx},
                           {"efl", b.accepted ? ordered_json(b.flowLimited) : ordered_json()},
                           {"accepted", b.accepted},
                           {"reason", b.accepted ? ordered_json() : ordered_json(b.reason)}});
    }
    const BreathSummary& s = a.summary;
    ordered_json j;
    j["frequency"] = frequency;
    j["threshold"] = threshold;
    j["breaths"] = breaths;
    j["summary"] = {{"total", s.total},
                    {"accepted", s.accepted},
                    {"flow_limited", s.flowLimited},
                    {"flow_limitation", s.flowLimitation},
                    {"mean", StatisticJson(s, &BreathStatistic::mean)},
                    {"sd", StatisticJson(s, &BreathStatistic::sd)},
                    {"cov", StatisticJson(s, &BreathStatistic::cov)}};
    return j;
}

ordered_json SeriesJson(const BreathAnalysis& a) {
    ordered_json series = ordered_json::array();
    for (const WithinBreathEstimate& e : a.estimates)
        series.push_back(
            {{"t", e.time}, {"r", e.r}, {"x", e.x}, {"phase", BreathPhaseName(e.phase)}});
    return series;
}

int RunBreaths(CommandContext& ctx, const BreathsOptions& o) {
    // Limits out of order would refuse every breath: a usage error, as a limit out of range.
    if (o.limits.size() == 4) {
        for (const bool inspiration : {true, false}) {
            const std::size_t at = inspiration ? 0 : 2;
            if (auto problem =
                    BreathDurationOrderProblem(o.limits[at], o.limits[at + 1], inspiration)) {
                ctx.err << "--limits: " << *problem << "\n";
                return kExitUsage;
            }
        }
    }
    if (int code = ImportForCommand(ctx, o.path); code != kExitDone) return code;
    CPelmorDoc& doc = ctx.doc;
    if (o.frequency && !SelectTrendFrequency(ctx, *o.frequency)) return kExitFailed;
    BreathSettings settings = doc.BreathAnalysisSettings();
    if (!o.sign.empty()) settings.inspiratoryFlowSign = o.sign[0] == '-' ? -1 : 1;
    if (o.threshold) settings.flowLimitationThreshold = *o.threshold;
    if (o.limits.size() == 4) {
        settings.inspirationMin = o.limits[0];
        settings.inspirationMax = o.limits[1];
        settings.expirationMin = o.limits[2];
        settings.expirationMax = o.limits[3];
    }
    const ImpedanceCalculator& c = doc.Calculator();
    if (c.offlineTrendCount <= 0) {
        ctx.err << o.path << ": there is no impedance trend to analyse.\n";
        return kExitFailed;
    }
    const BreathAnalysis analysis = doc.RecordBreaths(settings, o.frequency);
    if (!analysis.error.empty()) {
        ctx.err << o.path << ": the breaths cannot be analysed: " << analysis.error << ".\n";
        return kExitFailed;
    }
    const double frequency = analysis.frequency;
    if (o.format == "json") {
        ordered_json j = AnalysisJson(analysis, frequency, settings.flowLimitationThreshold);
        if (o.series) j["series"] = SeriesJson(analysis);
        ctx.out << JsonText(j) << "\n";
    } else {
        ctx.out << (o.series ? BreathSeriesText(analysis) : BreathTableText(analysis, frequency));
    }
    return kExitDone;
}

// The breath analysis's own rule, with the impedance display dialog's messages. A value that is
// no number ("nan" among them, which every comparison lets through) is refused as out of range.
// Described in the help as finite and within the range.
CLI::Validator Checked(std::optional<std::string> (*problem)(double), const std::string& range) {
    return CLI::Validator(
        [problem](std::string& text) {
            double v = 0;
            if (!ParseDouble(text, v)) v = std::nan("");
            return problem(v).value_or(std::string());
        },
        "FINITE:FLOAT in [" + range + "]");
}

}  // namespace

void RegisterBreathsCommand(CLI::App& app, CommandSet& commands) {
    auto o = std::make_shared<BreathsOptions>();
    CLI::App* c = app.add_subcommand(
        "breaths",
        "Import a data file and print the breath-by-breath analysis of its within-breath "
        "impedance");
    c->add_option("FILE", o->path, "Data file")->required();
    c->add_option("--frequency", o->frequency,
                  "Analyse at the excitation frequency nearest this, Hz (default: nearest the low "
                  "outcome frequency, 5 Hz)");
    c->add_option("--sign", o->sign, "Flow sign of inspiration: +1 or -1 (default +1)")
        ->check(CLI::IsMember({"+1", "-1", "1"}));
    c->add_option("--threshold", o->threshold,
                  "dX at or above which a breath is flow-limited (default 0.28)")
        ->check(Checked(FlowLimitationThresholdProblem, "0 - 1e+07"));
    c->add_option("--limits", o->limits,
                  "Duration limits, s: TIMIN TIMAX TEMIN TEMAX (default 0 10 0 10)")
        ->expected(4)
        ->check(Checked(BreathDurationLimitProblem, "0 - 60"));
    c->add_flag("--series", o->series,
                "Print the within-breath estimates (time, R, X, phase) instead of the table; in "
                "JSON add them as \"series\"");
    AddFormatOption(c, o->format);
    c->callback([o, &commands] {
        commands.selected = [o](CommandContext& ctx) { return RunBreaths(ctx, *o); };
    });
}

}  // namespace pelmor::cli
