#pragma once

#include <string>

namespace pelmor {

// A number with an SI prefix: FormatSI(0.5, 0, false, true) is "500m", FormatSI(5000, …) "5k".
// digits 0 writes the mantissa with "%g"; digits ≥ 3 writes that many significant digits.
// forceExponent (or a value beyond the prefixes y … Y) writes "e<exponent>" instead of a prefix.
// asciiMicro writes "u" for 10^-6, otherwise the micro sign (UTF-8, bytes C2 B5).
std::string FormatSI(double value, int digits, bool forceExponent, bool asciiMicro);

}  // namespace pelmor
