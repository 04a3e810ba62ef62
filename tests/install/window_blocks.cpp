// window_blocks: checks that an X window shows a picture enlarged by a whole factor with
// nearest sampling, i.e. every pixel equals the top-left pixel of its N x N block.
//
//   window_blocks WINDOW N     prints "WIDTHxHEIGHT MISMATCHES LIT" (LIT: pixels not black)
//
// Exit codes: 0 done, 1 no display or no image, 2 wrong usage.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: window_blocks WINDOW N\n", stderr);
        return 2;
    }
    Window window = std::strtoul(argv[1], nullptr, 0);
    int n = std::atoi(argv[2]);
    if (n < 1) return 2;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) return 1;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height,
                              AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    long mismatches = 0, lit = 0;
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            unsigned long p = XGetPixel(image, x, y) & 0xFFFFFF;
            if (p != (XGetPixel(image, x - x % n, y - y % n) & 0xFFFFFF)) ++mismatches;
            if (p != 0) ++lit;
        }
    }
    std::printf("%dx%d %ld %ld\n", attributes.width, attributes.height, mismatches, lit);
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
