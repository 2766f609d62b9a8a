#include "gui/dialogs/DisplayDialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "core/NumberFormat.h"
#include "core/Version.h"
#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name, double value) {
    auto* edit = new QLineEdit(NumberText(value), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(90);
    return edit;
}

QComboBox* StyleList(QWidget* parent, const char* name, const char* const* items, int index) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < 3; ++i) combo->addItem(QString::fromLatin1(items[i]));
    combo->setCurrentIndex(index >= 0 && index < 3 ? index : 0);
    return combo;
}

QLabel* Label(QWidget* parent, const char* text) {
    return new QLabel(QString::fromLatin1(text), parent);
}

void Refuse(QWidget* dialog, const FieldProblem& problem, QWidget* control) {
    ShowDialogMessage(dialog, problem.message);
    FocusControl(control);
}

}  // namespace

// ---------------------------------------------------------------- time window

CTimeWindowDlg::CTimeWindowDlg(QWidget* parent, const TimeWindowValues& values)
    : QDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("Set time window"));
    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    top->addLayout(row);
    from_ = NumberEdit(this, "from", values.from);
    to_ = NumberEdit(this, "to", values.to);
    row->addWidget(Label(this, "From"));
    row->addWidget(from_);
    row->addWidget(Label(this, "s"));
    row->addSpacing(12);
    row->addWidget(Label(this, "to"));
    row->addWidget(to_);
    row->addWidget(Label(this, "s"));
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({from_, to_, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
}

void CTimeWindowDlg::accept() {
    const TimeWindowValues taken{ReadNumber(from_), ReadNumber(to_)};
    if (const auto problem = ValidateTimeWindow(taken)) {
        Refuse(this, *problem,
               problem->field == static_cast<int>(TimeWindowField::From) ? from_ : to_);
        return;
    }
    values_ = taken;
    QDialog::accept();
}

bool CTimeWindowDlg::Edit(QWidget* parent, TimeWindowValues& values) {
    CTimeWindowDlg dialog(parent, values);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
    return true;
}

// ---------------------------------------------------------------- XY display options

CXYDisplayDlg::CXYDisplayDlg(QWidget* parent, const XYDisplayValues& values)
    : QDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("XY display options"));
    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    top->addLayout(grid);
    cycles_ = new QLineEdit(QString::number(values.cycles), this);
    cycles_->setObjectName(QStringLiteral("cycles"));
    cycles_->setMaximumWidth(90);
    style_ = StyleList(this, "plotStyle", kPlotStyleNames, values.plotStyle);
    grid->addWidget(Label(this, "Number of cycles"), 0, 0);
    grid->addWidget(cycles_, 0, 1);
    grid->addWidget(Label(this, "Plot style"), 1, 0);
    grid->addWidget(style_, 1, 1);
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({cycles_, style_, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
}

void CXYDisplayDlg::accept() {
    const XYDisplayValues taken{ReadInteger(cycles_), style_->currentIndex()};
    if (const auto problem = ValidateXYDisplay(taken)) {
        Refuse(this, *problem,
               problem->field == static_cast<int>(XYDisplayField::Cycles)
                   ? static_cast<QWidget*>(cycles_)
                   : style_);
        return;
    }
    values_ = taken;
    QDialog::accept();
}

bool CXYDisplayDlg::Edit(QWidget* parent, XYDisplayValues& values) {
    CXYDisplayDlg dialog(parent, values);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
    return true;
}

// ---------------------------------------------------------------- impedance display options

CZDisplayDlg::CZDisplayDlg(QWidget* parent, const ZDisplayValues& values)
    : QDialog(parent), values_(values) {
    setWindowTitle(QStringLiteral("Impedance display options"));
    auto* top = new QVBoxLayout(this);

    auto* general = new QGridLayout;
    top->addLayout(general);
    averagingTime_ = NumberEdit(this, "averagingTime", values.averagingTime);
    displayMode_ = StyleList(this, "displayMode", kZDisplayModeNames, values.displayMode);
    general->addWidget(Label(this, "Averaging time [s]"), 0, 0);
    general->addWidget(averagingTime_, 0, 1);
    general->addWidget(Label(this, "Display mode"), 1, 0);
    general->addWidget(displayMode_, 1, 1);
    general->setColumnStretch(2, 1);

    auto* styles = new QGroupBox(QStringLiteral("Plot style"), this);
    auto* styleGrid = new QGridLayout(styles);
    averageStyle_ = StyleList(styles, "averageStyle", kPlotStyleNames, values.averagePlotStyle);
    instantStyle_ = StyleList(styles, "instantStyle", kPlotStyleNames, values.instantPlotStyle);
    styleGrid->addWidget(Label(styles, "Averaged data"), 0, 0);
    styleGrid->addWidget(averageStyle_, 0, 1);
    styleGrid->addWidget(Label(styles, "Instantaneous data"), 1, 0);
    styleGrid->addWidget(instantStyle_, 1, 1);
    top->addWidget(styles);

    auto* data = new QGroupBox(QStringLiteral("Data to display"), this);
    auto* dataGrid = new QGridLayout(data);
    auto* spectrum = new QRadioButton(QStringLiteral("Impedance spectrum"), data);
    spectrum->setObjectName(QStringLiteral("spectrum"));
    auto* trend = new QRadioButton(QStringLiteral("Impedance trend at"), data);
    trend->setObjectName(QStringLiteral("trend"));
    dataToDisplay_ = new QButtonGroup(this);
    dataToDisplay_->addButton(spectrum, 0);
    dataToDisplay_->addButton(trend, 1);
    (values.dataToDisplay == 1 ? trend : spectrum)->setChecked(true);
    trendFrequency_ = new QComboBox(data);
    trendFrequency_->setObjectName(QStringLiteral("trendFrequency"));
    const int count = std::clamp(values.frequencyCount, 0, kMaxDisplayFrequencies);
    for (int i = 0; i < count; ++i)
        trendFrequency_->addItem(Utf8(Format("%lg", values.frequencies[i])));
    trendFrequency_->setCurrentIndex(values.trendFrequencyIndex >= 0 &&
                                             values.trendFrequencyIndex < count
                                         ? values.trendFrequencyIndex
                                         : (count > 0 ? 0 : -1));
    dataGrid->addWidget(spectrum, 0, 0);
    dataGrid->addWidget(trend, 1, 0);
    dataGrid->addWidget(trendFrequency_, 1, 1);
    dataGrid->addWidget(Label(data, "Hz"), 1, 2);
    top->addWidget(data);

    auto* flowRow = new QHBoxLayout;
    flowScaling_ = NumberEdit(this, "flowScaling", values.flowScalingFactor);
    flowRow->addWidget(Label(this, "Flow scaling factor"));
    flowRow->addWidget(flowScaling_);
    flowRow->addStretch(1);
    top->addLayout(flowRow);

    auto limits = [&](const char* title, const char* name, double lo, double hi,
                      QLineEdit*& minimum, QLineEdit*& maximum) {
        auto* group = new QGroupBox(QString::fromLatin1(title), this);
        auto* grid = new QGridLayout(group);
        const QString base = QString::fromLatin1(name);
        minimum = NumberEdit(group, "", lo);
        minimum->setObjectName(base + QStringLiteral("Min"));
        maximum = NumberEdit(group, "", hi);
        maximum->setObjectName(base + QStringLiteral("Max"));
        grid->addWidget(Label(group, "Minimum"), 0, 0);
        grid->addWidget(minimum, 0, 1);
        grid->addWidget(Label(group, "s"), 0, 2);
        grid->addWidget(Label(group, "Maximum"), 0, 3);
        grid->addWidget(maximum, 0, 4);
        grid->addWidget(Label(group, "s"), 0, 5);
        top->addWidget(group);
    };
    limits("Inspiration duration limits", "inspiration", values.inspirationMin,
           values.inspirationMax, inspirationMin_, inspirationMax_);
    limits("Expiration duration limits", "expiration", values.expirationMin, values.expirationMax,
           expirationMin_, expirationMax_);

    auto* breaths = new QGridLayout;
    flowSign_ = new QComboBox(this);
    flowSign_->setObjectName(QStringLiteral("flowSign"));
    flowSign_->addItems({QStringLiteral("+1"), QStringLiteral("-1")});
    flowSign_->setCurrentIndex(values.inspiratoryFlowSign < 0 ? 1 : 0);
    threshold_ = NumberEdit(this, "flowLimitationThreshold", values.flowLimitationThreshold);
    breaths->addWidget(Label(this, "Inspiratory flow sign"), 0, 0);
    breaths->addWidget(flowSign_, 0, 1);
    breaths->addWidget(Label(this, "Flow limitation threshold"), 1, 0);
    breaths->addWidget(threshold_, 1, 1);
    breaths->setColumnStretch(2, 1);
    top->addLayout(breaths);

    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({averagingTime_, displayMode_, averageStyle_, instantStyle_, spectrum, trend,
                 trendFrequency_, flowScaling_, inspirationMin_, inspirationMax_, expirationMin_,
                 expirationMax_, flowSign_, threshold_, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
}

void CZDisplayDlg::accept() {
    ZDisplayValues taken = values_;
    taken.averagingTime = ReadNumber(averagingTime_);
    taken.displayMode = displayMode_->currentIndex();
    taken.averagePlotStyle = averageStyle_->currentIndex();
    taken.instantPlotStyle = instantStyle_->currentIndex();
    taken.dataToDisplay = dataToDisplay_->checkedId() == 1 ? 1 : 0;
    taken.trendFrequencyIndex = trendFrequency_->currentIndex();
    taken.inspirationMin = ReadNumber(inspirationMin_);
    taken.inspirationMax = ReadNumber(inspirationMax_);
    taken.expirationMin = ReadNumber(expirationMin_);
    taken.expirationMax = ReadNumber(expirationMax_);
    taken.flowScalingFactor = ReadNumber(flowScaling_);
    taken.inspiratoryFlowSign = flowSign_->currentIndex() == 1 ? -1 : 1;
    taken.flowLimitationThreshold = ReadNumber(threshold_);
    if (const auto problem = ValidateZDisplay(taken)) {
        QWidget* controls[] = {averagingTime_,  displayMode_,    averageStyle_,  instantStyle_,
                               inspirationMin_, inspirationMax_, expirationMin_, expirationMax_,
                               flowScaling_,    flowSign_,       threshold_};
        Refuse(this, *problem, controls[problem->field]);
        return;
    }
    values_ = taken;
    QDialog::accept();
}

bool CZDisplayDlg::Edit(QWidget* parent, ZDisplayValues& values) {
    CZDisplayDlg dialog(parent, values);
    if (dialog.exec() != QDialog::Accepted) return false;
    values = dialog.Values();
    return true;
}

// ---------------------------------------------------------------- about

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Pelmor"));
    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    top->addLayout(row);
    auto* icon = new QLabel(this);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) appIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(appIcon.pixmap(32, 32));
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->addWidget(new QLabel(
        QStringLiteral("Pelmor Version %1").arg(QString::fromLatin1(ProgramVersion())), this));
    text->addWidget(Label(this, "Respiratory impedance measurement by forced oscillation"));
    row->addLayout(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    top->addWidget(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void CAboutDlg::Show(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.exec();
}

}  // namespace pelmor
