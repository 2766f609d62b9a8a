#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmor {

constexpr int kMaxSignals = 16;
constexpr int kMaxComponents = 256;

// Up to 16 multisine signals sharing one period. Stored byte for byte (82,024 bytes,
// little-endian) in the profile, in setup files and in data files, so the layout is fixed.
// Frequencies are indexes: cycles per period (Hz = index / period).
struct ExcitationBank {
    int32_t definitionPoints = 64;  // carried along from waveform files, never computed with
    uint8_t reserved0[4] = {};
    double period = 1.0;  // s
    int32_t alwaysZero = 0;
    int32_t componentCount[kMaxSignals] = {};
    int32_t frequencyIndex[kMaxSignals][kMaxComponents] = {};
    uint8_t reserved1[4] = {};
    double amplitude[kMaxSignals][kMaxComponents] = {};
    double phase[kMaxSignals][kMaxComponents] = {};  // radians
    int32_t signalCount = 1;
    uint8_t normaliseAmplitude = 0;
    uint8_t reserved2[3] = {};
    double signalAmplitude = 1.0;  // V
};
static_assert(sizeof(ExcitationBank) == 82024);
static_assert(offsetof(ExcitationBank, definitionPoints) == 0);
static_assert(offsetof(ExcitationBank, period) == 8);
static_assert(offsetof(ExcitationBank, alwaysZero) == 16);
static_assert(offsetof(ExcitationBank, componentCount) == 20);
static_assert(offsetof(ExcitationBank, frequencyIndex) == 84);
static_assert(offsetof(ExcitationBank, reserved1) == 16468);
static_assert(offsetof(ExcitationBank, amplitude) == 16472);
static_assert(offsetof(ExcitationBank, phase) == 49240);
static_assert(offsetof(ExcitationBank, signalCount) == 82008);
static_assert(offsetof(ExcitationBank, normaliseAmplitude) == 82012);
static_assert(offsetof(ExcitationBank, signalAmplitude) == 82016);

// The one signal in use by the measurement in progress or the loaded data file (5,144 bytes).
struct ActiveExcitation {
    int32_t definitionPoints = 64;
    int32_t selectedFrequencyIndex = 0;  // component used in tracking mode and for the trend
    double period = 1.0;
    int32_t componentCount = 0;
    int32_t frequencyIndex[kMaxComponents] = {};
    uint8_t reserved[4] = {};
    double amplitude[kMaxComponents] = {};
    double phase[kMaxComponents] = {};
};
static_assert(sizeof(ActiveExcitation) == 5144);
static_assert(offsetof(ActiveExcitation, selectedFrequencyIndex) == 4);
static_assert(offsetof(ActiveExcitation, period) == 8);
static_assert(offsetof(ActiveExcitation, componentCount) == 16);
static_assert(offsetof(ActiveExcitation, frequencyIndex) == 20);
static_assert(offsetof(ActiveExcitation, reserved) == 1044);
static_assert(offsetof(ActiveExcitation, amplitude) == 1048);
static_assert(offsetof(ActiveExcitation, phase) == 3096);

// The records' byte images are their memory images: the layouts above have no hidden gaps and
// the platform is little-endian.
static_assert(std::endian::native == std::endian::little);

// Byte images as stored in the profile, setup files and data files.
std::vector<uint8_t> ExcitationBankBytes(const ExcitationBank& bank);
std::vector<uint8_t> ActiveExcitationBytes(const ActiveExcitation& active);
// Copy an image over the record only when it has exactly the record's size; false otherwise
// (the record is then left as it was).
bool ReadExcitationBank(const std::vector<uint8_t>& bytes, ExcitationBank& bank);
bool ReadActiveExcitation(const std::vector<uint8_t>& bytes, ActiveExcitation& active);

// The counts of a record clamped to the capacities, for every loop over a record that came
// from outside (profile, setup or data file).
int SignalCountOf(const ExcitationBank& bank);
int ComponentCountOf(const ExcitationBank& bank, int signal);
int ComponentCountOf(const ActiveExcitation& active);

}  // namespace pelmor
