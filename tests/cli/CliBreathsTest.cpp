// "breaths" over recordings of the emulated subject whose expiratory compliance is smaller than
// its inspiratory one, so its reactance difference is known at every frequency.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>
#include <vector>

#include "CliRun.h"
#include "core/FileBytes.h"
#include "document/DialogValues.h"

namespace pelmor::cli::test {
namespace {

using nlohmann::json;

constexpr double kBreathHz = 0.0625;  // 8 s inspiration, 8 s expiration

// 120 s of 3 channels at 256 Hz with the shared 2 … 7 Hz excitation; C 0.25 in inspiration,
// 0.1 in expiration. Each trend point averages a second, so slow breathing keeps the points that
// mix both phases few.
const std::string& SubjectFile() {
    static const std::string path = [] {
        const SharedFiles& f = Files();
        setenv("PELMOR_EMULATOR", "realtime=0,C=0.25,c_exp=0.1,breath_hz=0.0625", 1);
        const CliResult r = Cli({"--excitation", f.excitation, "record", f.dir.File("subject"),
                                 "--seconds", "120", "--mask", "E0", "--rate", "256"});
        setenv("PELMOR_EMULATOR", "realtime=0", 1);
        EXPECT_EQ(r.code, 0) << r.err;
        std::string out = r.out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }();
    return path;
}

TEST(CliBreaths, EmulatedSubjectGivesTheKnownReactanceDifference) {
    const CliResult r = Cli({"breaths", SubjectFile(), "--frequency", "5", "--format", "json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["frequency"], 5.0);
    EXPECT_EQ(j["threshold"], 0.28);
    const double w = 2 * std::numbers::pi * 5;
    const double expected = 1 / (w * 0.1) - 1 / (w * 0.25);  // 0.191
    const json& s = j["summary"];
    EXPECT_NEAR(s["mean"]["dx"].get<double>(), expected, 0.15 * expected);
    EXPECT_EQ(s["flow_limitation"], false);  // below 0.28 at 5 Hz

    // Every full breath is found: one starts within the first cycle, the last ends within the
    // last cycle, and consecutive breaths follow each other at the emulated rate.
    const json& breaths = j["breaths"];
    ASSERT_GE(breaths.size(), 4u);
    EXPECT_EQ(s["total"], breaths.size());
    EXPECT_EQ(s["accepted"], breaths.size());
    const double cycle = 1 / kBreathHz;
    EXPECT_LT(breaths.front()["start"].get<double>(), cycle + 1);
    const json& last = breaths.back();
    EXPECT_GT(last["start"].get<double>() + last["ti"].get<double>() + last["te"].get<double>(),
              120 - cycle - 1);
    for (std::size_t k = 0; k < breaths.size(); ++k) {
        const json& b = breaths[k];
        EXPECT_EQ(b["index"], k + 1);
        EXPECT_NEAR(b["ti"].get<double>(), cycle / 2, 0.3);
        EXPECT_NEAR(b["te"].get<double>(), cycle / 2, 0.3);
        EXPECT_GT(b["vt"].get<double>(), 0);
        EXPECT_EQ(b["efl"], false);
        EXPECT_TRUE(b["reason"].is_null());
        if (k > 0) {
            EXPECT_NEAR(b["start"].get<double>() - breaths[k - 1]["start"].get<double>(), cycle,
                        0.3);
        }
    }
    EXPECT_NEAR(s["mean"]["ti"].get<double>() + s["mean"]["te"].get<double>(), cycle, 0.02 * cycle);

    // At 2 Hz the difference is larger than the threshold: every breath is flow-limited.
    const CliResult low = Cli({"breaths", SubjectFile(), "--frequency", "2", "--format", "json"});
    ASSERT_EQ(low.code, 0) << low.err;
    const json lj = json::parse(low.out);
    const double w2 = 2 * std::numbers::pi * 2;
    const double expected2 = 1 / (w2 * 0.1) - 1 / (w2 * 0.25);  // 0.477
    EXPECT_NEAR(lj["summary"]["mean"]["dx"].get<double>(), expected2, 0.15 * expected2);
    EXPECT_EQ(lj["summary"]["flow_limitation"], true);
    EXPECT_EQ(lj["summary"]["flow_limited"], lj["summary"]["accepted"]);
}

TEST(CliBreaths, OptionsActOnTheTableAndJsonHasNullsForNone) {
    const std::string& file = SubjectFile();
    const CliResult text = Cli({"breaths", file, "--frequency", "5", "--threshold", "0.1"});
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = LinesOf(text.out);
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0],
              "Breath\tStart [s]\tTi [s]\tTe [s]\tVT\tR insp\tR exp\tX insp\tX exp\tdX\tEFL\t"
              "Accepted");
    EXPECT_EQ(lines.back(), "Flow limitation\tyes");
    EXPECT_EQ(lines[1].substr(lines[1].size() - 8), "\tyes\tyes");

    // Limits no breath meets: every breath refused, the statistics are null.
    const CliResult none =
        Cli({"breaths", file, "--limits", "0", "1", "0", "10", "--format", "json"});
    ASSERT_EQ(none.code, 0) << none.err;
    const json j = json::parse(none.out);
    ASSERT_FALSE(j["breaths"].empty());
    EXPECT_EQ(j["breaths"][0]["reason"], "Ti out of range");
    EXPECT_TRUE(j["breaths"][0]["efl"].is_null());
    EXPECT_EQ(j["summary"]["accepted"], 0);
    EXPECT_TRUE(j["summary"]["mean"]["dx"].is_null());
    EXPECT_TRUE(j["summary"]["sd"]["ti"].is_null());

    // With the sign turned round, the expirations are taken as inspirations: dX changes sign.
    const CliResult turned =
        Cli({"breaths", file, "--frequency", "5", "--sign", "-1", "--format", "json"});
    ASSERT_EQ(turned.code, 0) << turned.err;
    EXPECT_LT(json::parse(turned.out)["summary"]["mean"]["dx"].get<double>(), 0);

    // Values the analysis cannot use are refused before anything is read; "nan" compares false
    // with every bound and must not pass as a threshold or limit.
    const std::vector<std::vector<std::string>> refused = {
        {"--sign", "2"},
        {"--threshold", "-0.1"},
        {"--threshold", "nan"},
        {"--limits", "nan", "5", "0", "10"},
        {"--limits", "0", "5", "0", "61"},
        {"--limits", "0", "5", "0"},
        {"--limits", "5", "1", "0", "10"},  // a least duration above the most one
        {"--limits", "0", "10", "3", "2"},
    };
    for (const std::vector<std::string>& options : refused) {
        std::vector<std::string> args = {"breaths", file};
        args.insert(args.end(), options.begin(), options.end());
        const CliResult bad = Cli(args);
        EXPECT_EQ(bad.code, 2) << options[0] << " " << options[1];
        EXPECT_TRUE(bad.out.empty()) << bad.out;
    }
    // The rule and the messages are the impedance display dialog's.
    EXPECT_NE(
        Cli({"breaths", file, "--limits", "0", "5", "0", "61"}).err.find(NumberRangeMessage(0, 60)),
        std::string::npos);
    EXPECT_NE(Cli({"breaths", file, "--threshold", "nan"}).err.find(NumberRangeMessage(0, 1e7)),
              std::string::npos);
    EXPECT_EQ(Cli({"breaths", file, "--limits", "5", "1", "0", "10"}).err,
              "--limits: The minimum inspiration duration must not exceed the maximum.\n");
    EXPECT_EQ(Cli({"breaths", file, "--limits", "0", "10", "3", "2"}).err,
              "--limits: The minimum expiration duration must not exceed the maximum.\n");
    const CliResult missing = Cli({"breaths", Files().dir.File("missing.inpx")});
    EXPECT_EQ(missing.code, 1);
}

// An excitation of a 1 s period made from a frequency list, in the shared folder.
std::string ListExcitation(const std::string& list, const std::string& name) {
    const CliResult r = Cli(
        {"excitation", "generate", "--period-code", "1", "--frequencies", list, "--seed", "25"});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::string path = Files().dir.File(name + ".opt");
    std::string reason;
    EXPECT_TRUE(WriteFileBytes(path, r.out.data(), r.out.size(), reason)) << reason;
    return path;
}

// 24 s of the emulated subject at 256 Hz with that excitation.
std::string RecordSubject(const std::string& excitation, const std::string& subject,
                          const std::string& name) {
    setenv("PELMOR_EMULATOR", ("realtime=0," + subject).c_str(), 1);
    const CliResult r = Cli({"--excitation", excitation, "record", Files().dir.File(name),
                             "--seconds", "24", "--mask", "E0", "--rate", "256"});
    setenv("PELMOR_EMULATOR", "realtime=0", 1);
    EXPECT_EQ(r.code, 0) << r.err;
    std::string out = r.out;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// The reactance difference at 5 Hz of C 0.25 in inspiration and 0.1 in expiration: 0.191.
const double kExpectedDx =
    1 / (2 * std::numbers::pi * 5 * 0.1) - 1 / (2 * std::numbers::pi * 5 * 0.25);

TEST(CliBreaths, WithinBreathDifferenceHoldsAtEveryBreathingRateTheWindowFits) {
    const std::string dense = ListExcitation("5-35/1", "dense");
    const std::string sparse = ListExcitation("5, 11, 19", "sparse");
    const struct {
        const char* name;
        const std::string& excitation;
        const char* subject;
        const char* window;  // the table's "Window [s]"
        double dx;           // the mean dX expected
        double tolerance;
        bool refused;  // every breath "phase shorter than the analysis window"
    } cases[] = {
        {"dense slow", dense, "C=0.25,c_exp=0.1,breath_hz=0.25", "1", kExpectedDx,
         0.03 * kExpectedDx, false},
        {"sparse slow", sparse, "C=0.25,c_exp=0.1,breath_hz=0.25", "0.2", kExpectedDx,
         0.03 * kExpectedDx, false},
        {"sparse fast", sparse, "C=0.25,c_exp=0.1,breath_hz=0.6", "0.2", kExpectedDx,
         0.03 * kExpectedDx, false},
        {"dense fast", dense, "C=0.25,c_exp=0.1,breath_hz=0.6", "1", 0, 0, true},
        {"no expiratory change", sparse, "C=0.25,breath_hz=0.25", "0.2", 0, 0.01, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = RecordSubject(c.excitation, c.subject, c.name);
        const CliResult text = Cli({"breaths", file});
        ASSERT_EQ(text.code, 0) << text.err;
        const std::vector<std::string> lines = LinesOf(text.out);
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Frequency [Hz]\t5"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("Window [s]\t") + c.window),
                  lines.end())
            << text.out;

        const CliResult r = Cli({"breaths", file, "--format", "json"});
        ASSERT_EQ(r.code, 0) << r.err;
        const json j = json::parse(r.out);
        const json& s = j["summary"];
        ASSERT_GE(j["breaths"].size(), 3u);
        if (c.refused) {
            for (const json& b : j["breaths"])
                EXPECT_EQ(b["reason"], "phase shorter than the analysis window");
            EXPECT_EQ(s["accepted"], 0);
            continue;
        }
        EXPECT_EQ(s["accepted"], j["breaths"].size());
        EXPECT_NEAR(s["mean"]["dx"].get<double>(), c.dx, c.tolerance);
    }
}

TEST(CliBreaths, SeriesGivesTheEstimatesWithTheirPhases) {
    const std::string file = RecordSubject(ListExcitation("5, 11, 19", "series"),
                                           "C=0.25,c_exp=0.1,breath_hz=0.25", "series");
    const CliResult r = Cli({"breaths", file, "--series", "--format", "json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    ASSERT_TRUE(j.contains("breaths"));
    const json& series = j["series"];
    // Windows of 0.2 s (51 samples) every 4 samples over the whole record.
    const json info = json::parse(Cli({"info", file, "--format", "json"}).out);
    EXPECT_EQ(series.size(), (info["frames"].get<std::size_t>() - 51) / 4 + 1);
    // In inspiration the subject's reactance at 5 Hz: 2π·5·0.001 − 1/(2π·5·0.25).
    const double w = 2 * std::numbers::pi * 5;
    const double xInsp = w * 0.001 - 1 / (w * 0.25), xExp = w * 0.001 - 1 / (w * 0.1);
    std::map<std::string, int> phases;
    for (const json& e : series) {
        const std::string phase = e["phase"];
        ++phases[phase];
        if (phase == "inspiration") {
            EXPECT_NEAR(e["x"].get<double>(), xInsp, 0.005);
        } else if (phase == "expiration") {
            EXPECT_NEAR(e["x"].get<double>(), xExp, 0.005);
        }
        if (phase != "mixed") {
            EXPECT_NEAR(e["r"].get<double>(), 0.25, 0.005);
        }
    }
    EXPECT_GT(phases["inspiration"], 0);
    EXPECT_GT(phases["expiration"], 0);
    EXPECT_GT(phases["mixed"], 0);
    EXPECT_EQ(phases.size(), 3u);
    EXPECT_NEAR(series[0]["t"].get<double>(), 25 / 256.0, 1e-9);  // the first window's centre

    const CliResult text = Cli({"breaths", file, "--series"});
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = LinesOf(text.out);
    ASSERT_EQ(lines.size(), series.size() + 1);
    EXPECT_EQ(lines[0], "Time [s]\tR\tX\tPhase");
}

}  // namespace
}  // namespace pelmor::cli::test
