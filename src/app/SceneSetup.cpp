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

SetupObserver* setupObserver = nullptr;

void phaseDone(SetupPhase phase)
{
    if (setupObserver != nullptr) {
        setupObserver->phaseDone(phase);
    }
}

// The scene's textures, loaded in the order of the layout, by their index there.
using SceneTextures = std::array<Texture*, SceneTexture::count>;

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

// The colour texture and, where it has one, the normal map the layout gives
// the asset: each texture's name, then its unit.
void giveTextures(SceneAsset::Index index, Asset* asset, const SceneTextures& loaded)
{
    const SceneAssetLayout& layout = sceneAssets[index];
    const Texture* colour = loaded[static_cast<size_t>(layout.colour)];
    asset->setTexture(colour->m_handle);
    asset->setTextureUnit(colour->m_unit);
    if (layout.normalMap != SceneTexture::none) {
        const Texture* normalMap = loaded[static_cast<size_t>(layout.normalMap)];
        asset->setNormalMap(normalMap->m_handle);
        asset->setNormalMapUnit(normalMap->m_unit);
    }
}

} // namespace

void setSetupObserver(SetupObserver* observer)
{
    setupObserver = observer;
}

void linkSceneProgram(ShaderLoader& loader)
{
    loader.linkProgram();
    clearGLErrors();
    if (loader.getStatus() == 0) {
        // The loader has printed this line and paused already: the second line
        // and pause are intended, the transcript has both.
        printLine("failed to link shader");
        consolePause();
        leaveSceneToTheSystem();
        std::exit(-1);
    }
}

void setupScene()
{
    SceneTextures loaded{};
    for (int index = 0; index < SceneTexture::count; ++index) {
        const SceneTextureFile& file = sceneTextureFiles[index];
        loaded[static_cast<size_t>(index)] = TextureLoader::getInstance().loadTexture(file.path, file.unit);
        textures.push_back(loaded[static_cast<size_t>(index)]);
    }
    clearGLErrors();
    phaseDone(SetupPhase::Textures);

    buildSceneProgram(basicLightingShader, {"shaders/BasicLighting.vert", "shaders/BasicLighting.frag"});
    buildSceneProgram(shadowShader, {"shaders/shadow.vert", "shaders/shadow.geom", "shaders/shadow.frag"});
    buildSceneProgram(ambientShader, {"shaders/ambientShader.vert", "shaders/ambientShader.frag"});
    buildSceneProgram(normalMappingShader, {"shaders/normalMapping.vert", "shaders/normalMapping.frag"});
    const GLuint basic = basicLightingShader.getProgram();
    const GLuint shadow = shadowShader.getProgram();
    phaseDone(SetupPhase::Programs);

    // Calls that repeat what an asset has already (setTextured(true), a zero
    // velocity, scale(1.0)) are intended: the scene's list has them, and they
    // change nothing.
    Asset* lion = newSceneAsset(SceneAsset::lion, basic);
    loadModel(SceneAsset::lion, lion);
    giveTextures(SceneAsset::lion, lion, loaded);
    lion->scale(0.1f);
    lion->translate(5.0f, glm::vec3(-2.0f, -1.0f, -11.0f));
    lion->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));

    Asset* lion2 = newSceneAsset(SceneAsset::lion2, basic);
    loadModel(SceneAsset::lion2, lion2);
    giveTextures(SceneAsset::lion2, lion2, loaded);
    lion2->scale(0.1f);
    lion2->translate(5.0f, glm::vec3(-3.1f, -1.0f, -11.0f));
    lion2->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));

    Asset* test = newSceneAsset(SceneAsset::test, basic);
    loadModel(SceneAsset::test, test);
    giveTextures(SceneAsset::test, test, loaded);
    test->setTextured(true);
    test->scale(0.1f);
    test->translate(1.0f, glm::vec3(0.0f, 3.0f, -15.0f));
    test->setVelocity(glm::vec3(0.0f, 0.0f, -1.0f));
    clearGLErrors();

    Asset* metalBox = newSceneAsset(SceneAsset::metalBox, basic);
    loadModel(SceneAsset::metalBox, metalBox);
    giveTextures(SceneAsset::metalBox, metalBox, loaded);
    metalBox->setTextured(true);
    metalBox->scale(0.2f);
    metalBox->setVelocity(glm::vec3(0.0f, 0.0f, 0.0f));
    metalBox->setRotationSpeed(glm::vec3(30.0f, 45.0f, 10.0f));
    metalBox->translate(1.0f, glm::vec3(0.0f, 2.0f, 0.0f));

    Asset* brickBox = newSceneAsset(SceneAsset::brickBox, basic);
    loadModel(SceneAsset::brickBox, brickBox);
    giveTextures(SceneAsset::brickBox, brickBox, loaded);
    brickBox->setTextured(true);
    brickBox->scale(0.1f);
    brickBox->translate(1.0f, glm::vec3(0.0f, 5.0f, -110.0f));
    brickBox->setVelocity(glm::vec3(0.0f, 0.0f, 0.0f));
    brickBox->setRotationSpeed(glm::vec3(10.0f, 25.0f, 5.0f));

    // The shadow program and the transforms before the model are intended:
    // every pass gives the cow its own program and points its attributes anew,
    // and the import leaves the model matrix alone.
    cow = newSceneAsset(SceneAsset::cow, shadow);
    giveTextures(SceneAsset::cow, cow, loaded);
    cow->translate(6.0f, glm::vec3(0.0f, 0.0f, -1.0f));
    cow->translate(0.7f, glm::vec3(0.0f, 1.0f, 0.0f));
    cow->setRotationSpeed(glm::vec3(20.0f, 10.0f, 10.0f));
    loadModel(SceneAsset::cow, cow);
    clearGLErrors();

    Asset* spaceStation = newSceneAsset(SceneAsset::spaceStation, basic);
    loadModel(SceneAsset::spaceStation, spaceStation);
    giveTextures(SceneAsset::spaceStation, spaceStation, loaded);
    spaceStation->scale(1.0f);
    clearGLErrors();
    phaseDone(SetupPhase::Models);

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
