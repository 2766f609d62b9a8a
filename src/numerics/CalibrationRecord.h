#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "numerics/Fft.h"

namespace pelmor {

constexpr int kMaxCalibrationPoints = 256;

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

}  // namespace pelmor
