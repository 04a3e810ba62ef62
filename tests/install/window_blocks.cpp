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
    const Window window = argc == 3 ? std::strtoul(argv[1], nullptr, 0) : 0;
    const int n = argc == 3 ? std::atoi(argv[2]) : 0;
    if (n < 1) return 2;
    Display* display = XOpenDisplay(nullptr);
    XWindowAttributes a;
    if (display == nullptr || XGetWindowAttributes(display, window, &a) == 0) return 1;
    XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    long mismatches = 0, lit = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            unsigned long p = XGetPixel(image, x, y) & 0xFFFFFF;
            if (p != (XGetPixel(image, x - x % n, y - y % n) & 0xFFFFFF)) ++mismatches;
            if (p != 0) ++lit;
        }
    }
    std::printf("%dx%d %ld %ld\n", a.width, a.height, mismatches, lit);
    return 0;
}
