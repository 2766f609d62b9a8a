#pragma once

// USB vendor and product ids of converters built into instruments with ids of their own. They
// are searched before the converter maker's standard ids.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor {

struct UsbId {
    uint16_t vendor = 0;
    uint16_t product = 0;
    bool operator==(const UsbId&) const = default;
};

// The settings-store value that holds further ids, in the form of PELMOR_USB_IDS.
inline constexpr char kUsbIdsSection[] = "Device";
inline constexpr char kUsbIdsKey[] = "USB ids";

// "vid:pid,vid:pid,..." in hexadecimal ("0x" allowed, spaces around items ignored). Every
// well-formed pair is appended to ids; false with error naming the first item that is not one.
bool ParseUsbIds(std::string_view text, std::vector<UsbId>& ids, std::string& error);

// The further ids: those of the environment variable PELMOR_USB_IDS (environment, nullptr when
// unset) first, then those of the settings-store value, each once. Items that are not ids are
// described in warning (when given) and left out.
std::vector<UsbId> ExtraUsbIds(const char* environment, const std::string& stored,
                               std::string* warning = nullptr);

// The order of the device search: the further ids, then {0, 0}, which stands for the converter
// maker's standard ids.
std::vector<UsbId> UsbSearchOrder(const std::vector<UsbId>& extra);

}  // namespace pelmor
