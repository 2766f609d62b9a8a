#include "core/NumberFormat.h"

#include <locale.h>

#include <charconv>
#include <climits>
#include <clocale>
#include <cstdarg>
#include <cstdio>

namespace pelmor {

namespace {

// The "C" locale object, made once; uselocale switches only the calling thread.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

class ScopedCLocale {
  public:
    ScopedCLocale() : previous_(uselocale(CLocale())) {}
    ~ScopedCLocale() { uselocale(previous_); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

  private:
    locale_t previous_;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string Format(const char* format, ...) {
    ScopedCLocale c;
    char small[256];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n < 0) {
        va_end(copy);
        return out;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(n));
    } else {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, copy);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(copy);
    return out;
}

std::size_t ParseLeadingDouble(std::string_view text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes no sign of its own for '+', and "-" only directly before the digits.
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0;
    double v = 0;
    auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ptr == text.data() + i) return 0;
    if (ec == std::errc::result_out_of_range) {
        // Like strtod: overflow gives infinity, underflow zero, and the text is consumed.
    } else if (ec != std::errc()) {
        return 0;
    }
    value = negative ? -v : v;
    return static_cast<std::size_t>(ptr - text.data());
}

std::size_t ParseLeadingInt(std::string_view text, long long& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned long long v = 0;
    auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + text.size(), v);
    if (ptr == text.data() + i || ec != std::errc()) return 0;
    // The magnitude must fit the signed range: up to 2^63 - 1, or 2^63 when negative.
    constexpr unsigned long long kMax = static_cast<unsigned long long>(LLONG_MAX);
    if (v > kMax + (negative ? 1 : 0)) return 0;
    value = negative ? static_cast<long long>(0 - v) : static_cast<long long>(v);
    return static_cast<std::size_t>(ptr - text.data());
}

bool ParseDouble(std::string_view text, double& value) {
    std::string_view t = Trim(text);
    double v = 0;
    std::size_t used = ParseLeadingDouble(t, v);
    if (used == 0 || used != t.size()) return false;
    value = v;
    return true;
}

bool ParseInt(std::string_view text, int& value) {
    std::string_view t = Trim(text);
    long long v = 0;
    std::size_t used = ParseLeadingInt(t, v);
    if (used == 0 || used != t.size() || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace pelmor
