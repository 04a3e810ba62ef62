// screen_probe WINDOW X Y W H: prints how many pixels of that rectangle of an X window have a
// channel above 40, so an end-to-end script can tell which screen a game shows without a
// screenshot tool. The scripts' Xvfb runs at depth 24: 8 bits per channel. Exit codes: 0
// done, 1 no display or no image, 2 wrong usage.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fputs("usage: screen_probe WINDOW X Y W H\n", stderr);
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
    const int w = std::atoi(argv[4]), h = std::atoi(argv[5]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;  // a bad window ends it through Xlib's error handler
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    long bright = 0;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) {
            const unsigned long p = XGetPixel(image, i, j) & 0xFFFFFF;
            if ((p & 0xFF) > 40 || (p >> 8 & 0xFF) > 40 || (p >> 16) > 40) ++bright;
        }
    }
    std::printf("%ld\n", bright);
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
