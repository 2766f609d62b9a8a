// pelmor-cli outcomes: the outcomes of any number of data files, each analysed over its whole
// record as "impedance" does, on all cores, with the set's quality and the change against a
// baseline set.
#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

#include "analysis/Outcomes.h"
#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"
#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "document/RecordAnalysis.h"
#include "export/OutcomeTables.h"

namespace pelmor::cli {

ordered_json Value(const std::optional<double>& v) { return v ? ordered_json(*v) : ordered_json(); }

ordered_json OutcomeObject(const std::array<std::optional<double>, kOutcomeCount>& values) {
    ordered_json j = ordered_json::object();
    for (int i = 0; i < kOutcomeCount; ++i) j[OutcomeKeys()[i]] = Value(values[i]);
    return j;
}

ordered_json ChangeJson(const BaselineChange& c) {
    return {{"r_low", Value(c.rLow)}, {"x_low", Value(c.xLow)}, {"ax", Value(c.ax)}};
}

namespace {

// Progress is shown on standard error for batches larger than this.
constexpr int kQuietBatch = 10;

struct OutcomeOptions {
    std::vector<std::string> files;
    std::vector<std::string> baseline;
    std::optional<double> low;
    std::optional<double> high;
    std::string format = "text";
    int jobs = 0;
    std::string reference;  // a reference set's name, with the subject below
    std::string sex;
    double age = 0, height = 0;
    std::optional<double> weight;
};

// What the reference set says of a set's means.
struct ReferenceContext {
    const ReferenceSet* set = nullptr;
    ReferenceSubject subject;
    std::optional<ImpedanceUnit> unit;  // none: not calibrated
};

ordered_json SetReferenceJson(const ReferenceContext& r, const OutcomeSet& set,
                              const OutcomeSettings& settings) {
    const SpectrumOutcomes means = MeanOutcomes(set.statistics);
    return ReferenceJson(ComputeReference(*r.set, r.subject, &means, r.unit, settings),
                         OutcomeKeys());
}

ordered_json ResultsJson(const OutcomeSet& set) {
    ordered_json results = ordered_json::array();
    for (const LabelledOutcomes& r : set.results) {
        ordered_json j;
        j["label"] = r.label;
        for (int i = 0; i < kOutcomeCount; ++i)
            j[OutcomeKeys()[i]] = Value(r.outcomes.Value(kAllOutcomes[i]));
        results.push_back(j);
    }
    return results;
}

std::string ReportJson(const OutcomeReport& report, std::optional<ImpedanceUnit> unit,
                       const ReferenceContext* reference) {
    const OutcomeSet& set = report.current;
    ordered_json j;
    j["low"] = report.settings.lowHz;
    j["high"] = report.settings.highHz;
    j["unit"] = ShownUnit(ShownQuantity::Impedance, unit);
    j["ax_unit"] = ShownUnit(ShownQuantity::Area, unit);
    j["results"] = ResultsJson(set);
    j["mean"] = OutcomeObject(set.statistics.mean);
    j["sd"] = OutcomeObject(set.statistics.sd);
    j["cov"] = OutcomeObject(set.statistics.cov);
    ordered_json lowCoherence = ordered_json::array();
    for (int k : set.quality.lowCoherence) lowCoherence.push_back(set.results[k].label);
    j["quality"] = {
        {"cov_r_low", Value(set.quality.covRLow)},
        {"cov_limit", set.quality.covLimit},
        {"within_limit",
         set.quality.withinLimit ? ordered_json(*set.quality.withinLimit) : ordered_json()},
        {"low_coherence", lowCoherence}};
    if (reference) j["reference"] = SetReferenceJson(*reference, set, report.settings);
    if (report.baseline && report.change) {
        const BaselineChange& c = *report.change;
        ordered_json b;
        b["results"] = ResultsJson(*report.baseline);
        b["mean"] = OutcomeObject(report.baseline->statistics.mean);
        b["change_percent"] = ChangeJson(c);
        b["response"] = c.response ? ordered_json(*c.response) : ordered_json();
        if (reference)
            b["reference"] = SetReferenceJson(*reference, *report.baseline, report.settings);
        j["baseline"] = b;
    } else {
        j["baseline"] = nullptr;
    }
    return JsonText(j) + "\n";
}

int RunOutcomes(CommandContext& ctx, const OutcomeOptions& o) {
    OutcomeSettings settings;
    if (o.low) settings.lowHz = *o.low;
    if (o.high) settings.highHz = *o.high;
    if (const std::string problem = ValidateOutcomeSettings(settings); !problem.empty()) {
        ctx.err << problem << "\n";
        return kExitUsage;
    }
    ReferenceContext reference;
    ReferenceCatalogue catalogue;
    if (!o.reference.empty()) {
        if (o.sex.empty() || !(o.height > 0)) {
            ctx.err << "--reference needs the subject's --sex, --age and --height.\n";
            return kExitUsage;
        }
        catalogue = LoadReferenceSets(ReferenceFolders());
        for (const std::string& refused : catalogue.refusals) ctx.err << refused << "\n";
        reference.set = catalogue.Find(o.reference);
        if (!reference.set) {
            ctx.err << "There is no reference set \"" << o.reference << "\".\n";
            return kExitFailed;
        }
        reference.subject = {o.sex, o.age, o.height, o.weight};
    }
    RecordAnalysisSetup setup = RecordAnalysisSetupOf(ctx.doc);
    setup.generateThirdChannel = ctx.global.answers.thirdChannel;
    setup.useLoadedCalibration = ctx.global.answers.useLoadedCalibration;

    std::vector<std::string> paths = o.files;
    paths.insert(paths.end(), o.baseline.begin(), o.baseline.end());
    const int total = static_cast<int>(paths.size());
    int shownStep = -1;
    RecordProgress progress;
    if (total > kQuietBatch) {
        progress = [&](int done, int all) {
            const int step = done * 20 / all;  // a line every 5 %
            if (step == shownStep && done != all) return;
            shownStep = step;
            ctx.err << Format("Analysed %d of %d files", done, all) << "\n";
            ctx.err.flush();
        };
    }
    const std::vector<RecordResult> spectra = AnalyseRecords(paths, setup, o.jobs, progress);

    bool refused = false;
    bool calibrated = true;
    std::vector<LabelledOutcomes> current, baseline;
    for (std::size_t k = 0; k < spectra.size(); ++k) {
        const RecordResult& s = spectra[k];
        if (!s.analysed) {
            ctx.err << s.spectrum.source << " was not analysed: " << s.reason << "\n";
            refused = true;
            continue;
        }
        for (const std::string& m : s.messages) ctx.err << s.spectrum.source << ": " << m << "\n";
        calibrated = calibrated && s.calibrated;
        LabelledOutcomes r{s.spectrum.label, ComputeOutcomes(s.spectrum, settings)};
        (k < o.files.size() ? current : baseline).push_back(std::move(r));
    }
    std::optional<std::vector<LabelledOutcomes>> base;
    if (!o.baseline.empty()) base = std::move(baseline);
    const OutcomeReport report = MakeOutcomeReport(std::move(current), std::move(base), settings);
    // The program's calibrations give impedance in kPa·s/L.
    std::optional<ImpedanceUnit> unit;
    if (calibrated) unit = ImpedanceUnit::KPaSecondPerLitre;
    reference.unit = unit;
    try {
        if (o.format == "json")
            ctx.out << ReportJson(report, unit, reference.set ? &reference : nullptr);
        else if (o.format == "csv")
            ctx.out << OutcomeCsvText(report, ShownUnit(ShownQuantity::Impedance, unit));
        else
            ctx.out << OutcomeTableText(BuildOutcomeTable(report));
    } catch (const ReferenceError& e) {
        ctx.err << e.what() << "\n";
        return kExitFailed;
    }
    return refused ? kExitFailed : kExitDone;
}

}  // namespace

void RegisterOutcomesCommand(CLI::App& app, CommandSet& commands) {
    auto o = std::make_shared<OutcomeOptions>();
    CLI::App* c = app.add_subcommand(
        "outcomes",
        "Outcomes (R, X at the low frequency, Fres, AX, ...) of data files, with "
        "their quality and the change against a baseline");
    c->add_option("FILE", o->files, "Data files, analysed over their whole record")->required();
    c->add_option("--baseline", o->baseline, "Data files of the baseline");
    c->add_option("--low", o->low, "Low outcome frequency, Hz (default 5)");
    c->add_option("--high", o->high, "High outcome frequency, Hz (default 20)");
    c->add_option("--format", o->format, "Output format")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->default_val("text");
    c->add_option("--jobs", o->jobs, "Files analysed at once (default: one per core)")
        ->check(CLI::Range(1, 1024));
    c->add_option("--reference", o->reference,
                  "Reference set for the means (JSON output), with the subject's sex, age and "
                  "height");
    AddReferenceSubjectOptions(c, o->sex, o->age, o->height, o->weight, false);
    c->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) { return RunOutcomes(ctx, *o); };
    });
}

}  // namespace pelmor::cli
