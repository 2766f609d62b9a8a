#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/UserInterface.h"

namespace pelmor {

// Modal message boxes and questions with the program's exact texts. A call from another thread
// (the acquisition thread) runs the dialog on the GUI thread and blocks the caller until it is
// answered; the dialogs are application-modal, so no command can start meanwhile.
class QtUserInterface : public UserInterface {
  public:
    explicit QtUserInterface(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const std::string& text) override;
    // The person reads the text; the question's name is not shown.
    bool AskYesNo(Question question, const std::string& text) override;
    bool AskYesNoDefaultNo(Question question, const std::string& text) override;
    // Yes, "Yes to All", No and "No to All"; Escape answers No.
    BatchAnswer AskYesNoForAll(Question question, const std::string& text) override;
    void ShowStatus(const std::string& text) override;
    void SetBusy(bool busy) override;
    int ChooseExcitationFrequency(const double* frequencies, int count, int preselected) override;
    bool EditModelOptions(ModelOptions& options, const double* frequencies, int count) override;
    bool EditSaveOptions(SaveOptions& options) override;

    // Tests: answers a message box on the GUI thread instead of showing it. question is true
    // for Yes/No; the result is the answer (true for Yes; ignored for a message).
    std::function<bool(const QString& text, bool question)> answerBox;

    // Where status pane 0 texts go (set by the main frame).
    std::function<void(const QString&)> statusSink;

  private:
    QPointer<QWidget> parent_;
};

// Runs f on the GUI thread and blocks until it has run (directly when already there).
void RunOnGuiThread(const std::function<void()>& f);

}  // namespace pelmor
