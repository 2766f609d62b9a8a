#pragma once

#include <string>

#include "analysis/BreathAnalysis.h"

namespace pelmor {

class ImpedanceCalculator;
class Shell;
class UserInterface;

// The breath table: a header, one row per breath (start, Ti, Te, VT, R and X of inspiration and
// expiration, dX, the flow-limitation mark of an accepted breath, "yes" or the reason it was
// refused), an empty line, the mean, SD and CoV rows over the accepted breaths (an empty cell
// where a value cannot be formed), the trend frequency and the counts. "%lg" numbers, tabs,
// CR LF; the decimal point is localised by the hand-off.
std::string BreathTableText(const BreathAnalysis& analysis, double frequencyHz);

// The trend frequency of the calculator's offline trend (0 without an active frequency).
double TrendFrequency(const ImpedanceCalculator& calculator);

// The impedance window's command while it shows the trend: analyses the offline trend and hands
// the breath table to the spreadsheet or the clipboard. Does nothing without an offline trend.
// True when a table was handed out.
bool HandOutBreathTable(bool toSpreadsheet, const ImpedanceCalculator& calculator,
                        const BreathSettings& settings, Shell& shell, UserInterface& ui);

}  // namespace pelmor
