// Pelmor, the desktop program.
#include <QApplication>

#include "gui/CPelmorApp.h"

int main(int argc, char** argv) {
    if (const auto status = pelmor::CPelmorApp::AnswerInformationOption(argc, argv)) return *status;
    QApplication app(argc, argv);
    pelmor::CPelmorApp pelmorApp;
    if (!pelmorApp.InitInstance(QApplication::arguments())) return 1;
    return app.exec();
}
