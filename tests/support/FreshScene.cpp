#include "support/FreshScene.h"

#include "app/AppState.h"
#include "app/SceneSetup.h"
#include "app/Shutdown.h"
#include "camera/CameraState.h"
#include "support/CapturedStdout.h"

#include <gtest/gtest.h>

#include <vector>

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

void linkScenePrograms()
{
    ShaderLoader* const loaders[] = {&basicLightingShader, &shadowShader, &ambientShader, &normalMappingShader};
    // Programs that an earlier test of this process linked are used as they
    // are; any other state (never linked, released, a failed link) is
    // replaced.
    bool linked = true;
    for (ShaderLoader* loader : loaders) {
        linked = linked && loader->getStatus() == 1 && glIsProgram(loader->getProgram()) == GL_TRUE;
    }
    if (linked) {
        return;
    }
    for (ShaderLoader* loader : loaders) {
        loader->release();
    }
    struct Program {
        ShaderLoader* loader;
        std::vector<const char*> files;
    };
    const Program programs[] = {
        {&basicLightingShader, {"shaders/BasicLighting.vert", "shaders/BasicLighting.frag"}},
        {&shadowShader, {"shaders/shadow.vert", "shaders/shadow.geom", "shaders/shadow.frag"}},
        {&ambientShader, {"shaders/ambientShader.vert", "shaders/ambientShader.frag"}},
        {&normalMappingShader, {"shaders/normalMapping.vert", "shaders/normalMapping.frag"}},
    };
    {
        CapturedStdout quiet; // the loader echoes every source
        for (const Program& program : programs) {
            for (const char* file : program.files) {
                program.loader->loadShader(file);
            }
            program.loader->linkProgram();
        }
    }
    for (const Program& program : programs) {
        ASSERT_EQ(program.loader->getStatus(), 1) << program.files[0] << " did not link";
    }
}
