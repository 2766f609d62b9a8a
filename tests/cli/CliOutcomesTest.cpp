// pelmor-cli outcomes on recordings the emulator makes of a known series R-L-C subject.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <numbers>

#include "CliRun.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"

namespace pelmor::cli::test {
namespace {

using nlohmann::json;

constexpr double kR = 0.3, kL = 0.005, kC = 0.035;  // resonance near 12 Hz

// 24 harmonics 1 ... 24 Hz of a 1 s period with spread phases.
std::string DenseExcitation(const pelmor::test::TempDir& dir) {
    std::string text = "# 1\r\n64\t1\r\n";
    for (int k = 1; k <= 24; ++k)
        text += Format("%d\t0.08\t%lg\r\n", k, std::fmod(std::numbers::pi * k * (k - 1) / 24, 6.0));
    text += "-1\r\n";
    const std::string path = dir.File("dense.opt");
    std::string reason;
    EXPECT_TRUE(WriteFileBytes(path, text.data(), text.size(), reason)) << reason;
    return path;
}

struct OutcomeFiles {
    std::vector<std::string> after;     // the subject as set
    std::vector<std::string> baseline;  // twice the resistance
};

const OutcomeFiles& Recordings() {
    static const OutcomeFiles files = [] {
        const SharedFiles& shared = Files();  // switches the emulator on for the process
        const std::string opt = DenseExcitation(shared.dir);
        OutcomeFiles f;
        auto record = [&](const char* base, double r) {
            setenv("PELMOR_EMULATOR", Format("realtime=0,R=%lg,L=%lg,C=%lg", r, kL, kC).c_str(), 1);
            const CliResult rec = Cli({"--excitation", opt, "record", shared.dir.File(base),
                                       "--seconds", "2", "--mask", "E0", "--rate", "256"});
            EXPECT_EQ(rec.code, 0) << rec.err;
            std::string path = rec.out;
            while (!path.empty() && path.back() == '\n') path.pop_back();
            return path;
        };
        f.after = {record("after", kR), record("after", kR)};
        f.baseline = {record("before", 2 * kR)};
        setenv("PELMOR_EMULATOR", "realtime=0", 1);
        return f;
    }();
    return files;
}

TEST(CliOutcomes, DenseRecordingsGiveTheModelsResonanceAndArea) {
    const OutcomeFiles& f = Recordings();
    const CliResult r = Cli({"outcomes", f.after[0], f.after[1], "--format", "json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    const double fres = 1 / (2 * std::numbers::pi * std::sqrt(kL * kC));
    auto primitive = [](double hz) {
        return std::log(hz) / (2 * std::numbers::pi * kC) - std::numbers::pi * kL * hz * hz;
    };
    const double ax = primitive(fres) - primitive(5.0);
    const double x5 = 2 * std::numbers::pi * 5 * kL - 1 / (2 * std::numbers::pi * 5 * kC);
    EXPECT_EQ(j["low"], 5.0);
    EXPECT_EQ(j["high"], 20.0);
    ASSERT_EQ(j["results"].size(), 2u);
    for (const json& res : j["results"]) {
        EXPECT_NEAR(res["fres"].get<double>(), fres, 0.02 * fres);
        EXPECT_NEAR(res["ax"].get<double>(), ax, 0.02 * ax);
        EXPECT_NEAR(res["r_low"].get<double>(), kR, 1e-3);
        EXPECT_NEAR(res["x_low"].get<double>(), x5, 1e-3);
        EXPECT_NEAR(res["r_low_minus_high"].get<double>(), 0.0, 1e-3);
        EXPECT_NEAR(res["min_coherence"].get<double>(), 1.0, 1e-6);
    }
    EXPECT_EQ(j["results"][0]["label"], FileNameOf(f.after[0]));
    EXPECT_EQ(j["quality"]["within_limit"], true);
    EXPECT_EQ(j["quality"]["cov_limit"], 10.0);
    EXPECT_EQ(j["quality"]["low_coherence"], json::array());
    EXPECT_TRUE(j["baseline"].is_null());

    // The text is the table the program hands out, its column titles with the frequencies.
    const CliResult text = Cli({"outcomes", f.after[0], "--low", "6", "--high", "18"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(LinesOf(text.out)[0], "Label\tR6\tX6\tR18\tR6-R18\tFres\tAX\tMin coherence");
}

TEST(CliOutcomes, BaselineGivesTheChangeAndTheResponse) {
    const OutcomeFiles& f = Recordings();
    const CliResult r =
        Cli({"outcomes", f.after[0], f.after[1], "--baseline", f.baseline[0], "--format", "json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json b = json::parse(r.out)["baseline"];
    ASSERT_TRUE(b.is_object()) << r.out;
    ASSERT_EQ(b["results"].size(), 1u);
    EXPECT_NEAR(b["mean"]["r_low"].get<double>(), 2 * kR, 2e-3);
    EXPECT_NEAR(b["change_percent"]["r_low"].get<double>(), -50.0, 0.5);  // passes -40 %
    EXPECT_NEAR(b["change_percent"]["x_low"].get<double>(), 0.0, 0.5);
    EXPECT_NEAR(b["change_percent"]["ax"].get<double>(), 0.0, 0.5);
    EXPECT_EQ(b["response"], true);
}

TEST(CliOutcomes, CsvReadsBackWithPythonsCsvModule) {
    const OutcomeFiles& f = Recordings();
    const CliResult r =
        Cli({"outcomes", f.after[0], f.after[1], "--baseline", f.baseline[0], "--format", "csv"});
    ASSERT_EQ(r.code, 0) << r.err;
    const SharedFiles& shared = Files();
    const std::string csv = shared.dir.File("outcomes.csv");
    const std::string script = shared.dir.File("read.py");
    const std::string check = shared.dir.File("read.txt");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(csv, r.out.data(), r.out.size(), reason));
    const std::string py =
        "import csv, sys\n"
        "rows = list(csv.DictReader(open(sys.argv[1], newline='')))\n"
        "out = open(sys.argv[2], 'w')\n"
        "for row in rows:\n"
        "    out.write('%s|%s|%.4f|%.3f\\n' % (row['label'], row['set'], float(row['r_low']),"
        " float(row['fres'])))\n";
    ASSERT_TRUE(WriteFileBytes(script, py.data(), py.size(), reason));
    ASSERT_EQ(std::system(("python3 '" + script + "' '" + csv + "' '" + check + "'").c_str()), 0);
    std::string back;
    ASSERT_TRUE(ReadFileText(check, back, reason));
    const double fres = 1 / (2 * std::numbers::pi * std::sqrt(kL * kC));
    const std::vector<std::string> lines = [&] {
        std::vector<std::string> v;
        std::size_t start = 0, end;
        while ((end = back.find('\n', start)) != std::string::npos) {
            v.push_back(back.substr(start, end - start));
            start = end + 1;
        }
        return v;
    }();
    ASSERT_EQ(lines.size(), 3u) << back;
    EXPECT_EQ(lines[0].substr(0, lines[0].find('|')), FileNameOf(f.after[0]));
    EXPECT_NE(lines[0].find("|current|0.3000|"), std::string::npos) << lines[0];
    EXPECT_NE(lines[2].find("|baseline|0.6000|"), std::string::npos) << lines[2];
    EXPECT_NEAR(std::stod(lines[1].substr(lines[1].rfind('|') + 1)), fres, 0.02 * fres);
}

TEST(CliOutcomes, ARefusedFileIsListedAndTheOthersGoOn) {
    const OutcomeFiles& f = Recordings();
    const SharedFiles& shared = Files();
    const std::string broken = shared.dir.File("broken.inpx");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(broken, std::string(40, '\x07').data(), 40, reason));
    const CliResult r = Cli({"outcomes", f.after[0], broken, f.after[1], "--format", "csv"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(broken + " was not analysed: "), std::string::npos) << r.err;
    const std::vector<std::string> lines = LinesOf(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[1].rfind("\"" + FileNameOf(f.after[0]) + "\",", 0), 0u);
    EXPECT_EQ(lines[2].rfind("\"" + FileNameOf(f.after[1]) + "\",", 0), 0u);
}

TEST(CliOutcomes, ANameThatIsNotUtf8GoesOutAsReplacementCharacters) {
    const OutcomeFiles& f = Recordings();
    // A Latin-1 name from an older system: the byte 0xE9 alone is no UTF-8.
    const std::string odd = Files().dir.File(
        "Donn\xe9"
        "es 001.inpx");
    std::filesystem::copy_file(f.after[0], odd, std::filesystem::copy_options::overwrite_existing);
    const std::string shown =
        "Donn\xef\xbf\xbd"
        "es 001.inpx";
    const CliResult outcomes = Cli({"outcomes", odd, f.after[1], "--format", "json"});
    ASSERT_EQ(outcomes.code, 0) << outcomes.err;
    const json j = json::parse(outcomes.out);
    ASSERT_EQ(j["results"].size(), 2u);
    EXPECT_EQ(j["results"][0]["label"].get<std::string>().rfind(shown, 0), 0u);
    const CliResult impedance = Cli({"impedance", odd, "--format", "json"});
    ASSERT_EQ(impedance.code, 0) << impedance.err;
    EXPECT_EQ(json::parse(impedance.out)["file"], Files().dir.File(shown));
}

TEST(CliOutcomes, ProgressForLargeBatchesAndBadOptions) {
    const OutcomeFiles& f = Recordings();
    std::vector<std::string> args = {"outcomes"};
    for (int k = 0; k < 11; ++k) args.push_back(f.after[k % 2]);
    args.insert(args.end(), {"--jobs", "2", "--format", "csv"});
    const CliResult many = Cli(args);
    ASSERT_EQ(many.code, 0) << many.err;
    EXPECT_NE(many.err.find("Analysed 11 of 11 files"), std::string::npos) << many.err;
    EXPECT_EQ(LinesOf(many.out).size(), 12u);
    // Ten files or fewer work quietly.
    const CliResult few = Cli({"outcomes", f.after[0], f.after[1]});
    EXPECT_EQ(few.err, "");

    const CliResult bad = Cli({"outcomes", f.after[0], "--low", "20", "--high", "5"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("The high outcome frequency must be above the low one."),
              std::string::npos);
}

}  // namespace
}  // namespace pelmor::cli::test
