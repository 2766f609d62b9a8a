#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/SerialReadLoop.h"
#include "platform/SerialDriver.h"
#include "support/TestSupport.h"

namespace pelmor::test {
namespace {

TEST(SerialReadLoopTest, CollectsEarlyReturnsUntilTheCountArrives) {
    FakeClock clock;
    // Deliveries of 3, nothing, 2 and 4 bytes (each call takes 1 ms of the clock).
    std::vector<int> deliveries{3, 0, 2, 4};
    std::size_t call = 0;
    uint8_t next = 0;
    auto readSome = [&](uint8_t* into, int maximum) {
        clock.milliseconds += 1;
        const int n = call < deliveries.size() ? std::min(deliveries[call++], maximum) : 0;
        for (int i = 0; i < n; ++i) into[i] = next++;
        return n;
    };
    uint8_t buffer[8];
    uint32_t received = 0;
    EXPECT_EQ(ReadWithDeadline(buffer, 8, 2000, readSome, clock, received), kSerialOk);
    EXPECT_EQ(received, 8u);
    EXPECT_EQ(buffer[7], 7);
    EXPECT_EQ(call, 4u);  // the last call was asked for the 3 missing bytes only
}

TEST(SerialReadLoopTest, GivesUpAtTheDeadlineOrOnAnError) {
    FakeClock clock;
    int calls = 0;
    auto trickle = [&](uint8_t* into, int) {
        ++calls;
        into[0] = 1;
        return calls == 1 ? 1 : 0;
    };
    uint8_t buffer[4];
    uint32_t received = 0;
    EXPECT_EQ(ReadWithDeadline(buffer, 4, 2000, trickle, clock, received), kSerialOk);
    EXPECT_EQ(received, 1u);
    EXPECT_GE(clock.milliseconds, 2000);
    EXPECT_LE(clock.milliseconds, 2001);

    auto broken = [](uint8_t*, int) { return -7; };
    EXPECT_EQ(ReadWithDeadline(buffer, 4, 2000, broken, clock, received), kSerialIoError);
    EXPECT_EQ(received, 0u);
}

TEST(SerialReadLoopTest, EveryInterfaceOfEveryChipIsAnEntry) {
    using E = InterfaceEntry;
    EXPECT_EQ(ExpandInterfaces({1, 2, 1}), (std::vector<E>{{0, 0}, {1, 0}, {1, 1}, {2, 0}}));
    // The device index 1 is the second channel of the first dual-channel chip.
    EXPECT_EQ(ExpandInterfaces({2})[1], (E{0, 1}));
    EXPECT_EQ(ExpandInterfaces({4}).size(), 4u);
    EXPECT_TRUE(ExpandInterfaces({}).empty());
}

}  // namespace
}  // namespace pelmor::test
