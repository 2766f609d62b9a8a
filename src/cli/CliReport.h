#pragma once

// Output helpers shared by the commands: "key: value" lines or one JSON object, and tables of
// tab-separated text turned into JSON rows.

#include <array>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/Outcomes.h"
#include "clinical/ReferenceValues.h"

namespace CLI {
class App;
}

namespace pelmor::cli {

using nlohmann::ordered_json;

std::string Join(const std::vector<std::string>& items, const char* separator);

// The JSON text of every --format json output, indented by two: bytes that are not UTF-8 (a
// file name from an older system) are written as U+FFFD instead of ending the program.
std::string JsonText(const ordered_json& j);

// A number, or null for none.
ordered_json Value(const std::optional<double>& v);
// The outcomes by their keys (the outcomes command's "mean", "sd" and "cov").
ordered_json OutcomeObject(const std::array<std::optional<double>, kOutcomeCount>& values);
// {"r_low", "x_low", "ax"}: the change against the baseline, percent.
ordered_json ChangeJson(const BaselineChange& change);

// A reference set's values of a set's means: {"set", "outside_range", "outcomes": {KEY:
// {"predicted", "lln", "uln", "z", "percent_predicted", "beyond"}}}, keyed by the outcome keys,
// and "messages" when some outcome of the set has no value (its frequency differs);
// {"set", "message", "outcomes": null} when there are none (an uncalibrated measurement).
ordered_json ReferenceJson(const ReferenceReport& report,
                           const std::array<const char*, kOutcomeCount>& keys);
// --sex, --age, --height (required when required) and --weight.
void AddReferenceSubjectOptions(CLI::App* command, std::string& sex, double& age, double& height,
                                std::optional<double>& weight, bool required);

// One "key: value" line each, or one JSON object.
class Report {
  public:
    explicit Report(bool json) : json_(json) {}
    void Add(const std::string& key, const ordered_json& value, const std::string& text);
    void Add(const std::string& key, double value);
    void Add(const std::string& key, int value);
    void Add(const std::string& key, const std::string& value);
    void Add(const std::string& key, const char* value) { Add(key, std::string(value)); }
    void AddList(const std::string& key, const std::vector<double>& values);
    void AddList(const std::string& key, const std::vector<int>& values);
    void Print(std::ostream& out) const;

  private:
    bool json_;
    ordered_json object_ = ordered_json::object();
    std::string text_;
};

// --format text|json on a command.
void AddFormatOption(CLI::App* command, std::string& format);

// The lines of a handed-out table (CR LF ends), each split at its tabs.
std::vector<std::vector<std::string>> SplitTable(const std::string& text);
// A cell as JSON: a number when the whole cell is one, null when empty, else the text.
ordered_json CellJson(const std::string& cell);
// Rows [first, last) of a split table as JSON arrays of cells.
ordered_json RowsJson(const std::vector<std::vector<std::string>>& rows, std::size_t first,
                      std::size_t last);

}  // namespace pelmor::cli
