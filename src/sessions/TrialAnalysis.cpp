#include "sessions/TrialAnalysis.h"

#include <utility>

#include "core/FileBytes.h"
#include "export/OutcomeTables.h"
#include "files/DataFile.h"

namespace pelmor {

namespace {

// The header's facts and the origin of a file already analysed; false with error set when its
// bytes cannot be read or are not the bytes that were analysed.
bool FillFromBytes(const std::string& path, const RecordResult& analysed,
                   std::optional<TrialOrigin> recordedAs, NewTrial& trial, std::string& error) {
    std::string reason;
    if (!ReadFileBytes(path, trial.bytes, reason)) {
        error = path + " could not be read: " + reason;
        return false;
    }
    DataFileContents contents;
    std::string message;
    if (!ReadDataFile(trial.bytes, contents, message)) {
        // Analysed a moment ago: the file was replaced in between.
        error = path + " changed while it was read: " + message;
        while (!error.empty() && error.back() == '\n') error.pop_back();
        return false;
    }
    const DataFileInfo& info = contents.info;
    trial.fileName = FileNameOf(path);
    trial.recorded = info.timeStamp;
    trial.sampleRateHz = info.sampleRate;
    trial.channels = info.channelCount;
    trial.durationSeconds = info.sampleRate > 0 ? contents.framesRead / info.sampleRate : 0.0;
    trial.origin = recordedAs                             ? *recordedAs
                   : IsSimulatedTimeStamp(info.timeStamp) ? TrialOrigin::Simulated
                                                          : TrialOrigin::Imported;
    const ImpedanceSpectrum& s = analysed.spectrum;
    trial.spectrum = {s.frequencies, s.R, s.X, s.coherence};
    const SpectrumOutcomes outcomes = ComputeOutcomes(s, OutcomeSettings());
    trial.outcomes.clear();
    for (int i = 0; i < kOutcomeCount; ++i)
        trial.outcomes.push_back({OutcomeKeys()[i], outcomes.Value(kAllOutcomes[i])});
    return true;
}

}  // namespace

std::vector<FileTrial> TrialsFromFiles(const std::vector<std::string>& paths,
                                       const RecordAnalysisSetup& setup,
                                       std::optional<TrialOrigin> recordedAs, int threads) {
    const std::vector<RecordResult> analysed = AnalyseRecords(paths, setup, threads);
    std::vector<FileTrial> trials(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const RecordResult& r = analysed[k];
        FileTrial& t = trials[k];
        t.messages = r.messages;
        if (!r.analysed) {
            t.error = paths[k] + " was not analysed: " + r.reason;
            continue;
        }
        NewTrial trial;
        if (FillFromBytes(paths[k], r, recordedAs, trial, t.error)) t.trial = std::move(trial);
    }
    return trials;
}

FileTrial TrialFromFile(const std::string& path, const RecordAnalysisSetup& setup,
                        std::optional<TrialOrigin> recordedAs) {
    return std::move(TrialsFromFiles({path}, setup, recordedAs, 1).front());
}

SpectrumOutcomes StoredOutcomes(const Trial& trial) {
    SpectrumOutcomes o;
    std::optional<double>* slots[kOutcomeCount] = {
        &o.rLow, &o.xLow, &o.rHigh, &o.rLowMinusHigh, &o.fres, &o.ax, &o.minCoherence};
    for (const OutcomeValue& v : trial.outcomes)
        for (int i = 0; i < kOutcomeCount; ++i)
            if (v.key == OutcomeKeys()[i]) *slots[i] = v.value;
    return o;
}

SessionOutcomes AnalyseSession(const Session& session, const OutcomeSettings& settings) {
    std::vector<std::vector<LabelledOutcomes>> included;
    for (const Phase& phase : session.phases) {
        std::vector<LabelledOutcomes>& set = included.emplace_back();
        for (const Trial& t : phase.trials)
            if (t.included) set.push_back({t.fileName, StoredOutcomes(t)});
    }
    SessionOutcomes result;
    for (const std::vector<LabelledOutcomes>& set : included)
        result.phases.push_back(MakeOutcomeSet(set, settings));
    if (included.size() >= 2 && !included.front().empty() && !included.back().empty()) {
        // As the outcomes command compares a set with its baseline.
        const OutcomeReport report = MakeOutcomeReport(included.back(), included.front(), settings);
        result.change = report.change;
    }
    return result;
}

}  // namespace pelmor
