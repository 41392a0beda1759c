// Test entry point: the shell's window (and its GL context) already exists,
// made during static initialisation; the GL entry points are loaded here once
// for every test of the executable.
#include "app/AppState.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    initGL();
    return RUN_ALL_TESTS();
}
