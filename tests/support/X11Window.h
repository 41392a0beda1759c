#pragma once
#include "support/GLReadback.h"

#include <string>

struct GLFWwindow;

// Reads what an X window shows (its visible contents on the X server, after
// any buffer swap has been presented) as RGB, bottom row first like
// glReadPixels. Empty image when the window or the display cannot be reached.
RgbImage captureXWindow(const std::string& windowId, int width, int height);

// The X id of a GLFW window, in the decimal form xdotool takes: the window of
// this very process, even when other processes show windows of the same title.
std::string x11WindowId(GLFWwindow* window);

// True when no other viewable window lies over any part of `windowId`'s
// rectangle in the stacking order, so that what the X server returns for it
// is its own contents.
bool x11WindowUnobscured(const std::string& windowId);

// The window's contents as above, or an empty image when another window
// covered part of it just before or just after the read (tests that run side
// by side on one display open their windows on top of each other).
RgbImage captureXWindowIfUnobscured(const std::string& windowId, int width, int height);

// Raises the window and gives it the keyboard focus, so that a window that
// another process maps later cannot take the focus away (without a window
// manager the focus otherwise follows the pointer). GLFW only warps the
// cursor of a focused window.
bool focusX11Window(const std::string& windowId);

// Gives the focus back to whichever window holds the pointer.
void restorePointerRootFocus();
