#include "display/BreathBands.h"

#include "core/NumberFormat.h"
#include "display/CPlotGraph.h"
#include "display/Palette.h"

namespace pelmor {

BreathMarks MarkBreaths(const BreathAnalysis& a) {
    BreathMarks marks;
    for (const Breath& b : a.breaths)
        marks.bands.push_back(b.accepted ? BreathBand{b.start, b.expirationStart, true}
                                         : BreathBand{b.start, b.endTime, false});
    if (a.summary.dx.mean)
        marks.note =
            Format("dX=%lg", *a.summary.dx.mean) + (a.summary.flowLimitation ? " EFL" : "");
    return marks;
}

void AddBreathBands(CPlotGraph& graph, const std::vector<BreathBand>& bands) {
    for (const BreathBand& b : bands)
        graph.AddBand(b.from, b.to, b.accepted ? kInspirationBand : kRefusedBand);
}

}  // namespace pelmor
