#include "app/AppState.h"

int main(int /*argc*/, char** /*argv*/)
{
    initGL();
    setupScene();
    renderLoop();
    cleanup();
    return 0;
}
