#include <gtest/gtest.h>

#ifdef PELMOR_HAVE_FTDI

#include "DeviceTestSupport.h"
#include "device/SerialDriverFactory.h"
#include "device/UsbLink.h"
#include "ftdi/FtdiSerialDriver.h"

namespace pelmor::test {
namespace {

// Without a converter plugged in (as on a build machine) the libftdi1 driver finds no entry,
// so the link reports "no device" and nothing is ever written.
TEST(FtdiDriverTest, WithoutAConverterNothingIsFound) {
    auto driver = MakeFtdiSerialDriver();
    if (driver->ListDevices() > 1) GTEST_SKIP() << "a converter is plugged in";
    FakeClock clock;
    UsbLink link(*driver, clock);
    link.EnableErrorExceptions();
    EXPECT_EQ(link.Open(1, 6000000), 1);
    uint32_t count = 0;
    uint8_t byte = 0;
    EXPECT_NE(driver->Write(&byte, 1, count), kSerialOk);
    EXPECT_NE(driver->Read(&byte, 1, count), kSerialOk);
    EXPECT_NE(driver->Close(), kSerialOk);

    RegisterFtdiSerialDriver();
    EXPECT_EQ(MakeSerialDriver(nullptr, nullptr)->ListDevices(), driver->ListDevices());
    RegisterHardwareSerialDriver(nullptr);
}

}  // namespace
}  // namespace pelmor::test

#endif
