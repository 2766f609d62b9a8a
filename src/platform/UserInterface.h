#pragma once

#include <string>

#include "platform/Question.h"

namespace pelmor {

struct ModelOptions;
struct SaveOptions;

// The answer to a question that may hold for the rest of a batch.
enum class BatchAnswer { Yes, No, YesToAll, NoToAll };

// What the engine asks of the user in the middle of an operation. Every call may come from the
// acquisition thread; the GUI runs the dialog on its own thread and blocks the caller until it is
// answered. Texts are UTF-8.
class UserInterface {
  public:
    virtual ~UserInterface() = default;
    // A message box with OK (errors and notices).
    virtual void ShowMessage(const std::string& text) = 0;
    // A question with Yes and No; true for Yes. The text is shown; an answer given without a
    // person goes by the question's name, never by its text.
    virtual bool AskYesNo(Question question, const std::string& text) = 0;
    // A question whose default button is No (Yes would lose or discard something).
    virtual bool AskYesNoDefaultNo(Question question, const std::string& text) {
        return AskYesNo(question, text);
    }
    // A question of a batch: Yes and No, and "Yes to All" and "No to All" for the rest of it.
    virtual BatchAnswer AskYesNoForAll(Question question, const std::string& text) {
        return AskYesNo(question, text) ? BatchAnswer::Yes : BatchAnswer::No;
    }
    // Status-bar pane 0 (progress of long work, "Ready.").
    virtual void ShowStatus(const std::string& text) { (void)text; }
    // The wait cursor around long work on the user-interface thread.
    virtual void SetBusy(bool busy) { (void)busy; }
    // The single-frequency choice of a tracking start: the frequencies in hertz with one
    // preselected. Returns the chosen position, or -1 for Cancel. Without a dialog the
    // preselected frequency is taken.
    virtual int ChooseExcitationFrequency(const double* frequencies, int count, int preselected) {
        (void)frequencies;
        return count > 0 ? preselected : -1;
    }
    // The model options of the stored-data table: the two frequency ranges as positions in the
    // given list, preset from the settings. The dialog refuses ranges that ValidateModelOptions
    // rejects (showing its message) and stays open. True for OK with the chosen ranges in
    // options; without a dialog the preset ranges are accepted.
    virtual bool EditModelOptions(ModelOptions& options, const double* frequencies, int count) {
        (void)options;
        (void)frequencies;
        (void)count;
        return true;
    }
    // The save-options dialog of recorded files: the user edits the title and the folder in
    // place. False for Cancel. Without a dialog the options are accepted as they are.
    virtual bool EditSaveOptions(SaveOptions& options) {
        (void)options;
        return true;
    }
};

}  // namespace pelmor
