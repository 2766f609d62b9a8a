#pragma once

// The breaths a trend chart shades and the note it writes in its corner, alike in the
// impedance window's trend and on the session report's recording pages.

#include <string>
#include <vector>

#include "analysis/BreathAnalysis.h"

namespace pelmor {

class CPlotGraph;

// A shaded stretch of a trend's time axis: an accepted breath's inspiration, or a whole refused
// breath.
struct BreathBand {
    double from = 0, to = 0;  // s
    bool accepted = true;
};

// The bands of every breath of an analysis, and the note of the record's dX: "dX=%lg", then
// " EFL" when flow limitation was found ("" when no breath was accepted).
struct BreathMarks {
    std::vector<BreathBand> bands;
    std::string note;
};
BreathMarks MarkBreaths(const BreathAnalysis& analysis);

// Adds the bands behind a chart's curves in the breath colours of the palette.
void AddBreathBands(CPlotGraph& graph, const std::vector<BreathBand>& bands);

}  // namespace pelmor
