#pragma once
// The demonstration scene's layout: the textures it loads, in the order of
// the `textures` list, and its assets, in the order of the `assets` list,
// with each asset's model file and textures. The scene setup builds the scene
// from these; the tests, benchmarks and tools that name the scene's parts
// read them here.
#include <cstddef>

// The scene's textures, by their place in the `textures` list.
namespace SceneTexture {
enum Index : int {
    cowColour,
    cometColour, // loaded and released with the others, never drawn
    metalColour,
    testColour,
    metalBoxColour,
    metalBoxNormals,
    brickBoxColour,
    brickBoxNormals,
    lionColour,
    lionNormals,
    count,
    none = -1,
};
} // namespace SceneTexture

struct SceneTextureFile {
    const char* path; // relative to the working directory
    int unit; // the texture unit it is loaded on
};

constexpr SceneTextureFile sceneTextureFiles[SceneTexture::count] = {
    {"textures/cow_texture.jpg", 0},  {"textures/Lunar Target.jpg", 0}, {"textures/Metal_Scratch.jpg", 0},
    {"textures/test.png", 0},         {"textures/metal02.jpg", 0},      {"textures/metal02n.jpg", 1},
    {"textures/brick01.jpg", 0},      {"textures/brick01n.jpg", 1},     {"textures/Lion_Albido.jpg", 0},
    {"textures/Lion_normals.jpg", 1},
};

// The scene's assets, by their place in the `assets` list (the drawing order).
namespace SceneAsset {
enum Index : std::size_t { cow, test, spaceStation, metalBox, brickBox, lion, lion2, count };
} // namespace SceneAsset

struct SceneAssetLayout {
    const char* name; // the setup's name for it; the label the tests and the benchmark print
    const char* modelPath; // relative to the working directory
    bool withAdjacency; // loaded with adjacency: casts shadow volumes
    bool normalMapped; // drawn by the normal-mapping passes
    SceneTexture::Index colour;
    SceneTexture::Index normalMap; // SceneTexture::none without one
};

constexpr SceneAssetLayout sceneAssets[SceneAsset::count] = {
    {"cow", "models/cow2.obj", true, false, SceneTexture::cowColour, SceneTexture::none},
    {"test", "models/box.obj", true, false, SceneTexture::testColour, SceneTexture::none},
    {"spaceStation", "models/spaceship.obj", false, false, SceneTexture::metalColour, SceneTexture::none},
    {"metalBox", "models/box2.obj", true, true, SceneTexture::metalBoxColour, SceneTexture::metalBoxNormals},
    {"brickBox", "models/box3.obj", true, true, SceneTexture::brickBoxColour, SceneTexture::brickBoxNormals},
    {"lion", "models/Lion.obj", true, true, SceneTexture::lionColour, SceneTexture::lionNormals},
    {"lion2", "models/Lion2.obj", true, false, SceneTexture::lionColour, SceneTexture::none},
};
