#pragma once

#include <memory>
#include <string>

#include "platform/SerialDriver.h"

namespace pelmor {

// A driver that finds no device: used where no hardware driver was built.
class NoDeviceSerialDriver : public SerialDriver {
  public:
    int ListDevices() override { return 0; }
    int DeviceInfo(int) override { return kSerialDeviceNotFound; }
    int Open(int) override { return kSerialDeviceNotFound; }
    int SetTransferSizes(uint32_t, uint32_t) override { return kSerialInvalidHandle; }
    int SetLatencyTimer(uint8_t) override { return kSerialInvalidHandle; }
    int SetDataCharacteristics(uint8_t, uint8_t, uint8_t) override { return kSerialInvalidHandle; }
    int SetTimeouts(uint32_t, uint32_t) override { return kSerialInvalidHandle; }
    int SetFlowControl(uint16_t, uint8_t, uint8_t) override { return kSerialInvalidHandle; }
    int SetBaudRate(uint32_t) override { return kSerialInvalidHandle; }
    int Purge(uint32_t) override { return kSerialInvalidHandle; }
    int Write(const uint8_t*, uint32_t, uint32_t& written) override {
        written = 0;
        return kSerialInvalidHandle;
    }
    int Read(uint8_t*, uint32_t, uint32_t& received) override {
        received = 0;
        return kSerialInvalidHandle;
    }
    int Close() override { return kSerialInvalidHandle; }
};

using SerialDriverMaker = std::unique_ptr<SerialDriver> (*)();

// The hardware driver the program uses unless the emulator is asked for. The libftdi1 driver
// registers itself here (RegisterFtdiSerialDriver); without a registration no device is found.
void RegisterHardwareSerialDriver(SerialDriverMaker maker);

// The driver chosen by the environment: the device emulator when PELMOR_DEVICE is "emulator"
// (with the options of PELMOR_EMULATOR), otherwise the registered hardware driver. A bad
// emulator option is described in warning (when given); the emulator then runs with the options
// parsed before it.
std::unique_ptr<SerialDriver> MakeSerialDriverFromEnvironment(std::string* warning = nullptr);

// The same choice from explicit texts (deviceVariable as PELMOR_DEVICE, options as
// PELMOR_EMULATOR; nullptr for an unset variable).
std::unique_ptr<SerialDriver> MakeSerialDriver(const char* deviceVariable, const char* options,
                                               std::string* warning = nullptr);

}  // namespace pelmor
