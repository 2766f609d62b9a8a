#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmor {

// Per-user settings: integer, string and binary values by section and key. The GUI keeps them
// under "Strell Lab" / "Pelmor"; the CLI and the tests use an in-memory profile.
class Profile {
  public:
    virtual ~Profile() = default;
    virtual int GetInt(const std::string& section, const std::string& key, int defaultValue) = 0;
    virtual void WriteInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string GetString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) = 0;
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    // nullopt when the value does not exist.
    virtual std::optional<std::vector<uint8_t>> GetBinary(const std::string& section,
                                                          const std::string& key) = 0;
    virtual void WriteBinary(const std::string& section, const std::string& key,
                             const std::vector<uint8_t>& value) = 0;
};

}  // namespace pelmor
