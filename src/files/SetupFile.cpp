#include "files/SetupFile.h"

#include <algorithm>
#include <memory>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"

namespace pelmor {

void WriteArchiveString(ByteWriter& w, const std::string& text) {
    const uint64_t n = text.size();
    if (n < 0xFF) {
        w.U8(static_cast<uint8_t>(n));
    } else {
        w.U8(0xFF);
        if (n < 0xFFFE) {
            w.U16(static_cast<uint16_t>(n));
        } else {
            w.U16(0xFFFF);
            if (n < 0xFFFFFFFFu) {
                w.U32(static_cast<uint32_t>(n));
            } else {
                w.U32(0xFFFFFFFFu);
                w.U64(n);
            }
        }
    }
    w.String(text);
}

namespace {

// Wide text to single-byte text: characters up to U+00FF stay, any other (a surrogate pair
// counting as one) becomes '?'.
std::string NarrowWide(ByteReader& r, std::size_t units) {
    std::string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const uint16_t u = r.U16();
        if (u <= 0xFF) {
            text.push_back(static_cast<char>(u));
            continue;
        }
        text.push_back('?');
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            ByteReader peek = r;
            const uint16_t next = peek.U16();
            if (next >= 0xDC00 && next <= 0xDFFF) {
                r.U16();
                ++i;
            }
        }
    }
    return text;
}

}  // namespace

bool ReadArchiveString(ByteReader& r, std::string& text) {
    bool wide = false;
    uint64_t length = r.U8();
    if (length == 0xFF) {
        uint16_t w = r.U16();
        if (w == 0xFFFE) {
            wide = true;
            length = r.U8();
            if (length == 0xFF) w = r.U16();
        }
        if (length == 0xFF) {
            if (w < 0xFFFF) {
                length = w;
            } else {
                const uint32_t d = r.U32();
                length = d < 0xFFFFFFFFu ? d : r.U64();
            }
        }
    }
    if (!r.Ok()) return false;
    const std::size_t unit = wide ? 2 : 1;
    if (length > r.Remaining() / unit) return false;
    text = wide ? NarrowWide(r, static_cast<std::size_t>(length))
                : r.String(static_cast<std::size_t>(length));
    return r.Ok();
}

namespace {

template <typename Record>
void WriteRecord(ByteWriter& w, const Record& record) {
    w.Bytes(&record, sizeof record);
}

template <typename Record>
bool ReadRecord(ByteReader& r, Record& record) {
    return r.Bytes(&record, sizeof record);
}

}  // namespace

std::vector<uint8_t> WriteSetupFile(const SetupFileImage& s) {
    ByteWriter w;
    w.U32(kSetupMarker);
    WriteRecord(w, s.excitationBank);
    WriteRecord(w, s.loadedCalibration);
    WriteRecord(w, s.sweep);
    WriteRecord(w, s.plotSetup);
    w.I32(s.channelCount);
    w.I32(s.channelMask);
    w.F64(s.sampleRate);
    w.I32(s.sampleRateIndex);
    w.I32(s.recordingTime);
    w.I32(s.dataBits);
    w.I32(s.xChannelIndex);
    w.I32(s.yChannelIndex);
    w.I32(s.measurementMode);
    w.I32(s.extraSerialStep);
    w.I32(s.selectedSignal);
    WriteArchiveString(w, s.baseName);
    w.I32(s.serialNumber);
    WriteArchiveString(w, s.excitationFolder);
    WriteArchiveString(w, s.calibrationFolder);
    WriteArchiveString(w, s.currentDataFileName);
    for (const std::string& name : s.channelNames) WriteArchiveString(w, name);
    w.F64(s.averagingTime);
    w.I32(s.frequencyCount);
    w.I32(s.selectedFrequencyIndex);
    for (int32_t v : s.frequencyIndex) w.I32(v);
    for (double v : s.frequencyHz) w.F64(v);
    w.I32(s.zDisplayMode);
    w.I32(s.zTrendDisplay);
    return w.Take();
}

bool ReadSetupFile(std::span<const uint8_t> bytes, SetupFileImage& image, std::string& error) {
    ByteReader r(bytes);
    // About 130 KB: built on the heap and handed over only when complete.
    auto s = std::make_unique<SetupFileImage>();
    bool ok = r.U32() == kSetupMarker;
    ok = ok && ReadRecord(r, s->excitationBank) && ReadRecord(r, s->loadedCalibration) &&
         ReadRecord(r, s->sweep) && ReadRecord(r, s->plotSetup);
    if (ok) {
        s->channelCount = r.I32();
        s->channelMask = r.I32();
        s->sampleRate = r.F64();
        s->sampleRateIndex = r.I32();
        s->recordingTime = r.I32();
        s->dataBits = r.I32();
        s->xChannelIndex = r.I32();
        s->yChannelIndex = r.I32();
        s->measurementMode = r.I32();
        s->extraSerialStep = r.I32();
        s->selectedSignal = r.I32();
        ok = ReadArchiveString(r, s->baseName);
        s->serialNumber = r.I32();
        ok = ok && ReadArchiveString(r, s->excitationFolder) &&
             ReadArchiveString(r, s->calibrationFolder) &&
             ReadArchiveString(r, s->currentDataFileName);
        for (std::string& name : s->channelNames) ok = ok && ReadArchiveString(r, name);
    }
    if (ok) {
        s->averagingTime = r.F64();
        s->frequencyCount = r.I32();
        s->selectedFrequencyIndex = r.I32();
        for (int32_t& v : s->frequencyIndex) v = r.I32();
        for (double& v : s->frequencyHz) v = r.F64();
        s->zDisplayMode = r.I32();
        s->zTrendDisplay = r.I32();
        ok = r.Ok();
    }
    if (!ok) {
        error = kSetupFileFormatError;
        return false;
    }
    image = std::move(*s);
    return true;
}

bool LoadSetupFile(const std::string& path, SetupFileImage& image, std::string& message) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadFileBytes(path, bytes, reason)) {
        message = Format("Can't open file %s.", path.c_str()) + "\r\n" + reason;
        return false;
    }
    if (!ReadSetupFile(bytes, image, message)) return false;
    return true;
}

bool SaveSetupFile(const std::string& path, const SetupFileImage& image, std::string& message) {
    std::string reason;
    if (!WriteFileBytes(path, WriteSetupFile(image), reason)) {
        message = Format("Can't write file %s.", path.c_str()) + "\r\n" + reason;
        return false;
    }
    return true;
}

void ClampSetupImage(SetupFileImage& s) {
    ExcitationBank& bank = s.excitationBank;
    bank.signalCount = std::clamp(bank.signalCount, 1, kMaxSignals);
    for (int32_t& n : bank.componentCount) n = std::clamp(n, 0, kMaxComponents);
    s.selectedSignal = std::clamp(s.selectedSignal, 0, bank.signalCount - 1);
    s.loadedCalibration.count = std::clamp(s.loadedCalibration.count, 0, kMaxCalibrationPoints);
    s.frequencyCount = std::clamp(s.frequencyCount, 0, kSetupFrequencies);
    s.selectedFrequencyIndex = std::max(s.selectedFrequencyIndex, 0);
    s.channelMask &= 0xFF;
    s.channelCount = std::clamp(s.channelCount, 0, kMaxChannels);
    s.xChannelIndex = ClampSlotIndex(s.xChannelIndex, s.channelCount);
    s.yChannelIndex = ClampSlotIndex(s.yChannelIndex, s.channelCount);
    s.sampleRateIndex = ClampSampleRateIndex(s.sampleRateIndex);
    s.dataBits = std::clamp(s.dataBits, 0, 1);
    s.recordingTime = std::clamp(s.recordingTime, 1, 120);
    s.serialNumber = std::max(s.serialNumber, 0);
}

}  // namespace pelmor
