#pragma once

// Text inside the program is UTF-8. The formats whose layout fixes single-byte text (setup-file
// strings, the channel names of data files) carry Latin-1: they convert at exactly that
// boundary with these two functions.

#include <cstddef>
#include <string>
#include <string_view>

namespace pelmor {

std::string Latin1ToUtf8(std::string_view latin1);

// A character with no Latin-1 form becomes '?'. A byte that does not begin a well-formed UTF-8
// sequence is taken as the Latin-1 character of that value, so a name that already is Latin-1
// passes unchanged.
std::string Utf8ToLatin1(std::string_view utf8);

// The number of characters of UTF-8 text (a malformed byte counts as one).
std::size_t Utf8Length(std::string_view utf8);

}  // namespace pelmor
