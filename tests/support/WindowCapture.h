#pragma once
#include "support/GLReadback.h"

#include <string>

// Reads what an X window shows (its visible contents on the X server, after
// any buffer swap has been presented) as RGB, bottom row first like
// glReadPixels. Empty image when the window or the display cannot be reached.
RgbImage captureXWindow(const std::string& windowId, int width, int height);
