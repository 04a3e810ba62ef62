// The system keyboard under KeyDown: real SDL key events, no scripted source.
#include "platform/keyboard.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "input/input.h"
#include "support/headless.h"

namespace qvt {
namespace {

// ---- fidelity

void pushKey(Uint32 type, SDL_Scancode scancode) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = scancode;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

// KeyDown of key code 44 ([Z]) after 129 queries, which sample the keyboard once.
std::int32_t sampledZ() {
    std::int32_t down = 0;
    for (std::uint32_t i = 0; i <= kKeyQueriesPerPoll; ++i) down = KeyDown(44);
    return down;
}

// A loop that tests keys without showing frames sees a key go down and come up again.
TEST(SdlKeyboardTest, KeyDownResampleSeesKeyEventsWithoutAFrame) {
    test::HeadlessRuntime runtime;
    ASSERT_TRUE(runtime.started());
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_Z);
    EXPECT_EQ(sampledZ(), 1);
    pushKey(SDL_KEYUP, SDL_SCANCODE_Z);
    EXPECT_EQ(sampledZ(), 0) << "the release is seen";
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_Z);
    runtime.frame();
    EXPECT_EQ(KeyDown(44), 1) << "and a frame's own sample agrees";
}

}  // namespace
}  // namespace qvt
