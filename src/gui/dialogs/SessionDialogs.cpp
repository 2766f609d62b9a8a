#include "gui/dialogs/SessionDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }
std::string Std(const QString& s) { return s.trimmed().toStdString(); }

QLineEdit* NamedEdit(QWidget* parent, const char* name, const QString& placeholder = {}) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setPlaceholderText(placeholder);
    return e;
}

QString NameOf(const std::string& family, const std::string& given) {
    QString name = Text(family);
    if (!given.empty()) name += (name.isEmpty() ? QString() : QStringLiteral(", ")) + Text(given);
    return name;
}

QString SubjectLine(const Subject& s) {
    const QString name = NameOf(s.family, s.given);
    QString line = Text(s.id);
    if (!name.isEmpty()) line += QStringLiteral(" \u2014 ") + name;
    if (!s.birth.empty()) line += QStringLiteral(" (%1)").arg(Text(s.birth));
    return line;
}

// A number field: empty is none; false when the text is not a positive number.
bool ReadOptional(const QLineEdit* edit, std::optional<double>& value) {
    if (edit->text().trimmed().isEmpty()) {
        value.reset();
        return true;
    }
    const double v = ReadNumber(edit);
    if (!std::isfinite(v) || v <= 0) return false;
    value = v;
    return true;
}

}  // namespace

int RunDialog(const DialogRunner& run, QDialog& dialog) {
    return run ? run(dialog) : dialog.exec();
}

SubjectFields::SubjectFields(QWidget* parent) : QWidget(parent) {
    auto* form = new QFormLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    id_ = NamedEdit(this, "subjectId", tr("the lab's identifier, required"));
    family_ = NamedEdit(this, "family");
    given_ = NamedEdit(this, "given");
    birth_ = NamedEdit(this, "birth", QStringLiteral("YYYY-MM-DD"));
    sex_ = new QComboBox(this);
    sex_->setObjectName(QStringLiteral("sex"));
    sex_->addItems({QString(), QStringLiteral("female"), QStringLiteral("male")});
    height_ = NamedEdit(this, "height");
    weight_ = NamedEdit(this, "weight");
    note_ = NamedEdit(this, "subjectNote");
    form->addRow(tr("Subject ID:"), id_);
    form->addRow(tr("Family name:"), family_);
    form->addRow(tr("Given name:"), given_);
    form->addRow(tr("Birth date:"), birth_);
    form->addRow(tr("Sex:"), sex_);
    form->addRow(tr("Height (cm):"), height_);
    form->addRow(tr("Weight (kg):"), weight_);
    form->addRow(tr("Note:"), note_);
}

void SubjectFields::SetSubject(const Subject& s, bool idFixed) {
    id_->setText(Text(s.id));
    id_->setReadOnly(idFixed);
    family_->setText(Text(s.family));
    given_->setText(Text(s.given));
    birth_->setText(Text(s.birth));
    sex_->setCurrentIndex(std::max(0, sex_->findText(Text(s.sex))));
    height_->setText(s.heightCm ? NumberText(*s.heightCm) : QString());
    weight_->setText(s.weightKg ? NumberText(*s.weightKg) : QString());
    note_->setText(Text(s.note));
}

bool SubjectFields::GetSubject(Subject& s, std::string& reason) const {
    s.id = Std(id_->text());
    s.family = Std(family_->text());
    s.given = Std(given_->text());
    s.birth = Std(birth_->text());
    s.sex = Std(sex_->currentText());
    s.note = Std(note_->text());
    if (!ReadOptional(height_, s.heightCm)) {
        reason = "The height is a number of centimetres above 0, or nothing.";
        height_->setFocus();
        return false;
    }
    if (!ReadOptional(weight_, s.weightKg)) {
        reason = "The weight is a number of kilograms above 0, or nothing.";
        weight_->setFocus();
        return false;
    }
    if (s.id.empty()) {
        reason = "A subject needs an ID.";
        id_->setFocus();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- Subject

CSubjectDlg::CSubjectDlg(QWidget* parent, const Subject& subject, bool isNew,
                         std::function<std::string(const Subject&)> save)
    : QDialog(parent), isNew_(isNew), save_(std::move(save)) {
    setWindowTitle(isNew ? tr("New Subject") : tr("Subject %1").arg(Text(subject.id)));
    auto* layout = new QVBoxLayout(this);
    fields_ = new SubjectFields(this);
    fields_->SetSubject(subject, !isNew);
    layout->addWidget(fields_);
    AddOkCancel(this);
}

void CSubjectDlg::accept() {
    Subject s;
    std::string reason;
    if (!fields_->GetSubject(s, reason) || !(reason = save_(s)).empty()) {
        ShowDialogMessage(this, reason);
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------- New Session

CNewSessionDlg::CNewSessionDlg(QWidget* parent, SubjectSearch search,
                               const std::string& operatorName)
    : QDialog(parent), search_(std::move(search)) {
    setWindowTitle(tr("New Session"));
    auto* layout = new QVBoxLayout(this);
    existing_ = new QRadioButton(tr("&Subject from the database"), this);
    existing_->setObjectName(QStringLiteral("existingSubject"));
    create_ = new QRadioButton(tr("New s&ubject"), this);
    create_->setObjectName(QStringLiteral("newSubject"));
    searchText_ = NamedEdit(this, "search", tr("Search by ID or name"));
    subjects_ = new QListWidget(this);
    subjects_->setObjectName(QStringLiteral("subjects"));
    subjects_->setMinimumHeight(140);
    fields_ = new SubjectFields(this);
    layout->addWidget(existing_);
    layout->addWidget(searchText_);
    layout->addWidget(subjects_);
    layout->addWidget(create_);
    layout->addWidget(fields_);
    auto* session = new QFormLayout;
    operator_ = NamedEdit(this, "operator");
    operator_->setText(Text(operatorName));
    note_ = NamedEdit(this, "note");
    training_ =
        new QCheckBox(tr("&Training session (recordings made in simulation are taken)"), this);
    training_->setObjectName(QStringLiteral("training"));
    session->addRow(tr("Operator:"), operator_);
    session->addRow(tr("Session note:"), note_);
    layout->addLayout(session);
    layout->addWidget(training_);
    AddOkCancel(this);
    auto mode = [this] {
        searchText_->setEnabled(existing_->isChecked());
        subjects_->setEnabled(existing_->isChecked());
        fields_->setEnabled(create_->isChecked());
    };
    connect(existing_, &QRadioButton::toggled, this, mode);
    connect(searchText_, &QLineEdit::textChanged, this, [this] { Search(); });
    connect(subjects_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    Search();
    (subjects_->count() > 0 ? existing_ : create_)->setChecked(true);
    mode();
}

void CNewSessionDlg::Search() {
    subjects_->clear();
    for (const Subject& s : search_(Std(searchText_->text()))) {
        auto* item = new QListWidgetItem(SubjectLine(s), subjects_);
        item->setData(Qt::UserRole, Text(s.id));
    }
    if (subjects_->count() > 0) subjects_->setCurrentRow(0);
}

void CNewSessionDlg::accept() {
    NewSessionChoice c;
    if (existing_->isChecked()) {
        const QListWidgetItem* item = subjects_->currentItem();
        if (!item) {
            ShowDialogMessage(this, "Pick a subject, or make a new one.");
            return;
        }
        c.subjectId = Std(item->data(Qt::UserRole).toString());
    } else {
        Subject s;
        std::string reason;
        if (!fields_->GetSubject(s, reason)) {
            ShowDialogMessage(this, reason);
            return;
        }
        c.subjectId = s.id;
        c.newSubject = s;
    }
    c.operatorName = Std(operator_->text());
    c.note = Std(note_->text());
    c.training = training_->isChecked();
    choice_ = std::move(c);
    QDialog::accept();
}

// ---------------------------------------------------------------- Open Session

COpenSessionDlg::COpenSessionDlg(QWidget* parent, const std::vector<SessionSummary>& sessions)
    : QDialog(parent) {
    setWindowTitle(tr("Open Session"));
    resize(720, 420);
    auto* layout = new QVBoxLayout(this);
    search_ = NamedEdit(this, "search", tr("Search by subject, name, date or operator"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("sessions"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Session"), tr("Subject"), tr("Name"), tr("Started"), tr("Operator"),
                            tr("Phases"), tr("Trials"), tr("Training")});
    for (const SessionSummary& s : sessions) {
        auto* item = new QTreeWidgetItem(
            list_, {QString::number(s.number), Text(s.subjectId), NameOf(s.family, s.given),
                    Text(s.started), Text(s.operatorName), QString::number(s.phases),
                    QString::number(s.trials), s.training ? tr("yes") : QString()});
        item->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(s.number));
    }
    for (int c = 0; c < list_->columnCount(); ++c) list_->resizeColumnToContents(c);
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    layout->addWidget(search_);
    layout->addWidget(list_);
    AddOkCancel(this);
    connect(search_, &QLineEdit::textChanged, this, [this] { Filter(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
}

void COpenSessionDlg::Filter() {
    const QStringList words = search_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        const QString text =
            QStringList{item->text(1), item->text(2), item->text(3), item->text(4)}.join(
                QLatin1Char(' '));
        bool shown = true;
        for (const QString& w : words) shown = shown && text.contains(w, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !first) first = item;
    }
    if (!list_->currentItem() || list_->currentItem()->isHidden()) list_->setCurrentItem(first);
}

void COpenSessionDlg::accept() {
    const QTreeWidgetItem* item = list_->currentItem();
    if (!item || item->isHidden()) {
        ShowDialogMessage(this, "Pick a session.");
        return;
    }
    chosen_ = item->data(0, Qt::UserRole).toLongLong();
    QDialog::accept();
}

// ---------------------------------------------------------------- New Phase

CNewPhaseDlg::CNewPhaseDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("New Phase"));
    auto* form = new QFormLayout(this);
    name_ = NamedEdit(this, "name", tr("Post bronchodilator"));
    note_ = NamedEdit(this, "note", tr("drug, dose, minutes after"));
    name_->setMinimumWidth(280);
    form->addRow(tr("Name:"), name_);
    form->addRow(tr("Note:"), note_);
    AddOkCancel(this);
}

std::string CNewPhaseDlg::Name() const { return Std(name_->text()); }
std::string CNewPhaseDlg::Note() const { return Std(note_->text()); }

void CNewPhaseDlg::accept() {
    if (Name().empty()) {
        ShowDialogMessage(this, "A phase needs a name.");
        name_->setFocus();
        return;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------- Subjects

CSubjectsDlg::CSubjectsDlg(QWidget* parent, SubjectSearch search,
                           std::function<std::string(const Subject&, bool)> save, DialogRunner run)
    : QDialog(parent), search_(std::move(search)), save_(std::move(save)), run_(std::move(run)) {
    setWindowTitle(tr("Subjects"));
    resize(720, 420);
    auto* layout = new QVBoxLayout(this);
    searchText_ = NamedEdit(this, "search", tr("Search by ID or name"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("subjects"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("ID"), tr("Family name"), tr("Given name"), tr("Birth date"),
                            tr("Sex"), tr("Height (cm)"), tr("Weight (kg)"), tr("Note")});
    layout->addWidget(searchText_);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* add = buttons->addButton(tr("&New\u2026"), QDialogButtonBox::ActionRole);
    QPushButton* edit = buttons->addButton(tr("&Edit\u2026"), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("newSubject"));
    edit->setObjectName(QStringLiteral("editSubject"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] { Edit(true); });
    connect(edit, &QPushButton::clicked, this, [this] { Edit(false); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Edit(false); });
    connect(searchText_, &QLineEdit::textChanged, this, [this] { Refresh(); });
    Refresh();
}

void CSubjectsDlg::Refresh() {
    const QString current = list_->currentItem() ? list_->currentItem()->text(0) : QString();
    list_->clear();
    shown_ = search_(Std(searchText_->text()));
    for (const Subject& s : shown_) {
        auto* item = new QTreeWidgetItem(
            list_, {Text(s.id), Text(s.family), Text(s.given), Text(s.birth), Text(s.sex),
                    s.heightCm ? NumberText(*s.heightCm) : QString(),
                    s.weightKg ? NumberText(*s.weightKg) : QString(), Text(s.note)});
        if (item->text(0) == current) list_->setCurrentItem(item);
    }
    if (!list_->currentItem() && list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    for (int c = 0; c < list_->columnCount(); ++c) list_->resizeColumnToContents(c);
}

void CSubjectsDlg::Edit(bool isNew) {
    Subject subject;
    if (!isNew) {
        const int row =
            list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
        if (row < 0 || row >= static_cast<int>(shown_.size())) return;
        subject = shown_[static_cast<std::size_t>(row)];
    }
    CSubjectDlg dialog(this, subject, isNew,
                       [this, isNew](const Subject& s) { return save_(s, isNew); });
    if (RunDialog(run_, dialog) == QDialog::Accepted) Refresh();
}

}  // namespace pelmor
