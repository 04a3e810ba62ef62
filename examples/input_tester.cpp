// Input on the Quivent runtime: every key held (by key code), the characters typed, the
// mouse's buttons, movement and wheel, and the joysticks' axes, hats and buttons.
#include <cstdio>
#include <string>

#include "quivent.h"
#include "example_options.h"

namespace {

int framesLeft = 0;
std::string typed;

void setup(qvt::ProjectSettings& s) {
    s.applicationName = qvt::RuntimeString("Quivent input tester");
    s.frameRate = 30;
}

void line(int row, const std::string& text) {
    qvt::DrawText(qvt::RuntimeString(text.c_str()), 8, 8 + 16.0 * row, 1);
}

void tester() {
    qvt::SetEscapeQuits(0);  // Escape is a key to show here; close the window to end
    qvt::MouseState mouse;
    for (int frame = 0;; ++frame) {
        if (framesLeft > 0 && frame >= framesLeft) qvt::EndProgram();
        std::string keys;
        for (int code = 1; code < 256; ++code) {
            if (qvt::KeyDown(code) != 0) keys += std::to_string(code) + " ";
        }
        for (qvt::RuntimeString c = qvt::InKey(); c.length() > 0; c = qvt::InKey()) {
            typed += c.c_str();
            if (typed.size() > 60) typed.erase(0, typed.size() - 60);
        }
        qvt::PollMouse(mouse, true);
        char m[96];
        std::snprintf(m, sizeof m, "MOUSE L%d R%d M%d DX %d DY %d WHEEL %d", mouse.left, mouse.right,
                      mouse.middle, mouse.dx, mouse.dy, mouse.wheel);
        line(0, "QUIVENT INPUT TESTER - CLOSE THE WINDOW TO END");
        line(2, "KEYS: " + keys);
        line(3, "TYPED: " + typed);
        line(4, m);
        int sticks = qvt::JoystickCount();
        line(6, "JOYSTICKS: " + std::to_string(sticks));
        for (int j = 0; j < sticks && j < 2; ++j) {
            qvt::JoystickState js;
            qvt::PollJoystick(j, js);
            std::string b;
            for (int i = 0; i < 32; ++i) if (js.buttons[i] & 0x80) b += std::to_string(i) + " ";
            char a[96];
            std::snprintf(a, sizeof a, "%d: X %d Y %d Z %d HAT %d BUTTONS ", j, js.x, js.y, js.z,
                          static_cast<int>(js.hats[0]));
            line(7 + j, a + b);
        }
        qvt::ShowScreen();
    }
}

}  // namespace

int main(int argc, char** argv) {
    framesLeft = framesToRun(argc, argv);
    return qvt::ProgramMain(argc, argv, setup, tester);
}
