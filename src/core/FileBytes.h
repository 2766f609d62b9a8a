#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmor {

// Whole-file reads and writes that report the system's reason on failure (for messages that
// name the file and why it could not be used).
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason);
bool ReadFileText(const std::string& path, std::string& text, std::string& reason);
// Writes the whole file and checks every step, including the close. A destination that exists
// and is neither a regular file nor a folder (a FIFO, a device node, a socket) is refused before
// it is opened, with NotRegularFileMessage as the reason; a symbolic link is followed.
bool WriteFileBytes(const std::string& path, const void* data, std::size_t size,
                    std::string& reason);
inline bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& reason) {
    return WriteFileBytes(path, bytes.data(), bytes.size(), reason);
}
bool FileExists(const std::string& path);
// Whether path exists and is something other than a regular file or a folder (links followed):
// no file the program writes may replace or write into it.
bool IsSpecialFile(const std::string& path);
// "%s is not a regular file." with the path.
std::string NotRegularFileMessage(const std::string& path);

// The part of a path after the last '/' or '\' (names from other systems display well).
std::string FileNameOf(const std::string& path);
// The part before the last '/' or '\' ("" when there is none).
std::string FolderOf(const std::string& path);

}  // namespace pelmor
