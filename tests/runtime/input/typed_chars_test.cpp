// Typed characters: the pending buffer and its rules, UTF-8 text turned into
// Windows-1252, and the keys that type Enter, Backspace and Tab.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "input/input.h"
#include "input/typed_text.h"
#include "support/scripted_input.h"

namespace qvt {
namespace {

// Everything pending, oldest first.
std::string drain() {
    std::string out;
    for (RuntimeString c = InKey(); !c.empty(); c = InKey()) {
        EXPECT_EQ(c.length(), 1u);
        out.append(c.c_str(), c.length());
    }
    return out;
}

platform::Event textEvent(const char* utf8) {
    platform::Event e;
    e.type = platform::EventType::Text;
    std::strncpy(e.text, utf8, sizeof e.text - 1);
    return e;
}

class TypedCharsTest : public testing::Test {
protected:
    void TearDown() override { ShutdownInput(); }
    test::ScriptedInput keys;
};

TEST_F(TypedCharsTest, InKeyIsEmptyWhenNothingIsPending) {
    EXPECT_TRUE(InKey().empty());
}

TEST_F(TypedCharsTest, PushRules) {
    PushTypedChar(0);
    PushTypedChar('a');
    PushTypedChar(13);
    PushTypedChar(1);
    PushTypedChar(27);
    PushTypedChar(31);
    PushTypedChar(8);
    PushTypedChar(9);
    PushTypedChar(10);
    PushTypedChar(127);
    PushTypedChar(0xE9);
    EXPECT_EQ(drain(), std::string("a\n\b\t\n\x7f\xe9"))
        << "0 and control characters other than 8, 9, 10 are dropped; 13 becomes 10";
}

TEST_F(TypedCharsTest, SeventeenCharactersBetweenTwoInKeysLoseTheSeventeenth) {
    for (int i = 0; i < 17; ++i) PushTypedChar(static_cast<std::uint8_t>('A' + i));
    EXPECT_EQ(drain(), "ABCDEFGHIJKLMNOP");
    PushTypedChar('Z');
    EXPECT_EQ(drain(), "Z") << "room again once InKey took some";
}

TEST_F(TypedCharsTest, TheBufferRefillsAsInKeyDrainsIt) {
    for (int i = 0; i < 16; ++i) PushTypedChar('x');
    EXPECT_EQ(InKey().c_str()[0], 'x');
    PushTypedChar('y');
    PushTypedChar('z');  // no room: 16 pending again
    std::string rest = drain();
    EXPECT_EQ(rest, std::string(15, 'x') + "y");
}

TEST_F(TypedCharsTest, EnterBackspaceAndTabComeFromKeyDownsIncludingRepeats) {
    keys.keyEvent(28);                    // Return
    keys.keyEvent(156);                   // keypad Enter
    keys.keyEvent(14);                    // Backspace
    keys.keyEvent(14, /*repeat=*/true);   // held: auto-repeat types again
    keys.keyEvent(15);                    // Tab
    keys.keyEvent(30);                    // A: letters come as text, not from key-downs
    keys.keyEvent(1);                     // Escape types nothing
    keys.keyEvent(28, false, /*altDown=*/true);
    EXPECT_EQ(drain(), "\n\n\b\b\t") << "Return arrives as 10; Alt+Return types nothing";
}

TEST_F(TypedCharsTest, TextIsConvertedToWindows1252) {
    input::HandleEvent(textEvent("\xC3\xA9"));      // é
    input::HandleEvent(textEvent("\xE2\x82\xAC"));  // €
    input::HandleEvent(textEvent("\xE3\x81\x82"));  // あ: not in Windows-1252
    input::HandleEvent(textEvent("a\xE3\x81\x82" "b\xC5\xB8"));  // Ÿ at 0x9F
    input::HandleEvent(textEvent("\xF0\x9F\x98\x80"));  // an emoji
    EXPECT_EQ(drain(), std::string("\xE9\x80" "ab\x9F"));
}

TEST_F(TypedCharsTest, ControlCharactersInTextAreDropped) {
    input::HandleEvent(textEvent("a\rb\x01" "c\td\x1B" "e\n"));
    input::HandleEvent(textEvent("\xC2\x85"));  // U+0085, a C1 control, has no byte
    EXPECT_EQ(drain(), "abcde") << "Enter, Tab and Backspace come from key-downs only";
}

TEST_F(TypedCharsTest, AFullTextFieldWithoutTerminatorIsReadNoFurther) {
    platform::Event e;
    e.type = platform::EventType::Text;
    std::memset(e.text, 'q', sizeof e.text);
    input::HandleEvent(e);
    EXPECT_EQ(drain(), std::string(16, 'q'));
}

TEST_F(TypedCharsTest, ScriptedTypingTakesTheRealPath) {
    keys.type("HELLO\n");
    EXPECT_EQ(drain(), "HELLO\n");
    keys.type("a\r\nb\rc\bd\t");
    EXPECT_EQ(drain(), "a\nb\nc\bd\t") << "\\r\\n is one Return";
    keys.type("\xC3\xBC" "ber");
    EXPECT_EQ(drain(), "\xFC" "ber");
}

TEST_F(TypedCharsTest, LongScriptedTextIsSplitBetweenCharacters) {
    std::string euros;
    for (int i = 0; i < 11; ++i) euros += "\xE2\x82\xAC";  // 33 bytes: one event cannot hold it
    keys.type(euros);
    EXPECT_EQ(drain(), std::string(11, '\x80')) << "no character cut in half";
}

// ---- The converter on its own -------------------------------------------------------

std::string convert(std::string_view utf8) {
    std::uint8_t out[64];
    std::size_t n = input::utf8ToWindows1252(utf8, out, sizeof out);
    return std::string(reinterpret_cast<const char*>(out), n);
}

TEST(Utf8ToWindows1252, EveryByteOfTheCodePageRoundTrips) {
    // The 27 characters Windows-1252 puts at 0x80..0x9F, by code point.
    const char32_t high[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
                               0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    for (int b = 0; b < 256; ++b) {
        char32_t cp = b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<char32_t>(b);
        if (cp == 0 && b != 0) {
            EXPECT_EQ(input::windows1252FromCodePoint(static_cast<char32_t>(b)), -1)
                << "C1 control U+" << std::hex << b;
            continue;
        }
        EXPECT_EQ(input::windows1252FromCodePoint(cp), b) << "byte " << b;
    }
    EXPECT_EQ(input::windows1252FromCodePoint(0x100), -1);
    EXPECT_EQ(input::windows1252FromCodePoint(0x10FFFF), -1);
}

TEST(Utf8ToWindows1252, MalformedSequencesAreDroppedAndTheRestConverts) {
    EXPECT_EQ(convert("a\xC3"), "a") << "truncated at the end";
    EXPECT_EQ(convert("\xC3" "b"), "b") << "lead byte without continuation";
    EXPECT_EQ(convert("\x80\xBF" "c"), "c") << "stray continuation bytes";
    EXPECT_EQ(convert("\xC0\xAF\xC1\x81" "d"), "d") << "overlong forms";
    EXPECT_EQ(convert("\xE0\x80\xAF" "e"), "e") << "overlong three-byte form";
    EXPECT_EQ(convert("\xED\xA0\x80" "f"), "f") << "a surrogate";
    EXPECT_EQ(convert("\xF4\x90\x80\x80" "g"), "g") << "beyond U+10FFFF";
    EXPECT_EQ(convert("\xFF\xFE" "h"), "h");
}

TEST(Utf8ToWindows1252, StopsAtTheCapacity) {
    std::uint8_t out[3] = {};
    EXPECT_EQ(input::utf8ToWindows1252("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", out, 3), 3u);
    EXPECT_EQ(out[2], 0xE9);
}

}  // namespace
}  // namespace qvt
