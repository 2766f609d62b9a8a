// The setup-file reader on arbitrary bytes: it must never read outside the input, and an image it
// accepts must write and read back to the same bytes. An input whose first byte is odd is the
// whole file; otherwise the rest follows a valid marker and four zeroed blocks, so the fuzzer
// spends its time on the numbers and strings rather than inside the 126 KB of blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "files/SetupFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelmor;
    if (size == 0) return 0;
    std::vector<uint8_t> file;
    if (data[0] & 1) {
        file.assign(data + 1, data + size);
    } else {
        constexpr std::size_t kBlocks = sizeof(ExcitationBank) + sizeof(CalibrationTable) +
                                        sizeof(SweepBlock) + sizeof(PlotSetup);
        file = {0x78, 0x55, 0x1C, 0x73};
        file.resize(4 + kBlocks);
        file.insert(file.end(), data + 1, data + size);
    }
    auto image = std::make_unique<SetupFileImage>();
    std::string error;
    if (!ReadSetupFile(file, *image, error)) {
        if (error != kSetupFileFormatError) std::abort();
        return 0;
    }
    const std::vector<uint8_t> first = WriteSetupFile(*image);
    auto again = std::make_unique<SetupFileImage>();
    if (!ReadSetupFile(first, *again, error)) std::abort();
    if (WriteSetupFile(*again) != first) std::abort();
    ClampSetupImage(*again);
    return 0;
}
