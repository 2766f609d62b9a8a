#pragma once

#include <QDialog>

#include "analysis/ModelFit.h"

class QComboBox;

namespace pelmor {

class Profile;

// "Model options": the R and LC frequency ranges of the model fit, chosen from the merged
// frequency list of the stored results.
class CModelOptionsDlg : public QDialog {
  public:
    // frequencies in hertz (at most 256); options preselect the four lists.
    CModelOptionsDlg(QWidget* parent, const ModelOptions& options, const double* frequencies,
                     int count);

    // The four positions after OK.
    const ModelOptions& Options() const { return options_; }
    // Refuses an empty R range or an LC range of fewer than two frequencies (the dialog stays).
    void accept() override;

  private:
    ModelOptions options_;
    int count_ = 0;
    QComboBox* rFrom_ = nullptr;
    QComboBox* rTo_ = nullptr;
    QComboBox* lcFrom_ = nullptr;
    QComboBox* lcTo_ = nullptr;
};

// Runs the dialog on options; true (and options set) on OK.
bool EditModelOptions(QWidget* parent, ModelOptions& options, const double* frequencies, int count);
// The same with the profile: starts from LoadModelOptions, and after OK keeps the ranges with
// SaveModelOptions.
bool EditModelOptions(QWidget* parent, Profile& profile, ModelOptions& options,
                      const double* frequencies, int count);

}  // namespace pelmor
