#include "clinical/ReferenceValues.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "core/NumberFormat.h"

namespace pelmor {

namespace {

using Json = nlohmann::ordered_json;

constexpr double kNormalQuantile = 1.645;
constexpr const char* kVariables[] = {"intercept", "age",       "age2",  "height",
                                      "height_m",  "ln_height", "weight"};

// The first fault of a set, thrown as the message that names the file.
[[noreturn]] void Fault(const std::string& file, const std::string& what) {
    throw ReferenceError(file + " is not a reference set: " + what + ".");
}

const Json& Member(const Json& object, const char* key, const std::string& where,
                   const std::string& file) {
    auto it = object.find(key);
    if (it == object.end()) Fault(file, where + "\"" + key + "\" is missing");
    return *it;
}

std::string Text(const Json& object, const char* key, const std::string& where,
                 const std::string& file) {
    const Json& v = Member(object, key, where, file);
    if (!v.is_string()) Fault(file, where + "\"" + key + "\" must be text");
    return v.get<std::string>();
}

double Number(const Json& v, const std::string& what, const std::string& file) {
    if (!v.is_number() || !std::isfinite(v.get<double>())) Fault(file, what + " must be a number");
    return v.get<double>();
}

std::pair<double, double> Range(const Json& object, const char* key, const std::string& file) {
    const Json& v = Member(object, key, "", file);
    const std::string what = std::string("\"") + key + "\"";
    if (!v.is_array() || v.size() != 2) Fault(file, what + " must be [min, max]");
    const double lo = Number(v[0], what + " minimum", file);
    const double hi = Number(v[1], what + " maximum", file);
    if (!(lo < hi)) Fault(file, what + " must have its minimum below its maximum");
    return {lo, hi};
}

EquationTerms Terms(const Json& v, const std::string& where, const std::string& file) {
    if (!v.is_object() || v.empty()) Fault(file, where + " must be an object of coefficients");
    EquationTerms terms;
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (std::find(std::begin(kVariables), std::end(kVariables), it.key()) ==
            std::end(kVariables))
            Fault(file, where + " has the unknown variable \"" + it.key() + "\"");
        terms.emplace_back(it.key(), Number(it.value(), where + " \"" + it.key() + "\"", file));
    }
    return terms;
}

ReferenceEquation Equation(const Json& v, const std::string& where, const std::string& file) {
    if (!v.is_object()) Fault(file, where + " must be an equation object");
    ReferenceEquation e;
    const std::string form = Text(v, "form", where + ": ", file);
    if (form == "linear")
        e.form = EquationForm::Linear;
    else if (form == "ln")
        e.form = EquationForm::Ln;
    else if (form == "ln_neg")
        e.form = EquationForm::LnNeg;
    else
        Fault(file, where + ": \"form\" must be \"linear\", \"ln\" or \"ln_neg\"");
    e.terms = Terms(Member(v, "terms", where + ": ", file), where + " \"terms\"", file);
    if (auto it = v.find("rsd"); it != v.end()) {
        e.rsd = Number(*it, where + " \"rsd\"", file);
        if (!(*e.rsd > 0)) Fault(file, where + " \"rsd\" must be above 0");
    }
    if (auto it = v.find("lln"); it != v.end()) e.lln = Terms(*it, where + " \"lln\"", file);
    if (auto it = v.find("uln"); it != v.end()) e.uln = Terms(*it, where + " \"uln\"", file);
    return e;
}

double Inverse(EquationForm form, double g) {
    switch (form) {
        case EquationForm::Linear:
            return g;
        case EquationForm::Ln:
            return std::exp(g);
        case EquationForm::LnNeg:
            return -std::exp(g);
    }
    return g;
}

std::optional<double> Forward(EquationForm form, double y) {
    switch (form) {
        case EquationForm::Linear:
            return y;
        case EquationForm::Ln:
            if (y > 0) return std::log(y);
            return std::nullopt;
        case EquationForm::LnNeg:
            if (y < 0) return std::log(-y);
            return std::nullopt;
    }
    return std::nullopt;
}

double Sum(const EquationTerms& terms, const ReferenceSubject& subject, const std::string& outcome,
           const std::string& setName) {
    double g = 0;
    for (const auto& [variable, coefficient] : terms) {
        double v = 0;
        if (variable == "intercept")
            v = 1;
        else if (variable == "age")
            v = subject.ageYears;
        else if (variable == "age2")
            v = subject.ageYears * subject.ageYears;
        else if (variable == "height")
            v = subject.heightCm;
        else if (variable == "height_m")
            v = subject.heightCm / 100.0;
        else if (variable == "ln_height")
            v = std::log(subject.heightCm);
        else if (variable == "weight") {
            if (!subject.weightKg)
                throw ReferenceError("The reference set " + setName + " needs the weight of the " +
                                     "subject for " + outcome + ".");
            v = *subject.weightKg;
        }
        g += coefficient * v;
    }
    return g;
}

std::optional<double> Finite(double v) {
    if (std::isfinite(v)) return v;
    return std::nullopt;
}

// Days since 1970-01-01 of a proleptic Gregorian date, none when it is not one.
std::optional<long> DayNumber(const std::string& text) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int y = 0, m = 0, d = 0;
    if (!ParseInt(text.substr(0, 4), y) || !ParseInt(text.substr(5, 2), m) ||
        !ParseInt(text.substr(8, 2), d))
        return std::nullopt;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1] + (m == 2 && leap ? 1 : 0))
        return std::nullopt;
    // Howard Hinnant's days_from_civil.
    const int yy = y - (m <= 2 ? 1 : 0);
    const int era = (yy >= 0 ? yy : yy - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(yy - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<long>(era) * 146097 + static_cast<long>(doe) - 719468;
}

}  // namespace

ReferenceSet ParseReferenceSet(std::string_view text, const std::string& file) {
    Json j;
    try {
        j = Json::parse(text);
    } catch (const Json::parse_error& e) {
        Fault(file, Format("it is not JSON (at byte %zu)", e.byte));
    }
    if (!j.is_object()) Fault(file, "it is not a JSON object");
    ReferenceSet set;
    set.file = file;
    set.name = Text(j, "name", "", file);
    if (set.name.empty()) Fault(file, "\"name\" is empty");
    set.source = Text(j, "source", "", file);
    set.technique = Text(j, "technique", "", file);
    if (set.technique != "FOT" && set.technique != "IOS")
        Fault(file, "\"technique\" must be \"FOT\" or \"IOS\"");
    const std::string unit = Text(j, "unit", "", file);
    if (auto u = ParseUnit(unit))
        set.unit = *u;
    else
        Fault(file, "\"unit\" must be \"kPa·s/L\", \"cmH2O·s/L\" or \"hPa·s/L\"");
    std::tie(set.ageMin, set.ageMax) = Range(j, "age", file);
    std::tie(set.heightMin, set.heightMax) = Range(j, "height", file);
    const Json& outcomes = Member(j, "outcomes", "", file);
    if (!outcomes.is_object() || outcomes.empty())
        Fault(file, "\"outcomes\" must be an object with at least one outcome");
    for (auto it = outcomes.begin(); it != outcomes.end(); ++it) {
        const std::string where = "outcome \"" + it.key() + "\"";
        const Json& o = it.value();
        if (!o.is_object()) Fault(file, where + " must be an object");
        ReferenceOutcome r;
        r.name = it.key();
        const std::string quantity = Text(o, "quantity", where + ": ", file);
        static const std::map<std::string, ReferenceQuantity> kQuantities = {
            {"r", ReferenceQuantity::R},
            {"x", ReferenceQuantity::X},
            {"r_low_minus_high", ReferenceQuantity::RLowMinusHigh},
            {"ax", ReferenceQuantity::Area},
            {"fres", ReferenceQuantity::Resonance}};
        auto q = kQuantities.find(quantity);
        if (q == kQuantities.end())
            Fault(file, where +
                            ": \"quantity\" must be \"r\", \"x\", \"r_low_minus_high\", "
                            "\"ax\" or \"fres\"");
        r.quantity = q->second;
        if (r.quantity == ReferenceQuantity::R || r.quantity == ReferenceQuantity::X) {
            r.frequencyHz =
                Number(Member(o, "frequency", where + ": ", file), where + " \"frequency\"", file);
            if (!(*r.frequencyHz > 0)) Fault(file, where + " \"frequency\" must be above 0 Hz");
        }
        const std::string abnormal = Text(o, "abnormal", where + ": ", file);
        if (abnormal != "high" && abnormal != "low")
            Fault(file, where + ": \"abnormal\" must be \"high\" or \"low\"");
        r.abnormalHigh = abnormal == "high";
        r.female = Equation(Member(o, "female", where + ": ", file), where + " female", file);
        r.male = Equation(Member(o, "male", where + ": ", file), where + " male", file);
        set.outcomes.push_back(std::move(r));
    }
    return set;
}

ReferenceSet LoadReferenceSet(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ReferenceError("The reference set " + path + " cannot be read.");
    std::ostringstream text;
    text << in.rdbuf();
    return ParseReferenceSet(text.str(), path);
}

std::vector<std::string> ReferenceFolders() {
    std::vector<std::string> folders{kPackageReferenceFolder};
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        folders.push_back(std::string(data) + "/Pelmor/references");
    else if (const char* home = std::getenv("HOME"); home && *home)
        folders.push_back(std::string(home) + "/.local/share/Pelmor/references");
    return folders;
}

const ReferenceSet* ReferenceCatalogue::Find(const std::string& name) const {
    for (const ReferenceSet& s : sets)
        if (s.name == name) return &s;
    return nullptr;
}

ReferenceCatalogue LoadReferenceSets(const std::vector<std::string>& folders) {
    ReferenceCatalogue catalogue;
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec)) continue;
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            if (entry.path().extension() == ".json") files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        for (const std::string& f : files) {
            try {
                ReferenceSet set = LoadReferenceSet(f);
                auto same = std::find_if(catalogue.sets.begin(), catalogue.sets.end(),
                                         [&](const ReferenceSet& s) { return s.name == set.name; });
                if (same != catalogue.sets.end())
                    *same = std::move(set);
                else
                    catalogue.sets.push_back(std::move(set));
            } catch (const ReferenceError& e) {
                catalogue.refusals.push_back(e.what());
            }
        }
    }
    std::sort(catalogue.sets.begin(), catalogue.sets.end(),
              [](const ReferenceSet& a, const ReferenceSet& b) { return a.name < b.name; });
    return catalogue;
}

std::optional<double> AgeInYears(const std::string& birth, const std::string& date) {
    const auto b = DayNumber(birth), d = DayNumber(date);
    if (!b || !d || *d < *b) return std::nullopt;
    return static_cast<double>(*d - *b) / 365.25;
}

ReferenceValue EvaluateReference(const ReferenceOutcome& outcome, const ReferenceSubject& subject,
                                 std::optional<double> measured, const std::string& setName) {
    if (subject.sex != "female" && subject.sex != "male")
        throw ReferenceError("The reference set " + setName +
                             " needs the sex of the subject (female or male).");
    const ReferenceEquation& e = subject.sex == "female" ? outcome.female : outcome.male;
    ReferenceValue v;
    const double g = Sum(e.terms, subject, outcome.name, setName);
    v.predicted = Finite(Inverse(e.form, g));
    if (e.rsd) {
        const double a = Inverse(e.form, g - kNormalQuantile * *e.rsd);
        const double b = Inverse(e.form, g + kNormalQuantile * *e.rsd);
        v.lln = Finite(std::min(a, b));
        v.uln = Finite(std::max(a, b));
    }
    if (e.lln) v.lln = Finite(Inverse(e.form, Sum(*e.lln, subject, outcome.name, setName)));
    if (e.uln) v.uln = Finite(Inverse(e.form, Sum(*e.uln, subject, outcome.name, setName)));
    if (!measured || !std::isfinite(*measured)) return v;
    const double y = *measured;
    if (e.rsd)
        if (auto gy = Forward(e.form, y)) {
            // Below the predicted value is a negative z in every form: ln(-y) grows as y falls.
            const double z = (*gy - g) / *e.rsd;
            v.z = Finite(e.form == EquationForm::LnNeg ? -z : z);
        }
    if (v.predicted && *v.predicted != 0) v.percentPredicted = Finite(100.0 * y / *v.predicted);
    if (outcome.abnormalHigh && v.uln && y > *v.uln) v.beyond = "uln";
    if (!outcome.abnormalHigh && v.lln && y < *v.lln) v.beyond = "lln";
    return v;
}

bool OutsideReferenceRange(const ReferenceSet& set, const ReferenceSubject& subject) {
    return subject.ageYears < set.ageMin || subject.ageYears > set.ageMax ||
           subject.heightCm < set.heightMin || subject.heightCm > set.heightMax;
}

ReferenceMatch MatchReferenceOutcome(const ReferenceOutcome& outcome,
                                     const OutcomeSettings& settings) {
    const auto at = [](double a, double b) { return std::fabs(a - b) < 0.001; };
    switch (outcome.quantity) {
        case ReferenceQuantity::R: {
            const double f = *outcome.frequencyHz;
            if (at(f, settings.lowHz)) return {Outcome::RLow, ""};
            if (at(f, settings.highHz)) return {Outcome::RHigh, ""};
            const double nearer = std::fabs(f - settings.lowHz) <= std::fabs(f - settings.highHz)
                                      ? settings.lowHz
                                      : settings.highHz;
            return {std::nullopt,
                    Format("The reference set gives R at %g Hz; the outcomes are at %g Hz.", f,
                           nearer)};
        }
        case ReferenceQuantity::X: {
            const double f = *outcome.frequencyHz;
            if (at(f, settings.lowHz)) return {Outcome::XLow, ""};
            return {std::nullopt,
                    Format("The reference set gives X at %g Hz; the outcomes are at %g Hz.", f,
                           settings.lowHz)};
        }
        case ReferenceQuantity::RLowMinusHigh:
            return {Outcome::RLowMinusHigh, ""};
        case ReferenceQuantity::Area:
            return {Outcome::Ax, ""};
        case ReferenceQuantity::Resonance:
            return {Outcome::Fres, ""};
    }
    return {};
}

SpectrumOutcomes MeanOutcomes(const OutcomeStatistics& statistics) {
    SpectrumOutcomes m;
    m.rLow = statistics.Mean(Outcome::RLow);
    m.xLow = statistics.Mean(Outcome::XLow);
    m.rHigh = statistics.Mean(Outcome::RHigh);
    m.rLowMinusHigh = statistics.Mean(Outcome::RLowMinusHigh);
    m.fres = statistics.Mean(Outcome::Fres);
    m.ax = statistics.Mean(Outcome::Ax);
    m.minCoherence = statistics.Mean(Outcome::MinCoherence);
    return m;
}

ReferenceReport ComputeReference(const ReferenceSet& set, const ReferenceSubject& subject,
                                 const SpectrumOutcomes* measured,
                                 std::optional<ImpedanceUnit> measuredUnit,
                                 const OutcomeSettings& settings) {
    ReferenceReport report;
    report.set = set.name;
    if (measured && !measuredUnit) {
        report.message = kReferenceNeedsCalibration;
        return report;
    }
    report.outsideRange = OutsideReferenceRange(set, subject);
    const ImpedanceUnit unit = measuredUnit.value_or(set.unit);
    for (const ReferenceOutcome& o : set.outcomes) {
        ReferenceResult r;
        r.name = o.name;
        const ReferenceMatch match = MatchReferenceOutcome(o, settings);
        r.outcome = match.outcome;
        r.message = match.message;
        if (r.outcome) {
            // Impedance and the reactance area convert alike; the resonance frequency is in Hz.
            const bool hertz = o.quantity == ReferenceQuantity::Resonance;
            const auto toSet = [&](double v) {
                return hertz ? v : ConvertImpedance(v, unit, set.unit);
            };
            const auto fromSet = [&](std::optional<double> v) -> std::optional<double> {
                if (!v || hertz) return v;
                return ConvertImpedance(*v, set.unit, unit);
            };
            std::optional<double> y;
            if (measured)
                if (auto m = measured->Value(*r.outcome)) y = toSet(*m);
            ReferenceValue v = EvaluateReference(o, subject, y, set.name);
            v.predicted = fromSet(v.predicted);
            v.lln = fromSet(v.lln);
            v.uln = fromSet(v.uln);
            r.value = v;
        }
        report.outcomes.push_back(std::move(r));
    }
    return report;
}

}  // namespace pelmor
