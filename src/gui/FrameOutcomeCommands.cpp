// The outcome commands of the Impedance menu: "Outcome options", "Units and reference values"
// and "Outcomes…" with its baseline buttons.
#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"
#include "core/NumberFormat.h"
#include "export/OutcomeTables.h"
#include "export/TextHandoff.h"
#include "gui/CMainFrame.h"
#include "gui/CommandIds.h"
#include "gui/dialogs/COutcomeOptionsDlg.h"
#include "gui/dialogs/COutcomesDlg.h"
#include "gui/dialogs/CUnitsDlg.h"
#include "sessions/SessionResults.h"

namespace pelmor {

namespace {

ShownQuantity QuantityOf(Outcome o) {
    if (o == Outcome::Ax) return ShownQuantity::Area;
    if (o == Outcome::Fres) return ShownQuantity::Frequency;
    return ShownQuantity::Impedance;
}

// The outcomes as the dialog shows them: rounded for reading in the display unit (impedance
// measured in `measured`, none when not calibrated), the column titles naming the units, and
// with a reference report its rows "Pred", "LLN", "ULN", "z" and "%Pred" after the mean, a mean
// beyond a limit marked "!" and in colour.
OutcomeTable ShownOutcomeTable(const OutcomeReport& report, std::optional<ImpedanceUnit> measured,
                               ImpedanceUnit display,
                               const std::optional<ReferenceReport>& reference) {
    const std::optional<ImpedanceUnit> shown =
        measured ? std::optional<ImpedanceUnit>(display) : std::nullopt;
    auto text = [&](Outcome o, double v) {
        if (o == Outcome::MinCoherence) return Format("%lg", v);
        const ShownQuantity q = QuantityOf(o);
        if (q != ShownQuantity::Frequency && measured) v = ConvertImpedance(v, *measured, display);
        return FormatShown(v, q, shown);
    };
    OutcomeTextFormat format;
    format.value = text;
    format.percent = [](double v) { return FormatShown(v, ShownQuantity::Percent); };
    format.title = [&](Outcome o, const std::string& title) {
        if (o == Outcome::MinCoherence) return title;
        return title + " [" + ShownUnit(QuantityOf(o), shown) + "]";
    };
    OutcomeTable table = BuildOutcomeTable(report, format);
    if (!reference) return table;

    const std::size_t meanRow = 1 + report.current.results.size();
    const std::size_t width = 1 + kOutcomeCount;
    std::vector<TableRow> rows;
    if (!reference->message.empty()) {
        rows.push_back({{reference->set}, {reference->message}});
    } else {
        const char* titles[] = {"Pred", "LLN", "ULN", "z", "%Pred"};
        for (const char* t : titles) {
            rows.emplace_back(width);
            rows.back()[0].text = t;
        }
        for (const ReferenceResult& r : reference->outcomes) {
            if (!r.outcome || !r.message.empty()) continue;
            const std::size_t c = 1 + static_cast<std::size_t>(*r.outcome);
            const ReferenceValue& v = r.value;
            auto cell = [&](std::optional<double> x) { return x ? text(*r.outcome, *x) : ""; };
            rows[0][c].text = cell(v.predicted);
            rows[1][c].text = cell(v.lln);
            rows[2][c].text = cell(v.uln);
            rows[3][c].text = v.z ? FormatShown(*v.z, ShownQuantity::ZScore) : "";
            rows[4][c].text = v.percentPredicted ? FormatShown(*v.percentPredicted,
                                                               ShownQuantity::PercentPredicted)
                                                 : "";
            if (v.beyond) {
                for (TableCell* flagged : {&table.grid[meanRow][c], &rows[3][c]}) {
                    flagged->text += "!";
                    flagged->flagged = true;
                }
            }
        }
        if (reference->outsideRange)
            rows.push_back({{reference->set}, {"outside the reference range"}});
        for (const ReferenceResult& r : reference->outcomes)
            if (!r.message.empty()) rows.push_back({{r.name}, {r.message}});
    }
    table.grid.insert(table.grid.begin() + static_cast<long>(meanRow) + 1, rows.begin(),
                      rows.end());
    return table;
}

}  // namespace

void CMainFrame::DefineOutcomeCommands() {
    CPelmorDoc& d = doc_;
    Define({cmd::OutcomeOptions,
            tr("Outcome options"),
            {},
            "",
            [this, &d] { EditOutcomeSettings(this, d.Services().profile); },
            {}});
    Define({cmd::UnitsOptions,
            QString::fromUtf8("Units and reference values\u2026"),
            {},
            "",
            [this, &d] { EditUnitsChoice(this, d.Services().profile); },
            {}});
    Define({cmd::Outcomes,
            QString::fromUtf8("Outcomes\u2026"),
            {},
            "",
            [this, &d] {
                auto report = [&d] {
                    const OutcomeSettings s = LoadOutcomeSettings(d.Services().profile);
                    const auto* base = d.OutcomeBaseline() ? &*d.OutcomeBaseline() : nullptr;
                    return StoredOutcomeReport(d.Stored(), base, s);
                };
                auto text = [report] { return BuildOutcomeTable(report()); };
                OutcomesDlgActions a;
                a.table = [this, &d, report] {
                    const OutcomeReport r = report();
                    const UnitSettings units = LoadUnitSettings(d.Services().profile);
                    // A session's trials are in the unit they were measured in.
                    const Session* session = OpenSession();
                    std::optional<ImpedanceUnit> measured;
                    if (session)
                        measured = ParseUnit(session->impedanceUnit);
                    else if (d.Calculator().loadedCalibration.count > 0)
                        measured = units.calibration;
                    std::optional<ReferenceReport> reference;
                    if (session && !session->referenceSet.empty())
                        reference =
                            SessionReference(*session, r.current.statistics,
                                             LoadReferenceSets(ReferenceFolders()), r.settings);
                    return ShownOutcomeTable(r, measured, units.display, reference);
                };
                a.copy = [&d, text] {
                    CopyTextToClipboard(OutcomeTableText(text()), d.Services().shell);
                };
                a.openInSpreadsheet = [&d, text] {
                    OpenTextInSpreadsheet(OutcomeTableText(text()), d.Services().shell,
                                          d.Services().ui);
                };
                a.useAsBaseline = [&d] { d.UseMarkedAsOutcomeBaseline(); };
                a.clearBaseline = [&d] { d.ClearOutcomeBaseline(); };
                a.canUseAsBaseline = [&d] { return !MarkedStoredResults(d.Stored()).empty(); };
                a.hasBaseline = [&d] { return d.OutcomeBaseline().has_value(); };
                COutcomesDlg dialog(this, a);
                if (showOutcomes)
                    showOutcomes(dialog);
                else
                    dialog.exec();
            },
            [&d] { return d.Stored().count > 0; }});
}

}  // namespace pelmor
