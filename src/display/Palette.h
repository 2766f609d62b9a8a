#pragma once

// The colours the impedance window, the stored window's selection, the session report and the
// breath bands share (0x00BBGGRR).

#include "platform/Surface.h"

namespace pelmor {

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kRed = 0x0000FF;   // R
inline constexpr Color kBlue = 0xFF0000;  // X
// The report's spectra: each result light, the R-L-C model dark.
inline constexpr Color kLightRed = 0x9090FF;
inline constexpr Color kLightBlue = 0xFF9090;
inline constexpr Color kModelRed = 0x000080;
inline constexpr Color kModelBlue = 0x800000;
inline constexpr Color kRuleGrey = 0x808080;  // the report's rules
inline constexpr Color kFlagged = 0x0000C8;   // a report table's cell outside its limit
// The breaths of a trend: an accepted breath's inspiration light green, a refused breath light
// grey.
inline constexpr Color kInspirationBand = 0xC8F0D2;
inline constexpr Color kRefusedBand = 0xE1E1E1;

}  // namespace pelmor
