#pragma once

// Text and names between the engine and Qt, for the report, the dialogs and the desktop program:
// the engine's texts are UTF-8, its file and folder names the file system's bytes.

#include <QString>
#include <string>
#include <string_view>

namespace pelmor {

// Texts of the engine are UTF-8.
QString Utf8(std::string_view text);
std::string ToUtf8(const QString& text);
// File and folder names are the system's bytes.
QString FromLocalPath(const std::string& path);
std::string ToLocalPath(const QString& path);
// path with ".suffix" added when its name has no extension.
QString WithDefaultSuffix(const QString& path, const QString& suffix);

}  // namespace pelmor
