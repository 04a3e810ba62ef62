// The key-code table: SDL scancodes to the DirectInput numbering the game's key tests use.
#include <SDL_keyboard.h>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <map>
#include <set>
#include <vector>

#include "platform/keyboard.h"

namespace qvt::platform {
namespace {

int code(SDL_Scancode sc) { return keyCodeForScancode(sc); }

TEST(KeyCodes, KeysTheGameUses) {
    EXPECT_EQ(code(SDL_SCANCODE_ESCAPE), 1);
    EXPECT_EQ(code(SDL_SCANCODE_1), 2) << "the title screen starts a game on [1]";
    EXPECT_EQ(code(SDL_SCANCODE_Q), 16);
    EXPECT_EQ(code(SDL_SCANCODE_P), 25);
    EXPECT_EQ(code(SDL_SCANCODE_RETURN), 28);
    EXPECT_EQ(code(SDL_SCANCODE_S), 31);
    EXPECT_EQ(code(SDL_SCANCODE_Z), 44);
    EXPECT_EQ(code(SDL_SCANCODE_X), 45);
    EXPECT_EQ(code(SDL_SCANCODE_LALT), 56);
    EXPECT_EQ(code(SDL_SCANCODE_F4), 62);
}

// Linux input codes 1..88 are the PC set-1 scan codes of the main block, so they are an
// independent oracle for every key that is not an extended one.
TEST(KeyCodes, MainBlockMatchesSetOneScanCodes) {
    const std::vector<std::pair<SDL_Scancode, int>> keys = {
        {SDL_SCANCODE_ESCAPE, KEY_ESC}, {SDL_SCANCODE_1, KEY_1}, {SDL_SCANCODE_2, KEY_2},
        {SDL_SCANCODE_3, KEY_3}, {SDL_SCANCODE_4, KEY_4}, {SDL_SCANCODE_5, KEY_5},
        {SDL_SCANCODE_6, KEY_6}, {SDL_SCANCODE_7, KEY_7}, {SDL_SCANCODE_8, KEY_8},
        {SDL_SCANCODE_9, KEY_9}, {SDL_SCANCODE_0, KEY_0}, {SDL_SCANCODE_MINUS, KEY_MINUS},
        {SDL_SCANCODE_EQUALS, KEY_EQUAL}, {SDL_SCANCODE_BACKSPACE, KEY_BACKSPACE},
        {SDL_SCANCODE_TAB, KEY_TAB}, {SDL_SCANCODE_Q, KEY_Q}, {SDL_SCANCODE_W, KEY_W},
        {SDL_SCANCODE_E, KEY_E}, {SDL_SCANCODE_R, KEY_R}, {SDL_SCANCODE_T, KEY_T},
        {SDL_SCANCODE_Y, KEY_Y}, {SDL_SCANCODE_U, KEY_U}, {SDL_SCANCODE_I, KEY_I},
        {SDL_SCANCODE_O, KEY_O}, {SDL_SCANCODE_P, KEY_P},
        {SDL_SCANCODE_LEFTBRACKET, KEY_LEFTBRACE}, {SDL_SCANCODE_RIGHTBRACKET, KEY_RIGHTBRACE},
        {SDL_SCANCODE_RETURN, KEY_ENTER}, {SDL_SCANCODE_LCTRL, KEY_LEFTCTRL},
        {SDL_SCANCODE_A, KEY_A}, {SDL_SCANCODE_S, KEY_S}, {SDL_SCANCODE_D, KEY_D},
        {SDL_SCANCODE_F, KEY_F}, {SDL_SCANCODE_G, KEY_G}, {SDL_SCANCODE_H, KEY_H},
        {SDL_SCANCODE_J, KEY_J}, {SDL_SCANCODE_K, KEY_K}, {SDL_SCANCODE_L, KEY_L},
        {SDL_SCANCODE_SEMICOLON, KEY_SEMICOLON}, {SDL_SCANCODE_APOSTROPHE, KEY_APOSTROPHE},
        {SDL_SCANCODE_GRAVE, KEY_GRAVE}, {SDL_SCANCODE_LSHIFT, KEY_LEFTSHIFT},
        {SDL_SCANCODE_BACKSLASH, KEY_BACKSLASH}, {SDL_SCANCODE_Z, KEY_Z},
        {SDL_SCANCODE_X, KEY_X}, {SDL_SCANCODE_C, KEY_C}, {SDL_SCANCODE_V, KEY_V},
        {SDL_SCANCODE_B, KEY_B}, {SDL_SCANCODE_N, KEY_N}, {SDL_SCANCODE_M, KEY_M},
        {SDL_SCANCODE_COMMA, KEY_COMMA}, {SDL_SCANCODE_PERIOD, KEY_DOT},
        {SDL_SCANCODE_SLASH, KEY_SLASH}, {SDL_SCANCODE_RSHIFT, KEY_RIGHTSHIFT},
        {SDL_SCANCODE_KP_MULTIPLY, KEY_KPASTERISK}, {SDL_SCANCODE_LALT, KEY_LEFTALT},
        {SDL_SCANCODE_SPACE, KEY_SPACE}, {SDL_SCANCODE_CAPSLOCK, KEY_CAPSLOCK},
        {SDL_SCANCODE_F1, KEY_F1}, {SDL_SCANCODE_F2, KEY_F2}, {SDL_SCANCODE_F3, KEY_F3},
        {SDL_SCANCODE_F4, KEY_F4}, {SDL_SCANCODE_F5, KEY_F5}, {SDL_SCANCODE_F6, KEY_F6},
        {SDL_SCANCODE_F7, KEY_F7}, {SDL_SCANCODE_F8, KEY_F8}, {SDL_SCANCODE_F9, KEY_F9},
        {SDL_SCANCODE_F10, KEY_F10}, {SDL_SCANCODE_NUMLOCKCLEAR, KEY_NUMLOCK},
        {SDL_SCANCODE_SCROLLLOCK, KEY_SCROLLLOCK}, {SDL_SCANCODE_KP_7, KEY_KP7},
        {SDL_SCANCODE_KP_8, KEY_KP8}, {SDL_SCANCODE_KP_9, KEY_KP9},
        {SDL_SCANCODE_KP_MINUS, KEY_KPMINUS}, {SDL_SCANCODE_KP_4, KEY_KP4},
        {SDL_SCANCODE_KP_5, KEY_KP5}, {SDL_SCANCODE_KP_6, KEY_KP6},
        {SDL_SCANCODE_KP_PLUS, KEY_KPPLUS}, {SDL_SCANCODE_KP_1, KEY_KP1},
        {SDL_SCANCODE_KP_2, KEY_KP2}, {SDL_SCANCODE_KP_3, KEY_KP3},
        {SDL_SCANCODE_KP_0, KEY_KP0}, {SDL_SCANCODE_KP_PERIOD, KEY_KPDOT},
        {SDL_SCANCODE_NONUSBACKSLASH, KEY_102ND}, {SDL_SCANCODE_F11, KEY_F11},
        {SDL_SCANCODE_F12, KEY_F12},
    };
    for (const auto& [sc, expected] : keys)
        EXPECT_EQ(code(sc), expected) << SDL_GetScancodeName(sc);
}

TEST(KeyCodes, ExtendedKeysSitAtEightyHexPlusTheirCode) {
    const std::vector<std::pair<SDL_Scancode, int>> keys = {
        {SDL_SCANCODE_KP_ENTER, 156}, {SDL_SCANCODE_RCTRL, 157}, {SDL_SCANCODE_KP_DIVIDE, 181},
        {SDL_SCANCODE_PRINTSCREEN, 183}, {SDL_SCANCODE_RALT, 184}, {SDL_SCANCODE_PAUSE, 197},
        {SDL_SCANCODE_HOME, 199}, {SDL_SCANCODE_UP, 200}, {SDL_SCANCODE_PAGEUP, 201},
        {SDL_SCANCODE_LEFT, 203}, {SDL_SCANCODE_RIGHT, 205}, {SDL_SCANCODE_END, 207},
        {SDL_SCANCODE_DOWN, 208}, {SDL_SCANCODE_PAGEDOWN, 209}, {SDL_SCANCODE_INSERT, 210},
        {SDL_SCANCODE_DELETE, 211}, {SDL_SCANCODE_LGUI, 219}, {SDL_SCANCODE_RGUI, 220},
        {SDL_SCANCODE_APPLICATION, 221},
    };
    for (const auto& [sc, expected] : keys)
        EXPECT_EQ(code(sc), expected) << SDL_GetScancodeName(sc);
}

TEST(KeyCodes, KeysWithoutACodeAndValuesOutOfRangeGiveZero) {
    EXPECT_EQ(code(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(code(SDL_SCANCODE_F24), 0) << "no DirectInput constant beyond F15";
    EXPECT_EQ(code(SDL_SCANCODE_KP_HEXADECIMAL), 0);
    EXPECT_EQ(keyCodeForScancode(-1), 0);
    EXPECT_EQ(keyCodeForScancode(SDL_NUM_SCANCODES), 0);
    EXPECT_EQ(keyCodeForScancode(1 << 30), 0);
}

// Two scancodes may share a code only where they are one physical key under two names.
TEST(KeyCodes, EveryCodeBelongsToOneKey) {
    const std::set<std::set<int>> aliases = {
        {SDL_SCANCODE_BACKSLASH, SDL_SCANCODE_NONUSHASH},
        {SDL_SCANCODE_MUTE, SDL_SCANCODE_AUDIOMUTE},
        {SDL_SCANCODE_PRINTSCREEN, SDL_SCANCODE_SYSREQ},
        {SDL_SCANCODE_APPLICATION, SDL_SCANCODE_MENU},
    };
    std::map<int, std::set<int>> scancodesOf;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        if (int c = keyCodeForScancode(sc); c != 0) scancodesOf[c].insert(sc);
    }
    EXPECT_GE(scancodesOf.size(), 120u) << "the table lost keys";
    for (const auto& [c, scancodes] : scancodesOf) {
        if (scancodes.size() > 1) {
            EXPECT_TRUE(aliases.count(scancodes) == 1)
                << "code " << c << " is shared by " << scancodes.size() << " keys, first "
                << SDL_GetScancodeName(static_cast<SDL_Scancode>(*scancodes.begin()));
        }
    }
}

TEST(KeyCodes, ReverseLookupFindsTheKeyAgain) {
    for (int c = 1; c < kKeyCodeCount; ++c) {
        int sc = scancodeForKeyCode(static_cast<std::uint8_t>(c));
        if (sc != 0) {
            EXPECT_EQ(keyCodeForScancode(sc), c) << "code " << c;
        }
    }
    EXPECT_EQ(scancodeForKeyCode(43), SDL_SCANCODE_BACKSLASH) << "the common name comes back";
    EXPECT_EQ(scancodeForKeyCode(28), SDL_SCANCODE_RETURN);
    EXPECT_EQ(scancodeForKeyCode(0), 0);
    EXPECT_EQ(scancodeForKeyCode(0x59), 0) << "a code no key has";
}

}  // namespace
}  // namespace qvt::platform
