// The waveform definition reader on arbitrary text: whatever a file holds, the reader stays
// inside the bank, leaves counts within the capacities, and what it accepts copies out and
// reads back to the same signals; the output table of an accepted signal is always built.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "excitation/ExcitationFile.h"
#include "excitation/Multisine.h"

using namespace pelmor;

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto bank = std::make_unique<ExcitationBank>();
    auto result = ParseExcitationText(text, *bank);
    using Status = ExcitationTextResult::Status;
    if (result.status != Status::Ok) {
        Check(!result.error.empty());
        return 0;
    }
    Check(bank->signalCount >= 0 && bank->signalCount < kMaxSignals);
    Check(bank->period > 0.049 && bank->period < 2.0001);
    for (int s = 0; s <= bank->signalCount && s < kMaxSignals; ++s) {
        Check(bank->componentCount[s] >= 0 && bank->componentCount[s] <= kMaxComponents);
        for (int i = 0; i < bank->componentCount[s]; ++i)
            Check(bank->frequencyIndex[s][i] >= 1 && bank->frequencyIndex[s][i] <= 256);
    }

    // What was accepted copies out and reads back with the same signals and indexes.
    auto again = std::make_unique<ExcitationBank>();
    auto back = ParseExcitationText(ExcitationText(*bank), *again);
    Check(back.status == Status::Ok);
    Check(again->signalCount == bank->signalCount);
    Check(again->period == bank->period);
    for (int s = 0; s < bank->signalCount; ++s) {
        Check(again->componentCount[s] == bank->componentCount[s]);
        for (int i = 0; i < bank->componentCount[s]; ++i)
            Check(again->frequencyIndex[s][i] == bank->frequencyIndex[s][i]);
    }

    // The generator table of the first signal, in tracking mode at every component index the
    // data could name and, for small signals, in full.
    auto active = std::make_unique<ActiveExcitation>();
    CopySignalToActive(*bank, 0, *active);
    std::array<uint16_t, kOutputTablePoints> table;
    bank->normaliseAmplitude = static_cast<uint8_t>(size & 1);
    active->selectedFrequencyIndex = static_cast<int32_t>(size % 300) - 20;
    BuildExcitationTable(*bank, *active, 1, table);
    if (active->componentCount <= 8) BuildExcitationTable(*bank, *active, 0, table);
    return 0;
}
