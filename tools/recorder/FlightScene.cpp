#include "FlightScene.h"

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLState.h"
#include "app/SceneSetup.h"
#include "camera/CameraState.h"
#include "readback/StandardOutput.h"

#include <GL/glew.h>

#include <cstdio>

int openFlightScene(std::string& problem)
{
    if (appWindow.getWindow() == nullptr) {
        problem = "no window: a display is needed (scripts/own-display.sh gives a virtual one)";
        return -1;
    }
    // Every shader source and the destructor trace would otherwise mix with
    // what the tool writes.
    const int standardOutput = discardStandardOutput();
    if (standardOutput < 0) {
        problem = "cannot keep standard output";
        return -1;
    }
    initGL();
    setupScene();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    return standardOutput;
}

long restStep(double dt)
{
    const glm::vec3 eye = getCameraPosition();
    const glm::vec3 focus = getCameraFocus();
    long step = 0;
    while (getFlightState() != flightAtRest && step * dt < 1000.0) {
        updateCameraFlight(dt);
        ++step;
    }
    resetCameraFlight();
    setCameraPosition(eye);
    setCameraFocus(focus);
    return step;
}

void skipToStep(long first, double dt)
{
    for (long step = 1; step < first; ++step) {
        updateCameraFlight(dt);
        updateScene(dt);
    }
}

void drawStep(long step, double dt)
{
    renderFrame(step == 0 ? 0.0 : dt);
}

int reportFailure(const char* program, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}
