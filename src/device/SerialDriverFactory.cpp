#include "device/SerialDriverFactory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "device/DeviceEmulator.h"

namespace pelmor {

namespace {
std::atomic<SerialDriverMaker> hardwareMaker{nullptr};
}

void RegisterHardwareSerialDriver(SerialDriverMaker maker) { hardwareMaker = maker; }

std::unique_ptr<SerialDriver> MakeSerialDriver(const char* deviceVariable, const char* options,
                                               std::string* warning) {
    if (deviceVariable != nullptr && std::strcmp(deviceVariable, "emulator") == 0) {
        EmulatorOptions parsed;
        std::string error;
        if (!ParseEmulatorOptions(options != nullptr ? options : "", parsed, error) &&
            warning != nullptr)
            *warning = error;
        return std::make_unique<DeviceEmulator>(parsed);
    }
    if (SerialDriverMaker maker = hardwareMaker.load()) return maker();
    return std::make_unique<NoDeviceSerialDriver>();
}

std::unique_ptr<SerialDriver> MakeSerialDriverFromEnvironment(std::string* warning) {
    return MakeSerialDriver(std::getenv("PELMOR_DEVICE"), std::getenv("PELMOR_EMULATOR"), warning);
}

}  // namespace pelmor
