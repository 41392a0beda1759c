#pragma once
// Start-up figures: from the process's start to the first frame, phase by phase.
#include "frame/FrameBenchOptions.h"
#include "frame/SceneRunner.h"

#include <chrono>

// When main was entered, on the clocks the figures use.
struct MainEntry {
    std::chrono::steady_clock::time_point steady;
    double boot = 0.0;
    double processStartBoot = -1.0; // negative when /proc/self/stat cannot be read
};
MainEntry enterMain();

// The phases of the start-up in seconds; those counted from the process's
// start are negative when its start time cannot be read.
struct StartupFigures {
    double processToFirstFrame = 0.0;
    double processToMain = 0.0; // exec, loading, static initialisers (the window and its GL context)
    double initGL = 0.0;
    double textures = 0.0;
    double programs = 0.0;
    double models = 0.0;
    double setupOther = 0.0;
    double firstFrame = 0.0;
};

// initGL, the scene set-up and the first frame as the frame loop would draw
// it, with the program's console lines sent to /dev/null so that the table
// stays readable. `start` receives the scene as it was before that frame.
StartupFigures startScene(const FrameBenchOptions& options, const MainEntry& entry, SceneSnapshot& start);
