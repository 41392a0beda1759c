#pragma once
#include "support/Process.h"

#include <string>
#include <vector>

// How a session asks the viewer to end once its window has shown frames.
enum class Ending {
    HoldEscape, // Escape held down for longer than a frame
    TapEscape, // Escape pressed and released within one frame, once; a
               // process still running well after it is killed
    CloseButton, // the window manager's close message
};

// One run of the real binary on the display, driven as a person would.
struct ViewerSession {
    ProcessResult result; // the console transcript and how the process ended
    std::string windowId; // "" when the window never appeared
};

// Runs `argv` (the viewer by default) in `directory`. Once its window is up
// and the scene has had time to load and show frames, asks it to end the
// `ending` way, again every few seconds until the process is gone; a process
// that ends by itself first (a fatal error) is left alone.
ViewerSession runViewerSession(const std::string& directory, Ending ending = Ending::HoldEscape,
                               const std::vector<std::string>& argv = {KOV_BINARY});
