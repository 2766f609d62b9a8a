#include "gui/CPelmorApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "core/MeasurementState.h"
#include "device/SerialDriverFactory.h"
#include "document/CPelmorDoc.h"
#include "gui/CMainFrame.h"
#include "gui/QtProfile.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "platform/Clock.h"
#include "platform/SerialDriver.h"
#ifdef PELMOR_HAVE_FTDI
#include "ftdi/FtdiSerialDriver.h"
#endif

namespace pelmor {

namespace {
// The help page installed beside the program, or the one in the source tree.
QString HelpPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/../share/pelmor/help.html"),
                                     dir + QStringLiteral("/../../../docs/help.html"),
                                     QStringLiteral(PELMOR_SOURCE_DOCS "/help.html")})
        if (QFileInfo::exists(candidate)) return QFileInfo(candidate).absoluteFilePath();
    return QStringLiteral(PELMOR_SOURCE_DOCS "/help.html");
}
}  // namespace

CPelmorApp::CPelmorApp() = default;

CPelmorApp::~CPelmorApp() {
    frame_.reset();
    doc_.reset();  // saves the settings
}

bool CPelmorApp::InitInstance(const QStringList& arguments) {
    QCoreApplication::setOrganizationName(QStringLiteral("Strell Lab"));
    QCoreApplication::setApplicationName(QStringLiteral("Pelmor"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    state_ = std::make_unique<MeasurementState>();
    profile_ = std::make_unique<QtProfile>();
    ui_ = std::make_unique<QtUserInterface>();
    shell_ = std::make_unique<QtShell>(HelpPath());
    clock_ = std::make_unique<SystemClock>();
#ifdef PELMOR_HAVE_FTDI
    RegisterFtdiSerialDriver();
#endif
    std::string warning;
    driver_ = MakeSerialDriverFromEnvironment(&warning);
    doc_ = std::make_unique<CPelmorDoc>(
        *state_, DocumentServices{*profile_, *ui_, *shell_, *clock_, *driver_});
    frame_ = std::make_unique<CMainFrame>(*doc_, *ui_, *shell_);
    frame_->showMaximized();
    if (!warning.empty()) ui_->ShowMessage(warning);
    (void)arguments;
    return true;
}

}  // namespace pelmor
