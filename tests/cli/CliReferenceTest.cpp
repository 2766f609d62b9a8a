// pelmor-cli reference and outcomes --reference, with the shipped set in the user's folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "CliRun.h"

namespace pelmor::cli::test {
namespace {

using nlohmann::json;

constexpr char kSet[] = "Aarli IOS adults";

// The user's reference folder holds the shipped set and a malformed one; once per program.
const std::string& UserFolder() {
    static const std::string folder = [] {
        const SharedFiles& shared = Files();
        const std::string data = shared.dir.File("xdg");
        const std::string references = data + "/Pelmor/references";
        std::filesystem::create_directories(references);
        std::filesystem::copy_file(
            std::string(PELMOR_FIXTURES) + "/../../packaging/references/aarli-ios-adults.json",
            references + "/aarli.json", std::filesystem::copy_options::overwrite_existing);
        std::ofstream(references + "/broken.json") << "{\"name\": \"Broken\"}";
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        return references;
    }();
    return folder;
}

// Every frequency of the shared recordings, 2 ... 7 Hz, with a unit transfer.
std::string FullCalibration() {
    const std::string path = Files().dir.File("full.cal");
    std::ofstream out(path, std::ios::binary);
    out << "Freq\treA\timA\treB\timB\treC\timC\treD\timD\treE\timE\treF\timF\treZ0\timZ0\tresh\tims"
           "h"
           "\treT21\timT21\trech\timch\r\n";
    for (int f = 2; f <= 7; ++f)
        out << f << "\t0\t0\t1\t0\t0\t0\t1\t0\t0\t0\t1\t0\t1\t0\t1\t0\t1\t0\t0\t0\r\n";
    return path;
}

// The last line of a command's output (a session number after the calibration's message).
std::string LastLine(std::string out) {
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out.substr(out.rfind('\n') + 1);
}

TEST(CliReference, SetsAreListedShownAndComputed) {
    const std::string& folder = UserFolder();
    const CliResult list = Cli({"reference", "list"});
    ASSERT_EQ(list.code, 0) << list.err;
    EXPECT_EQ(list.out, std::string(kSet) + " (IOS, kPa·s/L): " + folder + "/aarli.json\n");
    EXPECT_NE(list.err.find("broken.json is not a reference set: \"source\" is missing."),
              std::string::npos)
        << list.err;

    const CliResult show = Cli({"reference", "show", kSet});
    ASSERT_EQ(show.code, 0) << show.err;
    EXPECT_NE(show.out.find("  female: ln(y) = 2.68 - 0.026 height + 0.012 weight\n"),
              std::string::npos)
        << show.out;
    EXPECT_EQ(json::parse(Cli({"reference", "show", kSet, "--format", "json"})
                              .out)["outcomes"]["X5"]["male"]["form"],
              "ln_neg");

    const CliResult compute = Cli({"reference", "compute", kSet, "--sex", "female", "--age", "63",
                                   "--height", "162", "--weight", "60", "--format", "json"});
    ASSERT_EQ(compute.code, 0) << compute.err;
    const json j = json::parse(compute.out);
    EXPECT_EQ(j["unit"], "kPa·s/L");
    EXPECT_EQ(j["ax_unit"], "kPa/L");
    EXPECT_EQ(j["outside_range"], false);
    EXPECT_NEAR(j["outcomes"]["R5"]["predicted"].get<double>(),
                std::exp(2.68 - 0.026 * 162 + 0.012 * 60), 1e-12);
    EXPECT_NEAR(j["outcomes"]["X5"]["predicted"].get<double>(),
                -std::exp(3.85 - 0.041 * 162 + 0.014 * 60), 1e-12);
    EXPECT_TRUE(j["outcomes"]["AX"]["lln"].is_null());

    struct Refusal {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Refusal refusals[] = {
        {{"reference", "compute", kSet, "--sex", "female", "--age", "63", "--height", "162"},
         1,
         "The reference set Aarli IOS adults needs the weight of the subject for R5."},
        {{"reference", "show", "Nobody's"}, 1, "There is no reference set \"Nobody's\"."},
        {{"reference", "compute", kSet, "--sex", "female", "--age", "63"}, 2, "--height"},
        {{"reference", "compute", kSet, "--sex", "f", "--age", "63", "--height", "162"},
         2,
         "--sex"},
    };
    for (const Refusal& r : refusals) {
        const CliResult c = Cli(r.args);
        EXPECT_EQ(c.code, r.code) << c.err;
        EXPECT_NE(c.err.find(r.message), std::string::npos) << c.err;
    }
}

TEST(CliReference, OutcomesJudgeTheMeansOfACalibratedMeasurement) {
    UserFolder();
    const SharedFiles& f = Files();
    const std::vector<std::string> subject = {
        "--reference", kSet, "--sex", "male", "--age", "50", "--height", "175", "--format", "json"};
    std::vector<std::string> args = {"outcomes", f.first, f.second};
    args.insert(args.end(), subject.begin(), subject.end());

    // The recordings' own impedance is a ratio of volts.
    const CliResult raw = Cli(args);
    ASSERT_EQ(raw.code, 0) << raw.err;
    const json r = json::parse(raw.out);
    EXPECT_EQ(r["unit"], "V/V (not calibrated)");
    EXPECT_EQ(r["reference"]["message"], "Reference values need a calibrated measurement.");
    EXPECT_TRUE(r["reference"]["outcomes"].is_null());

    std::vector<std::string> calibrated = {"--calibration", FullCalibration(),
                                           "--use-loaded-calibration"};
    calibrated.insert(calibrated.end(), args.begin(), args.end());
    calibrated.insert(calibrated.end(), {"--low", "4"});
    const CliResult cal = Cli(calibrated);
    ASSERT_EQ(cal.code, 0) << cal.err;
    const json c = json::parse(cal.out.substr(cal.out.find('{')));
    EXPECT_EQ(c["unit"], "kPa·s/L");
    EXPECT_EQ(c["ax_unit"], "kPa/L");
    const json& ref = c["reference"];
    EXPECT_EQ(ref["set"], kSet);
    EXPECT_EQ(ref["outside_range"], false);
    // R5 and X5 are at 5 Hz, the outcomes at 4 Hz; AX is judged.
    EXPECT_EQ(ref["messages"],
              json({"The reference set gives R at 5 Hz; the outcomes are at 4 Hz.",
                    "The reference set gives X at 5 Hz; the outcomes are at 4 Hz."}));
    EXPECT_FALSE(ref["outcomes"].contains("r_low"));
    ASSERT_TRUE(ref["outcomes"].contains("ax")) << ref.dump();
    EXPECT_NEAR(ref["outcomes"]["ax"]["predicted"].get<double>(), std::exp(12.0 - 0.074 * 175),
                1e-12);
    EXPECT_EQ(ref["outcomes"]["ax"]["percent_predicted"].is_null(), c["mean"]["ax"].is_null());

    // The CSV ends every line in the unit.
    const CliResult csv = Cli({"outcomes", f.first, "--format", "csv"});
    EXPECT_NE(csv.out.find(",set,unit\r\n"), std::string::npos);
    EXPECT_NE(csv.out.find(",current,\"V/V (not calibrated)\"\r\n"), std::string::npos);
}

TEST(CliReference, SessionsJudgeEachPhaseByTheirSetAndSubject) {
    UserFolder();
    const SharedFiles& f = Files();
    const std::string db = f.dir.File("reference.sqlite");
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--database", db});
        return Cli(args);
    };
    ASSERT_EQ(run({"subject", "add", "W1", "--sex", "female", "--birth", "1963-06-01", "--height",
                   "162", "--weight", "60"})
                  .code,
              0);
    const CliResult unknown = run({"session", "new", "W1", "--reference", "Nobody's"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("There is no reference set \"Nobody's\"."), std::string::npos);

    const std::vector<std::string> calibrated = {"--calibration", FullCalibration(),
                                                 "--use-loaded-calibration"};
    const auto withCalibration = [&](std::vector<std::string> args) {
        args.insert(args.begin(), calibrated.begin(), calibrated.end());
        return run(args);
    };
    CliResult made = withCalibration({"session", "new", "W1", "--reference", kSet});
    ASSERT_EQ(made.code, 0) << made.err;
    const std::string session = LastLine(made.out);
    ASSERT_EQ(withCalibration({"session", "add", session, f.first, f.second}).code, 0);
    const CliResult shown = run({"session", "show", session, "--format", "json"});
    ASSERT_EQ(shown.code, 0) << shown.err;
    const json j = json::parse(shown.out);
    EXPECT_EQ(j["unit"], "kPa·s/L");
    EXPECT_EQ(j["reference_set"], kSet);
    const json& ref = j["phases"][0]["reference"];
    EXPECT_EQ(ref["set"], kSet);
    EXPECT_NEAR(ref["outcomes"]["x_low"]["predicted"].get<double>(),
                -std::exp(3.85 - 0.041 * 162 + 0.014 * 60), 1e-12);
    EXPECT_NEAR(ref["outcomes"]["x_low"]["percent_predicted"].get<double>(),
                100 * j["phases"][0]["mean"]["x_low"].get<double>() /
                    -std::exp(3.85 - 0.041 * 162 + 0.014 * 60),
                1e-9);

    // Without a calibration the session's values are a ratio of volts: no reference values.
    made = run({"session", "new", "W1", "--reference", kSet});
    const std::string raw = LastLine(made.out);
    ASSERT_EQ(run({"session", "add", raw, f.first}).code, 0);
    const json r = json::parse(run({"session", "show", raw, "--format", "json"}).out);
    EXPECT_EQ(r["unit"], "V/V (not calibrated)");
    EXPECT_EQ(r["phases"][0]["reference"]["message"],
              "Reference values need a calibrated measurement.");
}

}  // namespace
}  // namespace pelmor::cli::test
