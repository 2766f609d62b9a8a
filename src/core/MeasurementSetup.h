#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/MeasurementState.h"

namespace pelmor {

// The sine-sweep block, stored byte for byte (32 bytes) in the profile and in setup files.
struct SweepBlock {
    uint8_t enabled = 0;
    uint8_t reserved[7] = {};
    double period = 20.0;
    double startFrequency = 1.0;
    double endFrequency = 10.0;
};
static_assert(sizeof(SweepBlock) == 32);
static_assert(offsetof(SweepBlock, enabled) == 0);
static_assert(offsetof(SweepBlock, period) == 8);
static_assert(offsetof(SweepBlock, startFrequency) == 16);
static_assert(offsetof(SweepBlock, endFrequency) == 24);

std::vector<uint8_t> SweepBlockBytes(const SweepBlock& sweep);
// False (and sweep unchanged) unless bytes holds exactly 32 bytes.
bool SweepBlockFromBytes(const std::vector<uint8_t>& bytes, SweepBlock& sweep);

constexpr int kChannelNameLength = 20;

// The recording time a user may choose, s.
constexpr int kMinRecordingTime = 1;
constexpr int kMaxRecordingTime = 120;
// A recording time brought into kMinRecordingTime ... kMaxRecordingTime.
int ClampRecordingTime(int seconds);

// The measurement setup: what to measure and how. Initial values are those of a fresh profile
// before the settings are loaded.
struct MeasurementSetup {
    int sampleRateIndex = 1;  // 0, 1, 2 for 256, 512, 1024 Hz
    double sampleRate = 512.0;
    int decimation = 1;      // device frames averaged into one output sample
    int channelMask = 0xC0;  // bit 7 is channel 1, bit 0 channel 8
    int channelCount = 2;
    int recordingTime = 10;  // s, kMinRecordingTime ... kMaxRecordingTime
    int activeRecordingTime = 10;
    int dataBits = 1;  // 1 full precision, 0 twelve bits
    int xChannelIndex = 0;
    int yChannelIndex = 0;
    int measurementMode = 0;  // 0 full excitation, 1 tracking
    std::array<std::string, kMaxChannels> channelNames;
    std::array<std::string, kMaxChannels> signalNames;
    std::string excitationFolder;
    std::string calibrationFolder;
    int samplesPerPeriod = 0;
    double signalPeriod = 0.0;
    SweepBlock sweep;
};

// The device delivers 1024 frames per second; the output rate is 256 * 2^index.
constexpr int kDeviceFrameRate = 1024;

// Brings a rate index into the valid 0 ... 2.
int ClampSampleRateIndex(int index);
// 256 * 2^index for a valid index (the index is clamped first).
double SampleRateForIndex(int index);
// Device frames per output sample: 2^(2 - index) (the index is clamped first).
int DecimationForIndex(int index);
// Clamps the setup's rate index and derives sampleRate and decimation from it.
void DeriveRate(MeasurementSetup& setup);

// Channel k (1 ... 8) has mask bit 8 - k and channel number k - 1.
constexpr int MaskBitOfChannel(int channel) { return 8 - channel; }

// Counts the measured channels of mask (bits 0 ... 7), stores the count in setup.channelCount and
// writes the slots' channel numbers: measured channels fill slots 0 ... n-1 in ascending channel
// number. Slots n ... 7 keep their channel numbers. Returns n.
int CountChannels(int mask, MeasurementSetup& setup, MeasurementState& state);

// A slot index brought into 0 ... channelCount - 1 (0 when no channel is measured).
int ClampSlotIndex(int slot, int channelCount);

}  // namespace pelmor
