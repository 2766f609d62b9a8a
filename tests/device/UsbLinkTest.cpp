#include <gtest/gtest.h>

#include <vector>

#include "DeviceTestSupport.h"
#include "device/UsbIds.h"
#include "device/UsbLink.h"

namespace pelmor::test {
namespace {

using Calls = std::vector<std::string>;

struct LinkFixture : ::testing::Test {
    ScriptedDriver driver;
    FakeClock clock;
};

TEST(UsbIds, FurtherIdsFromTheEnvironmentThenTheSettingsAreSearchedFirst) {
    struct Case {
        const char* environment;
        std::string stored;
        std::vector<UsbId> ids;
        bool warned;
    } cases[] = {
        {nullptr, "", {}, false},
        {"1234:5678", "", {{0x1234, 0x5678}}, false},
        {"0x0ABC:def0, 1234:5678",
         "1234:5678,aaaa:0001",
         {{0x0ABC, 0xDEF0}, {0x1234, 0x5678}, {0xAAAA, 1}},
         false},
        {nullptr, "beef:0001", {{0xBEEF, 1}}, false},
        {"12345:1,zz:1,1234,1:2", "", {{1, 2}}, true},  // bad items are named and left out
        {"", "1:2:3,4:5", {{4, 5}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment ? c.environment : "(unset)");
        std::string warning;
        const std::vector<UsbId> ids = ExtraUsbIds(c.environment, c.stored, &warning);
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(!warning.empty(), c.warned) << warning;
        // The standard ids come last.
        std::vector<UsbId> order = c.ids;
        order.push_back({0, 0});
        EXPECT_EQ(UsbSearchOrder(ids), order);
    }
    std::string warning;
    ExtraUsbIds("12345:1", "", &warning);
    EXPECT_EQ(warning,
              "PELMOR_USB_IDS: \"12345:1\" is not a USB id: write vendor:product in hexadecimal, "
              "such as 0403:6010.");
}

TEST_F(LinkFixture, OpenConfiguresTheConverterInOrderAndSettles) {
    UsbLink link(driver, clock);
    EXPECT_EQ(link.Open(1, 6000000), 0);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(driver.calls,
              (Calls{"list", "info 1", "open 1", "transfer 16384 16384", "latency 1", "data 8 0 0",
                     "timeouts 2000 2000", "flow 0 0 0", "baud 6000000", "purge 3"}));
    EXPECT_EQ(clock.milliseconds, 300);
}

TEST_F(LinkFixture, OpenReportsAMissingOrUnopenableDeviceWithoutThrowing) {
    {
        UsbLink link(driver, clock);
        link.EnableErrorExceptions();
        EXPECT_EQ(link.Open(2, 6000000), 1);
        EXPECT_FALSE(link.IsOpen());
        link.Close();
    }
    EXPECT_TRUE(driver.written.empty());
    EXPECT_EQ(driver.calls.back(), "info 2");

    driver.openStatus = kSerialIoError;
    UsbLink link(driver, clock);
    link.EnableErrorExceptions();
    EXPECT_EQ(link.Open(0, 6000000), 2);
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(LinkFixture, ClosedLinkOperations) {
    UsbLink quiet(driver, clock);
    EXPECT_EQ(quiet.ReadByte(), 255);
    EXPECT_NO_THROW(quiet.WriteByte(1));
    EXPECT_EQ(quiet.ReadBlock(nullptr, 10), 0);

    UsbLink link(driver, clock);
    link.EnableErrorExceptions();
    EXPECT_THROW(
        {
            try {
                link.ReadByte();
            } catch (int code) {
                EXPECT_EQ(code, 3);
                throw;
            }
        },
        int);
    EXPECT_THROW(link.WriteByte(1), int);
    const uint8_t data[3] = {1, 2, 3};
    EXPECT_NO_THROW(link.WriteBlock(data, 3));
    EXPECT_NO_THROW(link.WriteString("!S"));
    EXPECT_TRUE(driver.calls.empty());
}

TEST_F(LinkFixture, CloseSendsTheSequenceBeforeClosingEveryTime) {
    UsbLink link(driver, clock);
    const uint8_t escape = 27;
    link.SetCloseSequence(&escape, 1);
    ASSERT_EQ(link.Open(1, 6000000), 0);
    driver.calls.clear();
    link.Close();
    EXPECT_EQ(driver.calls, (Calls{"write 1", "close"}));
    EXPECT_EQ(driver.written, std::vector<uint8_t>{27});
    link.Close();  // already closed: nothing more
    ASSERT_EQ(link.Open(1, 6000000), 0);
    link.Close();
    EXPECT_EQ(driver.written, (std::vector<uint8_t>{27, 27}));

    // The length is taken modulo 256: 256 bytes store an empty sequence.
    std::vector<uint8_t> long_sequence(256, 7);
    link.SetCloseSequence(long_sequence.data(), 256);
    ASSERT_EQ(link.Open(1, 6000000), 0);
    link.Close();
    EXPECT_EQ(driver.written.size(), 2u);
}

TEST_F(LinkFixture, EchoedWritesReadOneByteBackPerCharacter) {
    UsbLink link(driver, clock);
    ASSERT_EQ(link.Open(1, 6000000), 0);
    driver.calls.clear();
    link.WriteString("!S");
    EXPECT_EQ(driver.calls, (Calls{"write 1", "read 1", "write 1", "read 1"}));
    EXPECT_EQ(driver.written, (std::vector<uint8_t>{'!', 'S'}));

    driver.calls.clear();
    uint8_t echo[3] = {};
    const uint8_t data[3] = {0x12, 0x34, 0x56};
    link.WriteBlock(data, 3, echo);
    EXPECT_EQ(driver.calls.size(), 6u);
    EXPECT_EQ(echo[2], 0x55);

    driver.calls.clear();
    link.WriteBlock(data, 3);
    EXPECT_EQ(driver.calls, (Calls{"write 3"}));
    link.WriteByte(0x1234);
    EXPECT_EQ(driver.written.back(), 0x34);
}

TEST_F(LinkFixture, TransferFailuresThrowTheirCodeOnlyWhenEnabled) {
    struct Case {
        const char* what;
        int writeLimit, writeStatus, readLimit, readStatus;
        int byteCode, readByteCode, blockWriteCode, blockReadCode;
    };
    const Case cases[] = {
        {"short write", 0, kSerialOk, -1, kSerialOk, 1, 0, 1, 0},
        {"write status", -1, kSerialIoError, -1, kSerialOk, 0, 0, 1, 0},
        {"short read", -1, kSerialOk, 0, kSerialOk, 2, 2, 0, 2},
        {"read status", -1, kSerialOk, -1, kSerialIoError, 2, 2, 0, 2},
    };
    auto codeOf = [](auto&& action) {
        try {
            action();
        } catch (int code) {
            return code;
        }
        return 0;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDriver d;
        UsbLink link(d, clock);
        ASSERT_EQ(link.Open(1, 6000000), 0);
        d.writeLimit = c.writeLimit;
        d.writeStatus = c.writeStatus;
        d.readLimit = c.readLimit;
        d.readStatus = c.readStatus;
        uint8_t echo = 0, block[8] = {};
        // Silent while exceptions are off.
        EXPECT_EQ(codeOf([&] { link.WriteByte(1, &echo); }), 0);
        EXPECT_EQ(codeOf([&] { link.ReadBlock(block, 8); }), 0);
        EXPECT_EQ(link.ReadBlock(block, 8), c.readStatus);
        link.EnableErrorExceptions();
        EXPECT_EQ(codeOf([&] { link.WriteByte(1, &echo); }), c.byteCode);
        EXPECT_EQ(codeOf([&] { link.ReadByte(); }), c.readByteCode);
        EXPECT_EQ(codeOf([&] { link.WriteBlock(block, 8); }), c.blockWriteCode);
        EXPECT_EQ(codeOf([&] { link.ReadBlock(block, 8); }), c.blockReadCode);
    }
}

TEST_F(LinkFixture, ACloseSequenceThatCannotBeSentStillClosesAndNeverEscapesTheDestructor) {
    {
        UsbLink link(driver, clock);
        link.EnableErrorExceptions();
        const uint8_t escape = 27;
        link.SetCloseSequence(&escape, 1);
        ASSERT_EQ(link.Open(1, 6000000), 0);
        driver.writeStatus = kSerialIoError;
        driver.writeLimit = 0;
        EXPECT_THROW(link.Close(), int);
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(driver.calls.back(), "close");
        ASSERT_EQ(link.Open(1, 6000000), 0);
        // Left open: the destructor closes it and swallows the write error.
    }
    EXPECT_EQ(driver.calls.back(), "close");
}

}  // namespace
}  // namespace pelmor::test
