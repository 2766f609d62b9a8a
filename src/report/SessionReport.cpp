#include "report/SessionReport.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/NumberFormat.h"
#include "device/SerialDriverFactory.h"
#include "document/CPelmorDoc.h"
#include "platform/MemoryProfile.h"
#include "platform/UserInterface.h"

namespace pelmor {

std::string CalibrationText(int calibrationPoints) {
    return calibrationPoints > 0 ? Format("Calibrated (%d points)", calibrationPoints)
                                 : std::string("Not calibrated");
}

std::string ExcitationText(const std::vector<double>& frequencies) {
    if (frequencies.empty()) return "none";
    std::string text;
    for (std::size_t i = 0; i < frequencies.size(); ++i)
        text += (i > 0 ? ", " : "") + Format("%lg", frequencies[i]);
    return text + " Hz";
}

ReportSpectrum SpectrumOf(const StoredResult& r) {
    const int n = std::clamp<int>(r.frequencyCount, 0, StoredResult::kMaxFrequencies);
    ReportSpectrum s;
    s.label = r.label;
    s.frequencies.assign(r.frequencies, r.frequencies + n);
    s.re.assign(r.re, r.re + n);
    s.im.assign(r.im, r.im + n);
    s.coherence.assign(r.coherence, r.coherence + n);
    return s;
}

void DescribeSession(const CPelmorDoc& doc, SessionReport& report) {
    report.setupName =
        doc.setupPath.empty() ? std::string("Untitled") : WithoutFolder(doc.setupPath);
    const ImpedanceCalculator& c = doc.calculator;
    report.calibrationPoints = c.calibrationOff ? 0 : static_cast<int>(c.workingCalibration.count);
    const int n = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    report.excitationFrequencies.assign(c.frequencyHz, c.frequencyHz + n);
}

int NearestFrequencyIndex(const CPelmorDoc& doc, double hz) {
    const ImpedanceCalculator& c = doc.calculator;
    const int n = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    int nearest = -1;
    for (int i = 0; i < n; ++i)
        if (nearest < 0 ||
            std::fabs(c.frequencyHz[i] - hz) < std::fabs(c.frequencyHz[nearest] - hz))
            nearest = i;
    return nearest;
}

ReportRecording RecordingOf(CPelmorDoc& doc, const std::string& path, double trendHz) {
    ImpedanceCalculator& c = doc.calculator;
    ReportRecording r;
    r.fileName = WithoutFolder(path);
    // The files keep three spaces between date and time; one reads better on paper.
    for (char c : doc.dataFileTimeStamp)
        if (c != ' ' || r.timeStamp.empty() || r.timeStamp.back() != ' ') r.timeStamp += c;
    r.sampleRate = doc.setup.sampleRate;
    const TraceBuffer& b = doc.state.buffers[0];
    r.duration = r.sampleRate > 0 ? b.Count() / r.sampleRate : 0.0;
    const int nearest = NearestFrequencyIndex(doc, trendHz);
    if (nearest >= 0 && nearest != c.selectedFrequencyIndex) {
        // As the frequency keys of the impedance window: select, then recompute the trend.
        c.selectedFrequencyIndex = nearest;
        AnalysisInputs in = doc.Inputs();
        c.ComputeTrend(in, doc.services.ui);
    }
    if (nearest >= 0) r.trendFrequency = c.frequencyHz[nearest];
    const int n = std::clamp<int>(c.offlineTrendCount, 0, ImpedanceCalculator::kTrendLength);
    r.time.assign(c.trendTime, c.trendTime + n);
    r.re.assign(c.trendR, c.trendR + n);
    r.im.assign(c.trendX, c.trendX + n);
    r.flow.assign(c.trendFlow, c.trendFlow + n);
    return r;
}

bool AnalyseReportFile(CPelmorDoc& doc, const std::string& path, double trendHz,
                       ReportSpectrum* spectrum, ReportRecording& recording, std::string& refusal) {
    if (!doc.ImportDataFile(path, &refusal)) return false;
    ImpedanceCalculator& c = doc.calculator;
    if (spectrum != nullptr) {
        AnalysisInputs in = doc.Inputs();
        if (c.AnalyseInterval(in, 0, 0) != 0) {
            refusal = "no whole excitation period to analyse";
            return false;
        }
        const int n = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
        spectrum->label = WithoutFolder(path);
        spectrum->frequencies.assign(c.frequencyHz, c.frequencyHz + n);
        spectrum->re.assign(c.ensembleR, c.ensembleR + n);
        spectrum->im.assign(c.ensembleX, c.ensembleX + n);
        spectrum->coherence.assign(c.coherence, c.coherence + n);
    }
    recording = RecordingOf(doc, path, trendHz);
    return true;
}

namespace {

// The import's questions answered No; its messages kept as the reason a file was refused.
class QuietUserInterface : public UserInterface {
  public:
    void ShowMessage(const std::string& text) override { lastMessage = text; }
    bool AskYesNo(const std::string&) override { return false; }
    std::string lastMessage;
};

}  // namespace

std::vector<ReportRecording> RecordingPages(const CPelmorDoc& doc,
                                            const std::vector<std::string>& paths, double trendHz,
                                            std::vector<std::string>& skipped,
                                            const std::function<bool(int, int)>& progress) {
    std::vector<ReportRecording> pages;
    if (paths.empty()) return pages;
    MemoryProfile profile;
    QuietUserInterface ui;
    NoDeviceSerialDriver driver;
    auto state = std::make_unique<MeasurementState>();
    CPelmorDoc worker(
        *state, DocumentServices{profile, ui, doc.services.shell, doc.services.clock, driver});
    // What the import and the trend read besides the file: the 12-bit files' excitation,
    // the calibration to compare with, the trend's windows and the flow scaling.
    worker.excitationBank = doc.excitationBank;
    worker.breathing = doc.breathing;
    worker.calculator.loadedCalibration = doc.calculator.loadedCalibration;
    worker.calculator.trendWindows = doc.calculator.trendWindows;
    worker.calculator.selectedFrequencyIndex = doc.calculator.selectedFrequencyIndex;
    const int total = static_cast<int>(paths.size());
    for (int i = 0; i < total; ++i) {
        const std::string& path = paths[static_cast<std::size_t>(i)];
        ui.lastMessage.clear();
        std::string refusal;
        if (worker.ImportDataFile(path, &refusal)) {
            pages.push_back(RecordingOf(worker, path, trendHz));
        } else {
            std::string why = ui.lastMessage.empty() ? refusal : ui.lastMessage;
            while (!why.empty() && why.back() == '\n') why.pop_back();
            skipped.push_back(WithoutFolder(path) + ": " + why);
        }
        if (progress && !progress(i + 1, total)) break;
    }
    return pages;
}

void FitReportModel(SessionReport& report, Profile& profile) {
    report.model.reset();
    std::vector<double> R, L, C, fRes;
    for (const ReportSpectrum& s : report.results) {
        const int n = static_cast<int>(s.frequencies.size());
        if (n < 2) continue;
        const ModelOptions options = LoadModelOptions(profile, s.frequencies.data(), n);
        if (!ValidateModelOptions(options, n).empty()) continue;
        const ModelFit fit = FitModel(s.frequencies.data(), n, s.re.data(), s.im.data(), options);
        if (!std::isfinite(fit.R) || !std::isfinite(fit.L) || !std::isfinite(fit.C)) continue;
        R.push_back(fit.R);
        L.push_back(fit.L);
        C.push_back(fit.C);
        fRes.push_back(fit.fRes);
    }
    if (R.empty()) return;
    ReportModel m;
    double sd = 0;
    MeanAndStdDev(R, m.R, sd);
    MeanAndStdDev(L, m.L, sd);
    MeanAndStdDev(C, m.C, sd);
    MeanAndStdDev(fRes, m.fRes, sd);
    m.fits = static_cast<int>(R.size());
    report.model = m;
}

ReportSpectrum MeanSpectrum(const std::vector<ReportSpectrum>& results) {
    std::vector<double> all;
    for (const ReportSpectrum& s : results)
        for (double f : s.frequencies)
            if (std::isfinite(f)) all.push_back(f);
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    ReportSpectrum mean;
    mean.label = "Mean";
    for (double f : all) {
        double re = 0, im = 0;
        int n = 0;
        for (const ReportSpectrum& s : results) {
            const auto at = std::find(s.frequencies.begin(), s.frequencies.end(), f);
            if (at == s.frequencies.end()) continue;
            const auto i = static_cast<std::size_t>(at - s.frequencies.begin());
            if (i >= s.re.size() || i >= s.im.size()) continue;
            re += s.re[i];
            im += s.im[i];
            ++n;
        }
        if (n == 0) continue;
        mean.frequencies.push_back(f);
        mean.re.push_back(re / n);
        mean.im.push_back(im / n);
    }
    return mean;
}

}  // namespace pelmor
