#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Fft.h"
#include "excitation/ExcitationRecords.h"

namespace pelmor {

class UserInterface;

constexpr int kMaxCalibrationPoints = 256;
// Two frequencies closer than this (strictly) are the same calibration point.
constexpr double kCalibrationTolerance = 0.001;

// Up to 256 frequencies with the ten complex coefficients of the measuring head at each. Stored
// byte for byte (43,016 bytes, little-endian) in the profile and in data files, so the layout is
// fixed. Point k is frequency[k] with the coefficients at index k; only the first count are valid.
struct CalibrationTable {
    int32_t count = 0;
    uint8_t reserved[4] = {};
    double frequency[kMaxCalibrationPoints] = {};  // Hz
    Complex A[kMaxCalibrationPoints] = {};
    Complex B[kMaxCalibrationPoints] = {};
    Complex C[kMaxCalibrationPoints] = {};
    Complex D[kMaxCalibrationPoints] = {};
    Complex E[kMaxCalibrationPoints] = {};
    Complex F[kMaxCalibrationPoints] = {};
    Complex Z0[kMaxCalibrationPoints] = {};
    Complex sh[kMaxCalibrationPoints] = {};
    Complex T21[kMaxCalibrationPoints] = {};
    Complex ch[kMaxCalibrationPoints] = {};
};
static_assert(sizeof(CalibrationTable) == 43016);
static_assert(offsetof(CalibrationTable, count) == 0);
static_assert(offsetof(CalibrationTable, frequency) == 8);
static_assert(offsetof(CalibrationTable, A) == 2056);
static_assert(offsetof(CalibrationTable, B) == 6152);
static_assert(offsetof(CalibrationTable, C) == 10248);
static_assert(offsetof(CalibrationTable, D) == 14344);
static_assert(offsetof(CalibrationTable, E) == 18440);
static_assert(offsetof(CalibrationTable, F) == 22536);
static_assert(offsetof(CalibrationTable, Z0) == 26632);
static_assert(offsetof(CalibrationTable, sh) == 30728);
static_assert(offsetof(CalibrationTable, T21) == 34824);
static_assert(offsetof(CalibrationTable, ch) == 38920);

// The record's byte image (its memory image: the layout has no hidden gaps).
std::vector<uint8_t> CalibrationTableBytes(const CalibrationTable& table);
// Copies bytes over table when they are exactly one record long; false (table unchanged)
// otherwise. A stored count outside 0 ... 256 is brought into range.
bool CalibrationTableFromBytes(const std::vector<uint8_t>& bytes, CalibrationTable& table);

// The point serving frequency f: the highest index k < count with |f - frequency[k]| < 0.001;
// -1 when there is none.
int FindCalibrationPoint(const CalibrationTable& table, double f);

// Maps a measured ratio m through the bilinear transform and the three chain-matrix sections of
// point k. All arithmetic is complex with no guard against zero divisors.
Complex CalibratePoint(const CalibrationTable& table, int k, Complex m);

// True when every component of the excitation (frequency index / period) has a point in table;
// also true without components.
bool CalibrationCovers(const CalibrationTable& table, const ActiveExcitation& excitation);

// True when the counts differ or any of the first count points differs in its frequency or a
// coefficient (exact comparison; NaN never equals). Entries beyond count are not compared.
bool CalibrationTablesDiffer(const CalibrationTable& a, const CalibrationTable& b);

// What parsing the text of a calibration definition file (.cal) yields.
enum class CalibrationParse {
    Loaded,         // at least one point read
    NoData,         // the header was right but no valid data line followed (table emptied)
    NotCalibration  // the first line does not start with "Freq" (table unchanged)
};

// Parses a .cal text into table: a first line starting with "Freq", then one point per line
// (tabs and spaces separate, a comma is a decimal point): frequency and the real and imaginary
// parts of A, B, C, D, E, F, Z0, sh, T21, ch. Reading stops at the first line without 21
// numbers or with a frequency outside 0.5 ... 100 Hz, and after 256 points (truncated is set
// when a further valid line was left unread).
CalibrationParse ParseCalibrationText(std::string_view text, CalibrationTable& table,
                                      bool& truncated);

// Imports a calibration definition file into table and tells the user what was loaded. A file
// that cannot be read or is not a calibration file leaves table unchanged. Returns true when
// table was replaced (also by an empty table when no line was valid).
bool ImportCalibration(const std::string& path, UserInterface& ui, CalibrationTable& table);

// The table as tab-separated text with a header line, CR LF line ends; itself a valid .cal file.
std::string CalibrationText(const CalibrationTable& table);

}  // namespace pelmor
