#pragma once

#include <string>
#include <string_view>

#include "excitation/ExcitationRecords.h"
#include "numerics/CalibrationRecord.h"

namespace pelmor {

class UserInterface;

// Two frequencies closer than this (strictly) are the same calibration point.
constexpr double kCalibrationTolerance = 0.001;

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
