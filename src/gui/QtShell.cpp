#include "gui/QtShell.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMetaObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <cstdlib>
#include <string_view>

#include "gui/QtUserInterface.h"
#include "report/QtText.h"

namespace pelmor {

QtShell::QtShell(QString helpPath) : helpPath_(std::move(helpPath)) {}

bool QtShell::SetClipboardText(const std::string& text) {
    bool done = false;
    RunOnGuiThread([&] {
        if (QClipboard* c = QGuiApplication::clipboard()) {
            c->setText(Utf8(text));
            done = true;
        }
    });
    return done;
}

bool QtShell::OpenInSpreadsheet(const std::string& path, std::string& reason) {
    const QString file = FromLocalPath(path);
    struct Candidate {
        QString program;
        QStringList arguments;
    };
    QList<Candidate> candidates;
    if (const char* chosen = std::getenv("PELMOR_SPREADSHEET"); chosen && *chosen)
        candidates.push_back({QString::fromLocal8Bit(chosen), {file}});
    candidates.push_back({QStringLiteral("libreoffice"), {QStringLiteral("--calc"), file}});
    candidates.push_back({QStringLiteral("localc"), {file}});
    candidates.push_back({QStringLiteral("gnumeric"), {file}});
    candidates.push_back({QStringLiteral("xdg-open"), {file}});
    for (const Candidate& c : candidates) {
        QString exe = QFileInfo(c.program).isAbsolute() ? c.program
                                                        : QStandardPaths::findExecutable(c.program);
        if (exe.isEmpty()) continue;
        if (QProcess::startDetached(exe, c.arguments)) return true;
    }
    reason =
        "none was found (install LibreOffice Calc or Gnumeric, or name a program in "
        "PELMOR_SPREADSHEET).";
    return false;
}

bool QtShell::OpenHelp(const std::string& fragment) {
    if (helpPath_.isEmpty() || !QFileInfo::exists(helpPath_)) return false;
    QUrl url = QUrl::fromLocalFile(helpPath_);
    // The fragment comes as "#keys"; the address takes it without its '#'.
    std::string_view name = fragment;
    if (!name.empty() && name.front() == '#') name.remove_prefix(1);
    if (!name.empty()) url.setFragment(Utf8(name));
    bool ok = false;
    RunOnGuiThread([&] { ok = QDesktopServices::openUrl(url); });
    return ok;
}

std::string QtShell::TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? std::string(tmp) : std::string("/tmp");
}

std::string QtShell::HomeFolder() { return ToLocalPath(QDir::homePath()); }

char QtShell::DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    if (point.size() == 1 && point.at(0).unicode() < 0x100)
        return static_cast<char>(point.at(0).unicode());
    return '.';
}

}  // namespace pelmor
