#include "sessions/SessionResults.h"

#include <algorithm>
#include <cstring>

namespace pelmor {

StoredResult StoredResultOf(const Trial& trial) {
    StoredResult r;
    const std::size_t n =
        std::min<std::size_t>(trial.spectrum.frequencies.size(), StoredResult::kMaxFrequencies);
    auto first = [n](const std::vector<double>& v) {
        return std::vector<double>(v.begin(), v.begin() + static_cast<long>(std::min(n, v.size())));
    };
    r.spectrum.frequencies = first(trial.spectrum.frequencies);
    r.spectrum.R = first(trial.spectrum.R);
    r.spectrum.X = first(trial.spectrum.X);
    r.spectrum.coherence = first(trial.spectrum.coherence);
    r.spectrum.label = trial.fileName;
    r.spectrum.source = trial.fileName;
    r.spectrum.timeStamp = trial.recorded;
    r.marked = true;
    r.handedOut = true;
    return r;
}

namespace {

std::vector<StoredResult> IncludedResults(const Phase& phase) {
    std::vector<StoredResult> results;
    for (const Trial& t : phase.trials)
        if (t.included) results.push_back(StoredResultOf(t));
    if (results.size() > static_cast<std::size_t>(StoredImpedance::kCapacity))
        results.erase(results.begin(), results.end() - StoredImpedance::kCapacity);
    return results;
}

}  // namespace

SessionResults ResultsOf(const Session& session) {
    SessionResults r;
    if (session.phases.empty()) return r;
    r.current = IncludedResults(session.phases.back());
    if (session.phases.size() >= 2) {
        std::vector<StoredResult> baseline = IncludedResults(session.phases.front());
        if (!baseline.empty()) r.baseline = std::move(baseline);
    }
    return r;
}

std::optional<ReferenceReport> SessionReference(const Session& session,
                                                const OutcomeStatistics& statistics,
                                                const ReferenceCatalogue& catalogue,
                                                const OutcomeSettings& settings) {
    if (session.referenceSet.empty()) return std::nullopt;
    ReferenceReport report;
    report.set = session.referenceSet;
    const ReferenceSet* set = catalogue.Find(session.referenceSet);
    const Subject& s = session.subject;
    const std::optional<double> age = AgeInYears(s.birth, session.started);
    if (!set) {
        report.message = "The reference set " + session.referenceSet + " is not installed here.";
    } else if (s.sex.empty() || !age || !s.heightCm) {
        report.message = "Reference values need the subject's sex, birth date and height.";
    } else {
        const SpectrumOutcomes means = MeanOutcomes(statistics);
        try {
            report = ComputeReference(*set, ReferenceSubject{s.sex, *age, *s.heightCm, s.weightKg},
                                      &means, ParseUnit(session.impedanceUnit), settings);
        } catch (const ReferenceError& e) {
            report.message = e.what();
        }
    }
    return report;
}

std::string RecordingTitle(const std::string& subjectId, const std::string& phase) {
    std::string title = subjectId + " " + phase;
    for (char& c : title) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || std::strchr("/\\:*?\"<>|", c)) c = '_';
    }
    const std::size_t begin = title.find_first_not_of(" .");
    const std::size_t end = title.find_last_not_of(' ');
    return begin == std::string::npos ? std::string("_") : title.substr(begin, end - begin + 1);
}

}  // namespace pelmor
