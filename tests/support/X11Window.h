#pragma once
#include "support/GLReadback.h"

#include <sys/types.h>

#include <string>

struct GLFWwindow;

// X windows of this process and of the processes it starts, on the display
// of $DISPLAY; xdotool sends the input.

// Reads what an X window shows (its visible contents on the X server, after
// any buffer swap has been presented) as RGB, bottom row first like
// glReadPixels. Empty image when the window or the display cannot be reached.
RgbImage captureXWindow(const std::string& windowId, int width, int height);

// The X id of a GLFW window, in the decimal form xdotool takes: the window of
// this very process, even when other processes show windows of the same title.
std::string x11WindowId(GLFWwindow* window);

// Gives the window the keyboard focus (without a window manager the focus
// otherwise follows the pointer). GLFW only warps the cursor of a focused
// window.
bool focusX11Window(const std::string& windowId);

// The X id of the window titled `title` that process `pid` shows, waiting up
// to `timeoutSeconds` for it to appear: "" when it does not, or when the
// process ends first. Chosen by process as well as title: the test process
// shows a window of the same title on the same display.
std::string waitForWindowOf(pid_t pid, const std::string& title, double timeoutSeconds);

// Presses a real key (X keysym name, e.g. "Escape") in the window and keeps it
// down: the viewer reads keys between frames, and a frame on a software
// renderer can take longer than a press-and-release would last.
bool pressKey(const std::string& windowId, const std::string& keysym);
bool releaseKey(const std::string& windowId, const std::string& keysym);

// Presses and releases a key in one request: both reach the program within
// one frame, so its loop sees the press only if it keeps it (sticky keys).
bool tapKey(const std::string& windowId, const std::string& keysym);

// Clicks mouse button `button` (4 and 5 are the wheel) `times` times.
bool clickButton(const std::string& windowId, int button, int times = 1);

// Sends the window manager protocol's close message, like a click on the
// window's close button.
bool closeWindow(const std::string& windowId);
