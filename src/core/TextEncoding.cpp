#include "core/TextEncoding.h"

#include <cstdint>

namespace pelmor {

namespace {

// The length of the well-formed UTF-8 sequence at text[i] and its code point; 0 when the bytes
// there do not form one (overlong forms and surrogates included).
std::size_t Sequence(std::string_view text, std::size_t i, uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[i + k]); };
    const uint8_t b0 = byte(0);
    if (b0 < 0x80) {
        code = b0;
        return 1;
    }
    std::size_t n = 0;
    uint32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2, code = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3, code = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4, code = b0 & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < n) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char c : latin1) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (b >> 6)));
            out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        uint32_t code = 0;
        const std::size_t n = Sequence(utf8, i, code);
        if (n == 0) {
            out.push_back(utf8[i]);
            ++i;
            continue;
        }
        out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
        i += n;
    }
    return out;
}

std::size_t Utf8Length(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++count) {
        uint32_t code = 0;
        const std::size_t n = Sequence(utf8, i, code);
        i += n == 0 ? 1 : n;
    }
    return count;
}

}  // namespace pelmor
