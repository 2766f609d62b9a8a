#pragma once

#include <QDialog>
#include <string>

#include "clinical/ReferenceValues.h"
#include "clinical/Units.h"

class QComboBox;

namespace pelmor {

class Profile;

// What "Units and reference values" chooses: the calibration and display units, and the
// reference set's name ("" for none).
struct UnitsChoice {
    UnitSettings units;
    std::string referenceSet;
};

// The profile's choice (sections "Units" and "Reference values") and the writing of it.
UnitsChoice LoadUnitsChoice(Profile& profile);
void SaveUnitsChoice(Profile& profile, const UnitsChoice& choice);

// "Units and reference values": the "Calibration unit" and "Display unit" combos (the three
// units) and the "Reference set" combo ("none", then every set of the catalogue by name), with
// the refused set files and their messages listed below it.
class CUnitsDlg : public QDialog {
  public:
    CUnitsDlg(QWidget* parent, const UnitsChoice& choice, const ReferenceCatalogue& catalogue);
    const UnitsChoice& Choice() const { return choice_; }
    void accept() override;

  private:
    UnitsChoice choice_;
    QComboBox* calibration_ = nullptr;
    QComboBox* display_ = nullptr;
    QComboBox* set_ = nullptr;
};

// Runs the dialog on the profile's choice and the sets of ReferenceFolders(), and keeps the
// choice there after OK. True on OK.
bool EditUnitsChoice(QWidget* parent, Profile& profile);

}  // namespace pelmor
