// pelmor-cli subject, session, db and record --session on an SQLite file in a temporary folder,
// and the main path once more on the PostgreSQL cluster of the test run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "core/FileBytes.h"
#include "sessions/Database.h"

namespace pelmor::cli::test {
namespace {

using nlohmann::json;

std::vector<uint8_t> Bytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string reason;
    EXPECT_TRUE(ReadFileBytes(path, bytes, reason)) << reason;
    return bytes;
}

// A copy of a data file as a recording made in simulation marks it.
std::string SimulatedCopy(const std::string& from, const std::string& to) {
    std::string reason;
    EXPECT_TRUE(pelmor::test::WriteSimulatedCopy(from, to, reason)) << reason;
    return to;
}

std::string Line(std::string text) {
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// The database of one test: an SQLite file, or a schema of its own on the test cluster.
class SessionCommands : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        Files();  // the emulator, for record --session
        if (!GetParam()) {
            location_ = dir_.File("db/pelmor.sqlite");
            return;
        }
#ifdef PELMOR_TEST_POSTGRES_CONNECTION
        const char* file = PELMOR_TEST_POSTGRES_CONNECTION;
#else
        const char* file = nullptr;
        GTEST_SKIP() << "PostgreSQL left out (PELMOR_TEST_POSTGRES=OFF)";
#endif
        std::string connection, reason;
        ASSERT_TRUE(ReadFileText(file, connection, reason)) << file << ": " << reason;
        connection = Line(connection);
        ASSERT_FALSE(connection.empty()) << file << " holds no connection";
        static std::atomic<int> count{0};
        schema_ = "cli" + std::to_string(getpid()) + "_" + std::to_string(++count);
        admin_ = OpenPostgresDatabase(connection);
        admin_->Execute("CREATE SCHEMA " + schema_);
        location_ = connection + " options='-csearch_path=" + schema_ + "'";
    }
    void TearDown() override {
        if (admin_) admin_->Execute("DROP SCHEMA " + schema_ + " CASCADE");
    }

    CliResult Db(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--database", location_});
        return Cli(args);
    }
    // Runs a command that must succeed and returns what it printed.
    std::string Ok(const std::vector<std::string>& args) const {
        const CliResult r = Db(args);
        EXPECT_EQ(r.code, 0) << args.front() << " " << args[1] << ": " << r.err;
        return r.out;
    }

    pelmor::test::TempDir dir_;
    std::string location_;
    std::string schema_;
    std::unique_ptr<Database> admin_;
};

INSTANTIATE_TEST_SUITE_P(Backends, SessionCommands, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "PostgreSQL" : "SQLite"; });

TEST_P(SessionCommands, TwoPhasesShowTheChangeAsOutcomesComputesIt) {
    // Baseline: the three fixtures; after: the same recordings under the same names from another
    // folder, one of them excluded, so the two sets differ.
    std::filesystem::create_directories(dir_.File("after"));
    std::vector<std::string> before, after;
    for (const char* name : {"lab 001.inpx", "lab 002.inpx", "twelve 001.inpx"}) {
        before.push_back(pelmor::test::CopyFixture(name, dir_));
        after.push_back(dir_.File(std::string("after/") + name));
        std::filesystem::copy_file(before.back(), after.back());
    }
    Ok({"subject", "add", "LAB-7", "--family", "Nakamura", "--given", "Rei", "--birth",
        "1990-05-17", "--sex", "female", "--height", "171.5", "--weight", "64"});
    const std::string session =
        Line(Ok({"session", "new", "LAB-7", "--operator", "mk", "--note", "first visit"}));
    ASSERT_EQ(session, "1");
    EXPECT_EQ(Ok({"session", "add", session, before[0], before[1], before[2]}),
              "trial 1: lab 001.inpx\ntrial 2: lab 002.inpx\ntrial 3: twelve 001.inpx\n");
    EXPECT_EQ(Ok({"session", "phase", session, "Post bronchodilator", "--note",
                  "salbutamol 400 µg, 15 min"}),
              "2\n");
    Ok({"session", "add", session, after[0], after[1], after[2]});
    Ok({"session", "exclude", session, "6", "--reason", "cough"});

    const json j = json::parse(Ok({"session", "show", session, "--format", "json"}));
    EXPECT_EQ(j["session"], 1);
    EXPECT_EQ(j["subject"], json::parse(R"({"id": "LAB-7", "family": "Nakamura", "given": "Rei",
        "birth": "1990-05-17", "sex": "female", "height": 171.5, "weight": 64.0})"));
    EXPECT_FALSE(j["started"].get<std::string>().empty());
    EXPECT_EQ(j["operator"], "mk");
    EXPECT_EQ(j["note"], "first visit");
    EXPECT_EQ(j["training"], false);
    ASSERT_EQ(j["phases"].size(), 2u);
    EXPECT_EQ(j["phases"][0]["name"], "Baseline");
    EXPECT_EQ(j["phases"][1]["name"], "Post bronchodilator");
    EXPECT_EQ(j["phases"][1]["note"], "salbutamol 400 µg, 15 min");
    const json& excluded = j["phases"][1]["trials"][2];
    EXPECT_EQ(excluded["trial"], 6);
    EXPECT_EQ(excluded["file"], "twelve 001.inpx");
    EXPECT_EQ(excluded["included"], false);
    EXPECT_EQ(excluded["reason"], "cough");

    // Every trial holds its file's facts and the outcomes the outcomes command gives the file.
    const json each =
        json::parse(Db({"outcomes", before[0], before[1], before[2], "--format", "json"}).out);
    for (int p = 0; p < 2; ++p)
        for (int k = 0; k < 3; ++k) {
            const json& t = j["phases"][p]["trials"][k];
            EXPECT_EQ(t["trial"], 3 * p + k + 1);
            EXPECT_EQ(t["origin"], "imported");
            EXPECT_EQ(t["sha256"].get<std::string>().size(), 64u);
            EXPECT_FALSE(t["recorded"].get<std::string>().empty());
            EXPECT_GT(t["duration"].get<double>(), 1.0);
            json expected = each["results"][k];
            expected.erase("label");
            EXPECT_EQ(t["outcomes"], expected) << p << " " << k;
            if (p == 0 || k < 2) {
                EXPECT_EQ(t["included"], true);
                EXPECT_EQ(t["reason"], nullptr);
            }
        }
    EXPECT_EQ(j["phases"][0]["trials"][0]["sha256"], j["phases"][1]["trials"][0]["sha256"]);

    // The change and the response over the included trials, the statistics of each phase.
    const json outcomes = json::parse(Db({"outcomes", after[0], after[1], "--baseline", before[0],
                                          before[1], before[2], "--format", "json"})
                                          .out);
    EXPECT_EQ(j["change_percent"], outcomes["baseline"]["change_percent"]);
    EXPECT_EQ(j["response"], outcomes["baseline"]["response"]);
    EXPECT_NE(j["change_percent"]["r_low"], nullptr);
    EXPECT_EQ(j["phases"][1]["mean"], outcomes["mean"]);
    EXPECT_EQ(j["phases"][1]["sd"], outcomes["sd"]);
    EXPECT_EQ(j["phases"][1]["cov"], outcomes["cov"]);
    EXPECT_EQ(j["phases"][0]["mean"], outcomes["baseline"]["mean"]);

    // Included again, the trial counts: both sets are the same recordings, no change.
    Ok({"session", "include", session, "6"});
    const json again = json::parse(Ok({"session", "show", session, "--format", "json"}));
    EXPECT_EQ(again["phases"][1]["trials"][2]["included"], true);
    EXPECT_EQ(again["change_percent"]["r_low"], 0.0);

    const std::string text = Ok({"session", "show", session});
    EXPECT_NE(text.find("phase 2: Post bronchodilator"), std::string::npos) << text;
    EXPECT_NE(text.find("trial 6: twelve 001.inpx"), std::string::npos) << text;

    const json list =
        json::parse(Ok({"session", "list", "--subject", "LAB-7", "--format", "json"}));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["phases"], 2);
    EXPECT_EQ(list[0]["trials"], 6);
    const std::string csv = Ok({"session", "list", "--format", "csv"});
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "session,subject,family,given,started,operator,training,phases,trials");
    EXPECT_NE(csv.find("1,\"LAB-7\",\"Nakamura\",\"Rei\","), std::string::npos) << csv;

    // Export: every trial's bytes (the second "lab 001.inpx" numbered, nothing overwritten) and
    // the show JSON; a second export into the same folder numbers everything anew.
    const std::string folder = dir_.File("export");
    Ok({"session", "export", session, folder});
    for (int k = 0; k < 3; ++k) {
        const std::string name = std::filesystem::path(before[k]).filename();
        EXPECT_EQ(Bytes(folder + "/" + name), Bytes(before[k])) << name;
        const std::string stem = name.substr(0, name.size() - 5);
        EXPECT_EQ(Bytes(folder + "/" + stem + " (2).inpx"), Bytes(after[k])) << name;
    }
    const std::vector<uint8_t> written = Bytes(folder + "/session.json");
    EXPECT_EQ(json::parse(written), again);
    Ok({"session", "export", session, folder});
    EXPECT_TRUE(FileExists(folder + "/lab 001 (4).inpx"));
    EXPECT_EQ(Bytes(folder + "/session.json"), written);
    EXPECT_TRUE(FileExists(folder + "/session (2).json"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 14);
}

TEST_P(SessionCommands, UnknownNamesAndSimulatedFilesAreRefused) {
    const std::string lab = pelmor::test::CopyFixture("lab 001.inpx", dir_);
    const std::string simulated = SimulatedCopy(lab, dir_.File("sim 001.inpx"));
    Ok({"subject", "add", "S1"});
    const std::string session = Line(Ok({"session", "new", "S1"}));
    const std::string training = Line(Ok({"session", "new", "S1", "--training"}));

    struct Case {
        std::vector<std::string> args;
        std::string named;  // in the message
    };
    const Case refusals[] = {
        {{"session", "add", session, lab, simulated}, "sim 001.inpx"},  // neither is added
        {{"session", "new", "S2"}, "S2"},
        {{"session", "show", "99"}, "99"},
        {{"session", "add", "99", lab}, "99"},
        {{"session", "exclude", session, "7", "--reason", "x"}, "7"},
        {{"session", "list", "--subject", "S2"}, "S2"},
        {{"session", "add", session, lab, "--phase", "Later"}, "Later"},
        {{"session", "add", session, dir_.File("missing.inpx")}, "missing.inpx"},
    };
    for (const Case& c : refusals) {
        const CliResult r = Db(c.args);
        EXPECT_EQ(r.code, 1) << c.args[1] << " " << c.named;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    }
    EXPECT_EQ(Ok({"session", "add", training, simulated}), "trial 1: sim 001.inpx\n");
    const json j = json::parse(Ok({"session", "show", training, "--format", "json"}));
    EXPECT_EQ(j["training"], true);
    EXPECT_EQ(j["phases"][0]["trials"][0]["origin"], "simulated");
    EXPECT_EQ(j["change_percent"], nullptr);
    EXPECT_EQ(j["response"], nullptr);
    EXPECT_EQ(
        json::parse(Ok({"session", "show", session, "--format", "json"}))["phases"][0]["trials"],
        json::array());

    // Bad options are usage errors.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"session", "exclude", session, "1"},
          {"session", "show", "one"},
          {"session", "list", "--format", "xml"},
          {"session"}}) {
        EXPECT_EQ(Db(args).code, 2) << args.back();
    }
}

TEST_P(SessionCommands, RecordingBecomesATrialOfTheLastPhase) {
    Ok({"subject", "add", "R1"});
    const std::string session = Line(Ok({"session", "new", "R1"}));
    Ok({"session", "phase", session, "Post"});
    const CliResult r = Db({"--excitation", Files().excitation, "record", dir_.File("rec"),
                            "--seconds", "2", "--mask", "E0", "--session", session});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, dir_.File("rec 001.inpx") + "\ntrial 1: rec 001.inpx\n");
    const json j = json::parse(Ok({"session", "show", session, "--format", "json"}));
    ASSERT_EQ(j["phases"][1]["trials"].size(), 1u);
    const json& t = j["phases"][1]["trials"][0];
    EXPECT_EQ(t["origin"], "emulator");
    const json info = json::parse(Ok({"info", dir_.File("rec 001.inpx"), "--format", "json"}));
    EXPECT_EQ(t["duration"], info["frames"].get<double>() / info["sample_rate"].get<double>());
    EXPECT_NE(t["outcomes"]["r_low"], nullptr);

    // An unknown session is refused before anything is recorded.
    const CliResult unknown = Db({"record", dir_.File("none"), "--seconds", "2", "--session", "9"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("9"), std::string::npos) << unknown.err;
    EXPECT_FALSE(FileExists(dir_.File("none 001.inpx")));
}

TEST(CliSessions, SubjectsAreAddedEditedListedAndShown) {
    pelmor::test::TempDir dir;
    const std::string db = dir.File("pelmor.sqlite");
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--database", db});
        return Cli(args);
    };
    const std::string odd = "Müller/Δ'; DROP";
    ASSERT_EQ(run({"subject", "add", "M-2", "--family", "Zander"}).code, 0);
    ASSERT_EQ(run({"subject", "add", odd, "--family", "Müller \"Max\"", "--given", "Jörg",
                   "--birth", "1961-12-01", "--sex", "male", "--height", "180", "--note", "a, b"})
                  .code,
              0);
    const CliResult duplicate = run({"subject", "add", "M-2"});
    EXPECT_EQ(duplicate.code, 1);
    EXPECT_NE(duplicate.err.find("M-2"), std::string::npos) << duplicate.err;
    ASSERT_EQ(run({"subject", "edit", "M-2", "--given", "Ida", "--weight", "55.5"}).code, 0);

    const CliResult text = run({"subject", "list"});
    EXPECT_EQ(text.out, "M-2: Zander, Ida, 55.5 kg\n" + odd +
                            ": Müller \"Max\", Jörg, born 1961-12-01, male, 180 cm\n");
    const json found =
        json::parse(run({"subject", "list", "--search", "müller", "--format", "json"}).out);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]["id"], odd);
    EXPECT_EQ(found[0]["weight"], nullptr);
    EXPECT_EQ(found[0]["note"], "a, b");
    const std::string csv = run({"subject", "list", "--format", "csv"}).out;
    EXPECT_EQ(LinesOf(csv)[0], "id,family,given,birth,sex,height,weight,note,created,changed");
    EXPECT_TRUE(LinesOf(csv)[1].starts_with("\"M-2\",\"Zander\",\"Ida\",,,,55.5,\"\",")) << csv;
    EXPECT_TRUE(LinesOf(csv)[2].starts_with(
        "\"Müller/Δ'; DROP\",\"Müller \"\"Max\"\"\",\"Jörg\",1961-12-01,male,180,,\"a, b\","))
        << csv;

    const json shown = json::parse(run({"subject", "show", odd, "--format", "json"}).out);
    EXPECT_EQ(shown["family"], "Müller \"Max\"");
    EXPECT_EQ(shown["height"], 180.0);
    EXPECT_NE(run({"subject", "show", "M-2"}).out.find("given: Ida\n"), std::string::npos);

    struct Case {
        std::vector<std::string> args;
        int code;
    };
    for (const Case& c :
         {Case{{"subject", "show", "M-3"}, 1}, Case{{"subject", "edit", "M-3", "--note", "x"}, 1},
          Case{{"subject", "add", "M-4", "--sex", "other"}, 2},
          Case{{"subject", "add", "M-4", "--birth", "1.2.1990"}, 2},
          Case{{"subject", "add", "M-4", "--height", "tall"}, 2}, Case{{"subject", "add"}, 2},
          Case{{"subject", "list", "--format", "xml"}, 2}}) {
        const CliResult r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.back() << ": " << r.err;
        if (c.code == 1) {
            EXPECT_NE(r.err.find("M-3"), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(json::parse(run({"subject", "list", "--format", "json"}).out).size(), 2u);
}

TEST(CliSessions, DatabaseInfoAndBackup) {
    pelmor::test::TempDir dir;
    const std::string db = dir.File("pelmor.sqlite");
    const std::string lab = pelmor::test::CopyFixture("lab 001.inpx", dir);
    auto run = [](const std::string& location, std::vector<std::string> args) {
        args.insert(args.begin(), {"--database", location});
        return Cli(args);
    };
    ASSERT_EQ(run(db, {"subject", "add", "B1"}).code, 0);
    ASSERT_EQ(run(db, {"session", "new", "B1"}).code, 0);
    ASSERT_EQ(run(db, {"session", "add", "1", lab}).code, 0);
    const CliResult info = run(db, {"db", "info"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_NE(info.out.find("backend: SQLite\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("location: " + db + "\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("subjects: 1\nsessions: 1\ntrials: 1\n"), std::string::npos)
        << info.out;

    const std::string copy = dir.File("copy.sqlite");
    ASSERT_EQ(run(db, {"db", "backup", copy}).code, 0);
    EXPECT_EQ(run(copy, {"session", "show", "1", "--format", "json"}).out,
              run(db, {"session", "show", "1", "--format", "json"}).out);
    EXPECT_EQ(run(copy, {"session", "list"}).out, run(db, {"session", "list"}).out);
    // A backup never replaces a file.
    const CliResult again = run(db, {"db", "backup", copy});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find(copy), std::string::npos) << again.err;

    // PELMOR_DATABASE when --database is not given.
    setenv("PELMOR_DATABASE", copy.c_str(), 1);
    const CliResult fromEnvironment = Cli({"db", "info"});
    unsetenv("PELMOR_DATABASE");
    EXPECT_NE(fromEnvironment.out.find("location: " + copy + "\n"), std::string::npos)
        << fromEnvironment.out << fromEnvironment.err;
}

}  // namespace
}  // namespace pelmor::cli::test
