#include "cli/CliReport.h"

#include <CLI/CLI.hpp>
#include <cmath>

#include "core/NumberFormat.h"

namespace pelmor::cli {

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string s;
    for (size_t i = 0; i < items.size(); ++i) s += (i ? separator : "") + items[i];
    return s;
}

void Report::Add(const std::string& key, const ordered_json& value, const std::string& text) {
    if (json_)
        object_[key] = value;
    else
        text_ += key + ": " + text + "\n";
}

void Report::Add(const std::string& key, double value) { Add(key, value, Format("%lg", value)); }
void Report::Add(const std::string& key, int value) { Add(key, value, Format("%d", value)); }
void Report::Add(const std::string& key, const std::string& value) { Add(key, value, value); }

void Report::AddList(const std::string& key, const std::vector<double>& values) {
    std::vector<std::string> texts;
    for (double v : values) texts.push_back(Format("%lg", v));
    Add(key, ordered_json(values), Join(texts, ","));
}

void Report::AddList(const std::string& key, const std::vector<int>& values) {
    std::vector<std::string> texts;
    for (int v : values) texts.push_back(Format("%d", v));
    Add(key, ordered_json(values), Join(texts, ","));
}

std::string JsonText(const ordered_json& j) {
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

void Report::Print(std::ostream& out) const {
    if (json_)
        out << JsonText(object_) << "\n";
    else
        out << text_;
}

void AddFormatOption(CLI::App* command, std::string& format) {
    command->add_option("--format", format, "Output format")
        ->check(CLI::IsMember({"text", "json"}))
        ->default_val("text");
}

std::vector<std::vector<std::string>> SplitTable(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::vector<std::string> cells;
        std::size_t cellStart = start;
        for (;;) {
            const std::size_t tab = text.find('\t', cellStart);
            if (tab == std::string::npos || tab >= end) {
                cells.push_back(text.substr(cellStart, end - cellStart));
                break;
            }
            cells.push_back(text.substr(cellStart, tab - cellStart));
            cellStart = tab + 1;
        }
        rows.push_back(std::move(cells));
        start = last ? text.size() : end + 2;
    }
    return rows;
}

ordered_json CellJson(const std::string& cell) {
    std::size_t first = cell.find_first_not_of(' ');
    if (first == std::string::npos)
        return cell.empty() ? ordered_json(nullptr) : ordered_json(cell);
    const std::string trimmed = cell.substr(first);
    double v = 0;
    // JSON has no not-a-number or infinity: those stay as the text shows them.
    if (ParseDouble(trimmed, v) && std::isfinite(v)) return v;
    return trimmed;
}

ordered_json RowsJson(const std::vector<std::vector<std::string>>& rows, std::size_t first,
                      std::size_t last) {
    ordered_json out = ordered_json::array();
    for (std::size_t r = first; r < last && r < rows.size(); ++r) {
        ordered_json row = ordered_json::array();
        for (const std::string& cell : rows[r]) row.push_back(CellJson(cell));
        out.push_back(std::move(row));
    }
    return out;
}

}  // namespace pelmor::cli
