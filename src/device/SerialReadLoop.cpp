#include "device/SerialReadLoop.h"

#include <algorithm>
#include <climits>

#include "platform/Clock.h"
#include "platform/SerialDriver.h"

namespace pelmor {

int ReadWithDeadline(uint8_t* buffer, uint32_t count, int64_t timeoutMilliseconds,
                     const std::function<int(uint8_t*, int)>& readSome, Clock& clock,
                     uint32_t& received) {
    received = 0;
    const int64_t deadline = clock.Milliseconds() + timeoutMilliseconds;
    while (received < count) {
        const int want = static_cast<int>(std::min<uint32_t>(count - received, INT_MAX));
        const int got = readSome(buffer + received, want);
        if (got < 0) return kSerialIoError;
        received += static_cast<uint32_t>(std::min(got, want));
        if (received == count) break;
        if (clock.Milliseconds() >= deadline) break;
        if (got == 0) clock.SleepMilliseconds(1);
    }
    return kSerialOk;
}

std::vector<InterfaceEntry> ExpandInterfaces(const std::vector<int>& interfaceCounts) {
    std::vector<InterfaceEntry> entries;
    for (int chip = 0; chip < static_cast<int>(interfaceCounts.size()); ++chip)
        for (int i = 0; i < interfaceCounts[chip]; ++i) entries.push_back({chip, i});
    return entries;
}

}  // namespace pelmor
