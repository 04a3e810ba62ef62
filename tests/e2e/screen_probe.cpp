// screen_probe: counts the lit pixels of a rectangle of an X window, so an end-to-end
// script can tell which screen a game shows without a screenshot tool.
//
//   screen_probe WINDOW X Y W H     prints the number of pixels with a channel above 40
//
// Exit codes: 0 done, 1 no display or no image, 2 wrong usage.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr unsigned long kLitLevel = 40;

unsigned long channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    while ((mask & 1) == 0) {
        mask >>= 1;
        pixel >>= 1;
    }
    unsigned long value = pixel & mask;
    // Scale to 0..255 whatever the channel's width.
    return value * 255 / mask;
}

bool lit(unsigned long pixel, const XImage* image) {
    return channel(pixel, image->red_mask) > kLitLevel ||
           channel(pixel, image->green_mask) > kLitLevel ||
           channel(pixel, image->blue_mask) > kLitLevel;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("usage: screen_probe WINDOW X Y W H\n", stderr);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fputs("screen_probe: cannot open the display\n", stderr);
        return 1;
    }
    Window window = std::strtoul(argv[1], nullptr, 0);
    int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
    unsigned w = static_cast<unsigned>(std::atoi(argv[4]));
    unsigned h = static_cast<unsigned>(std::atoi(argv[5]));
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fputs("screen_probe: cannot read the window\n", stderr);
        XCloseDisplay(display);
        return 1;
    }
    long count = 0;
    for (unsigned j = 0; j < h; ++j) {
        for (unsigned i = 0; i < w; ++i) {
            if (lit(XGetPixel(image, static_cast<int>(i), static_cast<int>(j)), image)) ++count;
        }
    }
    std::printf("%ld\n", count);
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
