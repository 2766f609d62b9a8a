#include "gui/QtUserInterface.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include "gui/dialogs/CExcitationFrequencyDlg.h"
#include "gui/dialogs/CModelOptionsDlg.h"
#include "gui/dialogs/CSaveSetupDlg.h"

namespace pelmor {

void RunOnGuiThread(const std::function<void()>& f) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, f, Qt::BlockingQueuedConnection);
}

namespace {
QString Text(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

void QtUserInterface::ShowMessage(const std::string& text) {
    RunOnGuiThread([&] {
        if (answerBox) {
            answerBox(Text(text), false);
            return;
        }
        QMessageBox box(QMessageBox::Information, QStringLiteral("Pelmor"), Text(text),
                        QMessageBox::Ok, parent_);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    });
}

bool QtUserInterface::AskYesNo(const std::string& text) {
    bool yes = false;
    RunOnGuiThread([&] {
        if (answerBox) {
            yes = answerBox(Text(text), true);
            return;
        }
        QMessageBox box(QMessageBox::Question, QStringLiteral("Pelmor"), Text(text),
                        QMessageBox::Yes | QMessageBox::No, parent_);
        box.setDefaultButton(QMessageBox::Yes);
        box.setWindowModality(Qt::ApplicationModal);
        yes = box.exec() == QMessageBox::Yes;
    });
    return yes;
}

void QtUserInterface::ShowStatus(const std::string& text) {
    if (!statusSink) return;
    const QString t = Text(text);
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
