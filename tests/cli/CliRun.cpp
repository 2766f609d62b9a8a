#include "CliRun.h"

#include <cstdlib>
#include <memory>
#include <sstream>

#include "cli/CliApp.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"

namespace pelmor::cli::test {

CliResult Cli(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"pelmor-cli"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    CliResult r;
    r.code = RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

namespace {

std::string Recorded(const std::vector<std::string>& args) {
    const CliResult r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    std::string path = r.out;
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

std::unique_ptr<SharedFiles> MakeFiles() {
    setenv("PELMOR_DEVICE", "emulator", 1);
    setenv("PELMOR_EMULATOR", "realtime=0", 1);
    auto f = std::make_unique<SharedFiles>();
    const CliResult generated = Cli({"excitation", "generate", "--period-code", "1", "--components",
                                     "1,2,3,4,5,6", "--seed", "7"});
    EXPECT_EQ(generated.code, 0) << generated.err;
    f->excitation = f->dir.File("six.opt");
    std::string reason;
    EXPECT_TRUE(WriteFileBytes(f->excitation, generated.out.data(), generated.out.size(), reason));
    const std::string base = f->dir.File("lab");
    const std::vector<std::string> record{"--excitation", f->excitation, "record", base,
                                          "--seconds",    "2",           "--mask", "E0",
                                          "--rate",       "256"};
    f->first = Recorded(record);
    f->second = Recorded(record);
    f->twoChannels = Recorded({"--excitation", f->excitation, "record", f->dir.File("pair"),
                               "--seconds", "2", "--mask", "C0", "--rate", "256", "--bits", "12"});
    return f;
}

}  // namespace

const SharedFiles& Files() {
    static std::unique_ptr<SharedFiles> files = MakeFiles();
    return *files;
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::vector<double>> NumbersOf(const std::string& text) {
    std::vector<std::vector<double>> rows;
    for (const std::string& line : LinesOf(text)) {
        std::vector<double> row;
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, '\t')) {
            double v = 0;
            if (ParseDouble(cell, v)) row.push_back(v);
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace pelmor::cli::test
