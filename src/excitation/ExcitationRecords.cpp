#include "excitation/ExcitationRecords.h"

#include <algorithm>

#include "core/ByteIO.h"

namespace pelmor {

namespace {

template <typename Record>
std::vector<uint8_t> ImageOf(const Record& record) {
    ByteWriter w;
    w.Bytes(&record, sizeof record);
    return w.Take();
}

template <typename Record>
bool ReadImage(const std::vector<uint8_t>& bytes, Record& record) {
    if (bytes.size() != sizeof record) return false;
    ByteReader r(bytes);
    return r.Bytes(&record, sizeof record);  // cannot fail once the size matches
}

}  // namespace

std::vector<uint8_t> ExcitationBankBytes(const ExcitationBank& bank) { return ImageOf(bank); }
std::vector<uint8_t> ActiveExcitationBytes(const ActiveExcitation& active) {
    return ImageOf(active);
}
bool ReadExcitationBank(const std::vector<uint8_t>& bytes, ExcitationBank& bank) {
    return ReadImage(bytes, bank);
}
bool ReadActiveExcitation(const std::vector<uint8_t>& bytes, ActiveExcitation& active) {
    return ReadImage(bytes, active);
}

int SignalCountOf(const ExcitationBank& bank) {
    return std::clamp<int>(bank.signalCount, 0, kMaxSignals);
}
int ComponentCountOf(const ExcitationBank& bank, int signal) {
    if (signal < 0 || signal >= kMaxSignals) return 0;
    return std::clamp<int>(bank.componentCount[signal], 0, kMaxComponents);
}
int ComponentCountOf(const ActiveExcitation& active) {
    return std::clamp<int>(active.componentCount, 0, kMaxComponents);
}

}  // namespace pelmor
