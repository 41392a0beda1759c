#pragma once
// The demonstration scene: its textures, programs, models and camera.
#include "shaderloader/ShaderLoader.h"

// Wall-clock seconds spent in each phase of the scene setup.
struct SetupTimings {
    double textures = 0.0;
    double programs = 0.0;
    double models = 0.0;
};
void setupScene(SetupTimings* timings = nullptr);
// Links one of the scene's programs, its stages loaded. A program that does
// not link ends the process with status -1, after "failed to link shader" and
// the console pause, leaving what the setup made so far to the system.
void linkSceneProgram(ShaderLoader& loader);
