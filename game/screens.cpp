#include "game/screens.h"

#include "quivent.h"

namespace qvt::game {

namespace {

// Between two samples of a key while no frame is shown: short enough that the release is
// seen at once, long enough not to spin a core.
constexpr std::int32_t kReleasePollMs = 5;

double textLength(const RuntimeString& text) { return static_cast<double>(text.length()); }

}  // namespace

double centredX(const RuntimeString& text) {
    return kScreenWidth / 2 - kCellWidth / 2 * textLength(text);
}

double rightAlignedX(const RuntimeString& text) {
    return kScreenWidth - kCellWidth * textLength(text);
}

void drawFixed(const RuntimeString& text, double x, double y) { DrawText(text, x, y, 0); }

void drawCentred(const RuntimeString& text, double y) { drawFixed(text, centredX(text), y); }

void drawRightAligned(const RuntimeString& text, double y) {
    drawFixed(text, rightAlignedX(text), y);
}

void drawProportionalCentred(const RuntimeString& text, double y) {
    std::int32_t width = GetTextWidth(text, 1);
    DrawText(text, kScreenWidth / 2 - width / 2, y, 1);
}

void paintBlack(double u0, double v0, double u1, double v1) {
    BeginPolygon(kUntexturedSprite, kPolygonFan);
    AddPolygonVertex(0, 0, u0, v0, kBlack);
    AddPolygonVertex(0, kScreenHeight, u0, v1, kBlack);
    AddPolygonVertex(kScreenWidth, kScreenHeight, u1, v1, kBlack);
    AddPolygonVertex(kScreenWidth, 0, u1, v0, kBlack);
    EndPolygon();
}

void showFramesWhileDown(double key) {
    while (KeyDown(key) != 0) ShowScreen();
}

void waitWhileDown(double key) {
    for (;;) {
        PollKeyboard();
        if (KeyDown(key) == 0) return;
        PumpMessages(nullptr);
        SleepMs(kReleasePollMs);
    }
}

}  // namespace qvt::game
