#pragma once

// The setup file (".plm"): the whole measurement setup in one binary image. The image is read in
// full and checked before the document takes any of it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/ByteIO.h"
#include "core/MeasurementSetup.h"
#include "core/MeasurementState.h"
#include "core/PlotWindow.h"
#include "excitation/ExcitationRecords.h"
#include "numerics/CalibrationRecord.h"

namespace pelmor {

// First four bytes of a setup file (bytes 78 55 1C 73).
constexpr uint32_t kSetupMarker = 0x731C5578;
// Size of a setup file whose strings are all empty.
constexpr std::size_t kEmptySetupFileSize = 129364;
constexpr int kSetupFrequencies = 256;
constexpr const char* kSetupFileFormatError = "Unexpected file format.";
constexpr const char* kSetupFileFilter = "Pelmor Files (*.plm)";
constexpr const char* kSetupFileExtension = ".plm";

// Every field of a setup file, in file order.
struct SetupFileImage {
    ExcitationBank excitationBank{};
    CalibrationTable loadedCalibration{};
    SweepBlock sweep{};
    PlotSetup plotSetup{};
    int32_t channelCount = 0;
    int32_t channelMask = 0;
    double sampleRate = 0.0;
    int32_t sampleRateIndex = 0;
    int32_t recordingTime = 0;
    int32_t dataBits = 0;
    int32_t xChannelIndex = 0;
    int32_t yChannelIndex = 0;
    int32_t measurementMode = 0;
    int32_t extraSerialStep = 0;
    int32_t selectedSignal = 0;
    std::string baseName;
    int32_t serialNumber = 0;
    std::string excitationFolder;
    std::string calibrationFolder;
    std::string currentDataFileName;
    std::array<std::string, kMaxChannels> channelNames{};
    double averagingTime = 0.0;  // s
    int32_t frequencyCount = 0;
    // Written from the calculator's; the document reads it into the active excitation's.
    int32_t selectedFrequencyIndex = 0;
    std::array<int32_t, kSetupFrequencies> frequencyIndex{};
    std::array<double, kSetupFrequencies> frequencyHz{};
    int32_t zDisplayMode = 0;
    int32_t zTrendDisplay = 0;
};

std::vector<uint8_t> WriteSetupFile(const SetupFileImage& image);

// How far a setup file went: older versions of the program wrote shorter files.
struct SetupFileExtent {
    bool complete = true;       // every field was there
    std::size_t bytesRead = 0;  // bytes taken into the fields
};

// Reads a setup file into image, field by field in file order. False with error "Unexpected
// file format." (image unchanged) when the marker is wrong or missing, or when the file ends
// before the first field after it (the excitation bank) is whole. A file that ends before its
// last field sets the fields it holds in full (a block cut short is overwritten as far as the
// file goes) and leaves every later field as it was in image; extent says so. Bytes after
// the last field are ignored. The values are taken as stored: ClampSetupImage brings them into
// the ranges the document's tables allow.
bool ReadSetupFile(std::span<const uint8_t> bytes, SetupFileImage& image, std::string& error,
                   SetupFileExtent* extent = nullptr);

// Reads the file at path as ReadSetupFile does; false with a message: the file's name and the
// system's reason when it cannot be read, "Unexpected file format." when it is no setup file.
bool LoadSetupFile(const std::string& path, SetupFileImage& image, std::string& message,
                   SetupFileExtent* extent = nullptr);
// The notice for a file that ended before its last field.
std::string SetupEndsEarlyMessage(const std::string& name, std::size_t bytesRead);
// Writes the file at path; false with a message naming the file and the system's reason.
bool SaveSetupFile(const std::string& path, const SetupFileImage& image, std::string& message);

// Brings every count and index of a read image into the range of the table it indexes, so no
// value from a file reaches beyond a fixed array: the bank's signal count into 1 ... 16 and its
// component counts into 0 ... 256, the selected signal into 0 ... signal count - 1, the
// calibration count and the frequency count into 0 ... 256, the selected frequency index to at
// least 0, the channel mask to its low 8 bits, the channel count into 0 ... 8, the X and Y slots
// into 0 ... channel count - 1, the rate index into 0 ... 2, dataBits into 0 ... 1, the
// recording time into kMinRecordingTime ... kMaxRecordingTime and the serial number to at least 0.
// The averaging time is left to the calculator, which clamps it.
void ClampSetupImage(SetupFileImage& image);

// The archive string form: a length below 255 in one byte; else 0xFF and a uint16 below 0xFFFE;
// else 0xFF, 0xFFFF and a uint32 below 0xFFFFFFFF; else 0xFF, 0xFFFF, 0xFFFFFFFF and a uint64;
// then the single-byte text. The program's UTF-8 text is stored as Latin-1 (a character with no
// Latin-1 form becomes '?'), so Latin-1 text keeps its bytes.
void WriteArchiveString(ByteWriter& w, const std::string& text);
// Reads either the single-byte form or the wide form (0xFF, 0xFFFE, then the length prefix and
// two bytes per character), whose characters are narrowed to Latin-1 (any other character
// becomes '?'); the text is handed back in UTF-8. False when the string is not there in full.
bool ReadArchiveString(ByteReader& r, std::string& text);

}  // namespace pelmor
