#include "gui/dialogs/COptionsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "core/TextEncoding.h"
#include "document/CPelmorDoc.h"
#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

QLabel* Label(QWidget* parent, const char* text) {
    return new QLabel(QString::fromLatin1(text), parent);
}

}  // namespace

COptionsDlg::COptionsDlg(QWidget* parent, const OptionsValues& values)
    : QDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("Options"));
    auto* top = new QVBoxLayout(this);
    auto* upper = new QHBoxLayout;
    top->addLayout(upper);

    auto* sampling = new QGroupBox(QStringLiteral("Sampling setup"), this);
    auto* samplingGrid = new QGridLayout(sampling);
    rate_ = new QComboBox(sampling);
    rate_->setObjectName(QStringLiteral("sampleRate"));
    rate_->addItems({QStringLiteral("256"), QStringLiteral("512"), QStringLiteral("1024")});
    recordingTime_ = new QLineEdit(sampling);
    recordingTime_->setObjectName(QStringLiteral("recordingTime"));
    recordingTime_->setMaximumWidth(70);
    samplingGrid->addWidget(Label(sampling, "Sample rate"), 0, 0);
    samplingGrid->addWidget(rate_, 0, 1);
    samplingGrid->addWidget(Label(sampling, "Hz"), 0, 2);
    samplingGrid->addWidget(Label(sampling, "Recording time"), 1, 0);
    samplingGrid->addWidget(recordingTime_, 1, 1);
    samplingGrid->addWidget(Label(sampling, "s"), 1, 2);
    upper->addWidget(sampling);

    auto* scale = new QGroupBox(QStringLiteral("Scale excitation"), this);
    auto* scaleGrid = new QGridLayout(scale);
    scaling_ = new QCheckBox(QStringLiteral("Enable excitation scaling"), scale);
    scaling_->setObjectName(QStringLiteral("scaling"));
    amplitude_ = new QLineEdit(scale);
    amplitude_->setObjectName(QStringLiteral("amplitude"));
    amplitude_->setMaximumWidth(70);
    scaleGrid->addWidget(scaling_, 0, 0, 1, 3);
    scaleGrid->addWidget(Label(scale, "Amplitude"), 1, 0);
    scaleGrid->addWidget(amplitude_, 1, 1);
    scaleGrid->addWidget(Label(scale, "V"), 1, 2);
    upper->addWidget(scale);

    auto* format = new QGroupBox(QStringLiteral("Data and file format"), this);
    auto* formatLayout = new QVBoxLayout(format);
    auto* bits12 = new QRadioButton(QStringLiteral("12 bits"), format);
    bits12->setObjectName(QStringLiteral("bits12"));
    auto* fullPrecision = new QRadioButton(QStringLiteral("Full precision"), format);
    fullPrecision->setObjectName(QStringLiteral("fullPrecision"));
    dataBits_ = new QButtonGroup(this);
    dataBits_->addButton(bits12, 0);
    dataBits_->addButton(fullPrecision, 1);
    formatLayout->addWidget(bits12);
    formatLayout->addWidget(fullPrecision);
    formatLayout->addStretch(1);
    upper->addWidget(format);

    auto* channels = new QGroupBox(QStringLiteral("Measured channels"), this);
    auto* grid = new QGridLayout(channels);
    grid->addWidget(Label(channels, "Signal name"), 0, 1);
    grid->addWidget(Label(channels, "X data"), 0, 2, Qt::AlignHCenter);
    grid->addWidget(Label(channels, "Y data"), 0, 3, Qt::AlignHCenter);
    xGroup_ = new QButtonGroup(this);
    yGroup_ = new QButtonGroup(this);
    for (int k = 0; k < kMaxChannels; ++k) {
        const QString number = QString::number(k + 1);
        channel_[k] = new QCheckBox(QStringLiteral("Channel ") + number, channels);
        channel_[k]->setObjectName(QStringLiteral("channel") + number);
        name_[k] = new QLineEdit(channels);
        name_[k]->setObjectName(QStringLiteral("name") + number);
        name_[k]->setMaxLength(kChannelNameLength);
        name_[k]->setMinimumWidth(160);
        x_[k] = new QRadioButton(channels);
        x_[k]->setObjectName(QStringLiteral("x") + number);
        y_[k] = new QRadioButton(channels);
        y_[k]->setObjectName(QStringLiteral("y") + number);
        xGroup_->addButton(x_[k], k);
        yGroup_->addButton(y_[k], k);
        grid->addWidget(channel_[k], k + 1, 0);
        grid->addWidget(name_[k], k + 1, 1);
        grid->addWidget(x_[k], k + 1, 2, Qt::AlignHCenter);
        grid->addWidget(y_[k], k + 1, 3, Qt::AlignHCenter);
    }
    grid->setColumnStretch(1, 1);
    top->addWidget(channels);
    QDialogButtonBox* buttons = AddOkCancel(this);

    rate_->setCurrentIndex(values.rateIndex >= 0 && values.rateIndex <= 2 ? values.rateIndex : 0);
    recordingTime_->setText(QString::number(values.recordingTime));
    scaling_->setChecked(values.scaling);
    amplitude_->setText(NumberText(values.scalingAmplitude));
    (values.dataBits != 0 ? fullPrecision : bits12)->setChecked(true);
    for (int k = 0; k < kMaxChannels; ++k) {
        channel_[k]->setChecked(values.channelEnabled[k]);
        // A longer name (from an edited profile) is shown whole so the check can refuse it.
        name_[k]->setMaxLength(
            std::max(kChannelNameLength, static_cast<int>(Utf8Length(values.names[k]))));
        name_[k]->setText(Utf8(values.names[k]));
    }
    if (values.xChannel >= 0 && values.xChannel < kMaxChannels)
        x_[values.xChannel]->setChecked(true);
    if (values.yChannel >= 0 && values.yChannel < kMaxChannels)
        y_[values.yChannel]->setChecked(true);

    std::vector<QWidget*> chain = {rate_,      recordingTime_, scaling_,
                                   amplitude_, bits12,         fullPrecision};
    for (int k = 0; k < kMaxChannels; ++k)
        chain.insert(chain.end(), {channel_[k], name_[k], x_[k], y_[k]});
    chain.insert(chain.end(), {buttons->button(QDialogButtonBox::Ok),
                               buttons->button(QDialogButtonBox::Cancel)});
    for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

OptionsValues COptionsDlg::Taken() const {
    OptionsValues v = values_;
    v.rateIndex = rate_->currentIndex();
    v.recordingTime = ReadInteger(recordingTime_);
    v.scaling = scaling_->isChecked();
    v.scalingAmplitude = ReadNumber(amplitude_);
    v.dataBits = dataBits_->checkedId() == 0 ? 0 : 1;
    for (int k = 0; k < kMaxChannels; ++k) {
        v.channelEnabled[k] = channel_[k]->isChecked();
        v.names[k] = ToUtf8(name_[k]->text());
    }
    v.xChannel = xGroup_->checkedId();
    v.yChannel = yGroup_->checkedId();
    return v;
}

QWidget* COptionsDlg::ControlOf(const FieldProblem& problem) const {
    const bool row = problem.row >= 0 && problem.row < kMaxChannels;
    switch (static_cast<OptionsField>(problem.field)) {
        case OptionsField::RecordingTime:
            return recordingTime_;
        case OptionsField::ScalingAmplitude:
            return amplitude_;
        case OptionsField::SignalName:
            return row ? name_[problem.row] : nullptr;
        case OptionsField::Channels:
            return channel_[0];
        case OptionsField::XChannel:
            return row ? x_[problem.row] : x_[0];
        case OptionsField::YChannel:
            return row ? y_[problem.row] : y_[0];
    }
    return nullptr;
}

void COptionsDlg::accept() {
    const OptionsValues taken = Taken();
    if (const auto problem = ValidateOptions(taken)) {
        ShowDialogMessage(this, problem->message);
        FocusControl(ControlOf(*problem));
        return;
    }
    values_ = taken;
    QDialog::accept();
}

bool COptionsDlg::Edit(QWidget* parent, OptionsValues& values) {
    COptionsDlg dialog(parent, values);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
    return true;
}

bool EditDocumentOptions(QWidget* parent, CPelmorDoc& document) {
    OptionsValues values = document.Options();
    if (!COptionsDlg::Edit(parent, values)) return false;
    return !document.ApplyOptions(values);
}

}  // namespace pelmor
