#include <cmath>
#include <limits>

#include "core/ByteIO.h"
#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "core/TextEncoding.h"
#include "files/DataFile.h"
#include "platform/Clock.h"

namespace pelmor {

std::string DataFileTimeStamp(Clock& clock, int64_t calendarSeconds) {
    std::string text = clock.FormatLocalTime(kDataFileTimeFormat, calendarSeconds);
    if (text.size() > 127) text.resize(127);
    return text;
}

bool IsSimulatedTimeStamp(const std::string& stamp) { return stamp.ends_with(kSimulatedStampMark); }

DataFormat DataFormatForBits(int dataBits) {
    return dataBits == 1 ? DataFormat::FullPrecision : DataFormat::TwelveBit;
}

const char* DataFileExtension(DataFormat format) {
    return format == DataFormat::FullPrecision ? ".inpx" : ".inp";
}

int32_t RawFromVolts(double volts) {
    const double raw = std::trunc(volts * kRawPerVolt);
    if (!(raw == raw)) return 0;
    if (raw >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (raw <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(raw);
}

namespace {

// A block count is stored only when the arrays behind it can be read back: 1 ... 256.
int StorableCount(int count) { return count >= 1 && count <= kMaxComponents ? count : 0; }

void WriteExcitation(ByteWriter& w, const ActiveExcitation* excitation) {
    const ActiveExcitation empty{};
    const ActiveExcitation& e = excitation ? *excitation : empty;
    const int nf = excitation ? StorableCount(e.componentCount) : 0;
    w.I32(e.definitionPoints);
    w.I32(e.selectedFrequencyIndex);
    w.F64(e.period);
    w.I32(nf);
    for (int i = 0; i < nf; ++i) w.I32(e.frequencyIndex[i]);
    for (int i = 0; i < nf; ++i) w.F64(e.amplitude[i]);
    for (int i = 0; i < nf; ++i) w.F64(e.phase[i]);
}

void WriteComplexArray(ByteWriter& w, const Complex* values, int k) {
    for (int i = 0; i < k; ++i) {
        w.F64(values[i].re);
        w.F64(values[i].im);
    }
}

void WriteCalibration(ByteWriter& w, const CalibrationTable* table) {
    const int k = table ? StorableCount(table->count) : 0;
    w.I32(k);
    if (k == 0) return;
    const CalibrationTable& t = *table;
    for (int i = 0; i < k; ++i) w.F64(t.frequency[i]);
    for (const Complex* a : {t.A, t.B, t.C, t.D, t.E, t.F, t.Z0, t.sh, t.T21, t.ch})
        WriteComplexArray(w, a, k);
}

// The raw value of sample i whichever form the input holds.
int32_t RawSample(const DataFileInput& in, std::size_t i) {
    return in.rawSamples.empty() ? RawFromVolts(in.voltSamples[i]) : in.rawSamples[i];
}

float VoltSample(const DataFileInput& in, std::size_t i) {
    return in.rawSamples.empty() ? NarrowToFloat(in.voltSamples[i])
                                 : static_cast<float>(in.rawSamples[i] / kRawPerVolt);
}

void BuildFullPrecision(const DataFileInput& in, ByteWriter& w) {
    w.U32(kFullPrecisionMarker);
    w.F64(in.sampleRate);
    w.F64(in.signalPeriod);
    w.I32(in.samplesPerPeriod);
    w.I32(in.frameCount);
    w.I32(in.channelCount);
    w.I32(static_cast<int32_t>(in.timeStamp.size()));
    w.String(in.timeStamp);
    WriteExcitation(w, in.excitation);
    WriteCalibration(w, in.calibration);
    const std::size_t n = static_cast<std::size_t>(in.frameCount) * in.channelCount;
    for (std::size_t i = 0; i < n; ++i) w.F32(VoltSample(in, i));
    // The names are stored as Latin-1 (a character with no Latin-1 form becomes '?').
    for (int c = 0; c < in.channelCount; ++c) {
        const std::string name = Utf8ToLatin1(in.channelNames[c]);
        w.I32(static_cast<int32_t>(name.size()));
        w.String(name);
    }
}

void BuildTwelveBit(const DataFileInput& in, ByteWriter& w) {
    // The count fields hold the low 16 bits; the frame count is checked by the caller.
    const float rate = NarrowToFloat(in.sampleRate);
    w.F32(rate);
    w.U16(static_cast<uint16_t>(in.frameCount));
    w.U16(static_cast<uint16_t>(in.channelCount));
    w.F32(NarrowToFloat(in.recordingTime));
    w.F32(rate);
    w.F32(NarrowToFloat(in.signalPeriod));
    w.U16(0);
    w.U16(0);
    w.F32(0.0f);
    w.F32(0.0f);
    w.F32(0.0f);
    w.U16(0);
    w.U16(1);
    w.U16(0);
    const std::string stamp = in.timeStamp.substr(0, 0xFFFF);
    w.U16(static_cast<uint16_t>(stamp.size()));
    w.String(stamp);
    w.U16(0);
    w.U16(0);
    w.U16(8);
    w.String("File = ?");
    const std::size_t n = static_cast<std::size_t>(in.frameCount) * in.channelCount;
    for (std::size_t i = 0; i < n; ++i) w.I16(static_cast<int16_t>(RawSample(in, i) >> 20));
}

}  // namespace

bool BuildDataFile(DataFormat format, const DataFileInput& input, std::vector<uint8_t>& bytes,
                   std::string& message) {
    bytes.clear();
    if (input.channelCount < 1 || input.channelCount > kMaxChannels) {
        message = Format("A data file holds 1 to 8 channels, not %d.", input.channelCount);
        return false;
    }
    if (input.frameCount < 0) {
        message = Format("Invalid number of frames: %d", input.frameCount);
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(input.frameCount) * input.channelCount;
    const std::size_t given =
        input.rawSamples.empty() ? input.voltSamples.size() : input.rawSamples.size();
    if (given < n) {
        message = Format("Only %d of %d samples were given.", static_cast<int>(given),
                         static_cast<int>(n));
        return false;
    }
    if (format == DataFormat::TwelveBit && input.frameCount > kMaxTwelveBitFrames) {
        message = Format(
            "The 12-bit data format holds at most %d frames, not %d. Save the recording in full "
            "precision instead.",
            kMaxTwelveBitFrames, input.frameCount);
        return false;
    }
    if (input.timeStamp.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
        message = "The time stamp is too long.";
        return false;
    }
    ByteWriter w;
    if (format == DataFormat::FullPrecision)
        BuildFullPrecision(input, w);
    else
        BuildTwelveBit(input, w);
    bytes = w.Take();
    return true;
}

bool WriteDataFile(const std::string& path, DataFormat format, const DataFileInput& input,
                   std::string& message) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!BuildDataFile(format, input, bytes, reason) || !WriteFileBytes(path, bytes, reason)) {
        message = Format("Can't write file %s.", path.c_str()) + "\r\n" + reason;
        return false;
    }
    return true;
}

}  // namespace pelmor
