#pragma once

// The tables of the outcomes: the grid of results with Mean, SD and CoV, the quality lines and
// the baseline with its change and verdict, as cells (for the dialog, with the cells that stand
// out), as tab-separated text for the hand-offs, and as csv for other programs.

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "analysis/Outcomes.h"

namespace pelmor {

class StoredImpedance;

struct StoredResult;

// The outcomes of the marked stored results, in index order, under their labels.
std::vector<LabelledOutcomes> MarkedStoredOutcomes(const StoredImpedance& stored,
                                                   const OutcomeSettings& settings);
// The marked stored results themselves, in index order ("Use as baseline" keeps them apart from
// the collection, so that later changes of the collection or of the settings leave the baseline
// spectra as they were and its outcomes are computed with the same settings as the others').
std::vector<StoredResult> MarkedStoredResults(const StoredImpedance& stored);
// The outcomes of results under their labels.
std::vector<LabelledOutcomes> OutcomesOfResults(const std::vector<StoredResult>& results,
                                                const OutcomeSettings& settings);
// The outcomes of the marked stored results and, with a baseline, the baseline's and the change.
OutcomeReport StoredOutcomeReport(const StoredImpedance& stored,
                                  const std::vector<StoredResult>* baseline,
                                  const OutcomeSettings& settings);

// The column titles of the outcomes, with the frequencies "%lg": "R5", "X5", "R20", "R5-R20",
// "Fres", "AX", "Min coherence".
std::array<std::string, kOutcomeCount> OutcomeColumnTitles(const OutcomeSettings& settings);

// One cell of a table (the outcomes' and the session report's): its text ("%lg" for numbers,
// empty for none) and whether it stands out (a CoV above the limit, a coherence below the
// threshold, a positive response).
struct TableCell {
    std::string text;
    bool flagged = false;
};
using TableRow = std::vector<TableCell>;

struct OutcomeTable {
    // "Label" and the column titles; one row per result; "Mean", "SD", "CoV [%]".
    std::vector<TableRow> grid;
    // The CoV of R at the low frequency against the limit, and the results of low coherence.
    std::vector<TableRow> quality;
    // Empty without a baseline. Otherwise "Baseline" with the column titles, one row per
    // baseline result, its "Mean", then "Change [%]" and "Threshold [%]" under R and X at the
    // low frequency and AX, and "Response" with "positive" or "negative".
    std::vector<TableRow> baseline;
};

// How the numbers of the table become text: "%lg" and the plain column titles unless given
// (the dialog rounds values for reading and names their units in the titles).
struct OutcomeTextFormat {
    std::function<std::string(Outcome, double)> value;              // a result's, a mean's or an SD
    std::function<std::string(double)> percent;                     // a CoV, a change, a threshold
    std::function<std::string(Outcome, const std::string&)> title;  // the column of an outcome
};

OutcomeTable BuildOutcomeTable(const OutcomeReport& report, const OutcomeTextFormat& format = {});

// The table as handed out: cells separated by tabs, CR LF line ends, the sections separated by
// an empty line, "." decimals (the hand-off localises them).
std::string OutcomeTableText(const OutcomeTable& table);

// One header line and one line per result: label (quoted), the outcomes ("." decimals, empty
// for none), the set ("current" or "baseline") and the unit of the impedance values (quoted),
// comma-separated with CR LF line ends.
std::string OutcomeCsvText(const OutcomeReport& report, const std::string& unit);

// The csv column names of the outcomes: "r_low", "x_low", "r_high", "r_low_minus_high", "fres",
// "ax", "min_coherence" (also the keys of the command line's json).
const std::array<const char*, kOutcomeCount>& OutcomeKeys();

// A csv cell of text: in double quotes, each quote inside doubled.
std::string CsvQuoted(const std::string& text);

}  // namespace pelmor
