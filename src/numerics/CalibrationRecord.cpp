#include "numerics/CalibrationRecord.h"

#include <algorithm>
#include <cstring>

namespace pelmor {

std::vector<uint8_t> CalibrationTableBytes(const CalibrationTable& table) {
    std::vector<uint8_t> bytes(sizeof(CalibrationTable));
    std::memcpy(bytes.data(), &table, sizeof table);
    return bytes;
}

bool CalibrationTableFromBytes(const std::vector<uint8_t>& bytes, CalibrationTable& table) {
    if (bytes.size() != sizeof(CalibrationTable)) return false;
    std::memcpy(&table, bytes.data(), sizeof table);
    table.count = std::clamp(table.count, 0, kMaxCalibrationPoints);
    return true;
}

}  // namespace pelmor
