#pragma once

#include <QDialog>

#include "excitation/ExcitationDefinition.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace pelmor {

class Profile;

// "Excitation definition": period, amplitude and frequency laws, amplitude, number of signals and
// the twelve frequency components of the multisine the generator builds, or instead of them a
// list of frequencies ("Use frequency list", "Frequencies [Hz]"), checked on OK. Whenever the
// dialog ends (OK or Cancel) it writes what it last took from its controls back to the profile.
class CExcitationDlg : public QDialog {
  public:
    // definition normally comes from LoadExcitationDefinition(profile).
    CExcitationDlg(QWidget* parent, const ExcitationDefinition& definition, Profile& profile);
    ~CExcitationDlg() override;

    // Runs the dialog modally. On OK definition takes the dialog's values and the result is
    // true; on Cancel definition is left alone. The profile is written in both cases.
    static bool Edit(QWidget* parent, ExcitationDefinition& definition, Profile& profile);

    // The values the last transfer from the controls (OK or a list change) put there.
    const ExcitationDefinition& Values() const { return values_; }

    void accept() override;

  private:
    // Takes the controls into the values in exchange order; a value outside its range stops the
    // transfer (it and the checked values after it keep their previous values) with the range
    // message and the focus on its control. List and check-box states are always taken.
    bool TakeControls();
    void PutAmplitudes();
    void Relabel();
    // The twelve components and their distribution give way to the list while it is used.
    void EnableChoice();

    ExcitationDefinition values_;
    Profile& profile_;
    QComboBox* period_ = nullptr;
    QComboBox* amplitudeShape_ = nullptr;
    QComboBox* distribution_ = nullptr;
    QLineEdit* amplitude_ = nullptr;
    QLineEdit* signalCount_ = nullptr;
    QCheckBox* enabled_[kDefinitionComponents] = {};
    QLineEdit* componentAmplitude_[kDefinitionComponents] = {};
    QWidget* components_ = nullptr;
    QCheckBox* useList_ = nullptr;
    QLineEdit* frequencyList_ = nullptr;
};

}  // namespace pelmor
