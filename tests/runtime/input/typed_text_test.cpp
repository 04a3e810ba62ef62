// UTF-8 to Windows-1252: every byte of the code page, malformed sequences, the capacity.
#include "input/typed_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qvt::input {
namespace {

std::string convert(std::string_view utf8) {
    std::uint8_t out[64];
    return std::string(reinterpret_cast<const char*>(out), utf8ToWindows1252(utf8, out, sizeof out));
}

TEST(Utf8ToWindows1252, EveryByteOfTheCodePageRoundTrips) {
    // The 27 characters Windows-1252 puts at 0x80..0x9F, by code point (0: a C1 control).
    const char32_t high[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                               0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                               0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<char32_t>(b);
        if (cp == 0 && b != 0) {
            EXPECT_EQ(windows1252FromCodePoint(static_cast<char32_t>(b)), -1) << "C1 control U+" << std::hex << b;
        } else {
            EXPECT_EQ(windows1252FromCodePoint(cp), b) << "byte " << b;
        }
    }
    EXPECT_EQ(windows1252FromCodePoint(0x100), -1);
    EXPECT_EQ(windows1252FromCodePoint(0x10FFFF), -1);
}

TEST(Utf8ToWindows1252, MalformedSequencesAreDroppedAndTheRestConverts) {
    const std::pair<const char*, const char*> cases[] = {
        {"a\xC3", "truncated at the end"}, {"\xC3" "a", "lead byte without continuation"},
        {"\x80\xBF" "a", "stray continuation bytes"}, {"\xC0\xAF\xC1\x81" "a", "overlong forms"},
        {"\xE0\x80\xAF" "a", "overlong three-byte form"}, {"\xED\xA0\x80" "a", "a surrogate"},
        {"\xF4\x90\x80\x80" "a", "beyond U+10FFFF"}, {"\xFF\xFE" "a", "bytes UTF-8 never uses"},
    };
    for (auto [in, what] : cases) EXPECT_EQ(convert(in), "a") << what;
    EXPECT_EQ(convert("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), "\xE9\x80") << "e acute, euro, an emoji";
    std::uint8_t out[3] = {};
    EXPECT_EQ(utf8ToWindows1252("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", out, 3), 3u) << "stops at the capacity";
    EXPECT_EQ(out[2], 0xE9);
}

}  // namespace
}  // namespace qvt::input
