#pragma once

#include <QDialog>

class QComboBox;

namespace pelmor {

// "Select single excitation frequency": the frequency a tracking-mode start emits, picked from
// the active excitation's list.
class CExcitationFrequencyDlg : public QDialog {
  public:
    // frequencies in hertz (at most 256 are shown), selection preselected.
    CExcitationFrequencyDlg(QWidget* parent, const double* frequencies, int count, int selection);

    // The chosen position after OK.
    int Selection() const { return selection_; }
    void accept() override;

  private:
    QComboBox* list_ = nullptr;
    int selection_ = 0;
};

// Runs the dialog; the chosen position, or -1 for Cancel. For UserInterface::
// ChooseExcitationFrequency of the Qt side.
int ChooseExcitationFrequency(QWidget* parent, const double* frequencies, int count,
                              int preselected);

}  // namespace pelmor
