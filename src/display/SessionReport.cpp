#include "display/SessionReport.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

#include "core/NumberFormat.h"
#include "document/CPelmorDoc.h"
#include "export/BreathTable.h"
#include "export/OutcomeTables.h"
#include "files/DataFile.h"

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

void DescribeSession(const CPelmorDoc& doc, SessionReport& report) {
    report.setupName =
        doc.SetupPath().empty() ? std::string("Untitled") : WithoutFolder(doc.SetupPath());
    const ImpedanceCalculator& c = doc.Calculator();
    report.calibrationPoints = c.calibrationOff ? 0 : static_cast<int>(c.workingCalibration.count);
    const int n = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    report.excitationFrequencies.assign(c.frequencyHz, c.frequencyHz + n);
}

int NearestFrequencyIndex(const CPelmorDoc& doc, double hz) {
    const ImpedanceCalculator& c = doc.Calculator();
    const int n = std::clamp<int>(c.frequencyCount, 0, ImpedanceCalculator::kMaxFrequencies);
    return NearestFrequencyPosition(std::span<const double>(c.frequencyHz, n), hz);
}

namespace {

std::vector<std::string> SplitOn(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return parts;
        start = end + separator.size();
    }
}

// The breath table's summary as the page shows it: the Mean, SD and CoV rows under the titles
// of their columns (Ti to dX), then the lines of counts and the verdict as "name: value".
void AddBreathSummary(ReportRecording& r, const std::string& table) {
    std::vector<std::string> lines = SplitOn(table, "\r\n");
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    const auto blank = std::find(lines.begin(), lines.end(), std::string());
    if (lines.empty() || blank == lines.end()) return;
    const std::vector<std::string> titles = SplitOn(lines.front(), "\t");
    constexpr std::size_t kFirst = 2, kLast = 9;  // Ti [s] ... dX
    ReportTable summary;
    summary.title = "Breaths";
    TableRow head{{""}};
    for (std::size_t c = kFirst; c <= kLast && c < titles.size(); ++c) head.push_back({titles[c]});
    summary.rows.push_back(head);
    for (auto line = blank + 1; line != lines.end(); ++line) {
        const std::vector<std::string> cells = SplitOn(*line, "\t");
        if (cells.size() > kLast) {
            TableRow row{{cells[0]}};
            for (std::size_t c = kFirst; c <= kLast; ++c) row.push_back({cells[c]});
            summary.rows.push_back(row);
        } else {
            std::string text = cells[0];
            for (std::size_t c = 1; c < cells.size(); ++c) text += (c == 1 ? ": " : " ") + cells[c];
            r.breathLines.push_back(text);
        }
    }
    r.breathTables.push_back(std::move(summary));
}

}  // namespace

ReportRecording RecordingOf(CPelmorDoc& doc, const std::string& path, double trendHz,
                            const BreathSettings& breaths) {
    const ImpedanceCalculator& c = doc.Calculator();
    ReportRecording r;
    r.fileName = WithoutFolder(path);
    // The files keep three spaces between date and time; one reads better on paper.
    for (char c : doc.ImportedFileTimeStamp())
        if (c != ' ' || r.timeStamp.empty() || r.timeStamp.back() != ' ') r.timeStamp += c;
    r.sampleRate = doc.Setup().sampleRate;
    const TraceBuffer& b = doc.State().buffers[0];
    r.duration = r.sampleRate > 0 ? b.Count() / r.sampleRate : 0.0;
    const int nearest = NearestFrequencyIndex(doc, trendHz);
    // As the frequency keys of the impedance window: select, then recompute the trend.
    if (nearest >= 0 && nearest != c.selectedFrequencyIndex) doc.SelectTrendFrequency(nearest);
    if (nearest >= 0) r.trendFrequency = c.frequencyHz[nearest];
    const int n = std::clamp<int>(c.offlineTrendCount, 0, ImpedanceCalculator::kTrendLength);
    r.time.assign(c.trendTime, c.trendTime + n);
    r.re.assign(c.trendR, c.trendR + n);
    r.im.assign(c.trendX, c.trendX + n);
    r.flow.assign(c.trendFlow, c.trendFlow + n);
    // The breaths as the trend display shades them, and the breath table's summary.
    const BreathAnalysis a = doc.RecordBreaths(breaths, trendHz);
    BreathMarks marks = MarkBreaths(a);
    r.bands = std::move(marks.bands);
    r.trendNote = std::move(marks.note);
    if (n > 0) AddBreathSummary(r, BreathTableText(a, a.frequency));
    r.simulated = IsSimulatedTimeStamp(doc.ImportedFileTimeStamp());
    return r;
}

std::vector<ReportFile> AnalyseReportFiles(const std::vector<std::string>& paths,
                                           const RecordAnalysisSetup& setup, double trendHz,
                                           const BreathSettings& breaths, int threads,
                                           const std::function<void(int, int)>& progress,
                                           const std::atomic<bool>* cancel) {
    std::vector<ReportFile> files(paths.size());
    // Each worker fills its own file's page from the document the file was analysed in.
    auto pageOf = [&](int k, RecordAnalyser& analyser, const RecordResult& result) {
        if (!result.analysed) return;
        ReportFile& f = files[static_cast<std::size_t>(k)];
        CPelmorDoc& doc = analyser.Document();
        SessionReport header;
        DescribeSession(doc, header);
        f.calibrationPoints = header.calibrationPoints;
        f.excitationFrequencies = std::move(header.excitationFrequencies);
        f.page = RecordingOf(doc, result.spectrum.source, trendHz, breaths);
    };
    std::vector<RecordResult> results =
        AnalyseRecords(paths, setup, threads, progress, cancel, pageOf);
    for (std::size_t k = 0; k < files.size(); ++k) files[k].record = std::move(results[k]);
    return files;
}

namespace {

std::vector<LabelledOutcomes> OutcomesOf(const std::vector<ImpedanceSpectrum>& set,
                                         const OutcomeSettings& settings) {
    std::vector<LabelledOutcomes> out;
    for (const ImpedanceSpectrum& r : set) out.push_back({r.label, ComputeOutcomes(r, settings)});
    return out;
}

ReportTable TableOf(std::string title, const std::vector<TableRow>& rows, bool header,
                    std::size_t keepTogether) {
    return {std::move(title), rows, header, keepTogether};
}

}  // namespace

std::vector<ReportTable> OutcomeReportTables(const SessionReport& report,
                                             const OutcomeSettings& settings) {
    std::optional<std::vector<LabelledOutcomes>> baseline;
    if (!report.baseline.empty()) baseline = OutcomesOf(report.baseline, settings);
    const OutcomeTable table = BuildOutcomeTable(
        MakeOutcomeReport(OutcomesOf(report.results, settings), std::move(baseline), settings));
    std::vector<ReportTable> tables;
    // Mean, SD and CoV; the baseline's mean, the change, its threshold and the verdict.
    tables.push_back(TableOf("Outcomes", table.grid, true, 3));
    if (!table.quality.empty())
        tables.push_back(TableOf("Quality", table.quality, false, table.quality.size()));
    if (!table.baseline.empty())
        tables.push_back(TableOf("Baseline and change", table.baseline, true, 4));
    return tables;
}

void FitReportModel(SessionReport& report, Profile& profile) {
    report.model.reset();
    std::vector<double> R, L, C, fRes;
    for (const ImpedanceSpectrum& s : report.results) {
        const int n = static_cast<int>(s.frequencies.size());
        if (n < 2) continue;
        const ModelOptions options = LoadModelOptions(profile, s.frequencies.data(), n);
        if (!ValidateModelOptions(options, n).empty()) continue;
        const ModelFit fit = FitModel(s.frequencies.data(), n, s.R.data(), s.X.data(), options);
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

ImpedanceSpectrum MeanSpectrum(const std::vector<ImpedanceSpectrum>& results) {
    std::vector<double> all;
    for (const ImpedanceSpectrum& s : results)
        for (double f : s.frequencies)
            if (std::isfinite(f)) all.push_back(f);
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    ImpedanceSpectrum mean;
    mean.label = "Mean";
    for (double f : all) {
        double re = 0, im = 0;
        int n = 0;
        for (const ImpedanceSpectrum& s : results) {
            const auto at = std::find(s.frequencies.begin(), s.frequencies.end(), f);
            if (at == s.frequencies.end()) continue;
            const auto i = static_cast<std::size_t>(at - s.frequencies.begin());
            if (i >= s.R.size() || i >= s.X.size()) continue;
            re += s.R[i];
            im += s.X[i];
            ++n;
        }
        if (n == 0) continue;
        mean.frequencies.push_back(f);
        mean.R.push_back(re / n);
        mean.X.push_back(im / n);
    }
    return mean;
}

void AddOutcomeTables(SessionReport& report, Profile& profile) {
    const OutcomeSettings settings = LoadOutcomeSettings(profile);
    report.lowFrequency = settings.lowHz;
    report.highFrequency = settings.highHz;
    report.tables = OutcomeReportTables(report, settings);
}

}  // namespace pelmor
