#pragma once

#include <QDialog>
#include <functional>

#include "export/OutcomeTables.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace pelmor {

// What the outcomes dialog shows and does; the owner supplies it.
struct OutcomesDlgActions {
    std::function<OutcomeTable()> table;  // rebuilt after each baseline button
    std::function<void()> copy;
    std::function<void()> openInSpreadsheet;
    std::function<void()> useAsBaseline;
    std::function<void()> clearBaseline;
    std::function<bool()> canUseAsBaseline;  // at least one marked result
    std::function<bool()> hasBaseline;
};

// "Outcomes": the table of the marked results with Mean, SD and CoV, the quality lines, and the
// baseline with the change and the verdict; what passes a limit stands out in colour. Buttons
// "Copy", "Open in Spreadsheet", "Use as baseline", "Clear baseline" and "Close".
class COutcomesDlg : public QDialog {
  public:
    COutcomesDlg(QWidget* parent, OutcomesDlgActions actions);
    // Shows the table anew and enables the baseline buttons.
    void Refresh();

  private:
    OutcomesDlgActions actions_;
    QTableWidget* grid_ = nullptr;
    QLabel* quality_ = nullptr;
    QTableWidget* baseline_ = nullptr;
    QPushButton* useBaseline_ = nullptr;
    QPushButton* clearBaseline_ = nullptr;
};

}  // namespace pelmor
