#pragma once

// Case folding for the subject search, the same on every database server: upper-case Latin
// (ASCII, Latin-1, Latin Extended-A), Greek and Cyrillic letters become lower-case; everything
// else stays as it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pelmor {

std::string FoldCase(std::string_view utf8);
// The number of characters of valid UTF-8 text, none when it is not valid UTF-8.
std::optional<std::size_t> ValidUtf8Length(std::string_view text);

}  // namespace pelmor
