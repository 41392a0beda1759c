// Test entry point: the shell's window (and its GL context) already exists,
// made during static initialisation; the GL entry points are loaded here once
// for every test of the executable.
#include "app/AppState.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// Under a loaded virtual X server a window can, rarely, fail to open for
// reasons of the server, not of the code under test (the tests of the
// start-up failure run the real binary without a display instead). Such a
// process starts itself again, a few times at most, before giving up.
void restartWithoutAWindow(char** argv)
{
    if (appWindow.getWindow() != nullptr || std::getenv("DISPLAY") == nullptr) {
        return;
    }
    const char* previous = std::getenv("KOV_TEST_WINDOW_RETRIES");
    const int retries = previous != nullptr ? std::atoi(previous) : 0;
    if (retries >= 3) {
        return;
    }
    setenv("KOV_TEST_WINDOW_RETRIES", std::to_string(retries + 1).c_str(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    execv("/proc/self/exe", argv);
}

} // namespace

int main(int argc, char** argv)
{
    restartWithoutAWindow(argv);
    ::testing::InitGoogleTest(&argc, argv);
    initGL();
    const int status = RUN_ALL_TESTS();
    // A test that set the scene up and left it (the scene is shared by the
    // tests of one process) has it released here, so that the process ends
    // owning nothing: the sanitizer build checks for leaks at exit, after the
    // scene lists themselves are gone. With nothing left, this does nothing.
    cleanup();
    return status;
}
