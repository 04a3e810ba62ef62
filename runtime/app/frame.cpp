#include "app/frame.h"

#include <cmath>
#include <cstdio>

#include "app/testing.h"
#include "audio/music.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/lifecycle.h"
#include "app/program.h"
#include "gfx/screen.h"
#include "input/input.h"
#include "platform/events.h"
#include "platform/window.h"

namespace qvt {

namespace {

constexpr std::int32_t kKeyEscape = 1;
constexpr std::int32_t kKeyEscapeAlternate = 129;
constexpr std::int32_t kKeyLeftAlt = 56;
constexpr std::int32_t kKeyF4 = 62;
constexpr int kIdleRounds = 15;
constexpr int kIdleSleepMs = 5;
constexpr int kPauseSleepMs = 200;

enum class Lookup { NotYet, Absent, Present };

struct FrameLoop {
    bool paused = false;
    bool autoPause = true;
    bool escapeQuits = true;
    bool activateRequest = false;
    Lookup callbackLookup = Lookup::NotYet;
    Routine callback = nullptr;
    RuntimeString savedCaption;
};

FrameLoop loop;

// Kept apart from FrameLoop: ResetFrameLoop runs at every start-up, and a test installs its
// observer around a whole run.
struct FrameObserver {
    void (*observer)(void*) = nullptr;
    void* user = nullptr;
};
FrameObserver frameObserver;

// QVT_WIN32_MSG is looked up once per start-up; the table does not change while running.
Routine messageCallback() {
    if (loop.callbackLookup == Lookup::NotYet) {
        loop.callback = FindByName(RuntimeString("QVT_WIN32_MSG"));
        loop.callbackLookup = loop.callback != nullptr ? Lookup::Present : Lookup::Absent;
    }
    return loop.callback;
}

void pumpWithCallback() { PumpMessages(messageCallback()); }

void endFromKey() {
    SetLastError(kErrSuccess);
    EndProgram();
}

void focusChanged(bool gained) {
    if (Settings().debugMode != 0 || !loop.autoPause) return;
    RuntimeString caption = loop.savedCaption;
    if (!gained) caption.append(" <pause>");
    platform::setWindowCaption(caption.c_str());
    SetPause(gained ? 0 : 1);
}

void handleEvent(const platform::Event& event) {
    using platform::EventType;
    switch (event.type) {
        case EventType::FocusLost: focusChanged(false); break;
        case EventType::FocusGained: focusChanged(true); break;
        case EventType::Close:
        case EventType::Quit: EndProgram(); break;
        case EventType::KeyDown:
        case EventType::KeyUp:
        case EventType::Text:
        case EventType::MouseWheel:
        case EventType::MouseMotion:
        case EventType::MouseButton: input::HandleEvent(event); break;
        case EventType::Other: break;
    }
}

void pauseLoop() {
    std::puts("pause loop in showscreen/hibernate");
    std::fflush(stdout);
    while (loop.paused && !loop.activateRequest) {
        MusicRepeatStep();
        pumpWithCallback();
        SleepMs(kPauseSleepMs);
    }
    std::puts("pause loop ended");
    std::fflush(stdout);
}

void activateWindow() {
    std::puts("activate");
    platform::raiseWindow();
    // A breakpoint may have let the pointer go.
    input::RestorePointerMode();
    std::puts("ok");
    std::fflush(stdout);
    loop.activateRequest = false;
}

}  // namespace

void ShowScreen() {
    if (frameObserver.observer != nullptr) frameObserver.observer(frameObserver.user);
    if (loop.activateRequest) activateWindow();
    AdvanceFrameTime();
    while (loop.paused) {
        Hibernate();
        // An activation request ends the pause loop; without resuming here ShowScreen
        // would spin through Hibernate until the focus came back.
        if (loop.paused && loop.activateRequest) {
            activateWindow();
            platform::setWindowCaption(loop.savedCaption.c_str());
            SetPause(0);
        }
    }
    input::PollForFrame();
    if (loop.escapeQuits && (KeyDown(kKeyEscape) != 0 || KeyDown(kKeyEscapeAlternate) != 0)) {
        endFromKey();
    }
    if (KeyDown(kKeyLeftAlt) != 0 && KeyDown(kKeyF4) != 0) endFromKey();
    MusicRepeatStep();
    PumpMessages(messageCallback());
    PresentFrame(messageCallback());
    EndFrameState();
}

std::int32_t PresentFrame(Routine callback) {
    // Redirected drawing (off-screen targets of the 3D side) would end here.
    platform::swapWindow();
    BeginFrame();
    // WaitForNextFrame takes a plain function, so the callback waits in a global meanwhile.
    static Routine waitCallback = nullptr;
    waitCallback = callback;
    WaitForNextFrame([] { PumpMessages(waitCallback); });
    return 1;
}

std::int32_t PumpMessages(Routine callback) {
    platform::Event event;
    while (platform::pollEvent(&event)) {
        if (callback != nullptr) {
            platform::setCurrentEvent(&event);
            callback();
            platform::setCurrentEvent(nullptr);
        }
        handleEvent(event);
    }
    return 1;
}

void Hibernate() {
    input::TakeActivitySnapshot();
    for (int round = 0; round < kIdleRounds; ++round) {
        MusicRepeatStep();
        pumpWithCallback();
        if (loop.paused) {
            pauseLoop();
            return;
        }
        PollKeyboard();
        if (loop.escapeQuits && KeyDown(kKeyEscape) != 0) EndProgram();
        // Any key 0..254, the mouse or a joystick.
        if (input::ActivitySinceSnapshot()) return;
        SleepMs(kIdleSleepMs);
    }
}

void SetEscapeQuits(double flag) { loop.escapeQuits = flag != 0.0 || std::isnan(flag); }

void SetAutoPause(std::int32_t flag) { loop.autoPause = flag != 0; }

void SetPause(std::int32_t flag) {
    bool pause = flag != 0;
    if (pause != loop.paused) {
        loop.paused = pause;
        CallByName(RuntimeString(pause ? "QVT_ON_PAUSE" : "QVT_ON_RESUME"));
    }
    loop.paused = pause;
}

bool PauseFlag() { return loop.paused; }

void ClearPause() { loop.paused = false; }

void RequestActivate() { loop.activateRequest = true; }

void SetSavedCaption(const RuntimeString& caption) {
    loop.savedCaption = caption;
    platform::setWindowCaption(caption.c_str());
}

const RuntimeString& SavedCaption() { return loop.savedCaption; }

void SetFrameObserver(void (*observer)(void*), void* user) {
    frameObserver.observer = observer;
    frameObserver.user = observer != nullptr ? user : nullptr;
}

void ResetFrameLoop() { loop = FrameLoop{}; }

}  // namespace qvt
