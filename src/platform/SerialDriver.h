#pragma once

#include <cstdint>

namespace pelmor {

// Status values of every SerialDriver call: 0 is success, anything else a failure.
enum SerialStatus : int {
    kSerialOk = 0,
    kSerialInvalidHandle = 1,
    kSerialDeviceNotFound = 2,
    kSerialDeviceNotOpened = 3,
    kSerialIoError = 4,
    kSerialInvalidParameter = 6,
};

// Purge mask bits.
constexpr uint32_t kPurgeReceive = 1;
constexpr uint32_t kPurgeTransmit = 2;

// The USB serial converter in front of the measuring device: a list of device entries, one entry
// open at a time, its configuration, purge, timed reads and writes. Read blocks until all bytes
// asked for have arrived or the read timeout has passed, and then reports how many it got (a
// timeout is not an error status). One thread uses a driver at a time.
class SerialDriver {
  public:
    virtual ~SerialDriver() = default;

    // Rebuilds the device list; returns the number of entries.
    virtual int ListDevices() = 0;
    // kSerialOk when the list holds an entry at index.
    virtual int DeviceInfo(int index) = 0;
    virtual int Open(int index) = 0;

    virtual int SetTransferSizes(uint32_t inSize, uint32_t outSize) = 0;
    virtual int SetLatencyTimer(uint8_t milliseconds) = 0;
    // bits 7 or 8; stopBits 0 one, 2 two; parity 0 none, 1 odd, 2 even, 3 mark, 4 space.
    virtual int SetDataCharacteristics(uint8_t bits, uint8_t stopBits, uint8_t parity) = 0;
    virtual int SetTimeouts(uint32_t readMilliseconds, uint32_t writeMilliseconds) = 0;
    // mode 0 none, 0x100 RTS/CTS, 0x200 DTR/DSR, 0x400 XON/XOFF with the two characters.
    virtual int SetFlowControl(uint16_t mode, uint8_t xon, uint8_t xoff) = 0;
    virtual int SetBaudRate(uint32_t baudRate) = 0;
    // Discards the receive and/or transmit buffers (kPurgeReceive | kPurgeTransmit).
    virtual int Purge(uint32_t mask) = 0;

    virtual int Write(const uint8_t* data, uint32_t count, uint32_t& written) = 0;
    virtual int Read(uint8_t* buffer, uint32_t count, uint32_t& received) = 0;
    virtual int Close() = 0;
};

}  // namespace pelmor
