#include <algorithm>
#include <memory>

#include "core/ByteIO.h"
#include "core/FileBytes.h"
#include "core/MeasurementSetup.h"
#include "core/NumberFormat.h"
#include "core/TextEncoding.h"
#include "files/DataFile.h"

namespace pelmor {

namespace {

// Where a header leaves the reader: what it says and where its samples begin.
struct ParsedHeader {
    DataFileInfo info;
    bool complete = false;
    std::size_t sampleOffset = 0;
};

void ReadExcitation(ByteReader& r, ActiveExcitation& e) {
    e.definitionPoints = r.I32();
    e.selectedFrequencyIndex = r.I32();
    e.period = r.F64();
    const int nf = r.I32();
    if (nf < 1 || nf > kMaxComponents) {
        e.componentCount = 0;
    } else {
        e.componentCount = nf;
        for (int i = 0; i < nf; ++i) e.frequencyIndex[i] = r.I32();
        for (int i = 0; i < nf; ++i) e.amplitude[i] = r.F64();
        for (int i = 0; i < nf; ++i) e.phase[i] = r.F64();
    }
    // The selected component always names one that exists (0 for an empty block).
    e.selectedFrequencyIndex =
        std::clamp(e.selectedFrequencyIndex, 0, std::max(e.componentCount - 1, 0));
}

void ReadComplexArray(ByteReader& r, Complex* values, int k) {
    for (int i = 0; i < k; ++i) {
        values[i].re = r.F64();
        values[i].im = r.F64();
    }
}

void ReadCalibration(ByteReader& r, CalibrationTable& t) {
    const int k = r.I32();
    if (k < 1 || k > kMaxCalibrationPoints) {
        t.count = 0;
        return;
    }
    t.count = k;
    for (int i = 0; i < k; ++i) t.frequency[i] = r.F64();
    for (Complex* a : {t.A, t.B, t.C, t.D, t.E, t.F, t.Z0, t.sh, t.T21, t.ch})
        ReadComplexArray(r, a, k);
}

// A time stamp as shown to the user: its printable ASCII characters, at most 127 of them.
std::string KeptTimeStamp(const std::string& stored) {
    std::string kept;
    for (char c : stored)
        if (c >= 0x20 && c < 0x7F && kept.size() < 127) kept += c;
    return kept;
}

void ParseFullPrecision(ByteReader& r, ParsedHeader& h) {
    DataFileInfo& info = h.info;
    info.format = DataFormat::FullPrecision;
    const float rate = NarrowToFloat(r.F64());
    const float period = NarrowToFloat(r.F64());
    (void)r.I32();  // samples per period: informational
    info.frameCount = r.I32();
    info.channelCount = r.I32();
    info.sampleRate = rate;
    info.signalPeriod = period;
    const bool rateUsable = rate > 255.9999 && rate < 2048.0001;
    info.recordingTime = rateUsable ? static_cast<float>(info.frameCount) / rate : 0.0f;
    const int32_t stampLength = r.I32();
    if (stampLength < 0 || static_cast<std::size_t>(stampLength) > r.Remaining()) {
        h.complete = false;
        return;
    }
    info.timeStamp = KeptTimeStamp(r.String(static_cast<std::size_t>(stampLength)));
    ReadExcitation(r, info.excitation);
    ReadCalibration(r, info.calibration);
    h.complete = r.Ok();
    h.sampleOffset = r.Position();
}

void ParseTwelveBit(ByteReader& r, ParsedHeader& h) {
    DataFileInfo& info = h.info;
    info.format = DataFormat::TwelveBit;
    info.sampleRate = r.F32();
    info.frameCount = r.I16();
    info.channelCount = r.I16();
    info.recordingTime = r.F32();
    r.Skip(4);  // the rate again
    info.signalPeriod = r.F32();
    h.complete = r.Ok();
}

// Every failed check, one line each, in the order the checks run. The comparisons are written so
// that a not-a-number value fails them.
std::string Validate(const ParsedHeader& h) {
    const DataFileInfo& info = h.info;
    const bool full = info.format == DataFormat::FullPrecision;
    std::string message;
    if (!(info.sampleRate >= 256.0 && info.sampleRate <= 2048.0))
        message += Format("Invalid sample rate: %lg\n", info.sampleRate);
    if (info.frameCount < 10 || info.frameCount > kMaxDataFileFrames)
        message += Format("Invalid number of samples: %d\n", info.frameCount);
    if (info.channelCount < 2 || info.channelCount > kMaxChannels)
        message += Format("Invalid number of channels: %d\n", info.channelCount);
    if (full) {
        if (!(info.signalPeriod <= info.recordingTime))
            message += Format("Too short recording time: %lg\n", info.recordingTime);
        if (!(info.signalPeriod >= 0.05 && info.signalPeriod <= 2.0))
            message += Format("Invalid signal period: %lg\n", info.signalPeriod);
    } else {
        if (!(info.recordingTime >= info.signalPeriod && info.recordingTime <= kMaxRecordingTime))
            message += Format("Invalid recording time: %lg\n", info.recordingTime);
        if (!(info.signalPeriod >= 0.05 && info.signalPeriod <= 1.0))
            message += Format("Invalid signal period: %lg\n", info.signalPeriod);
    }
    if (!h.complete) message += "Incomplete file header\n";
    return message;
}

// The 12-bit samples are the last 2 * CH * N bytes of the file. A file too short for them (and
// the 20 bytes the header needs) is cut short: its frames then start after the stored header.
void LocateTwelveBitSamples(ByteReader& r, ParsedHeader& h) {
    const std::size_t size = r.Size();
    const std::size_t needed =
        2u * static_cast<std::size_t>(h.info.channelCount) * h.info.frameCount;
    if (size >= 20 + needed) {
        h.sampleOffset = size - needed;
        return;
    }
    h.sampleOffset = size;
    if (size >= 44 && r.Seek(42)) {
        const std::size_t start = 58u + r.U16();
        h.sampleOffset = std::min(start, size);
    }
}

// The time stamp of a 12-bit file, where the header holds it whole before the samples.
void ReadTwelveBitTimeStamp(ByteReader& r, ParsedHeader& h) {
    if (h.sampleOffset < 44 || !r.Seek(42)) return;
    const std::size_t length = r.U16();
    if (r.Ok() && 44 + length <= h.sampleOffset) h.info.timeStamp = KeptTimeStamp(r.String(length));
}

void ReadSamples(ByteReader& r, const DataFileInfo& info, DataFileContents& out) {
    const int ch = info.channelCount;
    const std::size_t sampleBytes = info.format == DataFormat::FullPrecision ? 4 : 2;
    const std::size_t available = r.Remaining() / (sampleBytes * ch);
    out.framesRead = static_cast<int>(std::min<std::size_t>(available, info.frameCount));
    const std::size_t n = static_cast<std::size_t>(out.framesRead) * ch;
    out.samples.resize(n);
    if (info.format == DataFormat::FullPrecision) {
        for (std::size_t i = 0; i < n; ++i) out.samples[i] = r.F32();
    } else {
        for (std::size_t i = 0; i < n; ++i) out.samples[i] = (r.I16() * 1048576.0) / kRawPerVolt;
    }
}

// Channel names follow the samples. Reading stops at the first name whose length or bytes are
// not there in full; a name longer than 255 bytes keeps its first 255. The names are stored as
// Latin-1 and handed on in UTF-8.
void ReadChannelNames(ByteReader& r, DataFileInfo& info) {
    info.channelNamesRead = 0;
    for (int c = 0; c < info.channelCount; ++c) {
        const int32_t length = r.I32();
        if (!r.Ok() || length < 0 || static_cast<std::size_t>(length) > r.Remaining()) return;
        const std::size_t kept = std::min<std::size_t>(length, kMaxChannelNameBytes);
        info.channelNames[c] = Latin1ToUtf8(r.String(kept));
        r.Skip(length - kept);
        info.channelNamesRead = c + 1;
    }
}

}  // namespace

bool ReadDataFile(std::span<const uint8_t> bytes, DataFileContents& contents,
                  std::string& message) {
    ByteReader r(bytes);
    // The header holds two blocks of up to 48 KB, so it lives on the heap.
    auto h = std::make_unique<ParsedHeader>();
    if (r.U32() == kFullPrecisionMarker) {
        ParseFullPrecision(r, *h);
    } else {
        r.Seek(0);
        ParseTwelveBit(r, *h);
    }
    message = Validate(*h);
    if (!message.empty()) return false;

    if (h->info.format == DataFormat::TwelveBit) {
        LocateTwelveBitSamples(r, *h);
        ReadTwelveBitTimeStamp(r, *h);
    }
    auto out = std::make_unique<DataFileContents>();
    out->info = std::move(h->info);
    r.Seek(h->sampleOffset);
    ReadSamples(r, out->info, *out);
    if (out->info.format == DataFormat::FullPrecision && !out->Short())
        ReadChannelNames(r, out->info);
    contents = std::move(*out);
    return true;
}

std::string ShortDataFileMessage(const std::string& path, int framesRead, int frameCount) {
    return Format("%s is shorter than its header says: %d of %d frames were read.", path.c_str(),
                  framesRead, frameCount);
}

DataFileLoad LoadDataFile(const std::string& path, DataFileContents& contents,
                          std::string& message) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadFileBytes(path, bytes, reason)) {
        message = Format("Can't open file %s.", path.c_str()) + "\r\n" + reason;
        return DataFileLoad::Unreadable;
    }
    if (!ReadDataFile(bytes, contents, message)) {
        // The file's name on a line of its own, then what is wrong with its header.
        message = path + "\n" + message;
        return DataFileLoad::Rejected;
    }
    if (contents.Short()) {
        message = ShortDataFileMessage(path, contents.framesRead, contents.info.frameCount);
        return DataFileLoad::Short;
    }
    message.clear();
    return DataFileLoad::Loaded;
}

}  // namespace pelmor
