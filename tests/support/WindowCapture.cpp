#include "support/WindowCapture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace {

// The shift that brings a colour mask's lowest bit to bit 0.
int shiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1UL) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

RgbImage captureXWindow(const std::string& windowId, int width, int height)
{
    RgbImage image;
    if (windowId.empty()) {
        return image;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return image;
    }
    const ::Window window = static_cast<::Window>(std::strtoul(windowId.c_str(), nullptr, 10));
    XSync(display, False);
    XImage* shot = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (shot != nullptr) {
        const int redShift = shiftOf(shot->red_mask);
        const int greenShift = shiftOf(shot->green_mask);
        const int blueShift = shiftOf(shot->blue_mask);
        image.width = width;
        image.height = height;
        image.pixels.resize(static_cast<size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned long pixel = XGetPixel(shot, x, height - 1 - y);
                uint8_t* p = &image.pixels[(static_cast<size_t>(y) * width + x) * 3];
                p[0] = static_cast<uint8_t>((pixel & shot->red_mask) >> redShift);
                p[1] = static_cast<uint8_t>((pixel & shot->green_mask) >> greenShift);
                p[2] = static_cast<uint8_t>((pixel & shot->blue_mask) >> blueShift);
            }
        }
        XDestroyImage(shot);
    }
    XCloseDisplay(display);
    return image;
}
