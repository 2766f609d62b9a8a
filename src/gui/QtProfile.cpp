#include "gui/QtProfile.h"

#include <QByteArray>
#include <QString>

#include "report/QtText.h"

namespace pelmor {

namespace {
QString Key(const std::string& section, const std::string& key) {
    return QString::fromLatin1(section.c_str()) + QLatin1Char('/') +
           QString::fromLatin1(key.c_str());
}
}  // namespace

std::string FromStoredText(const QString& stored) {
    // Earlier versions stored the program's bytes one character per byte. Such a value (no
    // character above U+00FF, its bytes well-formed UTF-8) is taken back byte for byte; any
    // other value, a Latin-1 name typed by hand included, is read as the text it shows.
    bool bytewise = true;
    for (QChar c : stored) bytewise = bytewise && c.unicode() <= 0xFF;
    if (bytewise) {
        const QByteArray bytes = stored.toLatin1();
        if (QString::fromUtf8(bytes).toUtf8() == bytes) return bytes.toStdString();
    }
    return ToUtf8(stored);
}

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
    return FromStoredText(v.toString());
}

void QtProfile::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
    const std::lock_guard<std::mutex> lock(mutex_);
    settings_.setValue(Key(section, key), Utf8(value));
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
