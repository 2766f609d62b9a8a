#include "platform/MemoryProfile.h"

namespace pelmor {

using Lock = std::lock_guard<std::mutex>;

int MemoryProfile::GetInt(const std::string& section, const std::string& key, int defaultValue) {
    Lock lock(mutex_);
    auto it = ints.find({section, key});
    return it == ints.end() ? defaultValue : it->second;
}
void MemoryProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    Lock lock(mutex_);
    ints[{section, key}] = value;
}
std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) {
    Lock lock(mutex_);
    auto it = strings.find({section, key});
    return it == strings.end() ? defaultValue : it->second;
}
void MemoryProfile::WriteString(const std::string& section, const std::string& key,
                                const std::string& value) {
    Lock lock(mutex_);
    strings[{section, key}] = value;
}
std::optional<std::vector<uint8_t>> MemoryProfile::GetBinary(const std::string& section,
                                                             const std::string& key) {
    Lock lock(mutex_);
    auto it = binaries.find({section, key});
    if (it == binaries.end()) return std::nullopt;
    return it->second;
}
void MemoryProfile::WriteBinary(const std::string& section, const std::string& key,
                                const std::vector<uint8_t>& value) {
    Lock lock(mutex_);
    binaries[{section, key}] = value;
}
bool MemoryProfile::Has(const std::string& section, const std::string& key) const {
    Lock lock(mutex_);
    std::pair<std::string, std::string> k{section, key};
    return ints.count(k) || strings.count(k) || binaries.count(k);
}
void MemoryProfile::Clear() {
    Lock lock(mutex_);
    ints.clear();
    strings.clear();
    binaries.clear();
}

}  // namespace pelmor
