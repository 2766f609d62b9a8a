#include "device/UsbIds.h"

#include <algorithm>
#include <charconv>

namespace pelmor {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool ParseHex16(std::string_view s, uint16_t& value) {
    s = Trim(s);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    if (s.empty() || s.size() > 4) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

bool ParseUsbIds(std::string_view text, std::vector<UsbId>& ids, std::string& error) {
    bool ok = true;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = Trim(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty()) continue;
        const std::size_t colon = item.find(':');
        UsbId id;
        if (colon != std::string_view::npos && ParseHex16(item.substr(0, colon), id.vendor) &&
            ParseHex16(item.substr(colon + 1), id.product)) {
            ids.push_back(id);
        } else if (ok) {
            error = "\"" + std::string(item) +
                    "\" is not a USB id: write vendor:product in hexadecimal, such as 0403:6010.";
            ok = false;
        }
    }
    return ok;
}

std::vector<UsbId> ExtraUsbIds(const char* environment, const std::string& stored,
                               std::string* warning) {
    std::vector<UsbId> all;
    std::string error;
    if (environment != nullptr && !ParseUsbIds(environment, all, error) && warning != nullptr)
        *warning = "PELMOR_USB_IDS: " + error;
    if (!ParseUsbIds(stored, all, error) && warning != nullptr && warning->empty())
        *warning = "The USB ids of the settings: " + error;
    std::vector<UsbId> ids;
    for (const UsbId& id : all)
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    return ids;
}

std::vector<UsbId> UsbSearchOrder(const std::vector<UsbId>& extra) {
    std::vector<UsbId> order = extra;
    order.push_back({0, 0});
    return order;
}

}  // namespace pelmor
