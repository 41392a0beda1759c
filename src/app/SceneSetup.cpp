#include "app/SceneSetup.h"

#include "app/AppState.h"
#include "app/Console.h"
#include "app/GLState.h"
#include "app/SceneLayout.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "camera/CameraState.h"
#include "modelloader/ModelLoader.h"
#include "textureloader/TextureLoader.h"

#include <array>
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

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Texture* loadSceneTexture(SceneTexture::Index index)
{
    const SceneTextureFile& file = sceneTextureFiles[index];
    Texture* texture = TextureLoader::getInstance().loadTexture(file.path, file.unit);
    textures.push_back(texture);
    return texture;
}

void buildSceneProgram(ShaderLoader& loader, std::initializer_list<const char*> files)
{
    for (const char* file : files) {
        loader.loadShader(file);
    }
    linkSceneProgram(loader);
}

// An asset of the scene, textured, normal mapped as the layout says.
Asset* newSceneAsset(SceneAsset::Index index, GLuint program)
{
    return new Asset(true, sceneAssets[index].normalMapped, program);
}

bool loadModel(SceneAsset::Index index, Asset* asset)
{
    const SceneAssetLayout& layout = sceneAssets[index];
    return ModelLoader::getInstance().loadModel(layout.modelPath, asset, layout.withAdjacency);
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
    std::chrono::steady_clock::time_point phaseStart = std::chrono::steady_clock::now();

    Texture* cowTexture = loadSceneTexture(SceneTexture::cowColour);
    Texture* cometTexture = loadSceneTexture(SceneTexture::cometColour);
    Texture* metalTexture = loadSceneTexture(SceneTexture::metalColour);
    Texture* testTexture = loadSceneTexture(SceneTexture::testColour);
    Texture* metalText2 = loadSceneTexture(SceneTexture::metalBoxColour);
    Texture* metalText2N = loadSceneTexture(SceneTexture::metalBoxNormals);
    Texture* brickText2 = loadSceneTexture(SceneTexture::brickBoxColour);
    Texture* brick2N = loadSceneTexture(SceneTexture::brickBoxNormals);
    Texture* lionC = loadSceneTexture(SceneTexture::lionColour);
    Texture* lionN = loadSceneTexture(SceneTexture::lionNormals);
    (void)cometTexture; // loaded and released with the others, never drawn

    clearGLErrors();
    if (timings != nullptr) {
        timings->textures = secondsSince(phaseStart);
        phaseStart = std::chrono::steady_clock::now();
    }

    buildSceneProgram(basicLightingShader, {"shaders/BasicLighting.vert", "shaders/BasicLighting.frag"});
    buildSceneProgram(shadowShader, {"shaders/shadow.vert", "shaders/shadow.geom", "shaders/shadow.frag"});
    buildSceneProgram(ambientShader, {"shaders/ambientShader.vert", "shaders/ambientShader.frag"});
    buildSceneProgram(normalMappingShader, {"shaders/normalMapping.vert", "shaders/normalMapping.frag"});
    const GLuint basic = basicLightingShader.getProgram();
    const GLuint shadow = shadowShader.getProgram();
    if (timings != nullptr) {
        timings->programs = secondsSince(phaseStart);
        phaseStart = std::chrono::steady_clock::now();
    }

    Asset* lion = newSceneAsset(SceneAsset::lion, basic);
    loadModel(SceneAsset::lion, lion);
    giveColour(lion, lionC);
    giveNormalMap(lion, lionN);
    lion->scale(0.1f);
    lion->translate(5.0f, glm::vec3(-2.0f, -1.0f, -11.0f));
    lion->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));

    Asset* lion2 = newSceneAsset(SceneAsset::lion2, basic);
    loadModel(SceneAsset::lion2, lion2);
    giveColour(lion2, lionC);
    lion2->scale(0.1f);
    lion2->translate(5.0f, glm::vec3(-3.1f, -1.0f, -11.0f));
    lion2->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));

    Asset* test = newSceneAsset(SceneAsset::test, basic);
    loadModel(SceneAsset::test, test);
    giveColour(test, testTexture);
    test->setTextured(true);
    test->scale(0.1f);
    test->translate(1.0f, glm::vec3(0.0f, 3.0f, -15.0f));
    test->setVelocity(glm::vec3(0.0f, 0.0f, -1.0f));
    clearGLErrors();

    Asset* metalBox = newSceneAsset(SceneAsset::metalBox, basic);
    loadModel(SceneAsset::metalBox, metalBox);
    giveColour(metalBox, metalText2);
    giveNormalMap(metalBox, metalText2N);
    metalBox->setTextured(true);
    metalBox->scale(0.2f);
    metalBox->setVelocity(glm::vec3(0.0f, 0.0f, 0.0f));
    metalBox->setRotationSpeed(glm::vec3(30.0f, 45.0f, 10.0f));
    metalBox->translate(1.0f, glm::vec3(0.0f, 2.0f, 0.0f));

    Asset* brickBox = newSceneAsset(SceneAsset::brickBox, basic);
    loadModel(SceneAsset::brickBox, brickBox);
    giveColour(brickBox, brickText2);
    giveNormalMap(brickBox, brick2N);
    brickBox->setTextured(true);
    brickBox->scale(0.1f);
    brickBox->translate(1.0f, glm::vec3(0.0f, 5.0f, -110.0f));
    brickBox->setVelocity(glm::vec3(0.0f, 0.0f, 0.0f));
    brickBox->setRotationSpeed(glm::vec3(10.0f, 25.0f, 5.0f));

    cow = newSceneAsset(SceneAsset::cow, shadow);
    giveColour(cow, cowTexture);
    cow->translate(6.0f, glm::vec3(0.0f, 0.0f, -1.0f));
    cow->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));
    cow->setRotationSpeed(glm::vec3(20.0f, 10.0f, 10.0f));
    loadModel(SceneAsset::cow, cow);
    clearGLErrors();

    Asset* spaceStation = newSceneAsset(SceneAsset::spaceStation, basic);
    loadModel(SceneAsset::spaceStation, spaceStation);
    giveColour(spaceStation, metalTexture);
    spaceStation->scale(1.0f);
    clearGLErrors();
    if (timings != nullptr) {
        timings->models = secondsSince(phaseStart);
    }

    std::array<Asset*, SceneAsset::count> inListOrder{};
    inListOrder[SceneAsset::cow] = cow;
    inListOrder[SceneAsset::test] = test;
    inListOrder[SceneAsset::spaceStation] = spaceStation;
    inListOrder[SceneAsset::metalBox] = metalBox;
    inListOrder[SceneAsset::brickBox] = brickBox;
    inListOrder[SceneAsset::lion] = lion;
    inListOrder[SceneAsset::lion2] = lion2;
    for (Asset* asset : inListOrder) {
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
