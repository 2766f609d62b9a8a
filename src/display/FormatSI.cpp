#include "display/FormatSI.h"

#include <algorithm>
#include <cmath>

#include "core/NumberFormat.h"

namespace pelmor {

namespace {

const char* PrefixOf(int exponent, bool asciiMicro) {
    static const char* const kPrefixes[] = {"y", "z", "a", "f", "p", "n", nullptr, "m", "",
                                            "k", "M", "G", "T", "P", "E", "Z",     "Y"};
    if (exponent == -6) return asciiMicro ? "u" : "\xC2\xB5";  // the micro sign in UTF-8
    return kPrefixes[(exponent + 24) / 3];
}

}  // namespace

std::string FormatSI(double value, int digits, bool forceExponent, bool asciiMicro) {
    if (!std::isfinite(value)) return Format("%g", value);
    const char* sign = value < 0 ? "-" : "";
    value = std::fabs(value);
    int e = 0;
    if (value != 0) {
        const int d = static_cast<int>(std::log10(value));
        e = d > 0 ? 3 * (d / 3) : -3 * ((3 - d) / 3);
    }
    // Long double keeps 10^e representable down to the smallest subnormal values.
    double m = static_cast<double>(static_cast<long double>(value) / std::pow(10.0L, e));
    if (m >= 1000) {
        m /= 1000;
        e += 3;
    }
    const bool exponentForm = forceExponent || e < -24 || e > 24;
    if (digits <= 0) {
        if (exponentForm) return Format("%s%ge%d", sign, m, e);
        return Format("%s%g%s", sign, m, PrefixOf(e, asciiMicro));
    }
    const int decimals = std::max(0, m < 10 ? digits - 1 : m < 100 ? digits - 2 : digits - 3);
    if (exponentForm) return Format("%s%.*fe%d", sign, decimals, m, e);
    return Format("%s%.*f%s", sign, decimals, m, PrefixOf(e, asciiMicro));
}

}  // namespace pelmor
