#include "CliRun.h"

#include <cstdlib>
#include <memory>
#include <sstream>

#include "cli/CliApp.h"
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

std::string Recorded(const std::vector<std::string>& args) {
    const CliResult r = Cli(args);
    EXPECT_EQ(r.code, 0) << r.err;
    std::string path = r.out;
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

namespace {

std::unique_ptr<SharedFiles> MakeFiles() {
    setenv("PELMOR_DEVICE", "emulator", 1);
    setenv("PELMOR_EMULATOR", "realtime=0", 1);
    auto f = std::make_unique<SharedFiles>();
    auto copy = [&](const char* name) {
        const std::string path = pelmor::test::CopyFixture(name, f->dir);
        EXPECT_FALSE(path.empty()) << name;
        return path;
    };
    f->excitation = copy("six.opt");
    f->first = copy("lab 001.inpx");
    f->second = copy("lab 002.inpx");
    f->twoChannels = copy("pair 001.inp");
    f->calibration = copy("lab.cal");
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
