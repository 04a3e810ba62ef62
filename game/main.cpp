// RAYVAULTER's process entry. Until the game's routines land, the main program is a small
// frame-loop demo: a few coloured polygons turning, Escape ends it.
#include <cmath>

#include "core/callbyname.h"
#include "core/clock.h"
#include "core/frame.h"
#include "core/program.h"
#include "gfx/polygon.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void settingsRoutine(qvt::ProjectSettings& s) {
    s.clientWidth = 640;
    s.clientHeight = 480;
    s.fullScreen = 0;
    s.frameRate = 60;
    s.applicationName = qvt::RuntimeString("AKQZ08_Rayvaulter");
}

// A regular polygon as a fan, its first vertex turned by angle degrees.
void drawRegular(double cx, double cy, double radius, int corners, double angle, double colour) {
    qvt::BeginPolygon(-1, qvt::kPolygonFan);
    for (int i = 0; i < corners; ++i) {
        double a = (angle + 360.0 * i / corners) * kPi / 180.0;
        qvt::AddPolygonVertex(cx + radius * std::cos(a), cy + radius * std::sin(a), 0, 0, colour);
    }
    qvt::EndPolygon();
}

// Escape ends it from inside ShowScreen, so the loop never has to.
void mainProgram() {
    for (double t = 0;; t += qvt::FrameDelta()) {
        double turn = t * 0.09;  // degrees per millisecond
        drawRegular(160, 240, 100, 3, turn, 0x0000FF);        // red
        drawRegular(320, 240, 100, 4, -turn, 0x00FF00);       // green
        drawRegular(480, 240, 100, 6, turn * 0.5, 0xFF0000);  // blue
        qvt::ShowScreen();
    }
}

const qvt::NamedRoutine kCallTable[] = {{mainProgram, "MainProgram"}, {nullptr, nullptr}};

}  // namespace

int main(int argc, char** argv) {
    qvt::SetCallByNameTable(kCallTable);
    return qvt::ProgramMain(argc, argv, settingsRoutine, mainProgram);
}
