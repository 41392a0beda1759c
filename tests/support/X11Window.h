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

// Gives the window the keyboard focus (without a window manager the focus
// otherwise follows the pointer). GLFW only warps the cursor of a focused
// window.
bool focusX11Window(const std::string& windowId);
