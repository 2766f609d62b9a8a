#pragma once

#include <array>
#include <cstdint>

#include "platform/SerialDriver.h"

namespace pelmor {

class Clock;

// Error codes the link throws (as a plain int) once EnableErrorExceptions has been called.
enum UsbLinkError : int {
    kUsbWriteError = 1,
    kUsbReadError = 2,
    kUsbNotOpenError = 3,
};

// The byte channel to the measuring device over a SerialDriver: open and configure the
// converter, write command bytes with one-byte echo reads, read exact-size sample blocks, purge
// and close, sending an optional close sequence first. Knows nothing of the command language.
// Used by one thread; lives for one measurement.
class UsbLink {
  public:
    static constexpr int kOpenOk = 0;
    static constexpr int kOpenNoDevice = 1;
    static constexpr int kOpenFailed = 2;

    UsbLink(SerialDriver& driver, Clock& clock);
    // Closes the link; a failure to send the close sequence is swallowed here.
    ~UsbLink();
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;

    // From now on failed transfers throw their UsbLinkError code.
    void EnableErrorExceptions() { throwOnError_ = true; }
    // Stores the low 8 bits of length as the sequence length and copies that many bytes.
    void SetCloseSequence(const uint8_t* bytes, int length);

    // 0 open, 1 no device at deviceIndex, 2 the device would not open. Never throws.
    int Open(int deviceIndex, uint32_t baudRate);
    // Sends the close sequence (if any) and closes the device. The device is closed even when
    // the sequence could not be sent; the write error is thrown afterwards.
    void Close();

    void WriteByte(int value, uint8_t* echo = nullptr);
    uint8_t ReadByte();
    void WriteBlock(const uint8_t* data, int count, uint8_t* echo = nullptr);
    // Reads exactly count bytes (within the read timeout); returns the driver status.
    int ReadBlock(uint8_t* buffer, int count);
    void WriteString(const char* text, uint8_t* echo = nullptr);
    int Purge();

    bool IsOpen() const { return isOpen_; }

  private:
    void Fail(int code) const {
        if (throwOnError_) throw code;
    }
    void WriteEchoed(uint8_t value, uint8_t* echo);

    SerialDriver& driver_;
    Clock& clock_;
    bool isOpen_ = false;
    bool throwOnError_ = false;
    std::array<uint8_t, 255> closeSequence_{};
    uint8_t closeLength_ = 0;
};

}  // namespace pelmor
