#include "gui/dialogs/CSaveSetupDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "gui/dialogs/DialogSupport.h"

namespace pelmor {

namespace {

SaveFileChooser& Chooser() {
    static SaveFileChooser chooser;
    return chooser;
}

// "Data files (*.inpx) |*.inpx||" becomes the Qt filter "Data files (*.inpx)".
QString QtFilter(const std::string& filter) {
    return Utf8(filter.substr(0, filter.find('|'))).trimmed();
}

}  // namespace

SaveFileChooser SetSaveFileChooser(SaveFileChooser f) {
    return std::exchange(Chooser(), std::move(f));
}

CSaveSetupDlg::CSaveSetupDlg(QWidget* parent, const SaveOptions& options)
    : QDialog(parent), options_(options) {
    // A simulated recording says so where the user looks first, the caption.
    setWindowTitle(options.simulated
                       ? QStringLiteral("Save Setup Dialog - This recording is simulated.")
                       : QStringLiteral("Save Setup Dialog"));
    auto* top = new QVBoxLayout(this);
    if (options.simulated) {
        auto* note = new QLabel(QStringLiteral("This recording is simulated."), this);
        note->setObjectName(QStringLiteral("simulated"));
        note->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
        top->addWidget(note);
    }
    auto* grid = new QGridLayout;
    top->addLayout(grid);
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("title"));
    folder_ = new QPlainTextEdit(this);
    folder_->setObjectName(QStringLiteral("folder"));
    folder_->setReadOnly(true);
    folder_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    folder_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    folder_->setMinimumWidth(280);
    folder_->setFixedHeight(folder_->fontMetrics().lineSpacing() * 3 + 12);
    auto* select = new QPushButton(QStringLiteral("Select"), this);
    select->setObjectName(QStringLiteral("select"));
    select->setAutoDefault(false);
    append_ = new QCheckBox(QStringLiteral("Append serial number"), this);
    append_->setObjectName(QStringLiteral("append"));
    append_->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("File title"), this), 0, 0);
    grid->addWidget(title_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Folder"), this), 1, 0, Qt::AlignTop);
    grid->addWidget(folder_, 1, 1);
    grid->addWidget(select, 1, 2, Qt::AlignTop);
    grid->addWidget(append_, 2, 1);
    QDialogButtonBox* buttons = AddOkCancel(this);
    SetTabChain({title_, folder_, select, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
    connect(select, &QPushButton::clicked, this, &CSaveSetupDlg::Select);
    Put();
}

void CSaveSetupDlg::accept() {
    // A recording without a title would be written as " 001.inpx" in the start-up folder.
    if (title_->text().trimmed().isEmpty()) {
        ShowDialogMessage(this, "Please enter a title for the data file.");
        title_->setFocus();
        return;
    }
    QDialog::accept();
}

SaveOptions CSaveSetupDlg::Options() const {
    SaveOptions o = options_;
    o.title = ToLocalPath(title_->text());
    return o;
}

void CSaveSetupDlg::Put() {
    title_->setText(FromLocalPath(options_.title));
    folder_->setPlainText(FromLocalPath(options_.folder));
    append_->setChecked(options_.appendSerialNumber != 0);
}

void CSaveSetupDlg::Select() {
    options_ = Options();
    const QString filter = QtFilter(SaveOptionsFilter(options_.dataBits));
    QString proposed = FromLocalPath(options_.title);
    if (!options_.folder.empty())
        proposed = FromLocalPath(options_.folder) + QChar(kPathSeparator) + proposed;
    QString path;
    if (Chooser()) {
        path = Chooser()(this, proposed, filter);
    } else {
        path = QFileDialog::getSaveFileName(this, QString(), proposed, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
    if (path.isEmpty()) return;
    ApplySelectedFile(options_, ToLocalPath(path), ToLocalPath(QFileInfo(path).fileName()));
    Put();
}

bool EditSaveOptions(QWidget* parent, SaveOptions& options) {
    CSaveSetupDlg dialog(parent, options);
    const bool ok = dialog.exec() == QDialog::Accepted;
    options = dialog.Options();
    return ok;
}

}  // namespace pelmor
