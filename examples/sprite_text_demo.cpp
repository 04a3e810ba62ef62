// Sprites and text on the Quivent runtime: a soft disc made in memory, 200 copies of it
// bouncing in one polygon batch, and text drawn with the built-in font.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "quivent.h"
#include "example_options.h"

namespace {

constexpr int kDisc = 1;  // sprite slot
constexpr int kBalls = 200;
constexpr int kSide = 32;
int framesLeft = 0;

struct Ball {
    double x, y, vx, vy, colour;
};
std::vector<Ball> balls;

void makeDisc() {
    qvt::DecodedImage image;
    image.width = image.height = kSide;
    image.keyed = 1;
    image.pixels.resize(image.byteCount());
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            double dx = x + 0.5 - kSide / 2.0, dy = y + 0.5 - kSide / 2.0;
            double edge = kSide / 2.0 - std::sqrt(dx * dx + dy * dy);
            std::uint8_t* p = &image.pixels[(y * kSide + x) * 4];
            p[0] = p[1] = p[2] = 255;
            p[3] = static_cast<std::uint8_t>(255 * std::fmin(1.0, std::fmax(0.0, edge / 4.0)));
        }
    }
    qvt::CreateSpriteTexture(image, kDisc, false, false);
}

void setup(qvt::ProjectSettings& s) {
    s.applicationName = qvt::RuntimeString("Quivent sprites and text");
    s.frameRate = 60;
}

void demo() {
    makeDisc();
    for (int i = 0; i < kBalls; ++i) {
        double colour = 64 + qvt::Random(191) + 256.0 * (64 + qvt::Random(191)) + 65536.0 * 255;
        balls.push_back({static_cast<double>(qvt::Random(600)), static_cast<double>(qvt::Random(440)),
                         qvt::Random(5) - 2.5, qvt::Random(5) - 2.5, colour});
    }
    for (int frame = 0;; ++frame) {
        if (framesLeft > 0 && frame >= framesLeft) qvt::EndProgram();
        qvt::SetBlendAlpha(-1);
        qvt::BeginPolygon(kDisc, 0);
        for (Ball& b : balls) {
            b.x += b.vx;
            b.y += b.vy;
            if (b.x < 0 || b.x > 640 - kSide) b.vx = -b.vx;
            if (b.y < 0 || b.y > 480 - kSide) b.vy = -b.vy;
            qvt::AddPolygonVertex(b.x, b.y, 0, 0, b.colour);
            qvt::AddPolygonVertex(b.x + kSide, b.y, 1, 0, b.colour);
            qvt::AddPolygonVertex(b.x, b.y + kSide, 0, 1, b.colour);
            qvt::AddPolygonVertex(b.x + kSide, b.y + kSide, 1, 1, b.colour);
            qvt::SplitPolygonStrip();
        }
        qvt::EndPolygon();
        qvt::SetBlendAlpha(0);
        char line[64];
        std::snprintf(line, sizeof line, "FRAME %d  BALLS %d", frame, kBalls);
        qvt::DrawText(qvt::RuntimeString("QUIVENT SPRITES AND TEXT"), 8, 8, 1);
        qvt::DrawText(qvt::RuntimeString(line), 8, 24, 1);
        qvt::DrawText(qvt::RuntimeString("ESCAPE ENDS"), 8, 456, 1);
        qvt::ShowScreen();
    }
}

}  // namespace

int main(int argc, char** argv) {
    framesLeft = framesToRun(argc, argv);
    return qvt::ProgramMain(argc, argv, setup, demo);
}
