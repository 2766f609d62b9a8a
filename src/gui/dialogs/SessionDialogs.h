#pragma once

// The dialogs of the Session menu: "New Session…", "Open Session…", "New Phase…", "Subjects…"
// and the subject editor. They read and change the database only through the functions their
// owner hands them; nested dialogs run through `run` (exec() when it is empty), which tests
// replace.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sessions/SessionStore.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTreeWidget;

namespace pelmor {

// Runs a dialog modally and returns its result.
using DialogRunner = std::function<int(QDialog& dialog)>;
int RunDialog(const DialogRunner& run, QDialog& dialog);

// The subject search of the database (ID, family or given name holding every word).
using SubjectSearch = std::function<std::vector<Subject>(const std::string& search)>;

// The subject's fields as edits: ID, family, given, birth date, sex, height, weight, note.
class SubjectFields : public QWidget {
  public:
    explicit SubjectFields(QWidget* parent);
    void SetSubject(const Subject& subject, bool idFixed);
    // The subject as edited; false with the reason for a height or weight that is no number.
    bool GetSubject(Subject& subject, std::string& reason) const;

  private:
    QLineEdit *id_, *family_, *given_, *birth_, *height_, *weight_, *note_;
    QComboBox* sex_;
};

// "Subject": one subject's fields; an existing subject keeps its ID.
class CSubjectDlg : public QDialog {
  public:
    // save stores the subject and returns "" or the reason it was refused (the dialog stays).
    CSubjectDlg(QWidget* parent, const Subject& subject, bool isNew,
                std::function<std::string(const Subject&)> save);
    void accept() override;

  private:
    SubjectFields* fields_;
    bool isNew_;
    std::function<std::string(const Subject&)> save_;
};

struct NewSessionChoice {
    std::string subjectId;
    std::optional<Subject> newSubject;  // to add before the session starts
    std::string operatorName, note;
    bool training = false;
};

// "New Session": a subject found by ID or name, or a new one; the operator, the note and
// whether it is a training session.
class CNewSessionDlg : public QDialog {
  public:
    CNewSessionDlg(QWidget* parent, SubjectSearch search, const std::string& operatorName);
    const NewSessionChoice& Choice() const { return choice_; }
    void accept() override;

  private:
    void Search();
    SubjectSearch search_;
    QRadioButton *existing_, *create_;
    QLineEdit* searchText_;
    QListWidget* subjects_;
    SubjectFields* fields_;
    QLineEdit *operator_, *note_;
    QCheckBox* training_;
    NewSessionChoice choice_;
};

// "Open Session": the sessions newest first with subject, date, phases and trials; the search
// keeps those whose subject, name, date or operator holds every word.
class COpenSessionDlg : public QDialog {
  public:
    COpenSessionDlg(QWidget* parent, const std::vector<SessionSummary>& sessions);
    int64_t Chosen() const { return chosen_; }
    void accept() override;

  private:
    void Filter();
    QLineEdit* search_;
    QTreeWidget* list_;
    int64_t chosen_ = 0;
};

// "New Phase": the name (required) and a note (drug, dose, minutes after).
class CNewPhaseDlg : public QDialog {
  public:
    explicit CNewPhaseDlg(QWidget* parent);
    std::string Name() const;
    std::string Note() const;
    void accept() override;

  private:
    QLineEdit *name_, *note_;
};

// "Subjects": the subjects with a search; "New…" and "Edit…" open the subject editor.
class CSubjectsDlg : public QDialog {
  public:
    CSubjectsDlg(QWidget* parent, SubjectSearch search,
                 std::function<std::string(const Subject&, bool isNew)> save, DialogRunner run);
    void Refresh();
    void Edit(bool isNew);

  private:
    SubjectSearch search_;
    std::function<std::string(const Subject&, bool)> save_;
    DialogRunner run_;
    QLineEdit* searchText_;
    QTreeWidget* list_;
    std::vector<Subject> shown_;
};

}  // namespace pelmor
