// The setup-file reader on arbitrary bytes: it must never read outside the input, and an image it
// accepts must write and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "files/SetupFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelmor;
    auto image = std::make_unique<SetupFileImage>();
    std::string error;
    if (!ReadSetupFile({data, size}, *image, error)) {
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
