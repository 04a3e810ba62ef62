// The keyboard: SDL scancodes to the DirectInput numbering the game's key tests use (the
// scripted keys run the way back), and KeyDown over real SDL key events.
#include "platform/keyboard.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "input/input.h"
#include "support/headless.h"

namespace qvt::platform {
namespace {

TEST(KeyCodes, ScancodesMapToTheCodesTheGameUses) {
    const std::pair<SDL_Scancode, int> keysUsed[] = {
        {SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_1, 2},     {SDL_SCANCODE_P, 25},  {SDL_SCANCODE_RETURN, 28},
        {SDL_SCANCODE_Z, 44},     {SDL_SCANCODE_LALT, 56}, {SDL_SCANCODE_F4, 62}, {SDL_SCANCODE_KP_ENTER, 156},
        {SDL_SCANCODE_UP, 200},   {SDL_SCANCODE_RGUI, 220}, {SDL_SCANCODE_F24, 0}, {SDL_SCANCODE_UNKNOWN, 0}};
    for (auto [sc, code] : keysUsed) EXPECT_EQ(keyCodeForScancode(sc), code) << SDL_GetScancodeName(sc);
    for (int sc : {-1, int(SDL_NUM_SCANCODES), 1 << 30}) EXPECT_EQ(keyCodeForScancode(sc), 0) << sc;
}

// A loop that tests keys without showing frames sees a key go down and come up again:
// KeyDown of [Z] after 129 queries, which sample the keyboard once.
TEST(SdlKeyboardTest, KeyDownResampleSeesKeyEventsWithoutAFrame) {
    test::HeadlessRuntime runtime;
    ASSERT_TRUE(runtime.started());
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP, SDL_KEYDOWN}) {
        SDL_Event e{};
        e.type = type;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = SDL_SCANCODE_Z;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
        std::int32_t down = 0;
        for (std::uint32_t i = 0; i <= kKeyQueriesPerPoll; ++i) down = KeyDown(44);
        EXPECT_EQ(down, type == SDL_KEYDOWN) << (type == SDL_KEYDOWN ? "pressed" : "released");
    }
    runtime.frame();
    EXPECT_EQ(KeyDown(44), 1) << "and a frame's own sample agrees";
}

}  // namespace
}  // namespace qvt::platform
