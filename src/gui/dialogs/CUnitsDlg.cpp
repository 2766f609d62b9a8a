#include "gui/dialogs/CUnitsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/DialogSupport.h"
#include "platform/Profile.h"

namespace pelmor {

namespace {

constexpr ImpedanceUnit kUnits[] = {ImpedanceUnit::KPaSecondPerLitre,
                                    ImpedanceUnit::CmH2OSecondPerLitre,
                                    ImpedanceUnit::HPaSecondPerLitre};

QComboBox* UnitCombo(QWidget* parent, const char* name, ImpedanceUnit chosen) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (ImpedanceUnit u : kUnits) {
        combo->addItem(Utf8(UnitName(u)));
        if (u == chosen) combo->setCurrentIndex(combo->count() - 1);
    }
    return combo;
}

}  // namespace

UnitsChoice LoadUnitsChoice(Profile& profile) {
    return {LoadUnitSettings(profile), profile.GetString(kReferenceSection, kReferenceSetKey, "")};
}

void SaveUnitsChoice(Profile& profile, const UnitsChoice& choice) {
    SaveUnitSettings(profile, choice.units);
    profile.WriteString(kReferenceSection, kReferenceSetKey, choice.referenceSet);
}

CUnitsDlg::CUnitsDlg(QWidget* parent, const UnitsChoice& choice,
                     const ReferenceCatalogue& catalogue)
    : QDialog(parent), choice_(choice) {
    setWindowTitle(QStringLiteral("Units and reference values"));
    auto* top = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    top->addLayout(form);
    calibration_ = UnitCombo(this, "calibrationUnit", choice.units.calibration);
    display_ = UnitCombo(this, "displayUnit", choice.units.display);
    form->addRow(QStringLiteral("Calibration unit"), calibration_);
    form->addRow(QStringLiteral("Display unit"), display_);
    set_ = new QComboBox(this);
    set_->setObjectName(QStringLiteral("referenceSet"));
    set_->addItem(QStringLiteral("none"), QString());
    for (const ReferenceSet& s : catalogue.sets) {
        set_->addItem(Utf8(s.name), Utf8(s.name));
        if (s.name == choice.referenceSet) set_->setCurrentIndex(set_->count() - 1);
    }
    form->addRow(QStringLiteral("Reference set"), set_);
    auto* refusals = new QLabel(this);
    refusals->setObjectName(QStringLiteral("refusals"));
    refusals->setWordWrap(true);
    QStringList lines;
    for (const std::string& r : catalogue.refusals) lines << Utf8(r);
    refusals->setText(lines.join(QLatin1Char('\n')));
    refusals->setVisible(!lines.isEmpty());
    top->addWidget(refusals);
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({calibration_, display_, set_, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
}

void CUnitsDlg::accept() {
    choice_.units.calibration = kUnits[calibration_->currentIndex()];
    choice_.units.display = kUnits[display_->currentIndex()];
    choice_.referenceSet = ToUtf8(set_->currentData().toString());
    QDialog::accept();
}

bool EditUnitsChoice(QWidget* parent, Profile& profile) {
    CUnitsDlg dialog(parent, LoadUnitsChoice(profile), LoadReferenceSets(ReferenceFolders()));
    if (dialog.exec() != QDialog::Accepted) return false;
    SaveUnitsChoice(profile, dialog.Choice());
    return true;
}

}  // namespace pelmor
