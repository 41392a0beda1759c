#include "app/SceneSetup.h"

#include "app/AppState.h"
#include "app/Console.h"
#include "app/GLState.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "camera/CameraState.h"
#include "modelloader/ModelLoader.h"
#include "textureloader/TextureLoader.h"

#include <chrono>
#include <cstdlib>
#include <initializer_list>

#if defined(__SANITIZE_ADDRESS__)
#define KOV_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOV_LEAK_CHECKED 1
#endif
#endif
#if defined(KOV_LEAK_CHECKED)
// LeakSanitizer's interface, declared here: GCC installs no header for it.
extern "C" void __lsan_ignore_object(const void* p);
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The fatal exit skips the shutdown and leaves what the setup made so far to
// the operating system. exit() destroys the scene lists before a leak
// checker looks, so in an instrumented build the records they held are
// marked as deliberately kept rather than reported as lost.
void leaveSceneToTheSystem()
{
#if defined(KOV_LEAK_CHECKED)
    for (const Texture* texture : textures) {
        __lsan_ignore_object(texture);
    }
    for (const Asset* asset : assets) {
        __lsan_ignore_object(asset);
    }
#endif
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

Texture* loadSceneTexture(const char* path, int unit)
{
    Texture* texture = TextureLoader::getInstance().loadTexture(path, unit);
    textures.push_back(texture);
    return texture;
}

void buildProgram(ShaderLoader& loader, std::initializer_list<const char*> files)
{
    for (const char* file : files) {
        loader.loadShader(file);
    }
    linkSceneProgram(loader);
}

bool loadModel(const char* path, Asset* asset, bool withAdjacency)
{
    return ModelLoader::getInstance().loadModel(path, asset, withAdjacency);
}

void giveColour(Asset* asset, const Texture* texture)
{
    asset->setTexture(texture->m_handle);
    asset->setTextureUnit(texture->m_unit);
}

void giveNormalMap(Asset* asset, const Texture* texture)
{
    asset->setNormalMap(texture->m_handle);
    asset->setNormalMapUnit(texture->m_unit);
}

} // namespace

void linkSceneProgram(ShaderLoader& loader)
{
    loader.linkProgram();
    clearGLErrors();
    if (loader.getStatus() == 0) {
        printLine("failed to link shader");
        consolePause();
        leaveSceneToTheSystem();
        std::exit(-1);
    }
}

void setupScene(SetupTimings* timings)
{
    Clock::time_point phaseStart = Clock::now();

    Texture* cowTexture = loadSceneTexture("textures/cow_texture.jpg", 0);
    Texture* cometTexture = loadSceneTexture("textures/Lunar Target.jpg", 0);
    Texture* metalTexture = loadSceneTexture("textures/Metal_Scratch.jpg", 0);
    Texture* testTexture = loadSceneTexture("textures/test.png", 0);
    Texture* metalText2 = loadSceneTexture("textures/metal02.jpg", 0);
    Texture* metalText2N = loadSceneTexture("textures/metal02n.jpg", 1);
    Texture* brickText2 = loadSceneTexture("textures/brick01.jpg", 0);
    Texture* brick2N = loadSceneTexture("textures/brick01n.jpg", 1);
    Texture* lionC = loadSceneTexture("textures/Lion_Albido.jpg", 0);
    Texture* lionN = loadSceneTexture("textures/Lion_normals.jpg", 1);
    (void)cometTexture; // loaded and released with the others, never drawn

    clearGLErrors();
    if (timings != nullptr) {
        timings->textures = secondsSince(phaseStart);
        phaseStart = Clock::now();
    }

    buildProgram(basicLightingShader, {"shaders/BasicLighting.vert", "shaders/BasicLighting.frag"});
    buildProgram(shadowShader, {"shaders/shadow.vert", "shaders/shadow.geom", "shaders/shadow.frag"});
    buildProgram(ambientShader, {"shaders/ambientShader.vert", "shaders/ambientShader.frag"});
    buildProgram(normalMappingShader, {"shaders/normalMapping.vert", "shaders/normalMapping.frag"});
    const GLuint basic = basicLightingShader.getProgram();
    const GLuint shadow = shadowShader.getProgram();
    if (timings != nullptr) {
        timings->programs = secondsSince(phaseStart);
        phaseStart = Clock::now();
    }

    Asset* lion = new Asset(true, true, basic);
    loadModel("models/Lion.obj", lion, true);
    giveColour(lion, lionC);
    giveNormalMap(lion, lionN);
    lion->scale(0.1f);
    lion->translate(5.0f, glm::vec3(-2.0f, -1.0f, -11.0f));
    lion->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));

    Asset* lion2 = new Asset(true, false, basic);
    loadModel("models/Lion2.obj", lion2, true);
    giveColour(lion2, lionC);
    lion2->scale(0.1f);
    lion2->translate(5.0f, glm::vec3(-3.1f, -1.0f, -11.0f));
    lion2->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));

    Asset* test = new Asset(true, false, basic);
    loadModel("models/box.obj", test, true);
    giveColour(test, testTexture);
    test->setTextured(true);
    test->scale(0.1f);
    test->translate(1.0f, glm::vec3(0.0f, 3.0f, -15.0f));
    test->setVelocity(glm::vec3(0.0f, 0.0f, -1.0f));
    clearGLErrors();

    Asset* metalBox = new Asset(true, true, basic);
    loadModel("models/box2.obj", metalBox, true);
    giveColour(metalBox, metalText2);
    giveNormalMap(metalBox, metalText2N);
    metalBox->setTextured(true);
    metalBox->scale(0.2f);
    metalBox->setVelocity(glm::vec3(0.0f, 0.0f, 0.0f));
    metalBox->setRotationSpeed(glm::vec3(30.0f, 45.0f, 10.0f));
    metalBox->translate(1.0f, glm::vec3(0.0f, 2.0f, 0.0f));

    Asset* brickBox = new Asset(true, true, basic);
    loadModel("models/box3.obj", brickBox, true);
    giveColour(brickBox, brickText2);
    giveNormalMap(brickBox, brick2N);
    brickBox->setTextured(true);
    brickBox->scale(0.1f);
    brickBox->translate(1.0f, glm::vec3(0.0f, 5.0f, -110.0f));
    brickBox->setVelocity(glm::vec3(0.0f, 0.0f, 0.0f));
    brickBox->setRotationSpeed(glm::vec3(10.0f, 25.0f, 5.0f));

    cow = new Asset(true, false, shadow);
    giveColour(cow, cowTexture);
    cow->translate(6.0f, glm::vec3(0.0f, 0.0f, -1.0f));
    cow->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));
    cow->setRotationSpeed(glm::vec3(20.0f, 10.0f, 10.0f));
    loadModel("models/cow2.obj", cow, true);
    clearGLErrors();

    Asset* spaceStation = new Asset(true, false, basic);
    loadModel("models/spaceship.obj", spaceStation, false);
    giveColour(spaceStation, metalTexture);
    spaceStation->scale(1.0f);
    clearGLErrors();
    if (timings != nullptr) {
        timings->models = secondsSince(phaseStart);
    }

    for (Asset* asset : {cow, test, spaceStation, metalBox, brickBox, lion, lion2}) {
        assets.push_back(asset);
    }

    Asset* cameraBody = new Asset(true, false, basic);
    cameraBody->translate(10.0f, glm::vec3(15.0f, 0.0f, -10.0f));
    camera = new Camera(appWindow.getWindow(), cameraBody, static_cast<unsigned>(appWindow.getWidth()),
                        static_cast<unsigned>(appWindow.getHeight()));
    glUseProgram(basic);
    setCameraFocus(glm::vec3(0.0f, 0.2f, -2.0f));
    setCameraPosition(glm::vec3(0.0f, 0.6f, 2.0f));
    clearGLErrors();
}
