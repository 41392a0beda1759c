#include "app/FrameLoop.h"
#include "app/GLState.h"
#include "app/SceneSetup.h"
#include "app/Shutdown.h"

int main(int /*argc*/, char** /*argv*/)
{
    initGL();
    setupScene();
    renderLoop();
    cleanup();
    return 0;
}
