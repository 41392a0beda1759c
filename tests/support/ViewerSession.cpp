#include "support/ViewerSession.h"

#include "support/X11Window.h"

#include <signal.h>

#include <chrono>
#include <thread>

namespace {

// The one set of timings for every session. The instrumented binary sets
// the scene up several times more slowly.
#if defined(__SANITIZE_ADDRESS__)
constexpr double settleSeconds = 8.0;
#else
constexpr double settleSeconds = 3.0;
#endif
constexpr double windowSeconds = 100.0;
constexpr double sessionSeconds = 120.0;
// Between two requests to end: long enough for a software-rendered frame and
// the shutdown, short enough that a lost request costs little.
constexpr double retrySeconds = 3.0;
// After the one tap of a TapEscape session: many frames and the shutdown.
#if defined(__SANITIZE_ADDRESS__)
constexpr double tapGraceSeconds = 40.0;
#else
constexpr double tapGraceSeconds = 15.0;
#endif
// Short holds: a key held down repeats into whichever window has the focus,
// which may be the test process's own.
constexpr auto holdTime = std::chrono::milliseconds(300);

// Waits until the process is gone or `seconds` have passed; true when gone.
bool waitForExit(pid_t pid, double seconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!processGone(pid) && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return processGone(pid);
}

void askToEnd(const std::string& windowId, Ending ending)
{
    switch (ending) {
    case Ending::HoldEscape:
        pressKey(windowId, "Escape");
        std::this_thread::sleep_for(holdTime);
        releaseKey(windowId, "Escape");
        break;
    case Ending::TapEscape: tapKey(windowId, "Escape"); break;
    case Ending::CloseButton: closeWindow(windowId); break;
    }
}

} // namespace

ViewerSession runViewerSession(const std::string& directory, Ending ending, const std::vector<std::string>& argv)
{
    ViewerSession session;
    std::string windowId;
    ProcessOptions options;
    options.workingDirectory = directory;
    options.timeoutSeconds = sessionSeconds;
    options.whileRunning = [&](pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(sessionSeconds);
        windowId = waitForWindowOf(pid, "KOV", windowSeconds);
        if (windowId.empty() || waitForExit(pid, settleSeconds)) {
            return;
        }
        if (ending == Ending::TapEscape) {
            // One tap, never repeated: a repeat could land across two polls
            // by chance and hide a lost tap.
            askToEnd(windowId, ending);
            if (!waitForExit(pid, tapGraceSeconds)) {
                kill(pid, SIGKILL);
            }
            return;
        }
        while (std::chrono::steady_clock::now() < deadline) {
            askToEnd(windowId, ending);
            if (waitForExit(pid, retrySeconds)) {
                return;
            }
            // Looked up afresh, in case the request went to a window that was
            // gone.
            const std::string again = waitForWindowOf(pid, "KOV", 0.5);
            if (!again.empty()) {
                windowId = again;
            }
        }
    };
    session.result = runProcess(argv, options);
    session.windowId = windowId;
    return session;
}
