#include "gui/QtProfile.h"

#include <QByteArray>
#include <QString>

namespace pelmor {

namespace {
QString Key(const std::string& section, const std::string& key) {
    return QString::fromLatin1(section.c_str()) + QLatin1Char('/') +
           QString::fromLatin1(key.c_str());
}
}  // namespace

QtProfile::QtProfile() : settings_(QStringLiteral("Strell Lab"), QStringLiteral("Pelmor")) {}

int QtProfile::GetInt(const std::string& section, const std::string& key, int defaultValue) {
    const std::lock_guard<std::mutex> lock(mutex_);
    bool ok = false;
    int v = settings_.value(Key(section, key), defaultValue).toInt(&ok);
    return ok ? v : defaultValue;
}

void QtProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    const std::lock_guard<std::mutex> lock(mutex_);
    settings_.setValue(Key(section, key), value);
}

std::string QtProfile::GetString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
    const std::lock_guard<std::mutex> lock(mutex_);
    QVariant v = settings_.value(Key(section, key));
    if (!v.isValid()) return defaultValue;
    return v.toString().toLatin1().toStdString();
}

void QtProfile::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
    const std::lock_guard<std::mutex> lock(mutex_);
    settings_.setValue(Key(section, key),
                       QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())));
}

std::optional<std::vector<uint8_t>> QtProfile::GetBinary(const std::string& section,
                                                         const std::string& key) {
    const std::lock_guard<std::mutex> lock(mutex_);
    QVariant v = settings_.value(Key(section, key));
    if (!v.isValid()) return std::nullopt;
    QByteArray bytes = v.toByteArray();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void QtProfile::WriteBinary(const std::string& section, const std::string& key,
                            const std::vector<uint8_t>& value) {
    const std::lock_guard<std::mutex> lock(mutex_);
    settings_.setValue(Key(section, key), QByteArray(reinterpret_cast<const char*>(value.data()),
                                                     static_cast<qsizetype>(value.size())));
}

}  // namespace pelmor
