#include "support/FreshScene.h"

#include "app/AppState.h"
#include "app/SceneSetup.h"
#include "app/Shutdown.h"
#include "camera/CameraState.h"

void setUpFreshScene()
{
    cleanup();
    // A loader attaches every stage it loads to its program; a second set-up
    // on the same programs would link two of each stage.
    for (ShaderLoader* loader : {&basicLightingShader, &shadowShader, &ambientShader, &normalMappingShader}) {
        loader->release();
    }
    setupScene();
    resetCameraFlight();
}
