#include "input/typed_text.h"

namespace qvt::input {

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F; 0 where the byte is unassigned.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes one well-formed sequence at the start of s. Returns its length, or 0 when the
// first byte does not begin one.
std::size_t decodeOne(std::string_view s, char32_t* cp) {
    auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    }
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the range allowed for the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;  // overlong
        if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;  // overlong
        if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < len) return 0;
    auto b1 = static_cast<unsigned char>(s[1]);
    if (b1 < lo || b1 > hi) return 0;
    char32_t value = b0 & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i) {
        auto b = static_cast<unsigned char>(s[i]);
        if (!isContinuation(b)) return 0;
        value = (value << 6) | (b & 0x3F);
    }
    *cp = value;
    return len;
}

}  // namespace

int windows1252FromCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == cp) return 0x80 + i;
    }
    return -1;
}

std::size_t utf8ToWindows1252(std::string_view utf8, std::uint8_t* out, std::size_t cap) {
    std::size_t written = 0;
    while (!utf8.empty() && written < cap) {
        char32_t cp = 0;
        std::size_t len = decodeOne(utf8, &cp);
        if (len == 0) {
            utf8.remove_prefix(1);
            continue;
        }
        utf8.remove_prefix(len);
        int byte = windows1252FromCodePoint(cp);
        if (byte >= 0) out[written++] = static_cast<std::uint8_t>(byte);
    }
    return written;
}

}  // namespace qvt::input
