#pragma once

#include <QSettings>

#include "platform/Profile.h"

namespace pelmor {

// The per-user settings in QSettings under "Strell Lab" / "Pelmor": sections are groups, binary
// values byte arrays, strings single-byte (Latin-1) text.
class QtProfile : public Profile {
  public:
    QtProfile();
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

    QSettings& Settings() { return settings_; }

  private:
    QSettings settings_;
};

}  // namespace pelmor
