#pragma once

// The impedance spectrum of one data file over its whole record, computed exactly as the
// command line's "impedance" does it ("Import data", then the time-window analysis over the
// range the first signal window shows, which after an import is the whole record), but on a
// document and measurement state of its own, so that it can run on any thread and many files
// can be analysed side by side.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/CalibrationTable.h"
#include "analysis/MeasuredImpedance.h"
#include "excitation/ExcitationRecords.h"
#include "platform/Question.h"

namespace pelmor {

class CPelmorDoc;

// What the analysis of a file takes from the program: the settings an import reads, and the
// answers to the questions an import asks (Question::CalibrationIncomplete is answered Yes: go
// on without calibration).
struct RecordAnalysisSetup {
    ExcitationBank excitationBank;       // 12-bit files take signal 0's frequencies
    CalibrationTable loadedCalibration;  // the calibration the program has loaded
    double averagingTime = 0.5;          // the trend's averaging time, s
    double flowScalingFactor = 1.0;
    bool generateThirdChannel = false;  // Question::GenerateThirdChannel
    bool useLoadedCalibration = false;  // Question::CalibrationDiffers
};

// The analysis's answer to a question, by its name alone: the setup's answers to the import's
// questions, Yes to going on without calibration, and No to anything else.
bool RecordAnalysisAnswer(const RecordAnalysisSetup& setup, Question question);

// The setup of a document (its excitation bank, loaded calibration and analysis settings), with
// both questions answered No.
RecordAnalysisSetup RecordAnalysisSetupOf(const CPelmorDoc& doc);

// One file's whole-record impedance spectrum, or why there is none.
struct RecordResult {
    // Its source is the file's path, its label the file name without its folder, its time stamp
    // the file's; no points when not analysed.
    ImpedanceSpectrum spectrum;
    bool analysed = false;
    std::string reason;                 // when not analysed: why, for the user
    std::vector<std::string> messages;  // everything the import showed, in order
    double from = 0, to = 0;            // the analysed interval, s
    int periods = 0;                    // whole periods analysed
    double breathingRate = 0;           // Hz
    double breathingVolume = 0;         // flow unit times seconds
    bool calibrated = false;            // the spectrum went through a calibration table
};

// A document of its own for analysing one file after another on one thread. The document and
// its measurement state are large (several MB): make one per worker, not one per file.
class RecordAnalyser {
  public:
    explicit RecordAnalyser(const RecordAnalysisSetup& setup);
    ~RecordAnalyser();
    RecordAnalyser(const RecordAnalyser&) = delete;
    RecordAnalyser& operator=(const RecordAnalyser&) = delete;

    RecordResult Analyse(const std::string& path);
    // The document the last file was analysed in, as the analysis left it (its trend, its
    // buffers), for what else is taken from the same file before the next Analyse.
    CPelmorDoc& Document();

  private:
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

// One file on a document made for it.
RecordResult AnalyseRecord(const std::string& path, const RecordAnalysisSetup& setup);

// Progress of a batch: files done so far and the total. Called on the thread that runs
// AnalyseRecords, never from a worker.
using RecordProgress = std::function<void(int done, int total)>;

// Every file on `threads` workers (0: one per core, never more than files), each with its own
// document; the results keep the order of paths. progress (when given) is called each time
// files are finished. When cancel becomes true, files not yet started are left unanalysed with
// the reason "cancelled".
std::vector<RecordResult> AnalyseRecords(const std::vector<std::string>& paths,
                                         const RecordAnalysisSetup& setup, int threads = 0,
                                         const RecordProgress& progress = {},
                                         const std::atomic<bool>* cancel = nullptr);

// What a batch takes from a file besides its spectrum: called on the worker, right after file
// `index` was analysed (whether or not that succeeded), while its document still holds it.
using RecordFollowUp =
    std::function<void(int index, RecordAnalyser& analyser, const RecordResult& spectrum)>;

// AnalyseRecords with a follow-up for each analysed file.
std::vector<RecordResult> AnalyseRecords(const std::vector<std::string>& paths,
                                         const RecordAnalysisSetup& setup, int threads,
                                         const RecordProgress& progress,
                                         const std::atomic<bool>* cancel,
                                         const RecordFollowUp& followUp);

}  // namespace pelmor
