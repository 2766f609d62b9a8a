// The sessions store with a lab's worth of data, 10,000 subjects and 100,000 trials (one session
// of ten small trials per subject): searching the subjects, listing one subject's sessions,
// adding a 2 MB trial, and loading a 12-trial session (trials of 200 KB, each checked against
// its SHA-256). SQLite in a temporary file always; PostgreSQL too when PELMOR_BENCH_POSTGRES
// holds a libpq connection string (the tests' cluster: build/tests/sessions/postgres/connection
// while it runs, or `bash tests/sessions/postgres_cluster.sh start DIR`), in a schema of its
// own that is dropped at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sessions/SessionStore.h"

namespace {

using namespace pelmor;

constexpr int kSubjects = 10000;
constexpr int kTrialsPerSubject = 10;

std::vector<double> Series(int n, double start, double step) {
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) v[i] = start + i * step;
    return v;
}

NewTrial Trial(const std::string& name, std::size_t bytes) {
    NewTrial t;
    t.fileName = name;
    t.bytes.resize(bytes);
    uint32_t x = 12345;
    for (auto& b : t.bytes) b = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
    t.recorded = "2026-03-01 10:15";
    t.durationSeconds = 16;
    t.sampleRateHz = 1024;
    t.channels = 3;
    t.spectrum = {Series(40, 4, 1), Series(40, 3, -0.01), Series(40, -1, 0.03),
                  Series(40, 0.9, 0.001)};
    t.outcomes = {
        {"r_low", 3.1}, {"x_low", -1.2}, {"r_high", 2.5},        {"r_low_minus_high", 0.6},
        {"fres", 11.5}, {"ax", 9.8},     {"min_coherence", 0.93}};
    return t;
}

// Fills an empty store in one transaction, straight through the adapter (the store's own calls
// take a transaction each, which would make the fill take minutes).
void Fill(SessionStore& store) {
    Database& db = store.database();
    Transaction t(db, true);
    auto subject = db.Prepare(
        "INSERT INTO subjects (subject_id, search, family, given, birth, sex, note, created, "
        "changed) VALUES (?, ?, ?, ?, '', '', '', '2026-01-01T00:00:00Z', "
        "'2026-01-01T00:00:00Z') RETURNING id");
    auto session = db.Prepare(
        "INSERT INTO sessions (subject, started, operator_name, note, training, impedance_unit, "
        "reference_set, setup_name, setup_bytes, phase_count, trial_count) VALUES (?, ?, '', '', "
        "0, '', '', '', ?, 1, ?) RETURNING id");
    auto phase = db.Prepare(
        "INSERT INTO phases (session, position, name, note, started) VALUES (?, 1, 'Baseline', "
        "'', '') RETURNING id");
    auto trial = db.Prepare(
        "INSERT INTO trials (session, number, phase, file_name, bytes, sha256, recorded, "
        "duration, sample_rate, channels, origin, included, reason, decided_by, frequencies, r, "
        "x, coherence, added) VALUES (?, ?, ?, 'trial.plm', ?, '', '', 16, 1024, 3, 'device', 1, "
        "'', '', ?, ?, ?, ?, '')");
    const std::vector<uint8_t> small(512, 7), spectrum(40 * 8, 1);
    for (int k = 0; k < kSubjects; ++k) {
        char id[16];
        std::snprintf(id, sizeof id, "S%05d", k);
        const std::string family = "family" + std::to_string(k);
        subject->Reset();
        subject->BindText(1, id);
        subject->BindText(2, std::string(id) + "\n" + family + "\ngiven");
        subject->BindText(3, family);
        subject->BindText(4, "Given");
        subject->Step();
        const int64_t subjectKey = subject->Int64(0);
        session->Reset();
        session->BindInt64(1, subjectKey);
        session->BindText(2, "2026-02-01T10:00:00Z");
        session->BindBlob(3, small);
        session->BindInt64(4, kTrialsPerSubject);
        session->Step();
        const int64_t sessionKey = session->Int64(0);
        phase->Reset();
        phase->BindInt64(1, sessionKey);
        phase->Step();
        const int64_t phaseKey = phase->Int64(0);
        for (int n = 1; n <= kTrialsPerSubject; ++n) {
            trial->Reset();
            trial->BindInt64(1, sessionKey);
            trial->BindInt64(2, n);
            trial->BindInt64(3, phaseKey);
            trial->BindBlob(4, small);
            for (int c = 5; c <= 8; ++c) trial->BindBlob(c, spectrum);
            trial->Step();
        }
    }
    for (Statement* s : {subject.get(), session.get(), phase.get(), trial.get()}) s->Reset();
    t.Commit();
}

struct Lab {
    std::unique_ptr<SessionStore> store;
    int64_t loadSession = 0, addSession = 0;
};

Lab MakeLab(std::unique_ptr<SessionStore> store) {
    Lab lab;
    lab.store = std::move(store);
    Fill(*lab.store);
    Subject s;
    s.id = "BENCH";
    lab.store->AddSubject(s);
    NewSession n;
    n.subjectId = "BENCH";
    lab.loadSession = lab.store->StartSession(n);
    for (int k = 1; k <= 12; ++k)
        lab.store->AddTrial(lab.loadSession, "", Trial("load " + std::to_string(k), 200 * 1024));
    lab.addSession = lab.store->StartSession(n);
    return lab;
}

void Register(const std::string& name, Lab& lab) {
    benchmark::RegisterBenchmark(("SubjectSearch/" + name).c_str(), [&lab](benchmark::State& st) {
        std::size_t hits = 0;
        for (auto _ : st) hits = lab.store->ListSubjects("FAMILY471").size();
        st.counters["hits"] = static_cast<double>(hits);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("SessionListOfSubject/" + name).c_str(), [&lab](benchmark::State&
                                                                                      st) {
        for (auto _ : st) benchmark::DoNotOptimize(lab.store->ListSessions("S04711"));
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("AddTrial2MB/" + name).c_str(),
                                 [&lab](benchmark::State& st) {
                                     const NewTrial trial = Trial("add.plm", 2 * 1024 * 1024);
                                     for (auto _ : st)
                                         lab.store->AddTrial(lab.addSession, "", trial);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(30);
    benchmark::RegisterBenchmark(("LoadSession12Trials/" + name).c_str(), [&lab](benchmark::State&
                                                                                     st) {
        for (auto _ : st) benchmark::DoNotOptimize(lab.store->LoadSession(lab.loadSession));
    })->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* base = std::getenv("TMPDIR");
    const std::string folder =
        std::string(base && *base ? base : "/tmp") + "/pelmor-bench-" + std::to_string(getpid());
    std::vector<std::unique_ptr<Lab>> labs;
    try {
        labs.push_back(
            std::make_unique<Lab>(MakeLab(SessionStore::Open(folder + "/pelmor.sqlite", false))));
        Register("SQLite", *labs.back());
        const char* postgres = std::getenv("PELMOR_BENCH_POSTGRES");
        std::unique_ptr<Database> admin;
        const std::string schema = "bench_" + std::to_string(getpid());
        if (postgres && *postgres) {
            admin = OpenPostgresDatabase(postgres);
            admin->Execute("CREATE SCHEMA " + schema);
            labs.push_back(std::make_unique<Lab>(MakeLab(SessionStore::Open(
                std::string(postgres) + " options='-csearch_path=" + schema + "'", true))));
            Register("PostgreSQL", *labs.back());
        }
        benchmark::RunSpecifiedBenchmarks();
        labs.clear();
        if (admin) admin->Execute("DROP SCHEMA " + schema + " CASCADE");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_sessions: %s\n", e.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    benchmark::Shutdown();
    return 0;
}
