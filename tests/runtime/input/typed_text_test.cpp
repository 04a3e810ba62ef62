// UTF-8 to Windows-1252: the code page, malformed sequences, the capacity.
#include "input/typed_text.h"

#include <gtest/gtest.h>

#include <string>

namespace qvt::input {
namespace {

std::string convert(std::string_view utf8) {
    std::uint8_t out[64];
    return std::string(reinterpret_cast<const char*>(out), utf8ToWindows1252(utf8, out, sizeof out));
}

// The ends of the plain ranges, the first, a middle and the last of the 27 characters at
// 0x80..0x9F, and the code points with no byte: the C1 controls they replace and beyond 0xFF.
TEST(Utf8ToWindows1252, CodePointsToBytes) {
    const std::pair<char32_t, int> cases[] = {
        {0, 0},      {0x7F, 0x7F}, {0x20AC, 0x80}, {0x2122, 0x99}, {0x0178, 0x9F}, {0xA0, 0xA0},
        {0xFF, 0xFF}, {0x81, -1},  {0x9F, -1},     {0x100, -1},    {0x10FFFF, -1}};
    for (auto [cp, b] : cases) EXPECT_EQ(windows1252FromCodePoint(cp), b) << std::hex << int(cp);
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
