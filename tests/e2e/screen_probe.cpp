// screen_probe: reads the pixels of an X window, so an end-to-end script can tell which
// screen a game shows, and how its picture is scaled, without a screenshot tool.
//
//   screen_probe WINDOW X Y W H   prints the number of pixels with a channel above 40
//   screen_probe WINDOW N         prints "WIDTHxHEIGHT MISMATCHES LIT" for the whole window:
//                                 pixels unlike the top-left one of their N x N block (a
//                                 whole-factor enlargement with nearest sampling has none),
//                                 and pixels not black
//
// The scripts' Xvfb runs at depth 24: 8 bits per channel. Exit codes: 0 done, 1 no display
// or no image, 2 wrong usage.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const bool blocks = argc == 3;
    const int n = blocks ? std::atoi(argv[2]) : 1;
    if ((argc != 6 && !blocks) || n < 1) {
        std::fputs("usage: screen_probe WINDOW X Y W H | screen_probe WINDOW N\n", stderr);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    Display* display = XOpenDisplay(nullptr);
    XWindowAttributes a;
    if (display == nullptr || XGetWindowAttributes(display, window, &a) == 0) return 1;
    const int x = blocks ? 0 : std::atoi(argv[2]), y = blocks ? 0 : std::atoi(argv[3]);
    const int w = blocks ? a.width : std::atoi(argv[4]), h = blocks ? a.height : std::atoi(argv[5]);
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    long bright = 0, lit = 0, mismatches = 0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const unsigned long p = XGetPixel(image, i, j) & 0xFFFFFF;
            if ((p & 0xFF) > 40 || (p >> 8 & 0xFF) > 40 || (p >> 16) > 40) ++bright;
            if (p != 0) ++lit;
            if (p != (XGetPixel(image, i - i % n, j - j % n) & 0xFFFFFF)) ++mismatches;
        }
    }
    if (blocks) {
        std::printf("%dx%d %ld %ld\n", w, h, mismatches, lit);
    } else {
        std::printf("%ld\n", bright);
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
