// The outcome commands of the Impedance menu: "Outcome options" and "Outcomes…" with its
// baseline buttons.
#include "export/OutcomeTables.h"
#include "export/TextHandoff.h"
#include "gui/CMainFrame.h"
#include "gui/CommandIds.h"
#include "gui/dialogs/COutcomeOptionsDlg.h"
#include "gui/dialogs/COutcomesDlg.h"

namespace pelmor {

void CMainFrame::DefineOutcomeCommands() {
    CPelmorDoc& d = doc_;
    Define({cmd::OutcomeOptions,
            tr("Outcome options"),
            {},
            "",
            [this, &d] { EditOutcomeSettings(this, d.Services().profile); },
            {}});
    Define({cmd::Outcomes,
            QString::fromUtf8("Outcomes\u2026"),
            {},
            "",
            [this, &d] {
                auto text = [&d] {
                    const OutcomeSettings s = LoadOutcomeSettings(d.Services().profile);
                    const auto* base = d.OutcomeBaseline() ? &*d.OutcomeBaseline() : nullptr;
                    return BuildOutcomeTable(StoredOutcomeReport(d.Stored(), base, s));
                };
                OutcomesDlgActions a;
                a.table = text;
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
