#pragma once
// The demonstration scene: its textures, programs, models and camera.
#include "shaderloader/ShaderLoader.h"

void setupScene();

// The phases of the scene setup, each reported to an observer as it ends (the
// start-up benchmark times them), as the frame loop reports its passes.
enum class SetupPhase { Textures, Programs, Models };
class SetupObserver {
public:
    virtual ~SetupObserver() = default;
    virtual void phaseDone(SetupPhase phase) = 0;
};
void setSetupObserver(SetupObserver* observer);

// Links one of the scene's programs, its stages loaded. A program that does
// not link ends the process with status -1, after "failed to link shader" and
// the console pause, leaving what the setup made so far to the system.
void linkSceneProgram(ShaderLoader& loader);
