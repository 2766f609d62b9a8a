// The report command on recordings the emulator made: the PDF as poppler reads it back.
#ifdef PELMOR_CLI_PLOT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "CliRun.h"
#include "core/FileBytes.h"

namespace pelmor::cli::test {
namespace {

// The standard output of a shell command (poppler's tools).
std::string Run(const std::string& command) { return pelmor::test::CommandOutput(command); }

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

int PageCount(const std::string& pdf) {
    const std::string info = Run("pdfinfo " + Quoted(pdf) + " 2>&1");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

std::string TextOf(const std::string& pdf) {
    return Run("pdftotext -layout " + Quoted(pdf) + " -");
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

// Three recordings of the unpaced emulator in a folder of their own.
struct Session {
    pelmor::test::TempDir dir;
    std::vector<std::string> files;
    Session() {
        for (int i = 0; i < 3; ++i) {
            const CliResult r =
                Cli({"--excitation", Files().excitation, "record", dir.File("visit"), "--seconds",
                     "2", "--mask", "E0", "--rate", "256"});
            EXPECT_EQ(r.code, 0) << r.err;
            std::string path = r.out;
            while (!path.empty() && path.back() == '\n') path.pop_back();
            files.push_back(path);
        }
    }
};

const Session& Recordings() {
    static Session* session = new Session();
    return *session;
}

TEST(CliSessionReport, OnePagePerRecordingAfterTheSessionPage) {
    const Session& s = Recordings();
    pelmor::test::TempDir out;
    const std::string pdf = out.File("session report.pdf");
    const CliResult r = Cli({"report", pdf, s.files[0], s.files[1], s.files[2]});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PageCount(pdf), 4);
    const std::string text = TextOf(pdf);
    for (const char* expected :
         {"Impedance report", "Untitled", "Not calibrated", "2, 3, 4, 5, 6, 7 Hz", "page 1 of 4",
          "page 4 of 4", "Pelmor", "Impedance trend at 5 Hz", "Accepted breaths"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    for (const std::string& file : s.files) {
        const std::string name = std::filesystem::path(file).filename().string();
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    EXPECT_EQ(FilesIn(out.Path()), std::vector<std::string>{"session report.pdf"});
    EXPECT_EQ(text.find("Baseline and change"), std::string::npos);

    // The outcome values, each as the outcomes command prints it.
    const CliResult outcomes = Cli({"outcomes", s.files[0], s.files[1], s.files[2]});
    ASSERT_EQ(outcomes.code, 0) << outcomes.err;
    const std::vector<std::string> lines = LinesOf(outcomes.out);
    int values = 0;
    for (std::size_t row = 1; row < lines.size() && !lines[row].empty(); ++row) {
        std::istringstream cells(lines[row]);
        std::string cell;
        std::getline(cells, cell, '\t');  // the label
        while (std::getline(cells, cell, '\t')) {
            if (cell.empty()) continue;
            EXPECT_NE(text.find(" " + cell), std::string::npos) << cell;
            ++values;
        }
    }
    EXPECT_GE(values, 15);  // R20 and its difference lie above the recorded 2 ... 7 Hz
}

TEST(CliSessionReport, ABaselineAddsTheChangeTable) {
    const Session& s = Recordings();
    pelmor::test::TempDir out;
    const std::string pdf = out.File("after.pdf");
    const CliResult r = Cli({"report", pdf, s.files[0], s.files[1], "--baseline", s.files[2],
                             "--low", "4", "--trend-frequency", "6"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PageCount(pdf), 3);  // the baseline's recordings have no pages
    const std::string text = TextOf(pdf);
    for (const char* expected :
         {"Baseline and change", "Change [%]", "Response", "R4", "Impedance trend at 6 Hz"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

TEST(CliSessionReport, RefusesAndLeavesNothingBehind) {
    const Session& s = Recordings();
    pelmor::test::TempDir out;
    const std::string kept = out.File("kept.pdf");
    std::string reason;
    ASSERT_TRUE(WriteFileBytes(kept, "old", 3, reason));
    std::filesystem::create_directory(out.File("folder.pdf"));
    const std::string pipe = out.File("pipe.pdf");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string missing = out.File("no such folder/report.pdf");
    const struct {
        std::vector<std::string> args;
        const char* reason;
    } table[] = {
        {{"report", missing, s.files[0]}, "Can't write"},
        {{"report", out.File("folder.pdf"), s.files[0]}, "it is a folder"},
        // Renamed over, the FIFO would have been replaced by the PDF.
        {{"report", pipe, s.files[0]}, "pipe.pdf is not a regular file."},
        // A refused data file: the report is not written, an older one stays as it was.
        {{"report", kept, s.files[0], out.File("none.inpx")}, "none.inpx"},
        {{"report", kept, s.files[0], "--baseline", out.File("none.inpx")}, "none.inpx"},
    };
    for (const auto& row : table) {
        const CliResult r = Cli(row.args);
        EXPECT_EQ(r.code, 1) << row.reason;
        EXPECT_NE(r.err.find(row.reason), std::string::npos) << r.err;
    }
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadFileBytes(kept, data, reason));
    EXPECT_EQ(std::string(data.begin(), data.end()), "old");
    auto names = FilesIn(out.Path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folder.pdf", "kept.pdf", "pipe.pdf"}));
    struct stat st {};
    ASSERT_EQ(stat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace pelmor::cli::test
#endif
