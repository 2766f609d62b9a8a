#include "export/OutcomeTables.h"

#include <algorithm>

#include "core/NumberFormat.h"
#include "export/StoredImpedance.h"

namespace pelmor {

namespace {

constexpr int kRLow = static_cast<int>(Outcome::RLow);
constexpr int kXLow = static_cast<int>(Outcome::XLow);
constexpr int kAx = static_cast<int>(Outcome::Ax);
constexpr int kMinCoherence = static_cast<int>(Outcome::MinCoherence);

std::string Number(const std::optional<double>& v) { return v ? Format("%lg", *v) : ""; }

// The cell texts of one table under its format.
struct Cells {
    const OutcomeTextFormat& format;

    std::string Value(Outcome o, const std::optional<double>& v) const {
        return v && format.value ? format.value(o, *v) : Number(v);
    }
    std::string Percent(const std::optional<double>& v) const {
        return v && format.percent ? format.percent(*v) : Number(v);
    }
    TableRow TitleRow(const char* first, const OutcomeSettings& settings) const {
        TableRow row{{first}};
        const auto titles = OutcomeColumnTitles(settings);
        for (int i = 0; i < kOutcomeCount; ++i)
            row.push_back({format.title ? format.title(kAllOutcomes[i], titles[i]) : titles[i]});
        return row;
    }
    TableRow ResultRow(const LabelledOutcomes& r, const OutcomeSettings& settings) const {
        TableRow row{{r.label}};
        for (Outcome o : kAllOutcomes) row.push_back({Value(o, r.outcomes.Value(o))});
        const auto c = r.outcomes.minCoherence;
        row[1 + kMinCoherence].flagged = c && *c < settings.coherenceThreshold;
        return row;
    }
    TableRow StatisticRow(const char* title,
                          const std::array<std::optional<double>, kOutcomeCount>& values,
                          bool percent = false) const {
        TableRow row{{title}};
        for (int i = 0; i < kOutcomeCount; ++i)
            row.push_back({percent ? Percent(values[i]) : Value(kAllOutcomes[i], values[i])});
        return row;
    }
    // A row with cells under R and X at the low frequency and AX only.
    TableRow ChangeColumnsRow(const char* title, const std::optional<double>& r,
                              const std::optional<double>& x,
                              const std::optional<double>& ax) const {
        TableRow row(1 + kOutcomeCount);
        row[0].text = title;
        row[1 + kRLow].text = Percent(r);
        row[1 + kXLow].text = Percent(x);
        row[1 + kAx].text = Percent(ax);
        return row;
    }
};

void AppendRows(std::string& text, const std::vector<TableRow>& rows) {
    for (const TableRow& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) text += '\t';
            text += row[c].text;
        }
        text += "\r\n";
    }
}

void AppendCsvLines(std::string& text, const OutcomeSet& set, const char* which,
                    const std::string& unit) {
    for (const LabelledOutcomes& r : set.results) {
        text += CsvQuoted(r.label);
        for (Outcome o : kAllOutcomes) {
            const auto v = r.outcomes.Value(o);
            text += ',';
            if (v) text += Format("%.10lg", *v);
        }
        text += ',';
        text += which;
        text += ',';
        text += CsvQuoted(unit);
        text += "\r\n";
    }
}

LabelledOutcomes OutcomesOfResult(const StoredResult& s, const OutcomeSettings& settings) {
    return {s.spectrum.label, ComputeOutcomes(s.spectrum, settings)};
}

}  // namespace

std::vector<LabelledOutcomes> MarkedStoredOutcomes(const StoredImpedance& stored,
                                                   const OutcomeSettings& settings) {
    std::vector<LabelledOutcomes> out;
    const int count = std::clamp(stored.count, 0, StoredImpedance::kCapacity);
    for (int k = 0; k < count; ++k)
        if (stored.results[k].marked) out.push_back(OutcomesOfResult(stored.results[k], settings));
    return out;
}

std::vector<StoredResult> MarkedStoredResults(const StoredImpedance& stored) {
    std::vector<StoredResult> out;
    const int count = std::clamp(stored.count, 0, StoredImpedance::kCapacity);
    for (int k = 0; k < count; ++k)
        if (stored.results[k].marked) out.push_back(stored.results[k]);
    return out;
}

std::vector<LabelledOutcomes> OutcomesOfResults(const std::vector<StoredResult>& results,
                                                const OutcomeSettings& settings) {
    std::vector<LabelledOutcomes> out;
    for (const StoredResult& r : results) out.push_back(OutcomesOfResult(r, settings));
    return out;
}

OutcomeReport StoredOutcomeReport(const StoredImpedance& stored,
                                  const std::vector<StoredResult>* baseline,
                                  const OutcomeSettings& settings) {
    std::optional<std::vector<LabelledOutcomes>> base;
    if (baseline) base = OutcomesOfResults(*baseline, settings);
    return MakeOutcomeReport(MarkedStoredOutcomes(stored, settings), std::move(base), settings);
}

std::array<std::string, kOutcomeCount> OutcomeColumnTitles(const OutcomeSettings& s) {
    return {Format("R%lg", s.lowHz),
            Format("X%lg", s.lowHz),
            Format("R%lg", s.highHz),
            Format("R%lg-R%lg", s.lowHz, s.highHz),
            "Fres",
            "AX",
            "Min coherence"};
}

const std::array<const char*, kOutcomeCount>& OutcomeKeys() {
    static const std::array<const char*, kOutcomeCount> keys{
        "r_low", "x_low", "r_high", "r_low_minus_high", "fres", "ax", "min_coherence"};
    return keys;
}

OutcomeTable BuildOutcomeTable(const OutcomeReport& report, const OutcomeTextFormat& format) {
    const OutcomeSettings& s = report.settings;
    const OutcomeSet& set = report.current;
    const Cells cells{format};
    OutcomeTable t;

    t.grid.push_back(cells.TitleRow("Label", s));
    for (const LabelledOutcomes& r : set.results) t.grid.push_back(cells.ResultRow(r, s));
    t.grid.push_back(cells.StatisticRow("Mean", set.statistics.mean));
    t.grid.push_back(cells.StatisticRow("SD", set.statistics.sd));
    TableRow cov = cells.StatisticRow("CoV [%]", set.statistics.cov, true);
    for (int i = 0; i < kOutcomeCount; ++i) {
        const auto& v = set.statistics.cov[i];
        // The limit is the repeatability criterion of R at f_L alone; the other CoVs are shown.
        cov[1 + i].flagged = kAllOutcomes[i] == Outcome::RLow && v && *v > s.covLimitPercent;
    }
    t.grid.push_back(cov);

    const SetQuality& q = set.quality;
    const std::string rLow = Format("R%lg", s.lowHz);
    TableRow covLine{{"CoV of " + rLow + " [%]"}, {cells.Percent(q.covRLow)}};
    if (q.withinLimit) {
        covLine.push_back({*q.withinLimit ? "within limit" : "above limit", !*q.withinLimit});
        covLine[1].flagged = !*q.withinLimit;
    } else if (q.lowOutside) {
        covLine.push_back(
            {Format("%s: %lg Hz lies outside the measured frequencies, %lg to %lg Hz", rLow.c_str(),
                    s.lowHz, q.lowOutside->first, q.lowOutside->second)});
    } else {
        covLine.push_back({"needs at least two results"});
    }
    t.quality.push_back(covLine);
    t.quality.push_back({{"CoV limit [%]"}, {cells.Percent(q.covLimit)}});
    TableRow coherenceLine{{Format("Coherence below %lg", s.coherenceThreshold)}};
    for (int k : q.lowCoherence)
        if (k >= 0 && k < static_cast<int>(set.results.size()))
            coherenceLine.push_back({set.results[k].label, true});
    if (q.lowCoherence.empty()) coherenceLine.push_back({"none"});
    t.quality.push_back(coherenceLine);

    if (report.baseline && report.change) {
        const OutcomeSet& b = *report.baseline;
        const BaselineChange& c = *report.change;
        t.baseline.push_back(cells.TitleRow("Baseline", s));
        for (const LabelledOutcomes& r : b.results) t.baseline.push_back(cells.ResultRow(r, s));
        t.baseline.push_back(cells.StatisticRow("Mean", b.statistics.mean));
        TableRow change = cells.ChangeColumnsRow("Change [%]", c.rLow, c.xLow, c.ax);
        change[1 + kRLow].flagged = c.rLowPasses;
        change[1 + kXLow].flagged = c.xLowPasses;
        change[1 + kAx].flagged = c.axPasses;
        t.baseline.push_back(change);
        t.baseline.push_back(cells.ChangeColumnsRow("Threshold [%]", s.rLowResponsePercent,
                                                    s.xLowResponsePercent, s.axResponsePercent));
        TableRow verdict{{"Response"}};
        if (c.response)
            verdict.push_back({*c.response ? "positive" : "negative", *c.response});
        else
            verdict.push_back({"no change can be given"});
        t.baseline.push_back(verdict);
    }
    return t;
}

std::string OutcomeTableText(const OutcomeTable& table) {
    std::string text;
    AppendRows(text, table.grid);
    text += "\r\n";
    AppendRows(text, table.quality);
    if (!table.baseline.empty()) {
        text += "\r\n";
        AppendRows(text, table.baseline);
    }
    return text;
}

std::string CsvQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string OutcomeCsvText(const OutcomeReport& report, const std::string& unit) {
    std::string text = "label";
    for (const char* key : OutcomeKeys()) text += std::string(",") + key;
    text += ",set,unit\r\n";
    AppendCsvLines(text, report.current, "current", unit);
    if (report.baseline) AppendCsvLines(text, *report.baseline, "baseline", unit);
    return text;
}

}  // namespace pelmor
