// The main frame's file commands: setup files with the save prompt and the recent-file list,
// dropped setup files, data import and export.
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>

#include "core/NumberFormat.h"
#include "gui/CMainFrame.h"
#include "gui/CPelmorView.h"
#include "gui/CommandIds.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"
#include "report/QtText.h"

namespace pelmor {

namespace {

constexpr int kRecentFiles = 8;
const char kRecentSection[] = "Recent File List";
const QString kSetupFilter = QStringLiteral("Pelmor Files (*.plm)");

bool IsSetupFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("plm"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QStringList CMainFrame::ChooseFiles(const QString& caption, const QString& filter, bool save,
                                    bool multiple, const QString& suggested) {
    if (chooseFiles) return chooseFiles(caption, filter, save, multiple);
    // Data files start in the folder of the last one written or read.
    QString folder;
    if (!filter.contains(QStringLiteral("*.plm"))) {
        const std::string current = doc_.CurrentDataFile();
        folder = current.empty() ? FromLocalPath(doc_.Services().shell.HomeFolder())
                                 : QFileInfo(FromLocalPath(current)).absolutePath();
    }
    if (multiple) return QFileDialog::getOpenFileNames(this, caption, folder, filter);
    if (save && !suggested.isEmpty()) folder = QDir(folder).filePath(suggested);
    QString selected;
    QString path = save ? QFileDialog::getSaveFileName(this, caption, folder, filter, &selected)
                        : QFileDialog::getOpenFileName(this, caption, folder, filter);
    if (path.isEmpty()) return {};
    // A name typed without an extension takes the one of the chosen filter.
    const qsizetype star = selected.indexOf(QStringLiteral("*."));
    if (save && QFileInfo(path).suffix().isEmpty() && star >= 0) {
        const QString ext = selected.mid(star + 1).section(QLatin1Char(')'), 0, 0).trimmed();
        if (!ext.contains(QLatin1Char('*'))) path += ext;
    }
    return {path};
}

void CMainFrame::DefineFileCommands() {
    CPelmorDoc& d = doc_;
    auto idle = [&d] { return d.CanChangeSetup(); };
    Define({cmd::NewSetup,
            tr("&New setup\tCtrl+N"),
            {QKeySequence(Qt::CTRL | Qt::Key_N)},
            "document-new",
            [this, &d] {
                if (SaveModified()) d.NewSetup();
            },
            idle});
    Define({cmd::OpenSetup,
            tr("&Open setup\tCtrl+O"),
            {QKeySequence(Qt::CTRL | Qt::Key_O)},
            "document-open",
            [this] {
                // The save prompt comes once, from OpenSetupFile, after a file was chosen.
                const QStringList paths = ChooseFiles(tr("Open setup"), kSetupFilter, false, false);
                if (!paths.isEmpty()) OpenSetupFile(paths.front());
            },
            idle});
    Define({cmd::SaveSetup,
            tr("&Save setup\tCtrl+S"),
            {QKeySequence(Qt::CTRL | Qt::Key_S)},
            "document-save",
            [this, &d] {
                if (d.SetupPath().empty())
                    SaveSetupAs();
                else
                    SaveSetupTo(FromLocalPath(d.SetupPath()));
            },
            {}});
    Define({cmd::SaveSetupAs,
            tr("Save setup &as..."),
            {},
            "document-save-as",
            [this] { SaveSetupAs(); },
            {}});
    Define({cmd::ImportData,
            tr("Import data"),
            {},
            "document-import",
            [this, &d] {
                const QStringList paths = ChooseFiles(
                    tr("Import data"),
                    tr("All data files (*.inp*);;Data files (*.inpx);;12-bit data files (*.inp)"),
                    false, false);
                if (paths.isEmpty()) return;
                d.ImportDataFile(ToLocalPath(paths.front()));
                view_->Refresh();
            },
            [&d] { return d.CanImportData(); }});
    Define({cmd::ExportData,
            tr("Export data"),
            {},
            "document-export",
            [this, &d] {
                if (!d.CheckExportRange()) return;  // before the user picks a file name
                const QStringList paths =
                    ChooseFiles(tr("Export data"),
                                tr("12-bit data files (*.inp);;Data files (*.inpx)"), true, false);
                if (paths.isEmpty()) return;
                QString path = paths.front();
                path = WithDefaultSuffix(path, QStringLiteral("inp"));
                d.ExportData(ToLocalPath(path));
            },
            [&d] { return d.CanExportData(); }});
    Define({cmd::Exit, tr("E&xit"), {}, "application-exit", [this] { close(); }, {}});
    for (int i = 0; i < kRecentFiles; ++i) {
        Define({cmd::RecentFile + i,
                QString(),
                {},
                "",
                [this, i] {
                    if (i < recent_.size()) OpenSetupFile(recent_[i]);
                },
                [this, &d, i] { return i < recent_.size() && d.CanOpenSetup(); }});
    }
}

bool CMainFrame::SaveModified() {
    if (!doc_.Modified()) return true;
    const QString name = doc_.SetupPath().empty()
                             ? QStringLiteral("Untitled")
                             : QFileInfo(FromLocalPath(doc_.SetupPath())).fileName();
    const QString text = tr("Save changes to %1?").arg(name);
    int answer = QMessageBox::Cancel;
    if (askSaveChanges) {
        answer = askSaveChanges(text);
    } else {
        answer = QMessageBox::question(this, QStringLiteral("Pelmor"), text,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                       QMessageBox::Yes);
    }
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::No) return true;
    if (doc_.SetupPath().empty()) {
        SaveSetupAs();
        return !doc_.Modified();
    }
    return SaveSetupTo(FromLocalPath(doc_.SetupPath()));
}

void CMainFrame::SaveSetupAs() {
    const QStringList paths = ChooseFiles(tr("Save setup as"), kSetupFilter, true, false);
    if (paths.isEmpty()) return;
    QString path = paths.front();
    path = WithDefaultSuffix(path, QStringLiteral("plm"));
    SaveSetupTo(path);
}

bool CMainFrame::SaveSetupTo(const QString& path) {
    if (!doc_.SaveSetup(ToLocalPath(path))) return false;
    AddRecentFile(path);
    UpdateCommandUi();
    return true;
}

bool CMainFrame::OpenSetupFile(const QString& path) {
    if (!doc_.CanOpenSetup()) {
        doc_.Services().ui.ShowMessage("Please stop the measurement before opening a setup.");
        return false;
    }
    if (!SaveModified()) return false;
    // The setup already open is read again from its file.
    const bool opened = doc_.OpenSetup(ToLocalPath(QFileInfo(path).absoluteFilePath()));
    if (opened) {
        AddRecentFile(QFileInfo(path).absoluteFilePath());
    } else if (!QFileInfo::exists(path) && recent_.contains(QFileInfo(path).absoluteFilePath())) {
        // A file that has gone leaves the recent-file list.
        recent_.removeAll(QFileInfo(path).absoluteFilePath());
        WriteRecentFiles();
    }
    UpdateCommandUi();
    view_->Refresh();
    return opened;
}

void CMainFrame::LoadRecentFiles() {
    recent_.clear();
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::string path =
            doc_.Services().profile.GetString(kRecentSection, Format("File%d", i), "");
        if (!path.empty()) recent_ << FromLocalPath(path);
    }
}

void CMainFrame::AddRecentFile(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent_.removeAll(full);
    recent_.prepend(full);
    while (recent_.size() > kRecentFiles) recent_.removeLast();
    WriteRecentFiles();
}

void CMainFrame::WriteRecentFiles() {
    for (int i = 0; i < kRecentFiles; ++i) {
        doc_.Services().profile.WriteString(
            kRecentSection, Format("File%d", i + 1),
            i < recent_.size() ? ToLocalPath(recent_[i]) : std::string());
    }
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    for (int i = 0; i < kRecentFiles; ++i) {
        QAction* a = Action(cmd::RecentFile + i);
        if (!a) continue;
        const bool used = i < recent_.size();
        // An empty list still shows its place, greyed, as "Recent File".
        a->setVisible(used || i == 0);
        if (used) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(recent_[i]).fileName()));
            a->setStatusTip(recent_[i]);
        } else if (i == 0) {
            a->setText(tr("Recent File"));
            a->setStatusTip(QString());
            a->setEnabled(false);
        }
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && IsSetupFile(url.toLocalFile())) {
            event->acceptProposedAction();
            return;
        }
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && IsSetupFile(url.toLocalFile())) {
            event->acceptProposedAction();
            OpenSetupFile(url.toLocalFile());
            return;
        }
    }
}

}  // namespace pelmor
