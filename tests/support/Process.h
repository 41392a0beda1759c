#pragma once
#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Runs a real process with its standard output and error captured.
struct ProcessResult {
    int exitCode = -1;      // valid when exited
    bool exited = false;    // ended through exit()
    int signal = 0;         // the signal that ended it, if any
    bool timedOut = false;  // killed by the runner after the time limit
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::string workingDirectory;
    // Variables to set (a value) or remove (nullopt) in the child.
    std::map<std::string, std::optional<std::string>> environment;
    double timeoutSeconds = 60.0;
    // Called in the parent once the child runs, with its pid; the child keeps
    // running while it works (for example, to press a key in its window).
    std::function<void(pid_t)> whileRunning;
    // Standard input: /dev/null unless set.
    std::optional<std::string> stdinPath;
};

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options);

// What a shell command writes to standard output ("" when it cannot run).
std::string shellOutput(const std::string& command);

// True once the process has ended (it may not have been waited for yet).
bool processGone(pid_t pid);

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

// Asks the window manager protocol to close the window, like a click on its
// close button.
bool closeWindow(const std::string& windowId);

// Lines of `text`, without their line feeds.
std::vector<std::string> splitLines(const std::string& text);
