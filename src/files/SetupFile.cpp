#include "files/SetupFile.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "core/FileBytes.h"
#include "core/NumberFormat.h"
#include "core/TextEncoding.h"

namespace pelmor {

void WriteArchiveString(ByteWriter& w, const std::string& utf8) {
    const std::string text = Utf8ToLatin1(utf8);
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
    text = Latin1ToUtf8(wide ? NarrowWide(r, static_cast<std::size_t>(length))
                             : r.String(static_cast<std::size_t>(length)));
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

namespace {

// Reads the fields in file order into a setup image and stops at the first one the file does
// not hold in full; that field and every later one keep the values they had. A block cut short
// is overwritten as far as the file goes. Read() tells whether the field was there; Reached() is
// how many bytes went into the fields.
class FieldReader {
  public:
    explicit FieldReader(std::span<const uint8_t> bytes) : r_(bytes) {}
    std::size_t Reached() const { return reached_; }
    bool Read(int32_t& v) {
        return Take(v, [this] { return r_.I32(); });
    }
    bool Read(double& v) {
        return Take(v, [this] { return r_.F64(); });
    }
    bool Read(std::string& v) {
        if (!ok_) return false;
        std::string text;
        ok_ = ReadArchiveString(r_, text);  // false also for a length beyond the file's end
        if (!ok_) return false;
        v = std::move(text);
        reached_ = r_.Position();
        return true;
    }
    template <typename Record>
    bool ReadBlock(Record& record) {
        if (!ok_) return false;
        const std::size_t available = std::min(r_.Remaining(), sizeof record);
        r_.Bytes(&record, available);  // a block cut short is overwritten as far as it goes
        reached_ = r_.Position();
        ok_ = available == sizeof record;
        return ok_;
    }

  private:
    template <typename T, typename Get>
    bool Take(T& v, Get get) {
        if (!ok_) return false;
        T got = get();
        ok_ = r_.Ok();
        if (!ok_) return false;
        v = std::move(got);
        reached_ = r_.Position();
        return true;
    }
    ByteReader r_;
    std::size_t reached_ = 0;
    bool ok_ = true;
};

}  // namespace

bool ReadSetupFile(std::span<const uint8_t> bytes, SetupFileImage& image, std::string& error,
                   SetupFileExtent* extent) {
    ByteReader marker(bytes);
    if (marker.U32() != kSetupMarker || !marker.Ok()) {
        error = kSetupFileFormatError;
        return false;
    }
    // About 130 KB: built on the heap from the caller's values and handed over at the end.
    auto s = std::make_unique<SetupFileImage>(image);
    FieldReader f(bytes);
    int32_t markerField = 0;
    // The marker alone, or a file that ends inside the first field after it, holds no setting.
    if (!f.Read(markerField) || !f.ReadBlock(s->excitationBank)) {
        error = kSetupFileFormatError;
        return false;
    }
    bool complete =
        f.ReadBlock(s->loadedCalibration) && f.ReadBlock(s->sweep) && f.ReadBlock(s->plotSetup);
    complete = complete && f.Read(s->channelCount) && f.Read(s->channelMask) &&
               f.Read(s->sampleRate) && f.Read(s->sampleRateIndex) && f.Read(s->recordingTime) &&
               f.Read(s->dataBits) && f.Read(s->xChannelIndex) && f.Read(s->yChannelIndex) &&
               f.Read(s->measurementMode) && f.Read(s->extraSerialStep) &&
               f.Read(s->selectedSignal) && f.Read(s->baseName) && f.Read(s->serialNumber) &&
               f.Read(s->excitationFolder) && f.Read(s->calibrationFolder) &&
               f.Read(s->currentDataFileName);
    for (std::string& name : s->channelNames) complete = complete && f.Read(name);
    complete = complete && f.Read(s->averagingTime) && f.Read(s->frequencyCount) &&
               f.Read(s->selectedFrequencyIndex);
    for (int32_t& v : s->frequencyIndex) complete = complete && f.Read(v);
    for (double& v : s->frequencyHz) complete = complete && f.Read(v);
    complete = complete && f.Read(s->zDisplayMode) && f.Read(s->zTrendDisplay);
    if (extent) *extent = {complete, f.Reached()};
    image = std::move(*s);
    return true;
}

bool LoadSetupFile(const std::string& path, SetupFileImage& image, std::string& message,
                   SetupFileExtent* extent) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!ReadFileBytes(path, bytes, reason)) {
        message = Format("Can't open file %s.", path.c_str()) + "\r\n" + reason;
        return false;
    }
    if (!ReadSetupFile(bytes, image, message, extent)) return false;
    return true;
}

std::string SetupEndsEarlyMessage(const std::string& name, std::size_t bytesRead) {
    return Format(
        "%s ends early (after %d bytes); the settings after that point keep their "
        "values.",
        name.c_str(), static_cast<int>(bytesRead));
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
    s.recordingTime = ClampRecordingTime(s.recordingTime);
    s.serialNumber = std::max(s.serialNumber, 0);
}

}  // namespace pelmor
