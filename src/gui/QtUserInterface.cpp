#include "gui/QtUserInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include "gui/dialogs/CExcitationFrequencyDlg.h"
#include "gui/dialogs/CModelOptionsDlg.h"
#include "gui/dialogs/CSaveSetupDlg.h"
#include "report/QtText.h"

namespace pelmor {

void RunOnGuiThread(const std::function<void()>& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, f, Qt::BlockingQueuedConnection);
}

void QtUserInterface::ShowMessage(const std::string& text) {
    RunOnGuiThread([&] {
        if (answerBox) {
            answerBox(Utf8(text), false);
            return;
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pelmor"), Utf8(text), QMessageBox::Ok,
                        parent_);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    });
}

namespace {

// A question box with the question icon; the button pressed.
int AskWithButtons(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                   QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pelmor"), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(QMessageBox::No);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}

}  // namespace

namespace {

// A Yes/No question on the GUI thread (or answered by the test hook); true for Yes.
bool AskYesNoWith(QtUserInterface& ui, QWidget* parent, const std::string& text,
                  QMessageBox::StandardButton defaultButton) {
    bool yes = false;
    RunOnGuiThread([&] {
        if (ui.answerBox) {
            yes = ui.answerBox(Utf8(text), true);
            return;
        }
        yes = AskWithButtons(parent, Utf8(text), QMessageBox::Yes | QMessageBox::No,
                             defaultButton) == QMessageBox::Yes;
    });
    return yes;
}

}  // namespace

bool QtUserInterface::AskYesNo(Question, const std::string& text) {
    return AskYesNoWith(*this, parent_, text, QMessageBox::Yes);
}

bool QtUserInterface::AskYesNoDefaultNo(Question, const std::string& text) {
    return AskYesNoWith(*this, parent_, text, QMessageBox::No);
}

BatchAnswer QtUserInterface::AskYesNoForAll(Question, const std::string& text) {
    BatchAnswer answer = BatchAnswer::No;
    RunOnGuiThread([&] {
        if (answerBox) {
            answer = answerBox(Utf8(text), true) ? BatchAnswer::Yes : BatchAnswer::No;
            return;
        }
        switch (AskWithButtons(
            parent_, Utf8(text),
            QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll,
            QMessageBox::Yes)) {
            case QMessageBox::Yes:
                answer = BatchAnswer::Yes;
                break;
            case QMessageBox::YesToAll:
                answer = BatchAnswer::YesToAll;
                break;
            case QMessageBox::NoToAll:
                answer = BatchAnswer::NoToAll;
                break;
            default:
                answer = BatchAnswer::No;
        }
    });
    return answer;
}

void QtUserInterface::ShowStatus(const std::string& text) {
    if (!statusSink) return;
    const QString t = Utf8(text);
    RunOnGuiThread([&] { statusSink(t); });
}

void QtUserInterface::SetBusy(bool busy) {
    RunOnGuiThread([&] {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
}

}  // namespace pelmor

namespace pelmor {

int QtUserInterface::ChooseExcitationFrequency(const double* frequencies, int count,
                                               int preselected) {
    int chosen = -1;
    RunOnGuiThread([&] {
        chosen = pelmor::ChooseExcitationFrequency(parent_, frequencies, count, preselected);
    });
    return chosen;
}

bool QtUserInterface::EditModelOptions(ModelOptions& options, const double* frequencies,
                                       int count) {
    bool ok = false;
    RunOnGuiThread([&] { ok = pelmor::EditModelOptions(parent_, options, frequencies, count); });
    return ok;
}

}  // namespace pelmor

namespace pelmor {

bool QtUserInterface::EditSaveOptions(SaveOptions& options) {
    bool ok = false;
    RunOnGuiThread([&] { ok = pelmor::EditSaveOptions(parent_, options); });
    return ok;
}

}  // namespace pelmor
