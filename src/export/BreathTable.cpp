#include "export/BreathTable.h"

#include <algorithm>

#include "analysis/ImpedanceCalculator.h"
#include "core/NumberFormat.h"
#include "export/TextHandoff.h"

namespace pelmor {

namespace {

std::string Cell(const std::optional<double>& value) {
    return value ? Format("%lg", *value) : std::string();
}

std::string SummaryRow(const char* name, const BreathSummary& s,
                       std::optional<double> BreathStatistic::*field) {
    std::string row = name;
    row += '\t';
    for (const BreathStatistic* stat :
         {&s.ti, &s.te, &s.vt, &s.rInsp, &s.rExp, &s.xInsp, &s.xExp, &s.dx}) {
        row += '\t';
        row += Cell(stat->*field);
    }
    return row + "\r\n";
}

}  // namespace

std::string BreathTableText(const BreathAnalysis& analysis, double frequencyHz) {
    std::string text =
        "Breath\tStart [s]\tTi [s]\tTe [s]\tVT\tR insp\tR exp\tX insp\tX exp\tdX\tEFL\t"
        "Accepted\r\n";
    for (const Breath& b : analysis.breaths) {
        text += Format("%d\t%lg\t%lg\t%lg\t%lg\t%lg\t%lg\t%lg\t%lg\t%lg\t", b.index, b.start, b.ti,
                       b.te, b.vt, b.rInsp, b.rExp, b.xInsp, b.xExp, b.dx);
        text += b.accepted ? (b.flowLimited ? "yes" : "no") : "";
        text += '\t';
        text += b.accepted ? std::string("yes") : b.reason;
        text += "\r\n";
    }
    const BreathSummary& s = analysis.summary;
    text += "\r\n";
    text += SummaryRow("Mean", s, &BreathStatistic::mean);
    text += SummaryRow("SD", s, &BreathStatistic::sd);
    text += SummaryRow("CoV [%]", s, &BreathStatistic::cov);
    text += Format("Frequency [Hz]\t%lg\r\n", frequencyHz);
    text += Format("Window [s]\t%lg\r\n", analysis.windowSeconds);
    text += "Estimates per breath\t" + Cell(s.estimatesPerBreath) + "\r\n";
    text += Format("Accepted breaths\t%d of %d\r\n", s.accepted, s.total);
    text += Format("Flow-limited breaths\t%d\r\n", s.flowLimited);
    text += std::string("Flow limitation\t") + (s.flowLimitation ? "yes" : "no") + "\r\n";
    return text;
}

std::string BreathSeriesText(const BreathAnalysis& analysis) {
    std::string text = "Time [s]\tR\tX\tPhase\r\n";
    for (const WithinBreathEstimate& e : analysis.estimates)
        text += Format("%lg\t%lg\t%lg\t%s\r\n", e.time, e.r, e.x, BreathPhaseName(e.phase));
    return text;
}

bool HandOutBreathTable(bool toSpreadsheet, const ImpedanceCalculator& calculator,
                        const std::function<BreathAnalysis()>& breaths, Shell& shell,
                        UserInterface& ui) {
    if (calculator.offlineTrendCount <= 0 || !breaths) return false;
    const BreathAnalysis analysis = breaths();
    const std::string text = BreathTableText(analysis, analysis.frequency);
    return toSpreadsheet ? OpenTextInSpreadsheet(text, shell, ui)
                         : CopyTextToClipboard(text, shell);
}

}  // namespace pelmor
