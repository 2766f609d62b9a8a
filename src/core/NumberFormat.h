#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelmor {

// printf-style formatting that always writes "." as the decimal point, whatever the process
// locale (the GUI framework sets it from the environment). Used for every number the program
// prints: "%lg", "%g", "%d", "%5lg", "%.3lf", "%.1lf", "%.3lg", "%03d" and the like.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Parses a whole string (surrounding blanks allowed) as a number with "." as the decimal point.
bool ParseDouble(std::string_view text, double& value);
bool ParseInt(std::string_view text, int& value);

// Parses the longest number at the start of text after blanks and an optional '+', as strtod
// does in the C locale. Returns the count of characters consumed (0 when there is no number).
std::size_t ParseLeadingDouble(std::string_view text, double& value);
std::size_t ParseLeadingInt(std::string_view text, long long& value);

}  // namespace pelmor
