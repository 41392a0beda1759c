#include "frame/Startup.h"

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLState.h"
#include "app/SceneSetup.h"
#include "app/StandardOutput.h"

#include <GL/glew.h>

#include <cstdio>

namespace {

struct EarlyStamp {
    double bootSeconds = bootClockSeconds();
};

} // namespace

// Taken during static initialisation, before every initialiser of default
// priority in any unit of the program: in particular before kov_core's
// window record opens the window and creates the GL context.
__attribute__((init_priority(101))) static EarlyStamp earlyStamp;

MainEntry enterMain()
{
    MainEntry entry;
    entry.steady = Clock::now();
    entry.boot = bootClockSeconds();
    entry.processStartBoot = processStartBootSeconds();
    return entry;
}

StartupFigures startScene(const Options& options, const MainEntry& entry, SceneSnapshot& start)
{
    const int savedStdout = options.setupOutput ? -1 : discardStandardOutput();

    initGL();
    const Clock::time_point glReady = Clock::now();
    SetupTimings setup;
    setupScene(&setup);
    const Clock::time_point sceneReady = Clock::now();

    // The first frame, as the frame loop would draw it.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    start.take();
    renderFrame(options.dt);
    glFinish();
    const Clock::time_point firstFrame = Clock::now();
    const double firstFrameBoot = bootClockSeconds();

    restoreStandardOutput(savedStdout);

    const double processStart = entry.processStartBoot;
    StartupFigures figures;
    figures.processToFirstFrame = processStart >= 0.0 ? firstFrameBoot - processStart : -1.0;
    figures.staticInitToFirstFrame = firstFrameBoot - earlyStamp.bootSeconds;
    figures.beforeStaticInit = processStart >= 0.0 ? earlyStamp.bootSeconds - processStart : -1.0;
    figures.staticInit = entry.boot - earlyStamp.bootSeconds;
    figures.initGL = secondsBetween(entry.steady, glReady);
    figures.textures = setup.textures;
    figures.programs = setup.programs;
    figures.models = setup.models;
    figures.setupOther = secondsBetween(glReady, sceneReady) - setup.textures - setup.programs - setup.models;
    figures.firstFrame = secondsBetween(sceneReady, firstFrame);
    return figures;
}
