// The data-file reader (both formats) on arbitrary bytes: it must never read outside the input,
// and what it accepts must describe itself consistently.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/TextEncoding.h"
#include "files/DataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelmor;
    auto contents = std::make_unique<DataFileContents>();
    std::string message;
    if (!ReadDataFile({data, size}, *contents, message)) {
        if (message.empty()) std::abort();
        return 0;
    }
    const DataFileInfo& info = contents->info;
    const bool consistent =
        message.empty() && info.frameCount >= 10 && info.frameCount <= kMaxDataFileFrames &&
        info.channelCount >= 2 && info.channelCount <= kMaxChannels && contents->framesRead >= 0 &&
        contents->framesRead <= info.frameCount &&
        contents->samples.size() ==
            static_cast<std::size_t>(contents->framesRead) * info.channelCount &&
        info.excitation.componentCount >= 0 && info.excitation.componentCount <= kMaxComponents &&
        info.excitation.selectedFrequencyIndex >= 0 &&
        (info.excitation.componentCount == 0 ||
         info.excitation.selectedFrequencyIndex < info.excitation.componentCount) &&
        info.calibration.count >= 0 && info.calibration.count <= kMaxCalibrationPoints &&
        info.channelNamesRead >= 0 && info.channelNamesRead <= info.channelCount;
    if (!consistent) std::abort();
    // A name holds at most 255 characters; read as UTF-8 a Latin-1 name may take more bytes.
    for (int c = 0; c < info.channelNamesRead; ++c)
        if (Utf8Length(info.channelNames[c]) > static_cast<std::size_t>(kMaxChannelNameBytes))
            std::abort();
    // An accepted full-precision file written back from what was read reads back the same.
    if (info.format == DataFormat::FullPrecision && !contents->Short()) {
        DataFileInput in;
        in.sampleRate = info.sampleRate;
        in.signalPeriod = info.signalPeriod;
        in.channelCount = info.channelCount;
        in.frameCount = contents->framesRead;
        in.excitation = &info.excitation;
        in.calibration = &info.calibration;
        in.channelNames = info.channelNames;
        in.voltSamples = contents->samples;
        std::vector<uint8_t> bytes;
        if (!BuildDataFile(DataFormat::FullPrecision, in, bytes, message)) std::abort();
        auto again = std::make_unique<DataFileContents>();
        if (!ReadDataFile(bytes, *again, message)) std::abort();
        if (again->samples.size() != contents->samples.size() ||
            again->info.calibration.count != info.calibration.count ||
            again->info.excitation.componentCount != info.excitation.componentCount)
            std::abort();
        for (std::size_t i = 0; i < again->samples.size(); ++i) {
            const double a = again->samples[i], b = contents->samples[i];
            if (a != b && !(a != a && b != b)) std::abort();
        }
    }
    return 0;
}
