#pragma once

// The session report's contents: what a lab files about one measurement session. Filled from
// the document (the desktop program's marked stored results) or from data files (the command
// line), then drawn page by page (ReportPages.h) into a PDF file (report/PdfReport.h). Plain values
// only, so that the pages are the same whoever filled them.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/BreathAnalysis.h"
#include "analysis/MeasuredImpedance.h"
#include "analysis/ModelFit.h"
#include "display/BreathBands.h"
#include "document/RecordAnalysis.h"
#include "export/OutcomeTables.h"

namespace pelmor {

class CPelmorDoc;
struct OutcomeSettings;
class Profile;

// A table of the report, its first row the header when header is set. A flagged cell (a value
// outside its limit) is shown in colour and with a "!" that survives a black-and-white printer.
struct ReportTable {
    std::string title;
    std::vector<TableRow> rows;
    bool header = true;
    // The last rows, printed together on one page when the table runs on over pages (its
    // statistics, the change with its verdict; all of a short table).
    std::size_t keepTogether = 0;
};

// One recording's page: the file, and its impedance trend at one excitation frequency.
struct ReportRecording {
    std::string fileName;       // without its folder
    std::string timeStamp;      // when the file was written ("" when it does not say)
    bool simulated = false;     // recorded in simulation, not from the device
    double duration = 0;        // s
    double sampleRate = 0;      // Hz
    double trendFrequency = 0;  // Hz, the excitation frequency followed
    std::vector<double> time;   // s
    std::vector<double> re;
    std::vector<double> im;
    std::vector<double> flow;               // scaled by the flow scaling factor
    std::vector<BreathBand> bands;          // the breaths, as the trend display shades them
    std::string trendNote;                  // drawn in the trend's free corner ("" for none)
    std::vector<ReportTable> breathTables;  // the breath table's summary
    std::vector<std::string> breathLines;   // counts and the verdict of the breaths
};

// The R-L-C model of the set: the mean of the fits of every result (as the model block's Mean
// column), drawn as a curve through R + j(2πfL − 1/(2πfC)).
struct ReportModel {
    double R = 0, L = 0, C = 0, fRes = 0;
    int fits = 0;  // results that could be fitted
};

struct SessionReport {
    std::string written;                 // date and time the report was made
    std::string setupName = "Untitled";  // the setup file's name without its folder
    int calibrationPoints = 0;           // 0: not calibrated
    std::vector<double> excitationFrequencies;
    std::vector<ImpedanceSpectrum> results;  // the set's spectra, frequencies as analysed
    std::vector<ImpedanceSpectrum> baseline;
    std::optional<ReportModel> model;
    std::vector<ReportTable> tables;  // outcomes, quality, baseline and change
    std::vector<ReportRecording> recordings;
    double lowFrequency = 5;    // Hz, f_L of the outcomes
    double highFrequency = 20;  // Hz, f_H of the outcomes
};

// "Calibrated (N points)" or "Not calibrated".
std::string CalibrationText(int calibrationPoints);
// The report's title line of the excitation: "2, 3, 4 Hz" ("none" without frequencies).
std::string ExcitationText(const std::vector<double>& frequencies);

// The header values the document gives: the setup file's name, the calibration state of the
// calculator and the active excitation frequencies.
void DescribeSession(const CPelmorDoc& doc, SessionReport& report);

// The excitation frequency nearest hz among the document's active frequencies (-1 when none).
int NearestFrequencyIndex(const CPelmorDoc& doc, double hz);

// The recording page of the file just imported into doc, its trend at the excitation frequency
// nearest trendHz (recomputed when another frequency was followed), with the breaths the
// breath-by-breath analysis finds in it under the given settings.
ReportRecording RecordingOf(CPelmorDoc& doc, const std::string& path, double trendHz,
                            const BreathSettings& breaths);

// One data file analysed for the report: the whole-record spectrum exactly as the outcomes
// analyse it, what the session header takes from it, and its recording page.
struct ReportFile {
    RecordResult record;  // record.analysed false: refused, record.reason says why
    int calibrationPoints = 0;
    std::vector<double> excitationFrequencies;
    ReportRecording page;
};

// Analyses data files on `threads` workers (0: one per core), each with a document of its own,
// so that the caller's document stays as it is; the results keep the order of paths. The
// recording pages follow the excitation frequency nearest trendHz and show the breaths.
// progress(done, total) is called on the calling thread; when cancel becomes true the files not
// yet started are left unanalysed.
std::vector<ReportFile> AnalyseReportFiles(const std::vector<std::string>& paths,
                                           const RecordAnalysisSetup& setup, double trendHz,
                                           const BreathSettings& breaths, int threads = 0,
                                           const std::function<void(int, int)>& progress = {},
                                           const std::atomic<bool>* cancel = nullptr);

// The outcome tables of the set (and of the baseline, with the change and its verdict), built
// as the outcomes table is, under the titles the report shows them with.
std::vector<ReportTable> OutcomeReportTables(const SessionReport& report,
                                             const OutcomeSettings& settings);

// The same with the outcome settings kept in the profile; their low and high frequencies
// become the report's.
void AddOutcomeTables(SessionReport& report, Profile& profile);

// Fits the model to every result over the ranges kept in the profile (section "Model"; the
// whole list of each result when it holds none of them) and keeps the mean; no model when no
// result could be fitted.
void FitReportModel(SessionReport& report, Profile& profile);

// The mean spectrum of a set: every frequency that some result holds, ascending, with the mean
// of R and X over the results that hold it (no coherence).
ImpedanceSpectrum MeanSpectrum(const std::vector<ImpedanceSpectrum>& results);

}  // namespace pelmor
