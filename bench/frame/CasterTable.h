#pragma once
// Each shadow caster's shadow-volume pass measured with that caster alone.
#include "frame/FrameBenchOptions.h"
#include "frame/SceneRunner.h"

#include <GL/glew.h>

#include <cstddef>
#include <string>
#include <vector>

// The name of the asset at `index` in the scene's asset list, with its model
// file, as the scene's layout gives them.
std::string sceneAssetName(size_t index);

// The shadow-volume pass with one casting asset alone, from the start of the
// flight: its primitives, the samples its volumes rasterise (depth test
// aside) and its median isolated wall time.
struct AssetShadow {
    size_t index = 0;
    GLuint primitives = 0;
    GLuint rasterisedSamples = 0;
    double isolatedSeconds = 0.0;
};

// One entry per casting asset; none when --per-asset-frames is 0.
std::vector<AssetShadow> measureCasters(const FrameBenchOptions& options, const SceneSnapshot& start);
