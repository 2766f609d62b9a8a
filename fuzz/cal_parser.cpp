// The calibration definition file parser, the lookup and the copy text on arbitrary input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "analysis/CalibrationTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pelmor;
    static auto table = std::make_unique<CalibrationTable>();
    static auto again = std::make_unique<CalibrationTable>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    bool truncated = false;
    if (ParseCalibrationText(text, *table, truncated) != CalibrationParse::Loaded) return 0;
    if (table->count < 1 || table->count > kMaxCalibrationPoints) __builtin_trap();
    if (truncated && table->count != kMaxCalibrationPoints) __builtin_trap();
    for (int k = 0; k < table->count; ++k) {
        const double f = table->frequency[k];
        if (!(f >= 0.5 && f <= 100)) __builtin_trap();
        if (FindCalibrationPoint(*table, f) < k) __builtin_trap();
        (void)CalibratePoint(*table, k, {1.0, 0.5});
    }
    // The copy text is a calibration file again, with the same number of points.
    if (ParseCalibrationText(CalibrationText(*table), *again, truncated) !=
            CalibrationParse::Loaded ||
        again->count != table->count)
        __builtin_trap();
    (void)CalibrationTablesDiffer(*table, *again);
    return 0;
}
