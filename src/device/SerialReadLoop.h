#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace pelmor {

class Clock;

// Serial layers whose read returns early with whatever has arrived get the exact-count read of
// SerialDriver from this loop: readSome(buffer, maximum) returns the bytes it delivered (0 when
// none have come yet) or a negative error. The loop stops when count bytes have arrived, on an
// error (kSerialIoError) or once timeoutMilliseconds have passed on the clock (kSerialOk with
// fewer bytes). After a call that delivered nothing it pauses 1 ms.
int ReadWithDeadline(uint8_t* buffer, uint32_t count, int64_t timeoutMilliseconds,
                     const std::function<int(uint8_t*, int)>& readSome, Clock& clock,
                     uint32_t& received);

// One device-list entry per interface of each converter chip, chips in the order found: chips
// with 1, 2 and 1 interfaces give (0,0) (1,0) (1,1) (2,0).
struct InterfaceEntry {
    int chip = 0;
    int interface = 0;
    bool operator==(const InterfaceEntry&) const = default;
};
std::vector<InterfaceEntry> ExpandInterfaces(const std::vector<int>& interfaceCounts);

}  // namespace pelmor
