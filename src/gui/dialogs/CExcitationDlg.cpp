#include "gui/dialogs/CExcitationDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/DialogValues.h"
#include "excitation/FrequencyList.h"
#include "gui/dialogs/DialogSupport.h"
#include "platform/Profile.h"

namespace pelmor {

namespace {

QComboBox* MakeList(QWidget* parent, const char* name, const char* const* items, int count) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < count; ++i) combo->addItem(QString::fromLatin1(items[i]));
    return combo;
}

}  // namespace

CExcitationDlg::CExcitationDlg(QWidget* parent, const ExcitationDefinition& definition,
                               Profile& profile)
    : QDialog(parent), values_(definition), profile_(profile) {
    setWindowTitle(QStringLiteral("Excitation definition"));
    auto* top = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    top->addLayout(columns);

    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* grid = new QGridLayout(options);
    period_ = MakeList(options, "period", kPeriodNames, 5);
    amplitudeShape_ = MakeList(options, "amplitudeShape", kAmplitudeShapeNames, 3);
    distribution_ = MakeList(options, "frequencyDistribution", kFrequencyDistributionNames, 2);
    amplitude_ = new QLineEdit(options);
    amplitude_->setObjectName(QStringLiteral("signalAmplitude"));
    signalCount_ = new QLineEdit(options);
    signalCount_->setObjectName(QStringLiteral("signalCount"));
    for (QLineEdit* e : {amplitude_, signalCount_}) e->setMaximumWidth(80);
    grid->addWidget(new QLabel(QStringLiteral("Signal period"), options), 0, 0);
    grid->addWidget(period_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Amplitude distribution"), options), 1, 0);
    grid->addWidget(amplitudeShape_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Frequency distribution"), options), 2, 0);
    grid->addWidget(distribution_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Signal amplitude"), options), 3, 0);
    grid->addWidget(amplitude_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("V"), options), 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("Number of signals"), options), 4, 0);
    grid->addWidget(signalCount_, 4, 1);
    grid->setRowStretch(5, 1);
    columns->addWidget(options);

    auto* components = new QGroupBox(QStringLiteral("Frequency components"), this);
    auto* componentGrid = new QGridLayout(components);
    constexpr int kRows = kDefinitionComponents / 2;
    for (int j = 0; j < kDefinitionComponents; ++j) {
        enabled_[j] = new QCheckBox(components);
        enabled_[j]->setObjectName(QStringLiteral("component%1").arg(j));
        componentAmplitude_[j] = new QLineEdit(components);
        componentAmplitude_[j]->setObjectName(QStringLiteral("componentAmplitude%1").arg(j));
        componentAmplitude_[j]->setFixedWidth(64);
        const int row = j % kRows;
        const int column = j / kRows * 2;
        componentGrid->addWidget(enabled_[j], row, column);
        componentGrid->addWidget(componentAmplitude_[j], row, column + 1);
    }
    componentGrid->setColumnMinimumWidth(0, 80);
    componentGrid->setColumnMinimumWidth(2, 80);
    columns->addWidget(components);
    components_ = components;

    auto* listRow = new QHBoxLayout;
    top->addLayout(listRow);
    useList_ = new QCheckBox(QStringLiteral("Use frequency list"), this);
    useList_->setObjectName(QStringLiteral("useFrequencyList"));
    frequencyList_ = new QLineEdit(this);
    frequencyList_->setObjectName(QStringLiteral("frequencyList"));
    frequencyList_->setPlaceholderText(QStringLiteral("5, 11, 19 or 5-35/1"));
    listRow->addWidget(useList_);
    listRow->addWidget(new QLabel(QStringLiteral("Frequencies [Hz]"), this));
    listRow->addWidget(frequencyList_, 1);

    QDialogButtonBox* buttons = AddOkCancel(this);

    // The controls show the values, then the labels follow the period and the distribution.
    period_->setCurrentIndex(values_.periodCode);
    amplitudeShape_->setCurrentIndex(values_.amplitudeShape);
    distribution_->setCurrentIndex(values_.frequencyDistribution);
    amplitude_->setText(NumberText(values_.signalAmplitude));
    signalCount_->setText(QString::number(values_.signalCount));
    for (int j = 0; j < kDefinitionComponents; ++j)
        enabled_[j]->setChecked(values_.componentEnabled[j] != 0);
    useList_->setChecked(values_.useFrequencyList != 0);
    frequencyList_->setText(Utf8(values_.frequencyList));
    PutAmplitudes();
    Relabel();
    EnableChoice();

    SetTabChain({period_, amplitudeShape_, distribution_, amplitude_, signalCount_});
    QWidget* previous = signalCount_;
    for (int j = 0; j < kDefinitionComponents; ++j) {
        SetTabChain({previous, enabled_[j], componentAmplitude_[j]});
        previous = componentAmplitude_[j];
    }
    SetTabChain({previous, useList_, frequencyList_, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});

    connect(useList_, &QCheckBox::toggled, this, [this] { EnableChoice(); });
    connect(period_, &QComboBox::activated, this, [this] {
        TakeControls();
        Relabel();
    });
    connect(distribution_, &QComboBox::activated, this, [this] {
        TakeControls();
        values_.ComputeComponentIndexes();
        Relabel();
    });
    connect(amplitudeShape_, &QComboBox::activated, this, [this] {
        TakeControls();
        Relabel();
        values_.ComputeComponentAmplitudes();
        PutAmplitudes();
    });
}

CExcitationDlg::~CExcitationDlg() { SaveExcitationDefinition(profile_, values_); }

bool CExcitationDlg::Edit(QWidget* parent, ExcitationDefinition& definition, Profile& profile) {
    CExcitationDlg dialog(parent, definition, profile);
    if (dialog.exec() != QDialog::Accepted) return false;
    definition = dialog.Values();
    return true;
}

void CExcitationDlg::accept() {
    if (!TakeControls()) return;
    // The list is read for the period just taken; a refused one is not kept.
    ExcitationDefinition taken = values_;
    taken.useFrequencyList = useList_->isChecked() ? 1 : 0;
    taken.frequencyList = ToUtf8(frequencyList_->text());
    if (taken.useFrequencyList) {
        const FrequencyList list = DefinitionFrequencyList(taken);
        if (!list.Ok()) {
            ShowDialogMessage(this, list.error);
            FocusControl(frequencyList_);
            return;
        }
    }
    values_ = taken;
    QDialog::accept();
}

bool CExcitationDlg::TakeControls() {
    // The period and the amplitude law come first in the transfer and cannot be refused.
    values_.periodCode = period_->currentIndex();
    values_.amplitudeShape = amplitudeShape_->currentIndex();

    ExcitationDefinition taken = values_;
    taken.signalAmplitude = ReadNumber(amplitude_);
    taken.signalCount = ReadInteger(signalCount_);
    for (int j = 0; j < kDefinitionComponents; ++j)
        taken.componentAmplitude[j] = ReadNumber(componentAmplitude_[j]);
    for (int j = 0; j < kDefinitionComponents; ++j)
        taken.componentEnabled[j] = enabled_[j]->isChecked() ? 1 : 0;
    taken.frequencyDistribution = distribution_->currentIndex();
    const std::optional<DefinitionRangeError> problem = CheckExcitationDefinition(taken);
    if (!problem) {
        values_ = taken;
        return true;
    }

    // Keep the values transferred before the refused one (the tick states and the frequency
    // distribution come after every checked value); the message names its range.
    using Field = DefinitionRangeError::Field;
    QWidget* control = nullptr;
    switch (problem->field) {
        case Field::SignalAmplitude:
            control = amplitude_;
            break;
        case Field::ComponentAmplitude:
            values_.signalAmplitude = taken.signalAmplitude;
            for (int j = 0; j < problem->component; ++j)
                values_.componentAmplitude[j] = taken.componentAmplitude[j];
            control = componentAmplitude_[problem->component];
            break;
        case Field::SignalCount:
            values_.signalAmplitude = taken.signalAmplitude;
            std::copy(std::begin(taken.componentAmplitude), std::end(taken.componentAmplitude),
                      std::begin(values_.componentAmplitude));
            control = signalCount_;
            break;
        case Field::PeriodCode:
            control = period_;
            break;
        case Field::AmplitudeShape:
            control = amplitudeShape_;
            break;
        case Field::FrequencyDistribution: {
            const int kept = values_.frequencyDistribution;
            values_ = taken;
            values_.frequencyDistribution = kept;
            control = distribution_;
            break;
        }
    }
    ShowDialogMessage(this, problem->integer
                                ? IntegerRangeMessage(static_cast<int>(problem->minimum),
                                                      static_cast<int>(problem->maximum))
                                : NumberRangeMessage(problem->minimum, problem->maximum));
    FocusControl(control);
    return false;
}

void CExcitationDlg::PutAmplitudes() {
    for (int j = 0; j < kDefinitionComponents; ++j)
        componentAmplitude_[j]->setText(NumberText(values_.componentAmplitude[j]));
}

void CExcitationDlg::EnableChoice() {
    const bool list = useList_->isChecked();
    components_->setEnabled(!list);
    distribution_->setEnabled(!list);
    frequencyList_->setEnabled(list);
}

void CExcitationDlg::Relabel() {
    for (int j = 0; j < kDefinitionComponents; ++j)
        enabled_[j]->setText(Utf8(values_.ComponentLabel(j)));
}

}  // namespace pelmor
