// Exit codes, the recording that cannot be written where it was asked to go, setup files,
// excitation checks and the plot.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "CliRun.h"
#include "core/FileBytes.h"
#include "core/Version.h"

#ifdef PELMOR_CLI_PLOT
#include <QImage>
#endif

namespace pelmor::cli::test {
namespace {

using nlohmann::json;

TEST(CliExitCodes, UsageErrorsRefusalsAndHelp) {
    const SharedFiles& f = Files();
    // A calibration file whose header is right but from which no line can be read.
    const std::string noData = f.dir.File("no data.cal");
    std::ofstream(noData, std::ios::binary) << "Freq\tAr\r\nabc\r\n";
    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{}, 2},
        {{"--help"}, 0},
        {{"record", "--help"}, 0},
        {{"--version"}, 0},
        {{"nonsense"}, 2},
        {{"impedance"}, 2},
        {{"info", f.first, "--format", "xml"}, 2},
        {{"record", f.dir.File("x"), "--rate", "300"}, 2},
        {{"record", f.dir.File("x"), "--seconds", "0"}, 2},
        {{"record", f.dir.File("x"), "--mask", "0"}, 2},
        {{"record", f.dir.File("x"), "--signal", "2"}, 2},
        {{"impedance", f.dir.File("absent.inpx")}, 1},
        {{"trend", f.excitation}, 1},
        {{"--setup", f.excitation, "info", f.first}, 1},
        {{"--calibration", f.dir.File("absent.cal"), "info", f.first}, 1},
        {{"calibration", "check", noData}, 1},
        {{"--calibration", noData, "info", f.first}, 1},
        {{"calibration", "check", f.calibration}, 0},
        {{"--calibration", f.calibration, "info", f.first}, 0},
    };
    for (const Case& c : cases) {
        const CliResult r = Cli(c.args);
        EXPECT_EQ(r.code, c.code) << (c.args.empty() ? "" : c.args[0]) << "\n" << r.err;
        if (c.code == 1) {
            EXPECT_FALSE(r.err.empty());
        }
    }
    // A table as the program copies it reads back as the same text.
    std::vector<uint8_t> cal;
    std::string reason;
    ASSERT_TRUE(ReadFileBytes(f.calibration, cal, reason)) << reason;
    EXPECT_EQ(Cli({"calibration", "check", f.calibration}).out,
              std::string(cal.begin(), cal.end()));
    EXPECT_NE(Cli({"--help"}).out.find("record"), std::string::npos);
    EXPECT_EQ(Cli({"--version"}).out, std::string("pelmor-cli ") + ProgramVersion() + "\n");
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(CliRecordFallback, UnwritableFolderGoesToTheTempFolderAndFails) {
    const SharedFiles& f = Files();
    pelmor::test::TempDir temp;
    ScopedEnv tmpdir("TMPDIR", temp.Path());
    const std::string wanted = f.dir.File("missing/folder/run");
    const CliResult r = Cli({"record", wanted, "--seconds", "1"});
    EXPECT_EQ(r.code, 1);
    const std::string written = temp.File("run 001.inpx");
    EXPECT_EQ(r.out, written + "\n");
    EXPECT_TRUE(std::filesystem::exists(written));
    EXPECT_NE(r.err.find("Could not write " + wanted + " 001.inpx: No such file or directory\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(written), std::string::npos);
    // The recording is a readable data file.
    EXPECT_EQ(Cli({"info", written}).code, 0);
}

TEST(CliRecordFallback, NoWritableFolderAtAllEndsWithoutLooping) {
    const SharedFiles& f = Files();
    ScopedEnv tmpdir("TMPDIR", f.dir.File("no/temp"));
    const CliResult r = Cli({"record", f.dir.File("missing/run"), "--seconds", "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Data will be lost. Do you want to continue? [Yes]"), std::string::npos)
        << r.err;
}

TEST(CliRecord, TrackingStartRecordsTheChosenFrequency) {
    const SharedFiles& f = Files();
    const CliResult r = Cli({"--excitation", f.excitation, "record", f.dir.File("track"),
                             "--seconds", "1", "--tracking", "3", "--rate", "256"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, f.dir.File("track 001.inpx") + "\n");
    EXPECT_EQ(Cli({"record", f.dir.File("track"), "--tracking", "9"}).code, 2);
}

TEST(CliSetup, SavesTheImportedExcitationAndShowsItBack) {
    const SharedFiles& f = Files();
    const std::string plm = f.dir.File("lab.plm");
    ASSERT_EQ(Cli({"--excitation", f.excitation, "setup", "save", plm}).code, 0);
    const CliResult text = Cli({"setup", "show", plm});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_TRUE(
        text.out.starts_with("sample_rate_index: 1\nsample_rate: 512\nchannel_mask: "
                             "0xC0\nchannel_count: 2\n"))
        << text.out;
    EXPECT_NE(text.out.find("\nsignal_count: 1\nperiod: 1\n"), std::string::npos);
    EXPECT_NE(text.out.find("\nsignal_1_frequency_indices: 2,3,4,5,6,7\n"), std::string::npos);
    EXPECT_NE(text.out.find("\nsweep: 0,20,1,10\ntime_step: "), std::string::npos);

    const json j = json::parse(Cli({"setup", "show", plm, "--format", "json"}).out);
    EXPECT_EQ(j["channel_mask"], 0xC0);
    EXPECT_EQ(j["signal_1_frequency_indices"], json({2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(j["sweep"]["period"], 20.0);
    EXPECT_EQ(j["channel_name_8"], "");

    // The saved setup drives a recording: its excitation is the one imported before.
    const CliResult rec =
        Cli({"--setup", plm, "record", f.dir.File("fromsetup"), "--seconds", "1"});
    ASSERT_EQ(rec.code, 0) << rec.err;
    const json info =
        json::parse(Cli({"info", f.dir.File("fromsetup 001.inpx"), "--format", "json"}).out);
    EXPECT_EQ(info["frequencies"], json({2.0, 3.0, 4.0, 5.0, 6.0, 7.0}));

    // Neither a waveform file nor a setup file's marker alone is a setup.
    std::vector<uint8_t> saved;
    std::string reason;
    ASSERT_TRUE(ReadFileBytes(plm, saved, reason)) << reason;
    const std::string markerOnly = f.dir.File("marker.plm");
    ASSERT_TRUE(WriteFileBytes(markerOnly, saved.data(), 4, reason)) << reason;
    for (const std::string& path : {f.excitation, markerOnly}) {
        const CliResult refused = Cli({"setup", "show", path});
        EXPECT_EQ(refused.code, 1) << path;
        EXPECT_EQ(refused.err, "Unexpected file format.\n") << path;
    }
    EXPECT_EQ(Cli({"setup", "save", f.dir.File("no/such/dir.plm")}).code, 1);
}

TEST(CliExcitation, CheckReportsFrequenciesAndCrestFactorAndRefusesBadFiles) {
    const SharedFiles& f = Files();
    const CliResult r = Cli({"excitation", "check", f.excitation});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(r.out.starts_with("signal 1: frequencies 2,3,4,5,6,7; crest factor ")) << r.out;
    const double crest = std::stod(r.out.substr(r.out.rfind(' ') + 1));
    EXPECT_GT(crest, 1.0);
    EXPECT_LT(crest, 3.0);

    const std::string bad = f.dir.File("bad.opt");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(bad, "no marker\n", 10, reason));
    const CliResult refused = Cli({"excitation", "check", bad});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.err, "Can't load data from this file.\n");
}

TEST(CliExcitation, GenerateFromAFrequencyListOrRefuseIt) {
    const CliResult r = Cli({"excitation", "generate", "--period-code", "1", "--shape", "1/f",
                             "--frequencies", "19, 5-11/6", "--seed", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = LinesOf(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines[1], "64\t1");
    const char* indexes[] = {"5", "11", "19"};  // ascending, cycles of the 1 s period
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lines[2 + i].substr(0, lines[2 + i].find('\t')), indexes[i]);
    EXPECT_EQ(lines[5], "-1");

    const CliResult refused =
        Cli({"excitation", "generate", "--period-code", "2", "--frequencies", "4, 11"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.err,
              "11 Hz is not a multiple of the 2 Hz fundamental of the 1/2 s period.\n");
    EXPECT_TRUE(refused.out.empty());
}

#ifdef PELMOR_CLI_PLOT
TEST(CliPlot, DrawsTheViewIntoAPngOfTheGivenSize) {
    const SharedFiles& f = Files();
    const std::string png = f.dir.File("view.png");
    const CliResult r = Cli({"plot", f.first, png, "--width", "320", "--height", "200", "--trend"});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 320);
    EXPECT_EQ(image.height(), 200);
    EXPECT_EQ(Cli({"plot", f.first, f.dir.File("no/such/view.png")}).code, 1);
}
#endif

}  // namespace
}  // namespace pelmor::cli::test
