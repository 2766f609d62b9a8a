// pelmor-cli reference: the reference-equation sets this installation offers, one set's
// equations, and the values a set gives for a subject. The JSON of a set's values for measured
// outcomes is shared with outcomes --reference and session show.
#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "cli/CliApp.h"
#include "cli/CliCommands.h"
#include "cli/CliReport.h"
#include "clinical/ReferenceValues.h"
#include "core/NumberFormat.h"

namespace pelmor::cli {

namespace {

const char* QuantityName(ReferenceQuantity q) {
    switch (q) {
        case ReferenceQuantity::R:
            return "r";
        case ReferenceQuantity::X:
            return "x";
        case ReferenceQuantity::RLowMinusHigh:
            return "r_low_minus_high";
        case ReferenceQuantity::Area:
            return "ax";
        case ReferenceQuantity::Resonance:
            return "fres";
    }
    return "";
}

const char* FormName(EquationForm f) {
    switch (f) {
        case EquationForm::Linear:
            return "linear";
        case EquationForm::Ln:
            return "ln";
        case EquationForm::LnNeg:
            return "ln_neg";
    }
    return "";
}

ordered_json TermsJson(const EquationTerms& terms) {
    ordered_json j = ordered_json::object();
    for (const auto& [variable, coefficient] : terms) j[variable] = coefficient;
    return j;
}

ordered_json EquationJson(const ReferenceEquation& e) {
    ordered_json j = {{"form", FormName(e.form)}, {"terms", TermsJson(e.terms)}};
    if (e.rsd) j["rsd"] = *e.rsd;
    if (e.lln) j["lln"] = TermsJson(*e.lln);
    if (e.uln) j["uln"] = TermsJson(*e.uln);
    return j;
}

// "ln(y) = 2.68 - 0.026 height + 0.012 weight".
std::string TermsText(const EquationTerms& terms) {
    std::string text;
    for (const auto& [variable, coefficient] : terms) {
        const double magnitude = coefficient < 0 ? -coefficient : coefficient;
        if (text.empty())
            text = coefficient < 0 ? "-" : "";
        else
            text += coefficient < 0 ? " - " : " + ";
        text += Format("%.10g", magnitude);
        if (variable != "intercept") text += " " + variable;
    }
    return text;
}

std::string EquationText(const ReferenceEquation& e) {
    const char* g = e.form == EquationForm::Linear ? "y"
                    : e.form == EquationForm::Ln   ? "ln(y)"
                                                   : "ln(-y)";
    std::string text = std::string(g) + " = " + TermsText(e.terms);
    if (e.rsd) text += Format(", RSD %.10g", *e.rsd);
    if (e.lln) text += "; LLN: " + std::string(g) + " = " + TermsText(*e.lln);
    if (e.uln) text += "; ULN: " + std::string(g) + " = " + TermsText(*e.uln);
    return text;
}

struct SubjectOptions {
    std::string sex;
    double age = 0, height = 0;
    std::optional<double> weight;
};

ReferenceCatalogue Catalogue(CommandContext& ctx) {
    ReferenceCatalogue c = LoadReferenceSets(ReferenceFolders());
    for (const std::string& refused : c.refusals) ctx.err << refused << "\n";
    return c;
}

const ReferenceSet* FindSet(CommandContext& ctx, const ReferenceCatalogue& c,
                            const std::string& name) {
    const ReferenceSet* set = c.Find(name);
    if (!set) ctx.err << "There is no reference set \"" << name << "\".\n";
    return set;
}

int RunList(CommandContext& ctx, const std::string& format) {
    const ReferenceCatalogue c = Catalogue(ctx);
    if (format == "json") {
        ordered_json list = ordered_json::array();
        for (const ReferenceSet& s : c.sets)
            list.push_back({{"name", s.name},
                            {"technique", s.technique},
                            {"unit", UnitName(s.unit)},
                            {"file", s.file}});
        ctx.out << JsonText(list) << "\n";
    } else {
        for (const ReferenceSet& s : c.sets)
            ctx.out << s.name << " (" << s.technique << ", " << UnitName(s.unit) << "): " << s.file
                    << "\n";
    }
    return kExitDone;
}

int RunShow(CommandContext& ctx, const std::string& name, const std::string& format) {
    const ReferenceCatalogue c = Catalogue(ctx);
    const ReferenceSet* s = FindSet(ctx, c, name);
    if (!s) return kExitFailed;
    if (format == "json") {
        ordered_json outcomes = ordered_json::object();
        for (const ReferenceOutcome& o : s->outcomes) {
            ordered_json j = {{"quantity", QuantityName(o.quantity)}};
            if (o.frequencyHz) j["frequency"] = *o.frequencyHz;
            j["abnormal"] = o.abnormalHigh ? "high" : "low";
            j["female"] = EquationJson(o.female);
            j["male"] = EquationJson(o.male);
            outcomes[o.name] = j;
        }
        ctx.out << JsonText({{"name", s->name},
                             {"source", s->source},
                             {"technique", s->technique},
                             {"unit", UnitName(s->unit)},
                             {"age", {s->ageMin, s->ageMax}},
                             {"height", {s->heightMin, s->heightMax}},
                             {"outcomes", outcomes},
                             {"file", s->file}})
                << "\n";
        return kExitDone;
    }
    ctx.out << "name: " << s->name << "\nsource: " << s->source << "\ntechnique: " << s->technique
            << "\nunit: " << UnitName(s->unit)
            << Format("\nage: %g to %g years\nheight: %g to %g cm\n", s->ageMin, s->ageMax,
                      s->heightMin, s->heightMax);
    for (const ReferenceOutcome& o : s->outcomes) {
        ctx.out << o.name << " (" << QuantityName(o.quantity);
        if (o.frequencyHz) ctx.out << Format(" at %g Hz", *o.frequencyHz);
        ctx.out << ", abnormal when " << (o.abnormalHigh ? "high" : "low") << ")\n";
        ctx.out << "  female: " << EquationText(o.female) << "\n";
        ctx.out << "  male: " << EquationText(o.male) << "\n";
    }
    ctx.out << "file: " << s->file << "\n";
    return kExitDone;
}

int RunCompute(CommandContext& ctx, const std::string& name, const SubjectOptions& subject,
               const std::string& format) {
    const ReferenceCatalogue c = Catalogue(ctx);
    const ReferenceSet* s = FindSet(ctx, c, name);
    if (!s) return kExitFailed;
    const ReferenceSubject who{subject.sex, subject.age, subject.height, subject.weight};
    std::vector<std::pair<std::string, ReferenceValue>> values;
    try {
        for (const ReferenceOutcome& o : s->outcomes)
            values.emplace_back(o.name, EvaluateReference(o, who, std::nullopt, s->name));
    } catch (const ReferenceError& e) {
        ctx.err << e.what() << "\n";
        return kExitFailed;
    }
    const bool outside = OutsideReferenceRange(*s, who);
    if (format == "json") {
        ordered_json outcomes = ordered_json::object();
        for (const auto& [key, v] : values)
            outcomes[key] = {
                {"predicted", Value(v.predicted)}, {"lln", Value(v.lln)}, {"uln", Value(v.uln)}};
        ctx.out << JsonText({{"set", s->name},
                             {"unit", UnitName(s->unit)},
                             {"ax_unit", AreaUnitName(s->unit)},
                             {"outside_range", outside},
                             {"outcomes", outcomes}})
                << "\n";
        return kExitDone;
    }
    ctx.out << s->name << " (" << UnitName(s->unit) << ")";
    if (outside) ctx.out << ": outside the reference range";
    ctx.out << "\n";
    const auto shown = [](const std::optional<double>& v) {
        return v ? Format("%.6g", *v) : std::string("none");
    };
    for (const auto& [key, v] : values)
        ctx.out << key << ": predicted " << shown(v.predicted) << ", LLN " << shown(v.lln)
                << ", ULN " << shown(v.uln) << "\n";
    return kExitDone;
}

}  // namespace

void AddReferenceSubjectOptions(CLI::App* command, std::string& sex, double& age, double& height,
                                std::optional<double>& weight, bool required) {
    auto* s = command->add_option("--sex", sex, "Sex for the reference values")
                  ->check(CLI::IsMember({"female", "male"}));
    auto* a = command->add_option("--age", age, "Age in years")->check(CLI::Range(0.0, 150.0));
    auto* h =
        command->add_option("--height", height, "Height in cm")->check(CLI::Range(20.0, 300.0));
    command->add_option("--weight", weight, "Weight in kg")->check(CLI::Range(1.0, 500.0));
    if (required) {
        s->required();
        a->required();
        h->required();
    }
}

ordered_json ReferenceJson(const ReferenceReport& report,
                           const std::array<const char*, kOutcomeCount>& keys) {
    if (!report.message.empty())
        return {{"set", report.set}, {"message", report.message}, {"outcomes", nullptr}};
    ordered_json outcomes = ordered_json::object();
    ordered_json messages = ordered_json::array();
    for (const ReferenceResult& r : report.outcomes) {
        if (!r.message.empty()) messages.push_back(r.message);
        if (!r.outcome) continue;
        const ReferenceValue& v = r.value;
        outcomes[keys.at(static_cast<int>(*r.outcome))] = {
            {"predicted", Value(v.predicted)},
            {"lln", Value(v.lln)},
            {"uln", Value(v.uln)},
            {"z", Value(v.z)},
            {"percent_predicted", Value(v.percentPredicted)},
            {"beyond", v.beyond ? ordered_json(*v.beyond) : ordered_json()}};
    }
    ordered_json j = {
        {"set", report.set}, {"outside_range", report.outsideRange}, {"outcomes", outcomes}};
    if (!messages.empty()) j["messages"] = messages;
    return j;
}

void RegisterReferenceCommands(CLI::App& app, CommandSet& commands) {
    CLI::App* reference = app.add_subcommand(
        "reference", "Reference-equation sets: list them, show one, compute a subject's values");
    reference->require_subcommand(1);

    auto listFormat = std::make_shared<std::string>("text");
    CLI::App* list = reference->add_subcommand("list", "The reference sets offered");
    AddFormatOption(list, *listFormat);
    list->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) { return RunList(ctx, *listFormat); };
    });

    auto showName = std::make_shared<std::string>();
    auto showFormat = std::make_shared<std::string>("text");
    CLI::App* show = reference->add_subcommand("show", "One set's equations");
    show->add_option("NAME", *showName, "The set's name")->required();
    AddFormatOption(show, *showFormat);
    show->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) {
            return RunShow(ctx, *showName, *showFormat);
        };
    });

    auto computeName = std::make_shared<std::string>();
    auto subject = std::make_shared<SubjectOptions>();
    auto computeFormat = std::make_shared<std::string>("text");
    CLI::App* compute = reference->add_subcommand(
        "compute", "The predicted value and limits of every outcome of a set for a subject");
    compute->add_option("NAME", *computeName, "The set's name")->required();
    AddReferenceSubjectOptions(compute, subject->sex, subject->age, subject->height,
                               subject->weight, true);
    AddFormatOption(compute, *computeFormat);
    compute->callback([=, &commands] {
        commands.selected = [=](CommandContext& ctx) {
            return RunCompute(ctx, *computeName, *subject, *computeFormat);
        };
    });
}

}  // namespace pelmor::cli
