#include "support/pixels.h"

#include <GL/gl.h>

#include <cstdlib>

#include "platform/window.h"

namespace qvt::test {

std::ostream& operator<<(std::ostream& out, const FramePixel& c) {
    return out << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
}

std::vector<FramePixel> readFrameRect(int x, int y, int w, int h) {
    std::vector<FramePixel> out;
    if (w <= 0 || h <= 0) return out;
    int clientW = 0, clientH = 0;
    platform::windowClientSize(&clientW, &clientH);
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(w) * h * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // GL counts rows from the bottom of the window.
    glReadPixels(x, clientH - y - h, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    out.resize(static_cast<std::size_t>(w) * h);
    for (int row = 0; row < h; ++row) {
        const std::uint8_t* src = raw.data() + static_cast<std::size_t>(h - 1 - row) * w * 4;
        for (int col = 0; col < w; ++col) {
            out[static_cast<std::size_t>(row) * w + col] =
                FramePixel{src[col * 4], src[col * 4 + 1], src[col * 4 + 2]};
        }
    }
    return out;
}

FramePixel readFramePixel(int x, int y) { return readFrameRect(x, y, 1, 1).front(); }

bool nearPixel(const FramePixel& a, const FramePixel& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

}  // namespace qvt::test
