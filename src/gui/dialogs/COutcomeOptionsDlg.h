#pragma once

#include <QDialog>

#include "analysis/Outcomes.h"

class QLineEdit;

namespace pelmor {

class Profile;

// "Outcome options": the low and high outcome frequencies, the coherence threshold, the CoV
// limit and the three response thresholds.
class COutcomeOptionsDlg : public QDialog {
  public:
    COutcomeOptionsDlg(QWidget* parent, const OutcomeSettings& settings);

    const OutcomeSettings& Settings() const { return settings_; }
    // Refuses settings that ValidateOutcomeSettings rejects (the dialog stays open).
    void accept() override;

  private:
    OutcomeSettings settings_;
    QLineEdit* edits_[7] = {};
};

// Runs the dialog on the profile's settings and keeps them there after OK. True on OK.
bool EditOutcomeSettings(QWidget* parent, Profile& profile);

}  // namespace pelmor
