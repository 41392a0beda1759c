#include "support/X11Window.h"

#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>

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

std::string x11WindowId(GLFWwindow* window)
{
    if (window == nullptr) {
        return std::string();
    }
    const ::Window id = glfwGetX11Window(window);
    return id != 0 ? std::to_string(static_cast<unsigned long>(id)) : std::string();
}

bool x11WindowUnobscured(const std::string& windowId)
{
    if (windowId.empty()) {
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const ::Window target = static_cast<::Window>(std::strtoul(windowId.c_str(), nullptr, 10));
    bool unobscured = false;
    XWindowAttributes mine{};
    ::Window rootReturn = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    if (XGetWindowAttributes(display, target, &mine) != 0 &&
        XQueryTree(display, DefaultRootWindow(display), &rootReturn, &parent, &children, &count) != 0) {
        // Children of the root come bottom first; the target must be one of
        // them (no window manager frames it) and nothing above may overlap.
        unsigned int index = count;
        for (unsigned int i = 0; i < count; ++i) {
            if (children[i] == target) {
                index = i;
            }
        }
        unobscured = index < count && mine.map_state == IsViewable;
        for (unsigned int i = index + 1; unobscured && i < count; ++i) {
            XWindowAttributes other{};
            if (XGetWindowAttributes(display, children[i], &other) == 0 || other.map_state != IsViewable) {
                continue;
            }
            const bool apart = other.x >= mine.x + mine.width || mine.x >= other.x + other.width ||
                               other.y >= mine.y + mine.height || mine.y >= other.y + other.height;
            unobscured = apart;
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
    XCloseDisplay(display);
    return unobscured;
}

RgbImage captureXWindowIfUnobscured(const std::string& windowId, int width, int height)
{
    if (!x11WindowUnobscured(windowId)) {
        return RgbImage();
    }
    RgbImage image = captureXWindow(windowId, width, height);
    if (!x11WindowUnobscured(windowId)) {
        return RgbImage();
    }
    return image;
}

bool focusX11Window(const std::string& windowId)
{
    if (windowId.empty()) {
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const ::Window window = static_cast<::Window>(std::strtoul(windowId.c_str(), nullptr, 10));
    XRaiseWindow(display, window);
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    ::Window focused = 0;
    int revert = 0;
    XGetInputFocus(display, &focused, &revert);
    XCloseDisplay(display);
    return focused == window;
}

void restorePointerRootFocus()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return;
    }
    XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
}
