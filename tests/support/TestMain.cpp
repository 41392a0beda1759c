// Test entry point: the shell's window (and its GL context) already exists,
// made during static initialisation; the GL entry points are loaded here once
// for every test of the executable.
#include "app/GLState.h"
#include "app/Shutdown.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The scene's shaders/, models/ and textures/ are found from the
    // repository root, wherever the executable is started (CTest starts it
    // there; a developer may start it from the build directory).
    if (chdir(KOV_SOURCE_DIR) != 0) {
        std::perror(KOV_SOURCE_DIR);
        return 1;
    }
    initGL();
    const int status = RUN_ALL_TESTS();
    // A test that set the scene up and left it (the scene is shared by the
    // tests of one process) has it released here, so that the process ends
    // owning nothing: the sanitizer build checks for leaks at exit, after the
    // scene lists themselves are gone. With nothing left, this does nothing.
    cleanup();
    return status;
}
