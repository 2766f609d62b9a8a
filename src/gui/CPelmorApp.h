#pragma once

#include <QStringList>
#include <memory>
#include <optional>

namespace pelmor {

class CMainFrame;
class CPelmorDoc;
class QtProfile;
class QtShell;
class QtUserInterface;
class SerialDriver;
class SystemClock;
struct MeasurementState;

// The application: the settings location, the platform services, the one document, frame and
// view, the command line.
class CPelmorApp {
  public:
    CPelmorApp();
    // --help and --version answer on standard output without a display (a core application
    // exists meanwhile, so the help page is looked for beside the program). The exit status
    // when one of them was given, nothing otherwise.
    static std::optional<int> AnswerInformationOption(int argc, char** argv);
    ~CPelmorApp();
    // Start-up; false when the program cannot start.
    bool InitInstance(const QStringList& arguments);
    CMainFrame* Frame() const { return frame_.get(); }
    CPelmorDoc* Document() const { return doc_.get(); }

  private:
    std::unique_ptr<MeasurementState> state_;
    std::unique_ptr<QtProfile> profile_;
    std::unique_ptr<QtUserInterface> ui_;
    std::unique_ptr<QtShell> shell_;
    std::unique_ptr<SystemClock> clock_;
    std::unique_ptr<SerialDriver> driver_;
    std::unique_ptr<CPelmorDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace pelmor
