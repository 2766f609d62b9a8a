#include "device/DeviceProtocol.h"

#include <cmath>

namespace pelmor {

namespace {
// Truncation toward zero that stays defined for values a hand-edited sweep block can produce
// (a zero frequency or period gives an infinite quotient).
int32_t Truncate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return 2147483647;
    if (value <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(value);
}
}  // namespace

int32_t GeneratorReload(double frequency) { return Truncate(65536.0 - 62500.0 / frequency); }

int32_t SweepStepReload(double sweepPeriod) {
    return Truncate(65536.0 - 8000000.0 / (128.0 / sweepPeriod * 32.0));
}

int32_t SineCode(int i) {
    return static_cast<int32_t>(std::sin(i * 6.283185307179586 * 0.0078125) * 32000.0 + 32768.0);
}

int32_t SweepReload(int i, double startFrequency, double endFrequency) {
    const int k = i < 64 ? i : 128 - i;
    return GeneratorReload(startFrequency + (endFrequency - startFrequency) * k * 0.015625);
}

}  // namespace pelmor
