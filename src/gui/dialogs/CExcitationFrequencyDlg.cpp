#include "gui/dialogs/CExcitationFrequencyDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/NumberFormat.h"
#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {
constexpr int kMaxListedFrequencies = 256;
}

CExcitationFrequencyDlg::CExcitationFrequencyDlg(QWidget* parent, const double* frequencies,
                                                 int count, int selection)
    : QDialog(parent), selection_(selection) {
    setWindowTitle(QStringLiteral("Select single excitation frequency"));
    auto* top = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    top->addLayout(row);
    list_ = new QComboBox(this);
    list_->setObjectName(QStringLiteral("frequency"));
    list_->setMinimumWidth(100);
    count = frequencies != nullptr ? std::clamp(count, 0, kMaxListedFrequencies) : 0;
    for (int i = 0; i < count; ++i) list_->addItem(Utf8(Format("%lg", frequencies[i])));
    list_->setCurrentIndex(selection_ >= 0 && selection_ < count ? selection_ : 0);
    row->addWidget(new QLabel(QStringLiteral("Frequency"), this));
    row->addWidget(list_, 1);
    row->addWidget(new QLabel(QStringLiteral("Hz"), this));
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain(
        {list_, buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel)});
}

void CExcitationFrequencyDlg::accept() {
    selection_ = list_->currentIndex();
    QDialog::accept();
}

int ChooseExcitationFrequency(QWidget* parent, const double* frequencies, int count,
                              int preselected) {
    CExcitationFrequencyDlg dialog(parent, frequencies, count, preselected);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return dialog.Selection();
}

}  // namespace pelmor
