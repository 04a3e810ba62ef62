// Key states (sampled once per frame and again after every 129 queries) and typed
// characters from text and key-down events.
#include "input/input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/scripted_input.h"

namespace qvt {
namespace {

constexpr int kZ = 44;
constexpr int kX = 45;

class InputTest : public testing::Test {
protected:
    void TearDown() override { ShutdownInput(); }
    test::ScriptedInput keys;
};

TEST_F(InputTest, KeysAreSampledPerFrameAndAfterEvery128Queries) {
    input::PollForFrame();
    keys.press(kZ);
    EXPECT_EQ(KeyDown(kZ), 0) << "a key pressed after the frame's sample is not seen yet";
    PollKeyboard();
    EXPECT_EQ(KeyDown(kZ) * 10 + KeyDown(kX), 10);
    input::PollForFrame();
    ASSERT_EQ(keys.samples(), 3);
    keys.release(kZ);
    for (int i = 1; i <= 128; ++i) ASSERT_EQ(KeyDown(kZ), 1) << "query " << i << " uses the frame's sample";
    EXPECT_EQ(KeyDown(kZ), 0) << "query 129 samples first";

    for (int c = 0; c < 256; ++c) keys.press(c);
    input::PollForFrame();
    for (double c : {44.9, -0.5, 255.99}) EXPECT_EQ(KeyDown(c), 1) << c;
    for (double c : {256.0, -1.0, std::nan(""), -1e300}) EXPECT_EQ(KeyDown(c), 0) << c << ": no wrap-around";
}

TEST_F(InputTest, TypedCharactersFromKeyDownsAndTextInWindows1252) {
    const auto drain = [] {  // everything pending, oldest first
        std::string out;
        for (RuntimeString c = InKey(); !c.empty(); c = InKey()) out.append(c.c_str(), c.length());
        return out;
    };
    for (int c : {0, int('a'), 13, 1, 27, 31, 8, 9, 10, 127, 0xE9}) PushTypedChar(static_cast<std::uint8_t>(c));
    EXPECT_EQ(drain(), "a\n\b\t\n\x7f\xe9") << "0 and control characters but 8, 9, 10 dropped; 13 becomes 10";
    for (int i = 0; i < 17; ++i) PushTypedChar(static_cast<std::uint8_t>('A' + i));
    EXPECT_EQ(InKey().c_str()[0], 'A');
    PushTypedChar('y');
    PushTypedChar('z');  // no room: 16 pending again
    EXPECT_EQ(drain(), "BCDEFGHIJKLMNOPy") << "the seventeenth and the overflow are lost";

    keys.keyEvent(28);                   // Return
    keys.keyEvent(14, /*repeat=*/true);  // Backspace held: auto-repeat types
    keys.keyEvent(30);                   // A: letters come as text, not from key-downs
    keys.keyEvent(28, false, /*altDown=*/true);
    EXPECT_EQ(drain(), "\n\b") << "Return arrives as 10; Alt+Return types nothing";
    platform::Event e;
    e.type = platform::EventType::Text;
    std::strncpy(e.text, "\xC3\xA9\xE2\x82\xAC" "a\rb\x01" "c\td\x1B", sizeof e.text - 1);
    input::HandleEvent(e);
    EXPECT_EQ(drain(), "\xE9\x80" "abcd") << "no control characters from text";
    std::memset(e.text, 'q', sizeof e.text);
    input::HandleEvent(e);
    EXPECT_EQ(drain(), std::string(16, 'q')) << "a field without terminator is read no further";
}

}  // namespace
}  // namespace qvt
