#pragma once

// Test doubles of the platform interfaces, shared by every test program.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "analysis/ModelFit.h"
#include "core/MeasurementState.h"
#include "platform/Clock.h"
#include "platform/MemoryProfile.h"
#include "platform/Profile.h"
#include "platform/Shell.h"
#include "platform/UserInterface.h"

namespace pelmor {
class CPelmorDoc;
struct SetupFileImage;
}  // namespace pelmor

namespace pelmor::test {

// Settings kept in memory (the engine's own in-memory profile).
using MemoryProfile = pelmor::MemoryProfile;

// Records every text shown and every question's name, and answers a question by its name when
// told how (Answer), otherwise from a queue (Yes when the queue is empty, unless defaultAnswer
// says otherwise). Safe to call from any thread.
class ScriptedUserInterface : public UserInterface {
  public:
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(Question question, const std::string& text) override;
    // Answered like AskYesNo; the text is also kept in DefaultNoQuestions().
    bool AskYesNoDefaultNo(Question question, const std::string& text) override;
    // The next queued batch answer (QueueBatchAnswer); without one, AskYesNo's answer.
    BatchAnswer AskYesNoForAll(Question question, const std::string& text) override;
    void ShowStatus(const std::string& text) override;
    // The tracking-mode frequency choice: frequencyChoice when set (-1 is Cancel), otherwise
    // the preselected entry. The offered frequencies are kept.
    int ChooseExcitationFrequency(const double* frequencies, int count, int preselected) override;
    // The model options: modelChoice when set (the preset otherwise); false (Cancel) when
    // modelAccepted is false. The offered list and preset are kept.
    bool EditModelOptions(ModelOptions& options, const double* frequencies, int count) override;
    // The save-options dialog: saveOptionsEditor when set (its result is OK or Cancel),
    // otherwise OK with the options unchanged. Every dialog shown is counted.
    bool EditSaveOptions(SaveOptions& options) override;

    void QueueAnswer(bool yes);
    // Every later `question` is answered `yes` without touching the queue.
    void Answer(Question question, bool yes);
    void QueueBatchAnswer(BatchAnswer answer);
    std::vector<std::string> DefaultNoQuestions() const;
    std::vector<std::string> Messages() const;
    std::vector<std::string> Questions() const;
    // The names of the questions asked, in the order of Questions().
    std::vector<Question> AskedQuestions() const;
    std::vector<std::string> Statuses() const;
    void ClearRecords();

    bool defaultAnswer = true;
    std::optional<int> frequencyChoice;
    std::vector<double> offeredFrequencies;
    int offeredPreselection = -1;
    bool modelAccepted = true;
    std::optional<ModelOptions> modelChoice;
    std::vector<double> offeredModelFrequencies;
    std::optional<ModelOptions> offeredModelOptions;
    std::function<bool(SaveOptions&)> saveOptionsEditor;
    int saveOptionsDialogs = 0;

  private:
    mutable std::mutex mutex_;
    std::deque<bool> answers_;
    std::map<Question, bool> answersByName_;
    std::deque<BatchAnswer> batchAnswers_;
    std::vector<std::string> defaultNoQuestions_;
    std::vector<std::string> messages_, questions_, statuses_;
    std::vector<Question> asked_;
};

// A clock that moves only when told to (or when asked to sleep).
class FakeClock : public Clock {
  public:
    int64_t CalendarSeconds() override { return calendarSeconds; }
    int64_t Milliseconds() override { return milliseconds; }
    void SleepMilliseconds(int64_t ms) override { milliseconds += ms; }
    std::string FormatLocalTime(const char* format, int64_t seconds) override;

    int64_t calendarSeconds = 1700000000;
    int64_t milliseconds = 0;
};

// Records clipboard texts and spreadsheet and help requests.
class RecordingShell : public Shell {
  public:
    bool SetClipboardText(const std::string& text) override;
    bool OpenInSpreadsheet(const std::string& path, std::string& reason) override;
    bool OpenHelp(const std::string& fragment) override;
    std::string TempFolder() override { return tempFolder; }
    std::string HomeFolder() override { return homeFolder; }
    char DecimalSeparator() override { return decimalSeparator; }

    std::vector<std::string> clipboard;
    std::vector<std::string> spreadsheetFiles;
    std::vector<std::string> helpFragments;
    bool spreadsheetAvailable = true;
    std::string tempFolder = "/tmp";
    std::string homeFolder = "/tmp";
    char decimalSeparator = '.';
};

// The lines of a CR LF text (a last line without CR LF included).
std::vector<std::string> Lines(const std::string& text);

// A fresh folder under the temp folder, removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The path of a file of tests/fixtures (README.md there says how each was made).
std::string FixturePath(const std::string& name);
// Copies the fixture into dir, under its own name unless another is given; returns the copy's
// path ("" when it could not be copied), so that a test never writes beside the fixtures.
std::string CopyFixture(const std::string& name, const TempDir& dir, const std::string& as = {});

// Makes dir the XDG_DATA_HOME of the process with the shipped reference set (and, when asked,
// a malformed "broken.json") in its Pelmor/references folder; returns that folder.
std::string ReferenceDataHome(const TempDir& dir, bool withBroken = false);

// Switches the process to a decimal-comma locale for the object's life (false from Active()
// when no such locale is installed).
class CommaLocale {
  public:
    CommaLocale();
    ~CommaLocale();
    bool Active() const { return active_; }

  private:
    bool active_ = false;
    std::string previous_;
};

// Changes the document's setup as opening a setup file does: the image of the current setup,
// changed, then taken over (the bank, the calibration, the slots, the plot windows, the
// impedance frequencies and display mode, the naming).
void EditSetup(CPelmorDoc& doc, const std::function<void(SetupFileImage&)>& change);

// Through EditSetup: a bank of one signal, twelve harmonics of a 1 s period (frequency indices
// step, 2 step, ... 12 step), amplitude 0.1, moderate phases; then that signal selected.
void UseTwelveHarmonics(CPelmorDoc& doc, int step = 1);

// The breath analysis of hand-made points taken as breathing-flow samples at sampleRate: flow
// q, and at every sample j an estimate with R r[j] and X x[j] whose window is the `window`
// samples from j (as far as the record goes), its phase from the sign of s·q over them. The
// analysis carries those estimates and their window (window / sampleRate).
BreathAnalysis SampleBreaths(const std::vector<double>& q, const std::vector<double>& r,
                             const std::vector<double>& x, const BreathSettings& settings = {},
                             double sampleRate = 1, int window = 1);

// Appends a record to slots 0, 1 and 2 of `state` at sampleRate, one second per entry of
// flow: slot 1 the cosines of `frequencies` (0.1 each, phase 0.3 k² for the k-th), slot 2
// flow[i] all through second i, slot 0 slot 1 through an impedance of R r[i] and X x[i] at
// every frequency in second i.
void AppendBreathingRecord(MeasurementState& state, double sampleRate,
                           const std::vector<double>& frequencies, const std::vector<double>& flow,
                           const std::vector<double>& r, const std::vector<double>& x);

// What a shell command writes to its standard output ("" when it cannot be run).
std::string CommandOutput(const std::string& command);

// A copy of a full-precision data file as a recording made in simulation marks it: " simulated"
// after its time stamp (the length-prefixed text at byte 32 of the header). False with the
// reason when either file fails.
bool WriteSimulatedCopy(const std::string& from, const std::string& to, std::string& reason);

}  // namespace pelmor::test
