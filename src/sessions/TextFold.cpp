#include "sessions/TextFold.h"

#include <cstdint>

namespace pelmor {

namespace {

// Decodes the character at text[at], advancing at; none for a malformed sequence.
std::optional<char32_t> Decode(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(at);
    int extra;
    char32_t c;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (at + extra >= text.size()) return std::nullopt;
    for (int k = 1; k <= extra; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return std::nullopt;
        c = c << 6 | (byte(at + k) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    at += extra + 1;
    return c;
}

void Encode(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t Lower(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1
    if (c == 0x178) return 0xFF;                             // Ÿ
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c % 2 == 0 ? c + 1 : c;  // Latin Extended-A, pairs from an even code
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return c % 2 == 1 ? c + 1 : c;                          // pairs from an odd code
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
    if (c >= 0x388 && c <= 0x38A) return c + 37;                // Έ Ή Ί
    if (c == 0x386) return 0x3AC;                               // Ά
    if (c == 0x38C) return 0x3CC;                               // Ό
    if (c == 0x38E || c == 0x38F) return c + 63;                // Ύ Ώ
    if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

}  // namespace

std::string FoldCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        if (const std::optional<char32_t> c = Decode(utf8, at)) {
            Encode(Lower(*c), out);
        } else {
            out += utf8[start];  // not UTF-8: kept byte for byte
            at = start + 1;
        }
    }
    return out;
}

std::optional<std::size_t> ValidUtf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count)
        if (!Decode(text, at)) return std::nullopt;
    return count;
}

}  // namespace pelmor
