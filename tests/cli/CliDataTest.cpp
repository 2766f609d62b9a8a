// The commands over recorded files: info, impedance, trend, stored and export, in text and JSON.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>

#include "CliRun.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "files/DataFile.h"

namespace pelmor::cli::test {
namespace {

using nlohmann::json;

// The commands that made the shared files (tests/fixtures/make-fixtures.sh) make them again.
TEST(CliRecord, WritesNumberedFilesUnderTheBaseName) {
    const SharedFiles& f = Files();
    pelmor::test::TempDir dir;
    const CliResult generated = Cli({"excitation", "generate", "--period-code", "1", "--components",
                                     "1,2,3,4,5,6", "--seed", "7"});
    ASSERT_EQ(generated.code, 0) << generated.err;
    std::vector<uint8_t> opt;
    std::string reason;
    ASSERT_TRUE(ReadFileBytes(f.excitation, opt, reason)) << reason;
    EXPECT_EQ(generated.out, std::string(opt.begin(), opt.end()));

    const std::vector<std::string> record{"--excitation", f.excitation, "record", dir.File("lab"),
                                          "--seconds",    "2",          "--mask", "E0",
                                          "--rate",       "256"};
    const std::string first = Recorded(record);
    EXPECT_EQ(first, dir.File("lab 001.inpx"));
    EXPECT_EQ(Recorded(record), dir.File("lab 002.inpx"));
    EXPECT_EQ(Recorded({"--excitation", f.excitation, "record", dir.File("pair"), "--seconds", "2",
                        "--mask", "C0", "--rate", "256", "--bits", "12"}),
              dir.File("pair 001.inp"));

    const CliResult info = Cli({"info", first, "--format", "json"});
    ASSERT_EQ(info.code, 0) << info.err;
    const json j = json::parse(info.out);
    EXPECT_EQ(j["format"], "full-precision");
    EXPECT_EQ(j["sample_rate"], 256.0);
    EXPECT_EQ(j["channels"], 3);
    EXPECT_EQ(j["frequencies"], json({2.0, 3.0, 4.0, 5.0, 6.0, 7.0}));
    EXPECT_GE(j["frames"].get<int>(), 512);
    // The text form holds the same values.
    const CliResult text = Cli({"info", first});
    EXPECT_NE(text.out.find("channels: 3\n"), std::string::npos);
    EXPECT_NE(text.out.find("frequencies: 2,3,4,5,6,7\n"), std::string::npos);
    EXPECT_EQ(j["simulated"], false);

    // The same recording as the simulation marks it.
    const std::string simulated = dir.File("sim 001.inpx");
    ASSERT_TRUE(pelmor::test::WriteSimulatedCopy(first, simulated, reason)) << reason;
    const CliResult simInfo = Cli({"info", simulated, "--format", "json"});
    ASSERT_EQ(simInfo.code, 0) << simInfo.err;
    EXPECT_EQ(json::parse(simInfo.out)["simulated"], true);
    const CliResult outcomes = Cli({"outcomes", simulated, "--format", "json"});
    ASSERT_EQ(outcomes.code, 0) << outcomes.err;
    EXPECT_EQ(json::parse(outcomes.out)["results"][0]["label"], "sim 001.inpx (simulated)");
}

TEST(CliImpedance, PrintsTheTableAsHandedOutAndTheSameNumbersAsJson) {
    const SharedFiles& f = Files();
    const CliResult text = Cli({"impedance", f.first});
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = LinesOf(text.out);
    ASSERT_GT(lines.size(), 9u);
    EXPECT_EQ(lines[0], "F[Hz]\t<re>\t<im>\tCoherence (2 samples)");
    EXPECT_EQ(lines[7], "");
    EXPECT_EQ(lines[8], "Respiratory rate\t\tFlow");
    EXPECT_EQ(text.out.substr(text.out.size() - 2), "\r\n");
    EXPECT_EQ(text.out.find('\n'), text.out.find("\r\n") + 1);  // CR LF, not bare LF
    const auto numbers = NumbersOf(text.out);
    for (int i = 1; i <= 6; ++i) {
        ASSERT_EQ(numbers[i].size(), 4u) << lines[i];
        EXPECT_EQ(numbers[i][0], i + 1);
        EXPECT_NEAR(numbers[i][1], 0.25, 1e-3);  // the emulator's resistance
        EXPECT_NEAR(numbers[i][3], 1.0, 1e-6);
    }

    const CliResult js = Cli({"impedance", f.first, "--format", "json"});
    ASSERT_EQ(js.code, 0) << js.err;
    const json j = json::parse(js.out);
    EXPECT_EQ(j["periods"], 2);
    EXPECT_EQ(j["columns"][3], "Coherence (2 samples)");
    ASSERT_EQ(j["rows"].size(), 6u);
    for (int i = 0; i < 6; ++i)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(j["rows"][i][c].get<double>(), numbers[i + 1][c]);
    // The breath-rate section: one flow value per line after its title.
    EXPECT_EQ(j["flow"].size(), lines.size() - 9);
    EXPECT_EQ(j["flow"][0].get<double>(), NumbersOf(lines[9])[0].back());
}

// Without flow (slot 1 silent) no frequency has an impedance: never printed as "nan".
TEST(CliImpedance, InvalidPointsAreLeftOutAndNamedOnStandardError) {
    const SharedFiles& f = Files();
    std::vector<uint8_t> bytes;
    std::string reason;
    ASSERT_TRUE(ReadFileBytes(f.first, bytes, reason)) << reason;
    auto contents = std::make_unique<DataFileContents>();
    ASSERT_TRUE(ReadDataFile(bytes, *contents, reason)) << reason;
    const DataFileInfo& info = contents->info;
    DataFileInput in;
    in.sampleRate = info.sampleRate;
    in.signalPeriod = info.signalPeriod;
    in.samplesPerPeriod = static_cast<int>(info.signalPeriod * info.sampleRate + 0.5);
    in.channelCount = info.channelCount;
    in.frameCount = contents->framesRead;
    in.recordingTime = contents->framesRead / info.sampleRate;
    in.timeStamp = info.timeStamp;
    in.excitation = &info.excitation;
    in.calibration = &info.calibration;
    in.channelNames = info.channelNames;
    std::vector<double> volts = contents->samples;
    for (std::size_t k = 1; k < volts.size(); k += info.channelCount) volts[k] = 0;
    in.voltSamples = volts;
    ASSERT_TRUE(BuildDataFile(DataFormat::FullPrecision, in, bytes, reason)) << reason;
    const std::string silent = f.dir.File("silent 001.inpx");
    ASSERT_TRUE(WriteFileBytes(silent, bytes, reason)) << reason;

    const std::string note = "Invalid impedance at 2,3,4,5,6,7 Hz — check the calibration data\n";
    const CliResult text = Cli({"impedance", silent});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_TRUE(text.err.ends_with(note)) << text.err;
    EXPECT_EQ(text.out.find("nan"), std::string::npos) << text.out;
    const std::vector<std::string> lines = LinesOf(text.out);
    ASSERT_GT(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("F[Hz]\t", 0), 0u);
    EXPECT_EQ(lines[1], "");  // the breath-rate section follows the header at once
    const CliResult js = Cli({"impedance", silent, "--format", "json"});
    ASSERT_EQ(js.code, 0) << js.err;
    EXPECT_TRUE(js.err.ends_with(note)) << js.err;
    const json rows = json::parse(js.out)["rows"];
    ASSERT_EQ(rows.size(), 6u);
    for (const json& row : rows) {
        EXPECT_TRUE(row[1].is_null()) << row;
        EXPECT_TRUE(row[2].is_null()) << row;
    }
}

TEST(CliImpedance, AnalysesTheGivenRangeAndRefusesOneWithoutAPeriod) {
    const SharedFiles& f = Files();
    const CliResult one = Cli({"impedance", f.first, "--from", "0.5", "--to", "1.6"});
    ASSERT_EQ(one.code, 0) << one.err;
    EXPECT_EQ(LinesOf(one.out)[0], "F[Hz]\t<re>\t<im>\tCoherence (1 samples)");

    const CliResult none = Cli({"impedance", f.first, "--from", "5", "--to", "6"});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("No whole excitation period"), std::string::npos);
}

TEST(CliImpedance, TwoChannelFileAsksForTheThirdChannel) {
    const SharedFiles& f = Files();
    const std::string question =
        "Only two channels are found in this file.\nWould you like to "
        "generate the third channel from the first one?";
    const CliResult no = Cli({"impedance", f.twoChannels});
    EXPECT_EQ(no.code, 0) << no.err;
    EXPECT_NE(no.err.find(question + " [No]\n"), std::string::npos) << no.err;
    const CliResult yes = Cli({"--third-channel", "impedance", f.twoChannels});
    EXPECT_NE(yes.err.find(question + " [Yes]\n"), std::string::npos) << yes.err;
}

TEST(CliTrend, FollowsTheNearestFrequencyInTextAndJson) {
    const SharedFiles& f = Files();
    const CliResult text = Cli({"trend", f.first, "--frequency", "4.2"});
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = LinesOf(text.out);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[0], "time\tre\tim\tflow");
    // The emulator's load does not change over time: every trend point is the 4 Hz impedance.
    const auto table = NumbersOf(Cli({"impedance", f.first}).out);
    const auto trend = NumbersOf(text.out);
    for (std::size_t k = 1; k < trend.size(); ++k) {
        ASSERT_EQ(trend[k].size(), 4u);
        EXPECT_NEAR(trend[k][1], table[3][1], 1e-4);
        EXPECT_NEAR(trend[k][2], table[3][2], 1e-4);
    }

    const CliResult js = Cli({"trend", f.first, "--frequency", "4.2", "--format", "json"});
    const json j = json::parse(js.out);
    EXPECT_EQ(j["frequency"], 4.0);
    ASSERT_EQ(j["points"].size(), lines.size() - 1);
    for (std::size_t k = 0; k < j["points"].size(); ++k) {
        const json& p = j["points"][k];
        EXPECT_EQ(Format("%lg\t%lg\t%lg\t%lg", p["time"].get<double>(), p["re"].get<double>(),
                         p["im"].get<double>(), p["flow"].get<double>()),
                  lines[k + 1]);
    }
}

TEST(CliStored, StoresEachFileAndFitsTheModelOverTheChosenRanges) {
    const SharedFiles& f = Files();
    const CliResult text =
        Cli({"stored", f.first, f.second, "--r-range", "2", "4", "--lc-range", "3", "7"});
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = LinesOf(text.out);
    ASSERT_GT(lines.size(), 10u);
    EXPECT_NE(lines[0].find("lab 001.inpx, 0.000s-2.000s"), std::string::npos);
    EXPECT_NE(lines[0].find("lab 002.inpx, 0.000s-2.000s"), std::string::npos);
    EXPECT_EQ(lines[1], "f\t<re>\t<im>\tsd(re)\tsd(im)\tre 1\tim 1\tcoh 1\tre 2\tim 2\tcoh 2");
    bool haveR = false;
    for (const std::string& l : lines) haveR = haveR || l.starts_with("R\t0.25\t");
    EXPECT_TRUE(haveR) << text.out;

    const CliResult js = Cli({"stored", f.first, f.second, "--format", "json"});
    ASSERT_EQ(js.code, 0) << js.err;
    const json j = json::parse(js.out);
    ASSERT_EQ(j["results"].size(), 2u);
    EXPECT_EQ(j["results"][1]["frequencies"].size(), 6u);
    EXPECT_EQ(j["table"][2][0], 2.0);  // first frequency row
    EXPECT_NEAR(j["table"][2][1].get<double>(), j["results"][0]["re"][0].get<double>(), 1e-5);
}

TEST(CliStored, RangeErrorsAreUsageErrorsWithTheDialogsMessageAndRefusedFilesFail) {
    const SharedFiles& f = Files();
    struct Case {
        std::vector<std::string> range;
        const char* message;
    } cases[] = {
        {{"--r-range", "2", "9"}, "Invalid R frequency range"},    // 9 Hz is not in the list
        {{"--r-range", "5", "3"}, "Invalid R frequency range"},    // reversed
        {{"--lc-range", "4", "4"}, "Invalid LC frequency range"},  // one frequency
        {{"--lc-range", "2.0005", "7"}, nullptr},                  // within 0.001 Hz
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"stored", f.first};
        args.insert(args.end(), c.range.begin(), c.range.end());
        const CliResult r = Cli(args);
        if (!c.message) {
            EXPECT_EQ(r.code, 0) << r.err;
            continue;
        }
        EXPECT_EQ(r.code, 2) << c.range[1];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const CliResult missing = Cli({"stored", f.first, f.dir.File("absent.inpx")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find("lab 001.inpx"), std::string::npos);
    EXPECT_NE(missing.err.find("absent.inpx"), std::string::npos);
}

TEST(CliExport, WritesTheRangeInTheFormatOfTheExtension) {
    const SharedFiles& f = Files();
    const std::string whole = f.dir.File("whole.inpx");
    ASSERT_EQ(Cli({"export", f.first, whole}).code, 0);
    // The whole record exported and imported again gives the same impedance table.
    EXPECT_EQ(Cli({"impedance", whole}).out, Cli({"impedance", f.first}).out);

    const std::string part = f.dir.File("part.inp");
    const CliResult exported = Cli({"export", f.first, part, "--from", "0", "--to", "1"});
    ASSERT_EQ(exported.code, 0) << exported.err;
    const json j = json::parse(Cli({"info", part, "--format", "json"}).out);
    EXPECT_EQ(j["format"], "12-bit");
    EXPECT_EQ(j["frames"], 256);

    const CliResult tooShort = Cli({"export", f.first, part, "--from", "0", "--to", "0.5"});
    EXPECT_EQ(tooShort.code, 1);
    EXPECT_EQ(tooShort.err.substr(tooShort.err.rfind("At least")),
              "At least one period must be selected.\n");
}

}  // namespace
}  // namespace pelmor::cli::test
