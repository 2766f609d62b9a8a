#pragma once

#include <cstdint>

namespace pelmor {

// Raw device values per volt: a raw value is a signed 32-bit number with +-10 V full scale.
constexpr double kRawPerVolt = 214748364.8;
constexpr uint8_t kEscapeByte = 27;

// The signed 32-bit raw value of a 24-bit big-endian sample (always a multiple of 256).
inline int32_t DecodeSample(const uint8_t* b) {
    return static_cast<int32_t>((static_cast<uint32_t>(b[0]) << 24) |
                                (static_cast<uint32_t>(b[1]) << 16) |
                                (static_cast<uint32_t>(b[2]) << 8));
}

// Sweep generator values (truncated toward zero to 32 bits).
// Timer reload that plays the 128-point sine at frequency f: 65536 - 62500 / f.
int32_t GeneratorReload(double frequency);
// Reload of the timer that steps through the sweep table: 65536 - 8000000 / (128 / period * 32).
int32_t SweepStepReload(double sweepPeriod);
// Code i (0 ... 127) of the sine table: amplitude 32000 around mid-scale.
int32_t SineCode(int i);
// Generator reload of sweep step i (0 ... 127): up from the start frequency to the end frequency
// at step 64 and back down.
int32_t SweepReload(int i, double startFrequency, double endFrequency);

}  // namespace pelmor
