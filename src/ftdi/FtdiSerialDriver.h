#pragma once

#include <memory>
#include <vector>

#include "device/UsbIds.h"
#include "platform/SerialDriver.h"

namespace pelmor {

// A SerialDriver over libftdi1. The device list holds one entry per interface of every FTDI
// chip found (a dual-channel chip gives two entries); opening an entry selects its interface
// and opens its USB device, detaching the kernel's serial driver from that interface. Chips with
// the extra ids are searched first, then those with the converter maker's standard ids.
std::unique_ptr<SerialDriver> MakeFtdiSerialDriver(std::vector<UsbId> extraIds = {});

// Makes MakeSerialDriverFromEnvironment use the libftdi1 driver (searching extraIds first) when
// the emulator is not asked for. Programs call it once at start-up when PELMOR_HAVE_FTDI is
// defined.
void RegisterFtdiSerialDriver(std::vector<UsbId> extraIds = {});

}  // namespace pelmor
