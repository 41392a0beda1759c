#pragma once
// The shadow casters one by one: what the shadow geometry shader makes of
// each in a frame, worked out on the CPU, and each caster's shadow pass
// measured alone.
#include "frame/Options.h"
#include "frame/SceneRunner.h"

#include <GL/glew.h>

#include <cstddef>
#include <string>
#include <vector>

// The name of the scene's asset at `index` in the asset list, with its model.
std::string assetName(size_t index);

// What the shadow geometry shader makes of one asset in the current frame,
// worked out on the CPU from its buffers: the lights near enough to cast a
// volume, and over those lights the triangles facing the light (two caps
// each) and the silhouette edges (one side of two triangles each).
struct VolumeCount {
    int lights = 0;
    long long facing = 0;
    long long silhouetteEdges = 0;
    std::vector<long long> silhouetteEdgesPerLight; // of each light that casts, in the asset's order
    long long primitives() const { return 2 * facing + 2 * silhouetteEdges; }
};

// The shadow-volume pass with one casting asset alone: its primitives and
// rasterised samples and isolated wall time over a few frames from the
// start of the sequence.
struct AssetShadow {
    size_t index = 0;
    GLuint primitives = 0;
    GLuint rasterisedSamples = 0; // every sample its volumes cover, depth test aside
    double isolatedSeconds = 0.0;
};

struct CasterTable {
    std::vector<VolumeCount> volumes; // one per asset of the scene's list
    std::vector<AssetShadow> alone;   // one per casting asset, with --per-asset-frames
};

// The volumes of the scene as it stands (the frame just drawn), then, with
// --per-asset-frames, every caster's shadow pass alone.
CasterTable measureCasters(const Options& options, const SceneSnapshot& start);
