#pragma once

// The store of subjects, test sessions, their phases and trials, and the events that changed
// them, on SQLite or PostgreSQL through one implementation. Every operation is one transaction;
// every failure throws StoreError with the message for the user (naming the database, subject,
// session or trial concerned).

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sessions/Database.h"

namespace pelmor {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The schema version this program writes and the newest it reads.
inline constexpr int kSchemaVersion = 1;
inline constexpr int kSubjectIdMaxCharacters = 64;
inline constexpr char kBaselinePhase[] = "Baseline";

struct Subject {
    std::string id;  // the lab's own identifier: required, unique, up to 64 characters
    std::string family, given;
    std::string birth;  // YYYY-MM-DD or ""
    std::string sex;    // "female", "male" or ""
    std::optional<double> heightCm, weightKg;
    std::string note;
    std::string created, changed;  // set by the store (UTC, YYYY-MM-DDTHH:MM:SSZ)
};

enum class TrialOrigin { Device, Emulator, Simulated, Imported };
// "device", "emulator", "simulated", "imported".
const char* OriginName(TrialOrigin origin);
std::optional<TrialOrigin> ParseOrigin(const std::string& name);

// The whole-record impedance spectrum, kept exactly.
struct TrialSpectrum {
    std::vector<double> frequencies, R, X, coherence;
    bool operator==(const TrialSpectrum&) const = default;
};

// One outcome as the outcomes command names it; none for a value that cannot be given.
struct OutcomeValue {
    std::string key;
    std::optional<double> value;
};

struct NewTrial {
    std::string fileName;
    std::vector<uint8_t> bytes;  // the data file as written
    std::string recorded;        // the file's time stamp text
    double durationSeconds = 0, sampleRateHz = 0;
    int channels = 0;
    TrialOrigin origin = TrialOrigin::Device;
    TrialSpectrum spectrum;
    std::vector<OutcomeValue> outcomes;  // in the outcomes command's order
};

struct Trial : NewTrial {
    int number = 0;      // within its session, from 1 in the order added
    std::string sha256;  // of bytes, checked on every read
    bool included = true;
    std::string reason, decidedBy;  // of the last include or exclude ("" before any)
    std::string added;
};

struct Phase {
    int position = 0;  // from 1; the first is "Baseline"
    std::string name, note, started;
    std::vector<Trial> trials;  // by number
};

struct NewSession {
    std::string subjectId;
    std::string started;  // "" for now
    std::string operatorName, note;
    bool training = false;
    std::string impedanceUnit, referenceSet;
    std::string setupFileName;
    std::vector<uint8_t> setupBytes;  // the setup-file image in use
};

struct Session : NewSession {
    int64_t number = 0;
    Subject subject;
    std::vector<Phase> phases;  // by position
};

struct SessionSummary {
    int64_t number = 0;
    std::string subjectId, family, given;
    std::string started, operatorName;
    bool training = false;
    int phases = 0, trials = 0;
};

struct Event {
    int64_t id = 0;
    std::string at, user, kind;  // kind: one of the kEvent names below
    std::string subjectId;       // "" when none
    std::optional<int64_t> session;
    std::optional<int> trial;
    std::string text;
};

inline constexpr char kEventSubjectCreated[] = "subject created";
inline constexpr char kEventSubjectEdited[] = "subject edited";
inline constexpr char kEventSessionStarted[] = "session started";
inline constexpr char kEventPhaseStarted[] = "phase started";
inline constexpr char kEventTrialAdded[] = "trial added";
inline constexpr char kEventTrialIncluded[] = "trial included";
inline constexpr char kEventTrialExcluded[] = "trial excluded";

struct StoreInfo {
    std::string backend;  // "SQLite" or "PostgreSQL"
    std::string location;
    int schemaVersion = 0;
    int64_t subjects = 0, sessions = 0, trials = 0, events = 0;
};

// The operating-system user of this process (its passwd entry, else $USER).
std::string OperatingSystemUser();

class SessionStore {
  public:
    // Opens the database at location (see Location.h), creating or migrating its schema; one
    // written by a newer version is refused and left untouched.
    static std::unique_ptr<SessionStore> Open(const std::string& location, bool postgres);
    static std::unique_ptr<SessionStore> Open(const std::string& location);  // kind from text

    // Subjects. Add refuses an ID in use; Edit finds the subject by subject.id.
    void AddSubject(const Subject& subject);
    void EditSubject(const Subject& subject);
    std::optional<Subject> FindSubject(const std::string& id);
    // Every subject whose ID, family or given name holds each word of search (case ignored for
    // Latin, Greek and Cyrillic letters), by ID; all with an empty search.
    std::vector<Subject> ListSubjects(const std::string& search = "");

    // A session of an existing subject with its "Baseline" phase; returns its number.
    int64_t StartSession(const NewSession& session);
    // A further phase at the end of the session; returns its position. Names are unique within
    // a session.
    int AddPhase(int64_t session, const std::string& name, const std::string& note = "");
    // A trial of the named phase ("" for the last), stored with its checksum and event in one
    // transaction; returns its number. A simulated recording is refused unless the session is a
    // training session.
    int AddTrial(int64_t session, const std::string& phase, const NewTrial& trial);
    // Several trials of one phase in one transaction, numbered in the order given: all are
    // stored or, when any is refused, none.
    std::vector<int> AddTrials(int64_t session, const std::string& phase,
                               const std::vector<const NewTrial*>& trials);
    // Includes or excludes a trial (an exclusion needs a reason); who "" is this process's user.
    void SetTrialIncluded(int64_t session, int trial, bool included, const std::string& reason,
                          const std::string& who = "");

    // Newest first; for one subject when subjectId is given (an unknown one is an error).
    std::vector<SessionSummary> ListSessions(const std::string& subjectId = "");
    // A session's summary without its trials; none when there is no such session.
    std::optional<SessionSummary> FindSession(int64_t session);
    // The whole session with every trial's bytes, each checked against its checksum.
    Session LoadSession(int64_t session);
    // One trial's bytes, checked against its checksum.
    std::vector<uint8_t> TrialBytes(int64_t session, int trial);
    std::vector<Event> SessionEvents(int64_t session);

    StoreInfo Info();
    // A consistent copy of an SQLite database at path while others use it; for PostgreSQL an
    // error saying to use pg_dump.
    void Backup(const std::string& path);

    Backend backend() const { return db_->backend(); }
    const std::string& location() const { return location_; }
    // The adapter underneath (for maintenance and tests).
    Database& database() { return *db_; }

    ~SessionStore();

  private:
    SessionStore(std::unique_ptr<Database> db, std::string location);
    void Migrate();
    int SchemaVersion();
    int64_t SubjectKey(const std::string& id);
    void AddEvent(const char* kind, std::optional<int64_t> subjectKey,
                  std::optional<int64_t> session, std::optional<int> trial,
                  const std::string& text);
    [[noreturn]] void Fail(const std::string& what, const DatabaseError& e) const;

    std::unique_ptr<Database> db_;
    std::string location_;
    std::string user_;
};

}  // namespace pelmor
