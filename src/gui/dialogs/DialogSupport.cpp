#include "gui/dialogs/DialogSupport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontMetrics>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "core/NumberFormat.h"

namespace pelmor {

namespace {

DialogMessageFunction& MessageFunction() {
    static DialogMessageFunction function;
    return function;
}

}  // namespace

DialogMessageFunction SetDialogMessageFunction(DialogMessageFunction f) {
    return std::exchange(MessageFunction(), std::move(f));
}

void ShowDialogMessage(QWidget* parent, const std::string& text) {
    const QString t = Utf8(text);
    if (MessageFunction()) {
        MessageFunction()(parent, t);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Pelmor"), t, QMessageBox::Ok, parent);
    box.exec();
}

QString NumberText(double value) { return Utf8(Format("%.15g", value)); }

double ReadNumber(const QLineEdit* edit) {
    double v = 0;
    return ParseDouble(ToUtf8(edit->text()), v) ? v : std::nan("");
}

int ReadInteger(const QLineEdit* edit) {
    int v = 0;
    return ParseInt(ToUtf8(edit->text()), v) ? v : INT_MIN;
}

QDialogButtonBox* AddOkCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->setObjectName(QStringLiteral("buttons"));
    QPushButton* ok = box->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    if (dialog->layout() != nullptr) dialog->layout()->addWidget(box);
    // Wide enough for the whole caption beside the window manager's buttons.
    // Window managers draw captions in a bold font that is often larger than the dialog's.
    QFont captionFont = dialog->font();
    captionFont.setBold(true);
    const int captionWidth =
        QFontMetrics(captionFont).horizontalAdvance(dialog->windowTitle()) * 6 / 5 + 120;
    dialog->setMinimumWidth(std::max(dialog->minimumWidth(), captionWidth));
    return box;
}

void SetTabChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* w : widgets) {
        if (previous != nullptr && w != nullptr) QWidget::setTabOrder(previous, w);
        if (w != nullptr) previous = w;
    }
}

void FocusControl(QWidget* control) {
    if (control == nullptr) return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

}  // namespace pelmor
