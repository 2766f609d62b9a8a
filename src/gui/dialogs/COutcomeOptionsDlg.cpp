#include "gui/dialogs/COutcomeOptionsDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

struct Field {
    const char* name;
    const char* label;
    double OutcomeSettings::*value;
};

constexpr Field kFields[7] = {
    {"lowHz", "Low outcome frequency (Hz)", &OutcomeSettings::lowHz},
    {"highHz", "High outcome frequency (Hz)", &OutcomeSettings::highHz},
    {"coherence", "Coherence threshold", &OutcomeSettings::coherenceThreshold},
    {"covLimit", "CoV limit (%)", &OutcomeSettings::covLimitPercent},
    {"rLowResponse", "Response: change of R at the low frequency (%)",
     &OutcomeSettings::rLowResponsePercent},
    {"xLowResponse", "Response: change of X at the low frequency (%)",
     &OutcomeSettings::xLowResponsePercent},
    {"axResponse", "Response: change of AX (%)", &OutcomeSettings::axResponsePercent},
};

}  // namespace

COutcomeOptionsDlg::COutcomeOptionsDlg(QWidget* parent, const OutcomeSettings& settings)
    : QDialog(parent), settings_(settings) {
    setWindowTitle(QStringLiteral("Outcome options"));
    auto* top = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    top->addLayout(form);
    for (int i = 0; i < 7; ++i) {
        edits_[i] = new QLineEdit(NumberText(settings.*kFields[i].value), this);
        edits_[i]->setObjectName(QString::fromLatin1(kFields[i].name));
        edits_[i]->setMinimumWidth(90);
        form->addRow(QString::fromLatin1(kFields[i].label), edits_[i]);
    }
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({edits_[0], edits_[1], edits_[2], edits_[3], edits_[4], edits_[5], edits_[6],
                 buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel)});
}

void COutcomeOptionsDlg::accept() {
    OutcomeSettings taken;
    for (int i = 0; i < 7; ++i) taken.*kFields[i].value = ReadNumber(edits_[i]);
    const std::string problem = ValidateOutcomeSettings(taken);
    if (!problem.empty()) {
        // The first edit that is not a number, otherwise the one the message is about.
        int bad = -1;
        for (int i = 0; i < 7 && bad < 0; ++i)
            if (!std::isfinite(taken.*kFields[i].value)) bad = i;
        if (bad < 0)
            bad = problem.find("low outcome") != std::string::npos    ? 0
                  : problem.find("high outcome") != std::string::npos ? 1
                  : problem.find("coherence") != std::string::npos    ? 2
                                                                      : 3;
        ShowDialogMessage(this, problem);
        FocusControl(edits_[bad]);
        return;
    }
    settings_ = taken;
    QDialog::accept();
}

bool EditOutcomeSettings(QWidget* parent, Profile& profile) {
    COutcomeOptionsDlg dialog(parent, LoadOutcomeSettings(profile));
    if (dialog.exec() != QDialog::Accepted) return false;
    SaveOutcomeSettings(profile, dialog.Settings());
    return true;
}

}  // namespace pelmor
