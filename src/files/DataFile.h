#pragma once

// The two recorded-data formats: the full-precision file (".inpx": float32 volts with the
// excitation, the calibration and the channel names) and the 12-bit file (".inp": 12-bit samples
// in 16-bit words behind a short fixed header). Writers build the exact bytes from explicit
// inputs; the reader validates a whole file and hands back its header, blocks and samples.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "core/MeasurementState.h"
#include "excitation/ExcitationRecords.h"
#include "numerics/CalibrationRecord.h"

namespace pelmor {

// First four bytes of a full-precision file (bytes 87 AA E3 8C).
constexpr uint32_t kFullPrecisionMarker = 0x8CE3AA87;
// Raw device units per volt: a raw sample is a signed 32-bit value with +-10 V full scale.
constexpr double kRawPerVolt = 214748364.8;
// Volts per step of a 12-bit sample (the raw value shifted right by 20 bits).
constexpr double kTwelveBitVolts = 1048576.0 / kRawPerVolt;
// The reader accepts at most this many frames: the capacity of a trace buffer.
constexpr int kMaxDataFileFrames = 65536;
// The 12-bit count field is read back as a signed 16-bit number.
constexpr int kMaxTwelveBitFrames = 32767;
// Longest channel name the reader keeps; longer names are cut.
constexpr int kMaxChannelNameBytes = 255;
// The time stamp format of both formats (three spaces between date and time).
constexpr const char* kDataFileTimeFormat = "%Y/%m/%d   %H:%M:%S";

enum class DataFormat { FullPrecision, TwelveBit };

class Clock;

// The time stamp text of a data file: the calendar time in local time formatted with
// kDataFileTimeFormat, at most 127 characters (empty when formatting fails).
std::string DataFileTimeStamp(Clock& clock, int64_t calendarSeconds);
// A recording made in simulation ends its time-stamp text with this word: readers of the formats
// skip the field, so the file stays readable everywhere, and Pelmor shows the file as simulated.
inline constexpr char kSimulatedStampMark[] = " simulated";
bool IsSimulatedTimeStamp(const std::string& stamp);

// dataBits 1 is full precision, anything else 12 bits.
DataFormat DataFormatForBits(int dataBits);
// ".inpx" for full precision, ".inp" for 12 bits.
const char* DataFileExtension(DataFormat format);

// Everything a data file is written from. Samples are frame by frame, channel 0 first, either
// raw device values (a recording) or volts (an export of displayed data): set exactly one of
// rawSamples and voltSamples, holding at least frameCount * channelCount values.
struct DataFileInput {
    double sampleRate = 0.0;    // Hz
    double signalPeriod = 0.0;  // s
    int samplesPerPeriod = 0;   // full precision only (informational)
    int channelCount = 0;       // 1 ... 8
    int frameCount = 0;
    double recordingTime = 0.0;  // s, 12-bit header only
    std::string timeStamp;       // already formatted with kDataFileTimeFormat
    // Full precision only; a null pointer stores an empty block.
    const ActiveExcitation* excitation = nullptr;
    const CalibrationTable* calibration = nullptr;
    std::array<std::string, kMaxChannels> channelNames{};  // full precision only
    std::span<const int32_t> rawSamples;
    std::span<const double> voltSamples;
};

// The file's bytes; false (and bytes empty) with message set when the input cannot be stored:
// a channel count outside 1 ... 8, a negative frame count, too few samples, or (12 bits) more
// than 32,767 frames, which the format's signed count field could not read back.
bool BuildDataFile(DataFormat format, const DataFileInput& input, std::vector<uint8_t>& bytes,
                   std::string& message);
// Builds and writes the file; false with a message naming the file and the reason when it cannot
// be built, created or written.
bool WriteDataFile(const std::string& path, DataFormat format, const DataFileInput& input,
                   std::string& message);

// A double as float32 the way the hardware narrows it: values beyond the float range become
// infinities (a plain conversion of such a value is undefined), NaN stays NaN.
inline float NarrowToFloat(double v) {
    constexpr double kMax = 3.4028234663852886e38;
    if (v > kMax) return std::numeric_limits<float>::infinity();
    if (v < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

// The raw value stored for a sample given in volts: truncated toward zero and held within the
// 32-bit range (NaN stores 0).
int32_t RawFromVolts(double volts);

// What the header of a data file says.
struct DataFileInfo {
    DataFormat format = DataFormat::FullPrecision;
    double sampleRate = 0.0;    // the stored value narrowed to float32
    double signalPeriod = 0.0;  // likewise
    int frameCount = 0;         // N as stored
    int channelCount = 0;
    double recordingTime = 0.0;  // 12 bits: as stored; full precision: N / rate or 0
    // Full precision only (12-bit files leave them empty). A count stored outside 1 ... 256
    // reads as an empty block.
    ActiveExcitation excitation{};
    CalibrationTable calibration{};
    std::array<std::string, kMaxChannels> channelNames{};
    int channelNamesRead = 0;
    // When the file was written, as stored (its printable characters; "" when absent).
    std::string timeStamp;
};

// An accepted data file: the header and the frames that were present.
struct DataFileContents {
    DataFileInfo info;
    int framesRead = 0;  // < info.frameCount when the file ends early
    // framesRead * info.channelCount volts, frame by frame.
    std::vector<double> samples;

    double Sample(int frame, int channel) const {
        return samples[static_cast<std::size_t>(frame) * info.channelCount + channel];
    }
    bool Short() const { return framesRead < info.frameCount; }
};

// Reads and validates a data file held in memory (the format is told by the first four bytes,
// never by the extension). On success fills contents and returns true. Otherwise returns false,
// leaves contents unchanged and sets message to every failed check, one line each ("Invalid
// sample rate: %lg\n", ...), in the order the checks run. A file that ends before its header is
// complete is refused with the further line "Incomplete file header\n".
bool ReadDataFile(std::span<const uint8_t> bytes, DataFileContents& contents, std::string& message);

enum class DataFileLoad {
    Loaded,      // every frame the header promised
    Short,       // loaded, but the file held fewer frames; message says how many
    Rejected,    // the header failed validation; message: the path, then the collected lines
    Unreadable,  // the file could not be opened or read; message names it and says why
};

// Reads the file at path into contents (unchanged unless Loaded or Short).
DataFileLoad LoadDataFile(const std::string& path, DataFileContents& contents,
                          std::string& message);

// "%s is shorter than its header says: %d of %d frames were read."
std::string ShortDataFileMessage(const std::string& path, int framesRead, int frameCount);

}  // namespace pelmor
