#include "support/X11Window.h"

#define GLFW_EXPOSE_NATIVE_X11
#include <GLFW/glfw3.h>
#include <GLFW/glfw3native.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/NonCopyable.h"
#include "support/Process.h"

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

// A connection of its own to the display, on which X errors are ignored
// instead of ending the process (Xlib's default): a window may vanish before
// the request about it arrives.
class DisplayConnection : NonCopyable {
public:
    DisplayConnection() : m_display(XOpenDisplay(nullptr))
    {
        if (m_display != nullptr) {
            m_previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        }
    }
    ~DisplayConnection()
    {
        if (m_display != nullptr) {
            XSync(m_display, False);
            XSetErrorHandler(m_previous);
            XCloseDisplay(m_display);
        }
    }
    Display* display() const { return m_display; }

private:
    Display* m_display;
    int (*m_previous)(Display*, XErrorEvent*) = nullptr;
};

::Window parseId(const std::string& windowId)
{
    return static_cast<::Window>(std::strtoul(windowId.c_str(), nullptr, 10));
}

// What `use` makes of a connection of its own and the window named by
// `windowId`; `none` without a window id or a display.
template <class Result, class Use>
Result onWindow(const std::string& windowId, Result none, Use use)
{
    if (windowId.empty()) {
        return none;
    }
    DisplayConnection connection;
    if (connection.display() == nullptr) {
        return none;
    }
    return use(connection.display(), parseId(windowId));
}

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

RgbImage captureXWindow(const std::string& windowId, int width, int height)
{
    return onWindow(windowId, RgbImage(), [&](Display* display, ::Window window) {
        RgbImage image;
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
        return image;
    });
}

std::string x11WindowId(GLFWwindow* window)
{
    if (window == nullptr) {
        return std::string();
    }
    const ::Window id = glfwGetX11Window(window);
    return id != 0 ? std::to_string(static_cast<unsigned long>(id)) : std::string();
}

bool focusX11Window(const std::string& windowId)
{
    return onWindow(windowId, false, [](Display* display, ::Window window) {
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
        ::Window focused = 0;
        int revert = 0;
        XGetInputFocus(display, &focused, &revert);
        return focused == window;
    });
}

std::string waitForWindowOf(pid_t pid, const std::string& title, double timeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    const std::string command =
        "xdotool search --all --pid " + std::to_string(pid) + " --name '^" + title + "$' 2>/dev/null | head -n 1";
    for (;;) {
        std::string id = shellOutput(command);
        while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) {
            id.pop_back();
        }
        if (!id.empty() || processGone(pid) || std::chrono::steady_clock::now() >= deadline) {
            return id;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

bool pressKey(const std::string& windowId, const std::string& keysym)
{
    return xdotool("keydown --window " + windowId + " " + keysym);
}

bool releaseKey(const std::string& windowId, const std::string& keysym)
{
    return xdotool("keyup --window " + windowId + " " + keysym);
}

bool tapKey(const std::string& windowId, const std::string& keysym)
{
    return onWindow(windowId, false, [&](Display* display, ::Window window) {
        const KeySym symbol = XStringToKeysym(keysym.c_str());
        const KeyCode code = symbol != NoSymbol ? XKeysymToKeycode(display, symbol) : 0;
        if (code == 0) {
            return false;
        }
        XEvent event{};
        event.xkey.display = display;
        event.xkey.window = window;
        event.xkey.root = DefaultRootWindow(display);
        event.xkey.time = CurrentTime;
        event.xkey.same_screen = True;
        event.xkey.keycode = code;
        event.xkey.type = KeyPress;
        bool sent = XSendEvent(display, window, True, KeyPressMask, &event) != 0;
        event.xkey.type = KeyRelease;
        sent = XSendEvent(display, window, True, KeyReleaseMask, &event) != 0 && sent;
        // One flush: both events reach the window's client back to back, so
        // one event poll reads them together.
        XFlush(display);
        return sent;
    });
}

bool clickButton(const std::string& windowId, int button, int times)
{
    return xdotool("click --window " + windowId + " --repeat " + std::to_string(times) + " " +
                   std::to_string(button));
}

bool closeWindow(const std::string& windowId)
{
    return onWindow(windowId, false, [](Display* display, ::Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        return XSendEvent(display, window, False, NoEventMask, &event) != 0;
    });
}
