#include "support/TestSupport.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>

#include "core/FileBytes.h"
#include "document/CPelmorDoc.h"
#include "files/SetupFile.h"

namespace pelmor::test {

using Lock = std::lock_guard<std::mutex>;

void ScriptedUserInterface::ShowMessage(const std::string& text) {
    Lock lock(mutex_);
    messages_.push_back(text);
}
bool ScriptedUserInterface::AskYesNo(Question question, const std::string& text) {
    Lock lock(mutex_);
    questions_.push_back(text);
    asked_.push_back(question);
    if (auto it = answersByName_.find(question); it != answersByName_.end()) return it->second;
    if (answers_.empty()) return defaultAnswer;
    bool a = answers_.front();
    answers_.pop_front();
    return a;
}
bool ScriptedUserInterface::AskYesNoDefaultNo(Question question, const std::string& text) {
    {
        Lock lock(mutex_);
        defaultNoQuestions_.push_back(text);
    }
    return AskYesNo(question, text);
}
BatchAnswer ScriptedUserInterface::AskYesNoForAll(Question question, const std::string& text) {
    {
        Lock lock(mutex_);
        if (!batchAnswers_.empty()) {
            questions_.push_back(text);
            asked_.push_back(question);
            const BatchAnswer a = batchAnswers_.front();
            batchAnswers_.pop_front();
            return a;
        }
    }
    return AskYesNo(question, text) ? BatchAnswer::Yes : BatchAnswer::No;
}
void ScriptedUserInterface::QueueBatchAnswer(BatchAnswer answer) {
    Lock lock(mutex_);
    batchAnswers_.push_back(answer);
}
std::vector<std::string> ScriptedUserInterface::DefaultNoQuestions() const {
    Lock lock(mutex_);
    return defaultNoQuestions_;
}
void ScriptedUserInterface::ShowStatus(const std::string& text) {
    Lock lock(mutex_);
    statuses_.push_back(text);
}
int ScriptedUserInterface::ChooseExcitationFrequency(const double* frequencies, int count,
                                                     int preselected) {
    Lock lock(mutex_);
    offeredFrequencies.assign(frequencies, frequencies + std::max(count, 0));
    offeredPreselection = preselected;
    return frequencyChoice ? *frequencyChoice : preselected;
}

bool ScriptedUserInterface::EditModelOptions(ModelOptions& options, const double* frequencies,
                                             int count) {
    Lock lock(mutex_);
    offeredModelFrequencies.assign(frequencies, frequencies + std::max(count, 0));
    offeredModelOptions = options;
    if (modelChoice) options = *modelChoice;
    return modelAccepted;
}

bool ScriptedUserInterface::EditSaveOptions(SaveOptions& options) {
    std::function<bool(SaveOptions&)> editor;
    {
        Lock lock(mutex_);
        ++saveOptionsDialogs;
        editor = saveOptionsEditor;
    }
    return editor ? editor(options) : true;
}

void ScriptedUserInterface::QueueAnswer(bool yes) {
    Lock lock(mutex_);
    answers_.push_back(yes);
}
void ScriptedUserInterface::Answer(Question question, bool yes) {
    Lock lock(mutex_);
    answersByName_[question] = yes;
}
std::vector<std::string> ScriptedUserInterface::Messages() const {
    Lock lock(mutex_);
    return messages_;
}
std::vector<std::string> ScriptedUserInterface::Questions() const {
    Lock lock(mutex_);
    return questions_;
}
std::vector<Question> ScriptedUserInterface::AskedQuestions() const {
    Lock lock(mutex_);
    return asked_;
}
std::vector<std::string> ScriptedUserInterface::Statuses() const {
    Lock lock(mutex_);
    return statuses_;
}
void ScriptedUserInterface::ClearRecords() {
    Lock lock(mutex_);
    messages_.clear();
    questions_.clear();
    asked_.clear();
    statuses_.clear();
    defaultNoQuestions_.clear();
}

std::string FakeClock::FormatLocalTime(const char* format, int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);  // deterministic in tests: UTC
    char buf[256];
    std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

bool RecordingShell::SetClipboardText(const std::string& text) {
    clipboard.push_back(text);
    return true;
}
bool RecordingShell::OpenInSpreadsheet(const std::string& path, std::string& reason) {
    spreadsheetFiles.push_back(path);
    if (!spreadsheetAvailable) reason = "no spreadsheet program was found";
    return spreadsheetAvailable;
}
bool RecordingShell::OpenHelp(const std::string& fragment) {
    helpFragments.push_back(fragment);
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pelmor-test-XXXXXX";
    if (char* made = mkdtemp(pattern.data())) path_ = made;
}
TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::string ReferenceDataHome(const TempDir& dir, bool withBroken) {
    const std::string references = dir.File("xdg/Pelmor/references");
    std::filesystem::create_directories(references);
    std::filesystem::copy_file(
        std::string(PELMOR_FIXTURES) + "/../../packaging/references/aarli-ios-adults.json",
        references + "/aarli.json", std::filesystem::copy_options::overwrite_existing);
    if (withBroken) std::ofstream(references + "/broken.json") << "{\"name\": \"Broken\"}";
    setenv("XDG_DATA_HOME", dir.File("xdg").c_str(), 1);
    return references;
}

std::string FixturePath(const std::string& name) {
    return std::string(PELMOR_FIXTURES) + "/" + name;
}

std::string CopyFixture(const std::string& name, const TempDir& dir, const std::string& as) {
    const std::string copy = dir.File(as.empty() ? name : as);
    std::error_code ec;
    std::filesystem::copy_file(FixturePath(name), copy,
                               std::filesystem::copy_options::overwrite_existing, ec);
    return ec ? std::string() : copy;
}

CommaLocale::CommaLocale() {
    const char* now = std::setlocale(LC_ALL, nullptr);
    previous_ = now ? now : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name)) {
            active_ = true;
            break;
        }
    }
}
CommaLocale::~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }

void EditSetup(CPelmorDoc& doc, const std::function<void(SetupFileImage&)>& change) {
    // About 130 KB: on the heap.
    auto image = std::make_unique<SetupFileImage>(doc.MakeSetupImage());
    change(*image);
    doc.ApplySetupImage(*image);
}

void UseTwelveHarmonics(CPelmorDoc& doc, int step) {
    EditSetup(doc, [step](SetupFileImage& s) {
        ExcitationBank& b = s.excitationBank;
        b.period = 1.0;
        b.signalCount = 1;
        b.componentCount[0] = 12;
        for (int i = 0; i < 12; ++i) {
            b.frequencyIndex[0][i] = step * (i + 1);
            b.amplitude[0][i] = 0.1;
            b.phase[0][i] = 0.3 * i * i;
        }
    });
    doc.SelectSignal(0);
}

std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

bool WriteSimulatedCopy(const std::string& from, const std::string& to, std::string& reason) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(from, bytes, reason)) return false;
    if (bytes.size() < 36) {
        reason = from + " is too short for a data file header.";
        return false;
    }
    const int32_t length = bytes[32] | bytes[33] << 8 | bytes[34] << 16 | bytes[35] << 24;
    if (length < 0 || bytes.size() < 36 + static_cast<std::size_t>(length)) {
        reason = from + " holds no whole time stamp.";
        return false;
    }
    const std::string mark = " simulated";
    std::vector<uint8_t> marked(bytes.begin(), bytes.begin() + 32);
    const int32_t longer = length + static_cast<int32_t>(mark.size());
    for (int k = 0; k < 4; ++k) marked.push_back(static_cast<uint8_t>(longer >> (8 * k)));
    marked.insert(marked.end(), bytes.begin() + 36, bytes.begin() + 36 + length);
    marked.insert(marked.end(), mark.begin(), mark.end());
    marked.insert(marked.end(), bytes.begin() + 36 + length, bytes.end());
    return WriteFileBytes(to, marked, reason);
}

BreathAnalysis SampleBreaths(const std::vector<double>& q, const std::vector<double>& r,
                             const std::vector<double>& x, const BreathSettings& settings,
                             double sampleRate, int window) {
    const double sign = settings.inspiratoryFlowSign < 0 ? -1.0 : 1.0;
    const int n = static_cast<int>(q.size());
    std::vector<WithinBreathEstimate> estimates;
    for (int j = 0; j + window <= n; ++j) {
        WithinBreathEstimate e;
        e.first = j;
        e.count = window;
        e.time = (j + (window - 1) / 2.0) / sampleRate;
        e.r = r[j];
        e.x = x[j];
        const auto begin = q.begin() + j, end = begin + window;
        if (std::all_of(begin, end, [sign](double v) { return sign * v > 0; }))
            e.phase = BreathPhase::Inspiration;
        else if (std::all_of(begin, end, [sign](double v) { return sign * v < 0; }))
            e.phase = BreathPhase::Expiration;
        estimates.push_back(e);
    }
    BreathAnalysis a = AnalyseBreaths(BreathRecord{q, sampleRate, 0.0, estimates}, settings);
    a.windowSeconds = window / sampleRate;
    a.estimates = std::move(estimates);
    return a;
}

void AppendBreathingRecord(MeasurementState& state, double sampleRate,
                           const std::vector<double>& frequencies, const std::vector<double>& flow,
                           const std::vector<double>& r, const std::vector<double>& x) {
    const int perSecond = static_cast<int>(sampleRate);
    const int n = perSecond * static_cast<int>(flow.size());
    std::vector<double> v0(n), v1(n), v2(n);
    for (int j = 0; j < n; ++j) {
        const int second = j / perSecond;
        const double t = j / sampleRate;
        for (std::size_t k = 0; k < frequencies.size(); ++k) {
            const double phase = 2 * std::numbers::pi * frequencies[k] * t + 0.3 * k * k;
            v1[j] += 0.1 * std::cos(phase);
            v0[j] += 0.1 * (r[second] * std::cos(phase) - x[second] * std::sin(phase));
        }
        v2[j] = flow[second];
    }
    state.buffers[0].AppendBlock(v0.data(), n);
    state.buffers[1].AppendBlock(v1.data(), n);
    state.buffers[2].AppendBlock(v2.data(), n);
}

}  // namespace pelmor::test

// Suppressions the sanitizer runtimes read at start-up, so that every way of running the tests
// (CTest, a test program by hand, a debugger) gets them. Qt and fontconfig are not built with
// the sanitizers.
extern "C" {
const char* __tsan_default_suppressions() {
    // Qt hands a blocking queued call over to the GUI thread with its own futex, which the
    // sanitizer cannot see: every access on either side of that hand-over looks unordered.
    return "race:pelmor::RunOnGuiThread\n"
           "race:QtPrivate::QFunctorSlotObject\n"
           "race:QMetaObject::invokeMethodImpl\n";
}
const char* __lsan_default_suppressions() {
    // fontconfig (Qt's text rendering) keeps its configuration for the life of the process.
    return "leak:libfontconfig.so\n";
}
}
