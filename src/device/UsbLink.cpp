#include "device/UsbLink.h"

#include <cstring>

#include "platform/Clock.h"

namespace pelmor {

namespace {
constexpr uint32_t kTransferSize = 16384;
constexpr uint8_t kLatencyMilliseconds = 1;
constexpr uint32_t kTimeoutMilliseconds = 2000;
constexpr int64_t kSettleMilliseconds = 300;
}  // namespace

UsbLink::UsbLink(SerialDriver& driver, Clock& clock) : driver_(driver), clock_(clock) {}

UsbLink::~UsbLink() {
    try {
        Close();
    } catch (...) {
        // A device that has gone cannot take the close sequence; the handle is closed anyway.
    }
}

void UsbLink::SetCloseSequence(const uint8_t* bytes, int length) {
    closeLength_ = static_cast<uint8_t>(length & 0xFF);
    if (closeLength_ > 0) std::memcpy(closeSequence_.data(), bytes, closeLength_);
}

int UsbLink::Open(int deviceIndex, uint32_t baudRate) {
    isOpen_ = false;
    driver_.ListDevices();
    if (driver_.DeviceInfo(deviceIndex) != kSerialOk) return kOpenNoDevice;
    if (driver_.Open(deviceIndex) != kSerialOk) return kOpenFailed;
    driver_.SetTransferSizes(kTransferSize, kTransferSize);
    driver_.SetLatencyTimer(kLatencyMilliseconds);
    driver_.SetDataCharacteristics(8, 0, 0);
    driver_.SetTimeouts(kTimeoutMilliseconds, kTimeoutMilliseconds);
    driver_.SetFlowControl(0, 0, 0);
    driver_.SetBaudRate(baudRate);
    clock_.SleepMilliseconds(kSettleMilliseconds);
    driver_.Purge(kPurgeReceive | kPurgeTransmit);
    isOpen_ = true;
    return kOpenOk;
}

void UsbLink::Close() {
    if (!isOpen_) return;
    bool sequenceFailed = false;
    if (closeLength_ > 0) {
        uint32_t written = 0;
        const int status = driver_.Write(closeSequence_.data(), closeLength_, written);
        sequenceFailed = status != kSerialOk || written != closeLength_;
    }
    driver_.Close();
    isOpen_ = false;
    if (sequenceFailed) Fail(kUsbWriteError);
}

void UsbLink::WriteEchoed(uint8_t value, uint8_t* echo) {
    if (!isOpen_) {
        Fail(kUsbNotOpenError);
        return;
    }
    uint32_t written = 0;
    driver_.Write(&value, 1, written);
    if (written != 1) Fail(kUsbWriteError);
    if (echo != nullptr) {
        uint32_t received = 0;
        const int status = driver_.Read(echo, 1, received);
        if (received != 1 || status != kSerialOk) Fail(kUsbReadError);
    }
}

void UsbLink::WriteByte(int value, uint8_t* echo) {
    WriteEchoed(static_cast<uint8_t>(value & 0xFF), echo);
}

uint8_t UsbLink::ReadByte() {
    uint8_t result = 255;
    if (!isOpen_) {
        Fail(kUsbNotOpenError);
        return result;
    }
    uint32_t received = 0;
    const int status = driver_.Read(&result, 1, received);
    if (received != 1 || status != kSerialOk) Fail(kUsbReadError);
    return result;
}

void UsbLink::WriteBlock(const uint8_t* data, int count, uint8_t* echo) {
    if (!isOpen_ || count <= 0) return;
    if (echo == nullptr) {
        uint32_t written = 0;
        const int status = driver_.Write(data, static_cast<uint32_t>(count), written);
        if (written != static_cast<uint32_t>(count) || status != kSerialOk) Fail(kUsbWriteError);
        return;
    }
    for (int i = 0; i < count; ++i) WriteEchoed(data[i], &echo[i]);
}

int UsbLink::ReadBlock(uint8_t* buffer, int count) {
    if (!isOpen_) return 0;
    if (count <= 0) return kSerialOk;
    uint32_t received = 0;
    const int status = driver_.Read(buffer, static_cast<uint32_t>(count), received);
    if (received != static_cast<uint32_t>(count) || status != kSerialOk) Fail(kUsbReadError);
    return status;
}

void UsbLink::WriteString(const char* text, uint8_t* echo) {
    const std::size_t length = std::strlen(text);
    if (!isOpen_) return;
    uint8_t scratch = 0;
    for (std::size_t i = 0; i < length; ++i)
        WriteEchoed(static_cast<uint8_t>(text[i]), echo != nullptr ? &echo[i] : &scratch);
}

int UsbLink::Purge() {
    driver_.Purge(kPurgeReceive | kPurgeTransmit);
    return 0;
}

}  // namespace pelmor
