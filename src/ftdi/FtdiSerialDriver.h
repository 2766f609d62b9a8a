#pragma once

#include <memory>

#include "platform/SerialDriver.h"

namespace pelmor {

// A SerialDriver over libftdi1. The device list holds one entry per interface of every FTDI
// chip found (a dual-channel chip gives two entries); opening an entry selects its interface
// and opens its USB device, detaching the kernel's serial driver from that interface.
std::unique_ptr<SerialDriver> MakeFtdiSerialDriver();

// Makes MakeSerialDriverFromEnvironment use the libftdi1 driver when the emulator is not asked
// for. Programs call it once at start-up when PELMOR_HAVE_FTDI is defined.
void RegisterFtdiSerialDriver();

}  // namespace pelmor
