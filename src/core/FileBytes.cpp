#include "core/FileBytes.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pelmor {

namespace {
std::string Reason(int error) { return std::strerror(error); }
}  // namespace

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason) {
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = Reason(errno);
        return false;
    }
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        reason = Reason(EISDIR);
        return false;
    }
    uint8_t chunk[65536];
    for (;;) {
        std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) break;
    }
    bool failed = std::ferror(f) != 0;
    int error = errno;
    std::fclose(f);
    if (failed) {
        reason = Reason(error);
        return false;
    }
    return true;
}

bool ReadFileText(const std::string& path, std::string& text, std::string& reason) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, reason)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool WriteFileBytes(const std::string& path, const void* data, std::size_t size,
                    std::string& reason) {
    // Opened for writing, a FIFO would block and a device node take the bytes.
    if (IsSpecialFile(path)) {
        reason = NotRegularFileMessage(path);
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        reason = Reason(errno);
        return false;
    }
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    int error = ok ? 0 : errno;
    if (std::fflush(f) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) reason = Reason(error ? error : EIO);
    return ok;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool IsSpecialFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::string NotRegularFileMessage(const std::string& path) {
    return path + " is not a regular file.";
}

std::string FileNameOf(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string FolderOf(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

}  // namespace pelmor
