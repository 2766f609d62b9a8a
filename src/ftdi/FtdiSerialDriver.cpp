#include "ftdi/FtdiSerialDriver.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "device/SerialDriverFactory.h"
#include "device/SerialReadLoop.h"
#include "platform/Clock.h"

namespace pelmor {

namespace {

class FtdiSerialDriver : public SerialDriver {
  public:
    explicit FtdiSerialDriver(std::vector<UsbId> extraIds)
        : context_(ftdi_new()), order_(UsbSearchOrder(extraIds)) {}
    ~FtdiSerialDriver() override {
        if (context_ == nullptr) return;
        if (open_) ftdi_usb_close(context_);
        FreeList();
        ftdi_free(context_);
    }
    FtdiSerialDriver(const FtdiSerialDriver&) = delete;
    FtdiSerialDriver& operator=(const FtdiSerialDriver&) = delete;

    int ListDevices() override {
        if (context_ == nullptr || open_) return static_cast<int>(entries_.size());
        FreeList();
        // The instrument's own ids first; vendor and product 0 stand for every chip with one of
        // the converter maker's standard ids. A chip found twice is listed once.
        std::vector<int> interfaceCounts;
        for (const UsbId& id : order_) {
            ftdi_device_list* found = nullptr;
            if (ftdi_usb_find_all(context_, &found, id.vendor, id.product) < 0) continue;
            lists_.push_back(found);
            for (ftdi_device_list* d = found; d != nullptr; d = d->next) {
                if (std::find(devices_.begin(), devices_.end(), d->dev) != devices_.end()) continue;
                devices_.push_back(d->dev);
                interfaceCounts.push_back(InterfaceCount(d->dev));
            }
        }
        entries_ = ExpandInterfaces(interfaceCounts);
        return static_cast<int>(entries_.size());
    }

    int DeviceInfo(int index) override {
        return index >= 0 && index < static_cast<int>(entries_.size()) ? kSerialOk
                                                                       : kSerialDeviceNotFound;
    }

    int Open(int index) override {
        if (DeviceInfo(index) != kSerialOk) return kSerialDeviceNotFound;
        if (open_) return kSerialDeviceNotOpened;
        const InterfaceEntry entry = entries_[index];
        // The interface must be chosen before the device is opened.
        const auto interface = static_cast<ftdi_interface>(INTERFACE_A + entry.interface);
        if (ftdi_set_interface(context_, interface) < 0) return kSerialDeviceNotOpened;
        if (ftdi_usb_open_dev(context_, devices_[entry.chip]) < 0) return kSerialDeviceNotOpened;
        open_ = true;
        return kSerialOk;
    }

    int SetTransferSizes(uint32_t inSize, uint32_t outSize) override {
        if (!open_) return kSerialInvalidHandle;
        const bool ok = ftdi_read_data_set_chunksize(context_, inSize) == 0 &&
                        ftdi_write_data_set_chunksize(context_, outSize) == 0;
        return ok ? kSerialOk : kSerialIoError;
    }

    int SetLatencyTimer(uint8_t milliseconds) override {
        if (!open_) return kSerialInvalidHandle;
        return Status(ftdi_set_latency_timer(context_, milliseconds));
    }

    int SetDataCharacteristics(uint8_t bits, uint8_t stopBits, uint8_t parity) override {
        if (!open_) return kSerialInvalidHandle;
        if ((bits != 7 && bits != 8) || (stopBits != 0 && stopBits != 2) || parity > 4)
            return kSerialInvalidParameter;
        const ftdi_parity_type parities[] = {NONE, ODD, EVEN, MARK, SPACE};
        return Status(ftdi_set_line_property(context_, bits == 7 ? BITS_7 : BITS_8,
                                             stopBits == 0 ? STOP_BIT_1 : STOP_BIT_2,
                                             parities[parity]));
    }

    int SetTimeouts(uint32_t readMilliseconds, uint32_t writeMilliseconds) override {
        if (!open_) return kSerialInvalidHandle;
        // The USB transfers time out as asked; the exact-count read keeps its own deadline.
        context_->usb_read_timeout = static_cast<int>(readMilliseconds);
        context_->usb_write_timeout = static_cast<int>(writeMilliseconds);
        readTimeout_ = readMilliseconds;
        return kSerialOk;
    }

    int SetFlowControl(uint16_t mode, uint8_t xon, uint8_t xoff) override {
        if (!open_) return kSerialInvalidHandle;
        // The mode values are those the chip takes (none 0, RTS/CTS 0x100, DTR/DSR 0x200,
        // XON/XOFF 0x400).
        if (mode == SIO_XON_XOFF_HS) return Status(ftdi_setflowctrl_xonxoff(context_, xon, xoff));
        return Status(ftdi_setflowctrl(context_, mode));
    }

    int SetBaudRate(uint32_t baudRate) override {
        if (!open_) return kSerialInvalidHandle;
        return Status(ftdi_set_baudrate(context_, static_cast<int>(baudRate)));
    }

    int Purge(uint32_t mask) override {
        if (!open_) return kSerialInvalidHandle;
        const bool receive = (mask & kPurgeReceive) != 0;
        const bool transmit = (mask & kPurgeTransmit) != 0;
        if (receive && transmit) return Status(ftdi_tcioflush(context_));
        if (receive) return Status(ftdi_tciflush(context_));
        if (transmit) return Status(ftdi_tcoflush(context_));
        return kSerialOk;
    }

    int Write(const uint8_t* data, uint32_t count, uint32_t& written) override {
        written = 0;
        if (!open_) return kSerialInvalidHandle;
        const int result = ftdi_write_data(context_, data, static_cast<int>(count));
        if (result < 0) return kSerialIoError;
        written = static_cast<uint32_t>(result);
        return kSerialOk;
    }

    int Read(uint8_t* buffer, uint32_t count, uint32_t& received) override {
        received = 0;
        if (!open_) return kSerialInvalidHandle;
        // ftdi_read_data returns early with what the chip has delivered so far.
        auto readSome = [this](uint8_t* into, int maximum) {
            return ftdi_read_data(context_, into, maximum);
        };
        return ReadWithDeadline(buffer, count, readTimeout_, readSome, clock_, received);
    }

    int Close() override {
        if (!open_) return kSerialInvalidHandle;
        open_ = false;
        return Status(ftdi_usb_close(context_));
    }

  private:
    static int Status(int result) { return result < 0 ? kSerialIoError : kSerialOk; }

    static int InterfaceCount(libusb_device* device) {
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_config_descriptor(device, 0, &config) != 0 || config == nullptr) return 1;
        const int count = config->bNumInterfaces;
        libusb_free_config_descriptor(config);
        return count < 1 ? 1 : (count > 4 ? 4 : count);  // interfaces A ... D
    }

    void FreeList() {
        for (ftdi_device_list*& list : lists_)
            if (list != nullptr) ftdi_list_free(&list);
        lists_.clear();
        devices_.clear();
        entries_.clear();
    }

    ftdi_context* context_;
    std::vector<UsbId> order_;
    std::vector<ftdi_device_list*> lists_;
    std::vector<libusb_device*> devices_;
    std::vector<InterfaceEntry> entries_;
    bool open_ = false;
    int64_t readTimeout_ = 2000;
    SystemClock clock_;
};

std::mutex idsMutex;
std::vector<UsbId> registeredIds;

std::unique_ptr<SerialDriver> MakeDriver() {
    std::lock_guard<std::mutex> lock(idsMutex);
    return std::make_unique<FtdiSerialDriver>(registeredIds);
}

}  // namespace

std::unique_ptr<SerialDriver> MakeFtdiSerialDriver(std::vector<UsbId> extraIds) {
    return std::make_unique<FtdiSerialDriver>(std::move(extraIds));
}

void RegisterFtdiSerialDriver(std::vector<UsbId> extraIds) {
    {
        std::lock_guard<std::mutex> lock(idsMutex);
        registeredIds = std::move(extraIds);
    }
    RegisterHardwareSerialDriver(&MakeDriver);
}

}  // namespace pelmor
