#pragma once

// What a trial holds beside its bytes, taken from a data file as "pelmor-cli outcomes" takes it
// (the whole record analysed, the outcomes at the default outcome frequencies), and the outcomes
// of a stored session: each phase's included trials as a set, the change of the last phase
// against the first.

#include <optional>
#include <string>
#include <vector>

#include "analysis/Outcomes.h"
#include "document/RecordAnalysis.h"
#include "sessions/SessionStore.h"

namespace pelmor {

// One data file as a trial, or why it cannot be one.
struct FileTrial {
    std::optional<NewTrial> trial;
    std::string error;                  // when there is no trial: the file and the reason
    std::vector<std::string> messages;  // what the analysis said about the file, in order
};

// The files read and analysed on `threads` workers (0: one per core), in the order given. A
// trial's origin is recordedAs when given (a recording just made: device, emulator or
// simulated), else "imported", or "simulated" for a file whose time stamp carries the
// simulation's mark.
std::vector<FileTrial> TrialsFromFiles(const std::vector<std::string>& paths,
                                       const RecordAnalysisSetup& setup,
                                       std::optional<TrialOrigin> recordedAs = std::nullopt,
                                       int threads = 0);
FileTrial TrialFromFile(const std::string& path, const RecordAnalysisSetup& setup,
                        std::optional<TrialOrigin> recordedAs = std::nullopt);

// A stored trial's outcomes as the outcomes command keeps them (keys it does not know are left
// out, missing ones are none).
SpectrumOutcomes StoredOutcomes(const Trial& trial);

// The outcomes of a session: each phase's included trials as one set (labelled by file name),
// and the change of the last phase against the first (the baseline) when the session has two
// phases or more and both have an included trial.
struct SessionOutcomes {
    std::vector<OutcomeSet> phases;  // by position
    std::optional<BaselineChange> change;
};

SessionOutcomes AnalyseSession(const Session& session,
                               const OutcomeSettings& settings = OutcomeSettings());

}  // namespace pelmor
