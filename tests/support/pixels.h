// Reading the frame back, in the runtime's 2D coordinates (origin top-left, y down), for
// tests on the headless runtime (support/headless.h).
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace qvt::test {

// One pixel's colour channels, 0..255.
struct FramePixel {
    int r = 0, g = 0, b = 0;
    bool operator==(const FramePixel&) const = default;
};
std::ostream& operator<<(std::ostream& out, const FramePixel& c);

// The pixel at x, y of the frame being drawn (after glFinish). The offscreen driver has a
// single buffer, so after ShowScreen this is the next frame, already cleared.
FramePixel readFramePixel(int x, int y);
// w x h pixels from x, y, row by row from the top; empty for an empty rectangle.
std::vector<FramePixel> readFrameRect(int x, int y, int w, int h);
// True when every channel of a and b differs by at most tolerance.
bool nearPixel(const FramePixel& a, const FramePixel& b, int tolerance = 2);

}  // namespace qvt::test
