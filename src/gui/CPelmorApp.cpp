#include "gui/CPelmorApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "core/MeasurementState.h"
#include "core/Version.h"
#include "device/SerialDriverFactory.h"
#include "device/UsbIds.h"
#include "document/CPelmorDoc.h"
#include "gui/CMainFrame.h"
#include "gui/QtProfile.h"
#include "gui/QtShell.h"
#include "gui/QtUserInterface.h"
#include "gui/ToolbarIcons.h"
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

std::optional<int> CPelmorApp::AnswerInformationOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--") break;
        if (arg == "--version") {
            std::cout << "pelmor " << ProgramVersion() << "\n";
            return 0;
        }
        if (arg != "--help" && arg != "-h") continue;
        QCoreApplication core(argc, argv);
        const QString help = HelpPath();
        std::cout << "Usage: pelmor [QT-OPTION]... [SETUP-FILE]\n"
                     "Data acquisition and respiratory impedance measurement by forced "
                     "oscillation.\n"
                     "Opens the setup file (.plm) if one is named.\n\n"
                     "Options:\n"
                     "  -h, --help     Print this help and exit\n"
                     "      --version  Print the version and exit\n"
                     "Qt's own options (-platform NAME, -display DISPLAY, -style STYLE, ...) "
                     "are accepted as well.\n\n"
                     "Help page: "
                  << (QFileInfo::exists(help) ? help.toLocal8Bit().toStdString()
                                              : std::string("not found (it is installed "
                                                            "with the program as "
                                                            "share/pelmor/help.html)"))
                  << "\n";
        return 0;
    }
    return std::nullopt;
}

CPelmorApp::~CPelmorApp() {
    frame_.reset();
    doc_.reset();  // saves the settings
}

bool CPelmorApp::InitInstance(const QStringList& arguments) {
    QCoreApplication::setOrganizationName(QStringLiteral("Strell Lab"));
    QCoreApplication::setApplicationName(QStringLiteral("Pelmor"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pelmor"));
    QApplication::setWindowIcon(ApplicationIcon());
    QCoreApplication::setApplicationVersion(QString::fromLatin1(ProgramVersion()));
    state_ = std::make_unique<MeasurementState>();
    profile_ = std::make_unique<QtProfile>();
    ui_ = std::make_unique<QtUserInterface>();
    shell_ = std::make_unique<QtShell>(HelpPath());
    clock_ = std::make_unique<SystemClock>();
    std::string warning;
#ifdef PELMOR_HAVE_FTDI
    RegisterFtdiSerialDriver(ExtraUsbIds(std::getenv("PELMOR_USB_IDS"),
                                         profile_->GetString(kUsbIdsSection, kUsbIdsKey, ""),
                                         &warning));
#endif
    std::string driverWarning;
    driver_ = MakeSerialDriverFromEnvironment(&driverWarning);
    if (!driverWarning.empty()) warning += (warning.empty() ? "" : "\n") + driverWarning;
    doc_ = std::make_unique<CPelmorDoc>(
        *state_, DocumentServices{*profile_, *ui_, *shell_, *clock_, *driver_});
    frame_ = std::make_unique<CMainFrame>(*doc_, *ui_, *shell_);
    // Without a window manager "maximised" means nothing: start at the screen's size anyway.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        frame_->resize(screen->availableGeometry().size());
    frame_->showMaximized();
    if (!warning.empty()) ui_->ShowMessage(warning);
    frame_->OfferToReopenSession();
    // PELMOR_SCREENSHOT=path saves a picture of the screen after PELMOR_SCREENSHOT_DELAY
    // seconds (3 when not set): for checking the program on a machine without a screen.
    const QString shot = qEnvironmentVariable("PELMOR_SCREENSHOT");
    if (!shot.isEmpty()) {
        bool ok = false;
        const int delay = qEnvironmentVariableIntValue("PELMOR_SCREENSHOT_DELAY", &ok);
        QTimer::singleShot((ok ? delay : 3) * 1000, frame_.get(), [frame = frame_.get(), shot] {
            // The whole screen, with any message box over the window.
            QScreen* screen = QGuiApplication::primaryScreen();
            QPixmap picture = screen ? screen->grabWindow(0) : QPixmap();
            if (picture.isNull()) picture = frame->grab();
            picture.save(shot);
        });
    }
    // A setup file named on the command line (the first argument that is not an option).
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(QLatin1Char('-'))) continue;
        frame_->OpenSetupFile(arguments[i]);
        break;
    }
    return true;
}

}  // namespace pelmor
