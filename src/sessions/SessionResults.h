#pragma once

// What the desktop program shows of an open session: the stored results of the current (last)
// phase's included trials, the baseline of the "Baseline" phase's included trials, and the title
// a recording of the phase is proposed.

#include <optional>
#include <string>
#include <vector>

#include "clinical/ReferenceValues.h"
#include "export/StoredImpedance.h"
#include "sessions/SessionStore.h"

namespace pelmor {

// A trial as a stored result: its whole-record spectrum labelled with its file name, marked and
// counted as handed out (it is in the database).
StoredResult StoredResultOf(const Trial& trial);

struct SessionResults {
    // The last phase's included trials (at most StoredImpedance::kCapacity, the latest ones).
    std::vector<StoredResult> current;
    // The first phase's included trials, none while the first phase is the current one or has
    // no included trial.
    std::optional<std::vector<StoredResult>> baseline;
};

SessionResults ResultsOf(const Session& session);

// What the session's reference set says about the means of a phase's outcomes (at the outcome
// settings' frequencies, in the session's unit); none when the session has no set. Without
// values the report holds only the set's name and why: the set is not in the catalogue, the
// subject lacks sex, birth date or height, the set refuses the subject, or the session is not
// calibrated.
std::optional<ReferenceReport> SessionReference(const Session& session,
                                                const OutcomeStatistics& statistics,
                                                const ReferenceCatalogue& catalogue,
                                                const OutcomeSettings& settings);

// "SUBJECTID PHASE" with every character a file name cannot hold (a slash, a backslash, a
// control character, and : * ? " < > | that other systems refuse) made "_", spaces at either
// end and a leading dot dropped.
std::string RecordingTitle(const std::string& subjectId, const std::string& phase);

}  // namespace pelmor
