#pragma once

// Runs pelmor-cli in-process and shares one set of small files the program itself made
// (tests/fixtures): an excitation generated and copied to an .opt file, recordings of the
// unpaced emulator and a calibration table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace pelmor::cli::test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

CliResult Cli(const std::vector<std::string>& args);

// Copied once per test program into dir (the emulator is switched on for the process).
struct SharedFiles {
    pelmor::test::TempDir dir;
    std::string excitation;   // six harmonics 2 ... 7 Hz of a 1 s period
    std::string first;        // 3 channels, 256 Hz, 2 s, full precision
    std::string second;       // the same base name again: serial 002
    std::string twoChannels;  // 2 channels, 12 bits
    std::string calibration;  // three points: 2, 4 and 7 Hz
};
const SharedFiles& Files();

// Runs a record command and returns the path it printed.
std::string Recorded(const std::vector<std::string>& args);

// The numbers of a CR LF table: every cell that is one, line by line.
std::vector<std::vector<double>> NumbersOf(const std::string& text);
std::vector<std::string> LinesOf(const std::string& text);

}  // namespace pelmor::cli::test
