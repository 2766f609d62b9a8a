// The commands over a recorded data file: the impedance table, the trend, the stored-data table
// of several files and the export of a time range. Each imports the file as "Import data" does
// and then takes the same steps the desktop program takes.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>
#include <span>

#include "analysis/WithinBreath.h"
#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "core/NumberFormat.h"
#include "display/DrawAll.h"
#include "document/CPelmorDoc.h"

namespace pelmor::cli {

int ImportForCommand(CommandContext& ctx, const std::string& path) {
    const int shown = ctx.ui.messageCount;
    std::string refusal;
    if (ctx.doc.ImportDataFile(path, &refusal)) return kExitDone;
    // A refusal the document did not explain itself (the user's answer stopped it).
    if (ctx.ui.messageCount == shown) ctx.err << path << " was not imported: " << refusal << ".\n";
    return kExitFailed;
}

bool SelectTrendFrequency(CommandContext& ctx, double hz) {
    const ImpedanceCalculator& c = ctx.doc.Calculator();
    const int count = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    if (count == 0) {
        ctx.err << "The file has no excitation frequency.\n";
        return false;
    }
    const int nearest = NearestFrequencyPosition(std::span<const double>(c.frequencyHz, count), hz);
    // As the frequency keys of the impedance window: select, then recompute the trend.
    ctx.doc.SelectTrendFrequency(nearest);
    return true;
}

namespace {

// The displayed range of the first signal window, which the impedance window and the export
// use; after an import it is the whole record.
struct TimeRange {
    std::optional<double> from;
    std::optional<double> to;
};

void AddRangeOptions(CLI::App* c, TimeRange& range) {
    c->add_option("--from", range.from, "Start of the time range, s (default: the whole record)");
    c->add_option("--to", range.to, "End of the time range, s (default: the whole record)");
}

std::pair<double, double> ShownRange(const CPelmorDoc& doc, const TimeRange& range) {
    const PlotWindow& w = doc.Plots().windows[kSignalWindow0];
    return {range.from.value_or(w.xmin), range.to.value_or(w.xmax)};
}

// ---------------------------------------------------------------- impedance

int RunImpedance(CommandContext& ctx, const std::string& path, const TimeRange& range, bool json) {
    if (int code = ImportForCommand(ctx, path); code != kExitDone) return code;
    CPelmorDoc& doc = ctx.doc;
    const auto [t0, t1] = ShownRange(doc, range);
    // The time-window analysis as the impedance window runs it over the displayed range.
    if (doc.AnalyseInterval(t0, t1) != 0) {
        ctx.err << Format("No whole excitation period lies within %lg ... %lg s.", t0, t1) << "\n";
        return kExitFailed;
    }
    if (!doc.HandOutImpedanceData(false)) {
        ctx.err << "There is no impedance data to hand out.\n";
        return kExitFailed;
    }
    const std::string& text = ctx.shell.clipboard;
    const ImpedanceCalculator& c = doc.Calculator();
    // A frequency whose impedance is not finite is said on standard error, as the impedance
    // window says it; the text leaves its row out and JSON gives null for its values.
    const int count = std::clamp(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    const std::string invalid =
        InvalidImpedanceFrequencies(c.frequencyHz, c.ensembleR, c.ensembleX, count);
    if (!invalid.empty()) ctx.err << Format(kInvalidImpedance, invalid.c_str()) << "\n";
    auto finite = [&](int i) {
        return std::isfinite(c.ensembleR[i]) && std::isfinite(c.ensembleX[i]);
    };
    auto rows = SplitTable(text);
    std::size_t blank = 0;
    while (blank < rows.size() && !(rows[blank].size() == 1 && rows[blank][0].empty())) ++blank;
    if (!json) {
        // Line 1 + i of the first section is frequency i.
        std::string kept;
        std::size_t start = 0;
        for (std::size_t line = 0; start < text.size(); ++line) {
            std::size_t end = text.find("\r\n", start);
            end = end == std::string::npos ? text.size() : end + 2;
            const bool dropped = line >= 1 && line < blank && static_cast<int>(line - 1) < count &&
                                 !finite(static_cast<int>(line - 1));
            if (!dropped) kept.append(text, start, end - start);
            start = end;
        }
        ctx.out << kept;
        return kExitDone;
    }
    for (std::size_t r = 1; r < blank && static_cast<int>(r - 1) < count; ++r)
        if (!finite(static_cast<int>(r - 1)))
            for (std::size_t cell = 1; cell <= 2 && cell < rows[r].size(); ++cell)
                rows[r][cell].clear();
    ordered_json j;
    j["file"] = path;
    j["from"] = c.intervalStart;
    j["to"] = c.intervalEnd;
    j["periods"] = c.periodsAccumulated;
    j["breathing_rate"] = c.breathingRate;
    j["breathing_volume"] = c.breathingVolume;
    j["columns"] = rows.empty() ? ordered_json::array() : ordered_json(rows[0]);
    j["rows"] = RowsJson(rows, 1, blank);
    // The breath-rate section: its title line, then "rate\t\tflow" or "\t\tflow" lines.
    ordered_json rates = ordered_json::array(), flow = ordered_json::array();
    for (std::size_t r = blank + 2; r < rows.size(); ++r) {
        if (!rows[r].empty() && !rows[r][0].empty()) rates.push_back(CellJson(rows[r][0]));
        if (rows[r].size() > 2) flow.push_back(CellJson(rows[r][2]));
    }
    j["respiratory_rate"] = rates;
    j["flow"] = flow;
    ctx.out << JsonText(j) << "\n";
    return kExitDone;
}

// ---------------------------------------------------------------- trend

int RunTrend(CommandContext& ctx, const std::string& path, std::optional<double> hz, bool json) {
    if (int code = ImportForCommand(ctx, path); code != kExitDone) return code;
    const ImpedanceCalculator& c = ctx.doc.Calculator();
    const int count = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    if (hz && !SelectTrendFrequency(ctx, *hz)) return kExitFailed;
    const int n = std::clamp<int>(c.offlineTrendCount, 0, ImpedanceCalculator::kTrendLength);
    if (json) {
        ordered_json j;
        j["file"] = path;
        const int s = c.selectedFrequencyIndex;
        j["frequency"] = s >= 0 && s < count ? ordered_json(c.frequencyHz[s]) : ordered_json();
        ordered_json points = ordered_json::array();
        for (int k = 0; k < n; ++k)
            points.push_back({{"time", c.trendTime[k]},
                              {"re", c.trendR[k]},
                              {"im", c.trendX[k]},
                              {"flow", c.trendFlow[k]}});
        j["points"] = points;
        ctx.out << JsonText(j) << "\n";
        return kExitDone;
    }
    std::string text = "time\tre\tim\tflow\r\n";
    for (int k = 0; k < n; ++k)
        text += Format("%lg\t%lg\t%lg\t%lg\r\n", c.trendTime[k], c.trendR[k], c.trendX[k],
                       c.trendFlow[k]);
    ctx.out << text;
    return kExitDone;
}

// ---------------------------------------------------------------- stored

struct StoredOptions {
    std::vector<std::string> paths;
    std::vector<double> rRange;
    std::vector<double> lcRange;
};

int RunStored(CommandContext& ctx, const StoredOptions& o, bool json) {
    if (o.rRange.size() == 2) ctx.ui.modelRanges.r = std::make_pair(o.rRange[0], o.rRange[1]);
    if (o.lcRange.size() == 2) ctx.ui.modelRanges.lc = std::make_pair(o.lcRange[0], o.lcRange[1]);
    CPelmorDoc& doc = ctx.doc;
    const int storedCount = doc.ImportFromFiles(o.paths);
    doc.HandOutStoredData(false);
    if (ctx.ui.modelOptionsRefused) return kExitUsage;
    const int code = storedCount == static_cast<int>(o.paths.size()) ? kExitDone : kExitFailed;
    const std::string& text = ctx.shell.clipboard;
    if (!json) {
        ctx.out << text;
        return code;
    }
    ordered_json j;
    j["files"] = o.paths;
    ordered_json results = ordered_json::array();
    for (int r = 0; r < doc.Stored().count; ++r) {
        const StoredResult& s = doc.Stored().results[r];
        results.push_back({{"label", s.spectrum.label},
                           {"marked", s.marked},
                           {"breathing_rate", s.breathingRate},
                           {"breathing_volume", s.breathingVolume},
                           {"frequencies", s.spectrum.frequencies},
                           {"re", s.spectrum.R},
                           {"im", s.spectrum.X},
                           {"coherence", s.spectrum.coherence}});
    }
    j["results"] = results;
    const auto rows = SplitTable(text);
    j["table"] = RowsJson(rows, 0, rows.size());
    ctx.out << JsonText(j) << "\n";
    return code;
}

// ---------------------------------------------------------------- export

int RunExport(CommandContext& ctx, const std::string& path, const std::string& out,
              const TimeRange& range) {
    if (int code = ImportForCommand(ctx, path); code != kExitDone) return code;
    const auto [t0, t1] = ShownRange(ctx.doc, range);
    return ctx.doc.ExportData(out, t0, t1) ? kExitDone : kExitFailed;
}

}  // namespace

void RegisterDataCommands(CLI::App& app, CommandSet& commands) {
    {
        auto path = std::make_shared<std::string>();
        auto range = std::make_shared<TimeRange>();
        auto format = std::make_shared<std::string>("text");
        CLI::App* c = app.add_subcommand(
            "impedance", "Import a data file and print the impedance data of a time range");
        c->add_option("FILE", *path, "Data file")->required();
        AddRangeOptions(c, *range);
        AddFormatOption(c, *format);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunImpedance(ctx, *path, *range, *format == "json");
            };
        });
    }
    {
        auto path = std::make_shared<std::string>();
        auto hz = std::make_shared<std::optional<double>>();
        auto format = std::make_shared<std::string>("text");
        CLI::App* c =
            app.add_subcommand("trend", "Import a data file and print the impedance trend");
        c->add_option("FILE", *path, "Data file")->required();
        c->add_option("--frequency", *hz, "Follow the excitation frequency nearest this, Hz");
        AddFormatOption(c, *format);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunTrend(ctx, *path, *hz, *format == "json");
            };
        });
    }
    {
        auto o = std::make_shared<StoredOptions>();
        auto format = std::make_shared<std::string>("text");
        CLI::App* c = app.add_subcommand(
            "stored", "Store the whole-record impedance of each file and print the stored data");
        c->add_option("FILE", o->paths, "Data files, in this order")->required();
        c->add_option("--r-range", o->rRange, "Frequencies (Hz) of the R fit range: FMIN FMAX")
            ->expected(2);
        c->add_option("--lc-range", o->lcRange, "Frequencies (Hz) of the LC fit range: FMIN FMAX")
            ->expected(2);
        AddFormatOption(c, *format);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunStored(ctx, *o, *format == "json");
            };
        });
    }
    {
        auto path = std::make_shared<std::string>();
        auto out = std::make_shared<std::string>();
        auto range = std::make_shared<TimeRange>();
        CLI::App* c = app.add_subcommand(
            "export", "Import a data file and export a time range (.inp: 12 bits, else full)");
        c->add_option("FILE", *path, "Data file")->required();
        c->add_option("OUT", *out, "File to write")->required();
        AddRangeOptions(c, *range);
        c->callback([=, &commands] {
            commands.selected = [=](CommandContext& ctx) {
                return RunExport(ctx, *path, *out, *range);
            };
        });
    }
}

}  // namespace pelmor::cli
