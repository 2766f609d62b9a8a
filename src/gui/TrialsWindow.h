#pragma once

#include <QDockWidget>
#include <functional>

#include "clinical/Units.h"
#include "sessions/SessionStore.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace pelmor {

// "Trials": the open session's phases, each with its trials (file, origin, duration, R at f_L,
// the include box and the reason of an exclusion), then the phase's mean and, when the session
// has a reference set, what the set says about the mean (Pred, LLN, ULN, z and %Pred of each
// outcome it defines, "!" and colour beyond a limit) or why it says nothing. R is shown rounded
// in the display unit (the session's own ratio of volts when it is not calibrated), the column
// title naming the unit. Ticking or unticking a box goes to includeChanged; the window shows
// what the store then holds (Show).
class TrialsWindow : public QDockWidget {
  public:
    explicit TrialsWindow(QWidget* parent);
    void Show(const Session& session, ImpedanceUnit display = ImpedanceUnit::KPaSecondPerLitre);
    void Clear();
    QTreeWidget* Tree() const { return tree_; }
    // The item of a trial (none when the session has no such trial).
    QTreeWidgetItem* TrialItem(int trial) const;

    // The user ticked (true) or unticked a trial's box; false when that did not happen (the box
    // is put back).
    std::function<bool(int trial, bool included)> includeChanged;

    enum Column { File, Origin, Duration, RLow, Included, Reason };

  private:
    QTreeWidget* tree_;
    bool filling_ = false;
};

}  // namespace pelmor
