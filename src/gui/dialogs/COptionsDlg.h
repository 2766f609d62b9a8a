#pragma once

#include <QDialog>

#include "document/DialogValues.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace pelmor {

class CPelmorDoc;

// "Options": sample rate, recording time, excitation scaling, data file precision and the eight
// measured channels with their names and the X and Y signals of the XY plot. Works in channel
// numbers; OptionsFromSetup and ApplyOptions translate to and from the setup's slots.
class COptionsDlg : public QDialog {
  public:
    COptionsDlg(QWidget* parent, const OptionsValues& values);

    const OptionsValues& Values() const { return values_; }
    // Takes the controls; a refused value keeps the dialog open with its message and the focus
    // on its control.
    void accept() override;

    // True (values set) on OK.
    static bool Edit(QWidget* parent, OptionsValues& values);

  private:
    OptionsValues Taken() const;
    QWidget* ControlOf(const FieldProblem& problem) const;

    OptionsValues values_;
    QComboBox* rate_ = nullptr;
    QLineEdit* recordingTime_ = nullptr;
    QCheckBox* scaling_ = nullptr;
    QLineEdit* amplitude_ = nullptr;
    QButtonGroup* dataBits_ = nullptr;
    QCheckBox* channel_[kMaxChannels] = {};
    QLineEdit* name_[kMaxChannels] = {};
    QRadioButton* x_[kMaxChannels] = {};
    QRadioButton* y_[kMaxChannels] = {};
    QButtonGroup* xGroup_ = nullptr;
    QButtonGroup* yGroup_ = nullptr;
};

// The Options command: fills the dialog from the document, and after OK writes the values back
// (ApplyOptions) and marks an open setup file modified. True on OK.
bool EditDocumentOptions(QWidget* parent, CPelmorDoc& document);

}  // namespace pelmor
