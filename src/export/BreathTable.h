#pragma once

#include <functional>
#include <string>

#include "analysis/BreathAnalysis.h"

namespace pelmor {

class ImpedanceCalculator;
class Shell;
class UserInterface;

// The breath table: a header, one row per breath (start, Ti, Te, VT, R and X of inspiration and
// expiration, dX, the flow-limitation mark of an accepted breath, "yes" or the reason it was
// refused), an empty line, the mean, SD and CoV rows over the accepted breaths (an empty cell
// where a value cannot be formed), the analysis frequency, the window W of its estimates, the
// mean count of estimates per accepted breath (empty without one) and the counts. "%lg"
// numbers, tabs, CR LF; the decimal point is localised by the hand-off.
std::string BreathTableText(const BreathAnalysis& analysis, double frequencyHz);

// The within-breath estimates of an analysis: "Time [s]", "R", "X", "Phase" ("inspiration",
// "expiration" or "mixed"), one row per estimate; "%lg" numbers, tabs, CR LF.
std::string BreathSeriesText(const BreathAnalysis& analysis);

// The impedance window's command while it shows the trend: hands the breath table of the
// analysis `breaths` gives to the spreadsheet or the clipboard. Does nothing (and does not ask
// for the analysis) without an offline trend. True when a table was handed out.
bool HandOutBreathTable(bool toSpreadsheet, const ImpedanceCalculator& calculator,
                        const std::function<BreathAnalysis()>& breaths, Shell& shell,
                        UserInterface& ui);

}  // namespace pelmor
