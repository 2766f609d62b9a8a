#include "report/QtText.h"

#include <QFileInfo>

namespace pelmor {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

QString FromLocalPath(const std::string& path) {
    return QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
}

std::string ToLocalPath(const QString& path) { return path.toLocal8Bit().toStdString(); }

QString WithDefaultSuffix(const QString& path, const QString& suffix) {
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1Char('.') + suffix : path;
}

}  // namespace pelmor
