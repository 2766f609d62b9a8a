// The store against both servers: SQLite in a temporary folder, and PostgreSQL in the cluster
// the test run starts (sessions.postgres_start), each test in a schema of its own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <set>
#include <sstream>

#include "sessions/SessionStore.h"
#include "sessions/Sha256.h"
#include "sessions/StoreDump.h"
#include "support/TestSupport.h"

namespace pelmor {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the helper program; its standard output, and its exit status in status.
std::string RunHelper(const std::string& arguments, int& status) {
    FILE* pipe = popen((std::string(PELMOR_SESSIONS_HELPER) + " " + arguments).c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    status = pclose(pipe);
    return out;
}

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

// Names the backend in the test list.
void PrintTo(Backend backend, std::ostream* out) {
    *out << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL");
}

namespace {

class StoreTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override {
        if (GetParam() == Backend::Sqlite) {
            location_ = dir_.File("lab/data/pelmor.sqlite");
            return;
        }
        const char* file = std::getenv("PELMOR_TEST_POSTGRES_FILE");
        if (!file) GTEST_SKIP() << "PostgreSQL left out (PELMOR_TEST_POSTGRES=OFF)";
        std::string connection = ReadAll(file);
        while (!connection.empty() && connection.back() == '\n') connection.pop_back();
        ASSERT_FALSE(connection.empty())
            << file << " holds no connection: the test cluster did not start";
        static std::atomic<int> count{0};
        schema_ = "t" + std::to_string(getpid()) + "_" + std::to_string(++count);
        admin_ = OpenPostgresDatabase(connection);
        admin_->Execute("CREATE SCHEMA " + schema_);
        location_ = connection + " options='-csearch_path=" + schema_ + "'";
    }
    void TearDown() override {
        if (admin_) admin_->Execute("DROP SCHEMA " + schema_ + " CASCADE");
    }

    std::unique_ptr<SessionStore> Open() { return SessionStore::Open(location_); }

    test::TempDir dir_;
    std::string location_;
    std::string schema_;
    std::unique_ptr<Database> admin_;
};

INSTANTIATE_TEST_SUITE_P(Backends, StoreTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) {
                             return info.param == Backend::Sqlite ? "SQLite" : "PostgreSQL";
                         });

NewSession SessionOf(const std::string& subject, const std::string& started = "",
                     bool training = false) {
    NewSession n;
    n.subjectId = subject;
    n.started = started;
    n.training = training;
    return n;
}

Subject FullSubject() {
    Subject s;
    s.id = "LAB-0042";
    s.family = "Okonkwo-Šťastná";
    s.given = "Ada";
    s.birth = "1987-02-28";
    s.sex = "female";
    s.heightCm = 167.5;
    s.weightKg = 61.25;
    s.note = "asthma since 2001\nsecond line";
    return s;
}

NewTrial MakeTrial(int k, TrialOrigin origin = TrialOrigin::Device) {
    NewTrial t;
    t.fileName = "LAB-0042 " + std::to_string(k) + ".plm";
    for (int i = 0; i < 3000 + k; ++i) t.bytes.push_back(static_cast<uint8_t>(i * 7 + k));
    t.bytes[0] = 0;  // a NUL byte in the file
    t.recorded = "2026-03-0" + std::to_string(k % 9 + 1) + " 10:1" + std::to_string(k % 10);
    t.durationSeconds = 16.0 + k / 3.0;
    t.sampleRateHz = 1000.0 / 3.0;
    t.channels = 2 + k % 3;
    t.origin = origin;
    for (int i = 0; i < 11; ++i) {
        t.spectrum.frequencies.push_back(4.0 + i * 2.0 / 3.0);
        t.spectrum.R.push_back(std::nextafter(3.1 + k * 0.1, 4.0) / (i + 1));
        t.spectrum.X.push_back(i == 3 ? -0.0 : -1.0 / (i + k + 1));
        t.spectrum.coherence.push_back(i == 5 ? std::numeric_limits<double>::denorm_min()
                                              : 0.9 + i * 1e-17);
    }
    t.outcomes = {{"r_low", 3.1 + k},        {"x_low", -1.0 / 7},    {"r_high", 2.5},
                  {"r_low_minus_high", 0.6}, {"fres", std::nullopt}, {"ax", 1e-300},
                  {"min_coherence", 0.91}};
    return t;
}

// Every stored field equals what was given.
void ExpectTrial(const Trial& stored, const NewTrial& given) {
    EXPECT_EQ(stored.fileName, given.fileName);
    EXPECT_EQ(stored.bytes, given.bytes);
    EXPECT_EQ(stored.sha256, Sha256Hex(given.bytes));
    EXPECT_EQ(stored.recorded, given.recorded);
    EXPECT_EQ(stored.durationSeconds, given.durationSeconds);
    EXPECT_EQ(stored.sampleRateHz, given.sampleRateHz);
    EXPECT_EQ(stored.channels, given.channels);
    EXPECT_EQ(stored.origin, given.origin);
    // Bit for bit: -0.0 and the denormal too.
    const auto bits = [](const std::vector<double>& v) {
        std::vector<uint64_t> b;
        for (double d : v) b.push_back(std::bit_cast<uint64_t>(d));
        return b;
    };
    EXPECT_EQ(bits(stored.spectrum.frequencies), bits(given.spectrum.frequencies));
    EXPECT_EQ(bits(stored.spectrum.R), bits(given.spectrum.R));
    EXPECT_EQ(bits(stored.spectrum.X), bits(given.spectrum.X));
    EXPECT_EQ(bits(stored.spectrum.coherence), bits(given.spectrum.coherence));
    ASSERT_EQ(stored.outcomes.size(), given.outcomes.size());
    for (std::size_t k = 0; k < given.outcomes.size(); ++k) {
        EXPECT_EQ(stored.outcomes[k].key, given.outcomes[k].key);
        EXPECT_EQ(stored.outcomes[k].value, given.outcomes[k].value) << given.outcomes[k].key;
    }
}

TEST_P(StoreTest, ASessionComesBackWholeInAnotherStoreAndAnotherProgram) {
    const Subject subject = FullSubject();
    std::vector<NewTrial> given;
    int64_t number = 0;
    std::string dump;
    {
        auto store = Open();
        store->AddSubject(subject);
        NewSession n;
        n.subjectId = subject.id;
        n.operatorName = "R. Tanaka";
        n.note = "pre and post salbutamol";
        n.impedanceUnit = "hPa·s/L";
        n.setupFileName = "Adult 5-37 Hz.opt";
        n.setupBytes = {0, 1, 2, 255, 0};
        number = store->StartSession(n);
        for (int k = 1; k <= 3; ++k) {
            given.push_back(MakeTrial(k));
            EXPECT_EQ(store->AddTrial(number, "", given.back()), k);
        }
        EXPECT_EQ(store->AddPhase(number, "Post bronchodilator", "salbutamol 400 µg, 15 min"), 2);
        for (int k = 4; k <= 6; ++k) {
            given.push_back(MakeTrial(k, k == 5 ? TrialOrigin::Emulator : TrialOrigin::Imported));
            EXPECT_EQ(store->AddTrial(number, "Post bronchodilator", given.back()), k);
        }
        store->SetTrialIncluded(number, 5, false, "cough at 8 s", "dr. lee");
        dump = DumpSession(store->LoadSession(number));
    }

    auto again = Open();
    const Session s = again->LoadSession(number);
    EXPECT_EQ(DumpSession(s), dump);
    EXPECT_EQ(s.number, number);
    EXPECT_EQ(s.operatorName, "R. Tanaka");
    EXPECT_EQ(s.note, "pre and post salbutamol");
    EXPECT_EQ(s.impedanceUnit, "hPa·s/L");
    EXPECT_EQ(s.setupFileName, "Adult 5-37 Hz.opt");
    EXPECT_EQ(s.setupBytes, (std::vector<uint8_t>{0, 1, 2, 255, 0}));
    EXPECT_FALSE(s.training);
    EXPECT_FALSE(s.started.empty());
    EXPECT_EQ(s.subject.id, subject.id);
    EXPECT_EQ(s.subject.family, subject.family);
    EXPECT_EQ(s.subject.given, subject.given);
    EXPECT_EQ(s.subject.birth, subject.birth);
    EXPECT_EQ(s.subject.sex, subject.sex);
    EXPECT_EQ(s.subject.heightCm, subject.heightCm);
    EXPECT_EQ(s.subject.weightKg, subject.weightKg);
    EXPECT_EQ(s.subject.note, subject.note);
    ASSERT_EQ(s.phases.size(), 2u);
    EXPECT_EQ(s.phases[0].name, "Baseline");
    EXPECT_EQ(s.phases[1].name, "Post bronchodilator");
    EXPECT_EQ(s.phases[1].note, "salbutamol 400 µg, 15 min");
    for (int p = 0; p < 2; ++p) {
        ASSERT_EQ(s.phases[p].trials.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            const Trial& t = s.phases[p].trials[k];
            EXPECT_EQ(t.number, 3 * p + k + 1);
            ExpectTrial(t, given[3 * p + k]);
            EXPECT_EQ(t.included, t.number != 5);
        }
    }
    EXPECT_EQ(s.phases[1].trials[1].reason, "cough at 8 s");
    EXPECT_EQ(s.phases[1].trials[1].decidedBy, "dr. lee");
    EXPECT_EQ(again->TrialBytes(number, 4), given[3].bytes);

    int status = -1;
    EXPECT_EQ(RunHelper("dump " + Quoted(location_) + " " + std::to_string(number), status), dump);
    EXPECT_EQ(status, 0);

    std::vector<std::string> kinds;
    for (const Event& e : again->SessionEvents(number)) {
        kinds.push_back(e.kind);
        EXPECT_EQ(e.user, OperatingSystemUser());
        EXPECT_EQ(e.subjectId, subject.id);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{
                         kEventSessionStarted, kEventPhaseStarted, kEventTrialAdded,
                         kEventTrialAdded, kEventTrialAdded, kEventPhaseStarted, kEventTrialAdded,
                         kEventTrialAdded, kEventTrialAdded, kEventTrialExcluded}));
    const StoreInfo info = again->Info();
    EXPECT_EQ(info.backend, GetParam() == Backend::Sqlite ? "SQLite" : "PostgreSQL");
    EXPECT_EQ(info.schemaVersion, kSchemaVersion);
    EXPECT_EQ(info.subjects, 1);
    EXPECT_EQ(info.sessions, 1);
    EXPECT_EQ(info.trials, 6);
    EXPECT_EQ(info.events, 11);  // the subject's creation too

    // An outcome that is not a number is kept as none.
    NewTrial nan = MakeTrial(7);
    nan.outcomes[0].value = std::nan("");
    again->AddTrial(number, "", nan);
    EXPECT_EQ(again->LoadSession(number).phases[1].trials.back().outcomes[0].value, std::nullopt);
}

TEST_P(StoreTest, AlteredRecordingIsReportedNamingSessionAndTrial) {
    auto store = Open();
    store->AddSubject(FullSubject());
    store->StartSession(SessionOf("LAB-0042"));
    const int64_t number = store->StartSession(SessionOf("LAB-0042"));
    for (int k = 1; k <= 3; ++k) store->AddTrial(number, "", MakeTrial(k));

    auto s =
        store->database().Prepare("UPDATE trials SET bytes = ? WHERE session = ? AND number = 2");
    std::vector<uint8_t> changed = MakeTrial(2).bytes;
    changed[100] ^= 1;
    s->BindBlob(1, changed);
    s->BindInt64(2, number);
    s->Step();
    s.reset();

    const std::string message = "Session " + std::to_string(number) +
                                ", trial 2: the stored recording does not match "
                                "its checksum.";
    for (auto& reader : {std::function<void()>([&] { store->LoadSession(number); }),
                         std::function<void()>([&] { store->TrialBytes(number, 2); }),
                         std::function<void()>([&] { Open()->LoadSession(number); })}) {
        try {
            reader();
            ADD_FAILURE() << "the altered recording was read";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    EXPECT_EQ(store->TrialBytes(number, 3), MakeTrial(3).bytes);
}

TEST_P(StoreTest, NewerDatabaseIsRefusedAndLeftUntouched) {
    Open()->AddSubject(FullSubject());
    {
        auto store = Open();
        auto s = store->database().Prepare("UPDATE pelmor_schema SET version = ?");
        s->BindInt64(1, kSchemaVersion + 4);
        s->Step();
    }
    const auto snapshot = [&] {
        if (GetParam() == Backend::Sqlite) return ReadAll(location_);
        auto s = admin_->Prepare(
            "SELECT (SELECT version FROM " + schema_ +
            ".pelmor_schema)::text || ' ' || "
            "(SELECT COUNT(*) FROM " +
            schema_ +
            ".subjects)::text || ' ' || "
            "(SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = ?)::text");
        s->BindText(1, schema_);
        s->Step();
        return s->Text(0);
    };
    const std::string before = snapshot();
    ASSERT_FALSE(before.empty());
    try {
        Open();
        ADD_FAILURE() << "a newer database was opened";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.what(), location_ +
                                " was written by a newer version of Pelmor (database "
                                "version " +
                                std::to_string(kSchemaVersion + 4) + "; this version reads up to " +
                                std::to_string(kSchemaVersion) + ").");
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_P(StoreTest, SubjectIdIsTextWhateverItHolds) {
    auto store = Open();
    Subject odd;
    odd.id = "Müller/Δ'; DROP TABLE subjects; --";
    odd.family = "Ñandú";
    store->AddSubject(odd);
    store->AddSubject(FullSubject());

    const std::optional<Subject> found = store->FindSubject(odd.id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id, odd.id);
    EXPECT_EQ(found->family, "Ñandú");
    for (const char* search : {"MÜLLER/δ", "'; drop", "ñan", "müller ñandú"}) {
        const std::vector<Subject> hits = store->ListSubjects(search);
        ASSERT_EQ(hits.size(), 1u) << search;
        EXPECT_EQ(hits[0].id, odd.id);
    }
    EXPECT_EQ(store->ListSubjects("%").size(), 0u);  // a LIKE wildcard is a plain character
    EXPECT_EQ(store->ListSubjects("ada").size(), 1u);
    EXPECT_EQ(store->ListSubjects("").size(), 2u);

    Subject edited = *found;
    edited.given = "Zoë";
    edited.heightCm = 181;
    store->EditSubject(edited);
    EXPECT_EQ(store->FindSubject(odd.id)->given, "Zoë");
    EXPECT_EQ(store->FindSubject(odd.id)->heightCm, 181);
    EXPECT_EQ(store->ListSubjects("ZOË")[0].id, odd.id);

    Subject longest;
    longest.id = std::string(63, 'x') + "Δ";  // 64 characters, 65 bytes
    store->AddSubject(longest);
    EXPECT_TRUE(store->FindSubject(longest.id));
}

TEST_P(StoreTest, RefusalsNameWhatIsWrong) {
    auto store = Open();
    store->AddSubject(FullSubject());
    const int64_t session = store->StartSession(SessionOf("LAB-0042"));
    const int64_t training = store->StartSession(SessionOf("LAB-0042", "", true));
    store->AddTrial(session, "", MakeTrial(1));
    Subject tooLong, badDate, badSex, nobody;
    nobody.id = "nobody";
    tooLong.id = std::string(64, 'x') + "Δ";
    badDate.id = badSex.id = "B1";
    badDate.birth = "1999-02-30";
    badSex.sex = "f";
    NewTrial simulated = MakeTrial(2, TrialOrigin::Simulated);
    const NewTrial measured = MakeTrial(2);
    const std::string s = std::to_string(session);

    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { store->AddSubject(FullSubject()); },
         "A subject with the ID \"LAB-0042\" exists already."},
        {[&] { store->AddSubject(Subject{}); }, "A subject needs an ID."},
        {[&] { store->AddSubject(tooLong); },
         "The subject ID \"" + tooLong.id + "\" is longer than 64 characters."},
        {[&] { store->AddSubject(badDate); },
         "The birth date \"1999-02-30\" of subject B1 is not a date (YYYY-MM-DD)."},
        {[&] { store->AddSubject(badSex); },
         "The sex of subject B1 is \"f\": it is \"female\" or \"male\"."},
        {[&] { store->EditSubject(nobody); }, "No subject has the ID \"nobody\"."},
        {[&] { store->StartSession(SessionOf("nobody")); }, "No subject has the ID \"nobody\"."},
        {[&] { store->ListSessions("nobody"); }, "No subject has the ID \"nobody\"."},
        {[&] { store->AddTrial(session, "", simulated); },
         "Session " + s + " is not a training session: the simulated recording " +
             simulated.fileName + " is not added."},
        {[&] {
             store->AddTrials(session, "", {&measured, &simulated});
         },
         "Session " + s + " is not a training session: the simulated recording " +
             simulated.fileName + " is not added."},
        {[&] { store->AddTrial(session, "Post", MakeTrial(2)); },
         "Session " + s + " has no phase \"Post\"."},
        {[&] { store->AddTrial(999, "", MakeTrial(2)); }, "There is no session 999."},
        {[&] { store->AddPhase(session, "Baseline"); },
         "Session " + s + " has a phase named \"Baseline\" already."},
        {[&] { store->AddPhase(999, "Post"); }, "There is no session 999."},
        {[&] { store->SetTrialIncluded(session, 1, false, ""); },
         "Excluding trial 1 of session " + s + " needs a reason."},
        {[&] { store->SetTrialIncluded(session, 7, true, ""); },
         "Session " + s + " has no trial 7."},
        {[&] { store->LoadSession(999); }, "There is no session 999."},
    };
    for (const auto& [call, message] : cases) {
        try {
            call();
            ADD_FAILURE() << "not refused: " << message;
        } catch (const StoreError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    // Nothing of the refused calls was kept; a training session takes the simulated recording.
    EXPECT_EQ(store->AddTrial(training, "", simulated), 1);
    EXPECT_EQ(store->AddTrial(session, "", MakeTrial(3)), 2);
    EXPECT_EQ(store->Info().subjects, 1);
    EXPECT_EQ(store->LoadSession(session).phases.size(), 1u);
    EXPECT_EQ(store->FindSession(session)->trials, 2);
    EXPECT_FALSE(store->FindSession(999));
}

TEST_P(StoreTest, SessionsListNewestFirstWithTheirCounts) {
    auto store = Open();
    store->AddSubject(FullSubject());
    Subject berg;
    berg.id = "B2";
    berg.family = "Berg";
    store->AddSubject(berg);
    const int64_t first = store->StartSession(SessionOf("LAB-0042", "2026-01-05T09:00:00Z"));
    const int64_t other = store->StartSession(SessionOf("B2", "2026-02-01T09:00:00Z"));
    const int64_t last = store->StartSession(SessionOf("LAB-0042", "2026-03-01T09:00:00Z"));
    store->AddPhase(last, "Post bronchodilator");
    for (int k = 1; k <= 3; ++k) store->AddTrial(last, k == 1 ? "Baseline" : "", MakeTrial(k));

    std::vector<int64_t> order;
    for (const SessionSummary& m : store->ListSessions()) order.push_back(m.number);
    EXPECT_EQ(order, (std::vector<int64_t>{last, other, first}));
    const std::vector<SessionSummary> mine = store->ListSessions("LAB-0042");
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0].number, last);
    EXPECT_EQ(mine[0].subjectId, "LAB-0042");
    EXPECT_EQ(mine[0].family, "Okonkwo-Šťastná");
    EXPECT_EQ(mine[0].phases, 2);
    EXPECT_EQ(mine[0].trials, 3);
    EXPECT_EQ(mine[1].number, first);
    EXPECT_EQ(mine[1].phases, 1);
    EXPECT_EQ(mine[1].trials, 0);
    const Session s = store->LoadSession(last);
    EXPECT_EQ(s.phases[0].trials.size(), 1u);
    EXPECT_EQ(s.phases[1].trials.size(), 2u);
}

TEST_P(StoreTest, TwoProgramsAddingTrialsAtOnceLoseNothing) {
    int64_t number;
    {
        auto store = Open();
        store->AddSubject(FullSubject());
        number = store->StartSession(SessionOf("LAB-0042"));
    }
    const std::string command = std::string(PELMOR_SESSIONS_HELPER) + " add " + Quoted(location_) +
                                " " + std::to_string(number) + " 25 ";
    FILE* a = popen((command + "a 2>&1").c_str(), "r");
    FILE* b = popen((command + "b 2>&1").c_str(), "r");
    ASSERT_TRUE(a && b);
    std::string out;
    char buffer[512];
    for (FILE* p : {a, b})
        while (std::size_t n = fread(buffer, 1, sizeof buffer, p)) out.append(buffer, n);
    EXPECT_EQ(pclose(a), 0) << out;
    EXPECT_EQ(pclose(b), 0) << out;

    const Session s = Open()->LoadSession(number);
    std::set<std::string> names;
    std::vector<int> numbers;
    for (const Trial& t : s.phases[0].trials) {
        names.insert(t.fileName);
        numbers.push_back(t.number);
    }
    EXPECT_EQ(names.size(), 50u);
    for (int k = 1; k <= 25; ++k) {
        EXPECT_TRUE(names.count("a-" + std::to_string(k))) << k;
        EXPECT_TRUE(names.count("b-" + std::to_string(k))) << k;
    }
    for (int k = 0; k < static_cast<int>(numbers.size()); ++k) EXPECT_EQ(numbers[k], k + 1);
}

TEST_P(StoreTest, BackupCopiesAnSqliteFileAndNamesPgDumpOtherwise) {
    auto store = Open();
    store->AddSubject(FullSubject());
    const int64_t number = store->StartSession(SessionOf("LAB-0042"));
    store->AddTrial(number, "", MakeTrial(1));
    const std::string copy = dir_.File("backup/copy.sqlite");
    if (GetParam() == Backend::Postgres) {
        try {
            store->Backup(copy);
            ADD_FAILURE() << "no refusal";
        } catch (const StoreError& e) {
            EXPECT_NE(std::string(e.what()).find("pg_dump"), std::string::npos) << e.what();
        }
        return;
    }
    store->Backup(copy);
    auto restored = SessionStore::Open(copy);
    EXPECT_EQ(DumpSession(restored->LoadSession(number)), DumpSession(store->LoadSession(number)));
    try {
        store->Backup(copy);
        ADD_FAILURE() << "an existing file was overwritten";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find(copy), std::string::npos) << e.what();
    }
}

TEST(SqliteStore, FileIsPrivateAndWriteAheadLogged) {
    test::TempDir dir;
    const std::string path = dir.File("new/folder/pelmor.sqlite");
    const mode_t old = umask(0);  // whatever the umask, the file is the user's alone
    auto store = SessionStore::Open(path);
    umask(old);
    store->AddSubject(FullSubject());
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((path + "-wal").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(dir.File("new/folder").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    auto mode = store->database().Prepare("PRAGMA journal_mode");
    ASSERT_TRUE(mode->Step());
    EXPECT_EQ(mode->Text(0), "wal");
    auto keys = store->database().Prepare("PRAGMA foreign_keys");
    ASSERT_TRUE(keys->Step());
    EXPECT_EQ(keys->Int64(0), 1);

    std::ofstream(dir.File("other.txt")) << "not a database, but long enough to be read as one";
    try {
        SessionStore::Open(dir.File("other.txt"));
        ADD_FAILURE() << "a text file was opened";
    } catch (const StoreError& e) {
        EXPECT_EQ(std::string(e.what()), dir.File("other.txt") + ": file is not a database");
    }
}

}  // namespace
}  // namespace pelmor
