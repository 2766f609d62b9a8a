#pragma once

#include <QSettings>
#include <mutex>

#include "platform/Profile.h"

namespace pelmor {

// A string value of the settings store as the program's UTF-8 text.
std::string FromStoredText(const QString& stored);

// The per-user settings in QSettings under "Strell Lab" / "Pelmor": sections are groups, binary
// values byte arrays, strings UTF-8 text. One QSettings object is not safe to
// share between threads, and the recording's save options are read and written on the
// acquisition thread: every access takes the lock.
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
    std::mutex mutex_;
    QSettings settings_;
};

}  // namespace pelmor
