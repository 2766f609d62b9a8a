#include "gui/dialogs/CModelOptionsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/NumberFormat.h"
#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

constexpr int kMaxListed = 256;

QComboBox* RangeGroup(QWidget* parent, QVBoxLayout* top, const char* title, const char* name,
                      QComboBox*& to) {
    auto* group = new QGroupBox(QString::fromLatin1(title), parent);
    auto* grid = new QGridLayout(group);
    auto* from = new QComboBox(group);
    from->setObjectName(QString::fromLatin1(name) + QStringLiteral("From"));
    to = new QComboBox(group);
    to->setObjectName(QString::fromLatin1(name) + QStringLiteral("To"));
    grid->addWidget(new QLabel(QStringLiteral("From"), group), 0, 0);
    grid->addWidget(from, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("to"), group), 0, 2);
    grid->addWidget(to, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Hz"), group), 0, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    top->addWidget(group);
    return from;
}

}  // namespace

CModelOptionsDlg::CModelOptionsDlg(QWidget* parent, const ModelOptions& options,
                                   const double* frequencies, int count)
    : QDialog(parent), options_(options) {
    setWindowTitle(QStringLiteral("Model options"));
    count_ = frequencies != nullptr ? std::clamp(count, 0, kMaxListed) : 0;
    auto* top = new QVBoxLayout(this);
    rFrom_ = RangeGroup(this, top, "R frequency range", "r", rTo_);
    lcFrom_ = RangeGroup(this, top, "LC frequency range", "lc", lcTo_);
    const int positions[4] = {options.rFrom, options.rTo, options.lcFrom, options.lcTo};
    QComboBox* lists[4] = {rFrom_, rTo_, lcFrom_, lcTo_};
    for (int l = 0; l < 4; ++l) {
        lists[l]->setMinimumWidth(90);
        for (int i = 0; i < count_; ++i) lists[l]->addItem(Utf8(Format("%lg", frequencies[i])));
        if (positions[l] >= 0 && positions[l] < count_) lists[l]->setCurrentIndex(positions[l]);
    }
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({rFrom_, rTo_, lcFrom_, lcTo_, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
}

void CModelOptionsDlg::accept() {
    const ModelOptions taken{rFrom_->currentIndex(), rTo_->currentIndex(), lcFrom_->currentIndex(),
                             lcTo_->currentIndex()};
    const std::string problem = ValidateModelOptions(taken, count_);
    if (!problem.empty()) {
        ShowDialogMessage(this, problem);
        FocusControl(problem == "Invalid R frequency range" ? rTo_ : lcTo_);
        return;
    }
    options_ = taken;
    QDialog::accept();
}

bool EditModelOptions(QWidget* parent, ModelOptions& options, const double* frequencies,
                      int count) {
    CModelOptionsDlg dialog(parent, options, frequencies, count);
    if (dialog.exec() != QDialog::Accepted) return false;
    options = dialog.Options();
    return true;
}

bool EditModelOptions(QWidget* parent, Profile& profile, ModelOptions& options,
                      const double* frequencies, int count) {
    options = LoadModelOptions(profile, frequencies, count);
    if (!EditModelOptions(parent, options, frequencies, count)) return false;
    SaveModelOptions(profile, options, frequencies);
    return true;
}

}  // namespace pelmor
