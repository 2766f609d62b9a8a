#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "platform/Profile.h"

namespace pelmor {

// Settings kept in memory, keyed by (section, key): the command-line program starts from the
// defaults this way and never touches the user's settings; tests inspect the maps.
class MemoryProfile : public Profile {
  public:
    int GetInt(const std::string& section, const std::string& key, int defaultValue) override;
    void WriteInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) override;
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override;
    std::optional<std::vector<uint8_t>> GetBinary(const std::string& section,
                                                  const std::string& key) override;
    void WriteBinary(const std::string& section, const std::string& key,
                     const std::vector<uint8_t>& value) override;

    bool Has(const std::string& section, const std::string& key) const;
    void Clear();

    std::map<std::pair<std::string, std::string>, int> ints;
    std::map<std::pair<std::string, std::string>, std::string> strings;
    std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> binaries;

  private:
    mutable std::mutex mutex_;
};

}  // namespace pelmor
