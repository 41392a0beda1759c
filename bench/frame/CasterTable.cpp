#include "frame/CasterTable.h"

#include "frame/PassTiming.h"

#include "BenchStats.h"
#include "app/AppState.h"
#include "app/SceneLayout.h"
#include "readback/BufferReadback.h"
#include "asset/Asset.h"

#include <cstring>

std::string sceneAssetName(size_t index)
{
    if (assets.size() == SceneAsset::count && index < SceneAsset::count) {
        const SceneAssetLayout& layout = sceneAssets[index];
        const char* slash = std::strrchr(layout.modelPath, '/');
        return std::string(layout.name) + " (" + (slash != nullptr ? slash + 1 : layout.modelPath) + ")";
    }
    return "asset " + std::to_string(index);
}

namespace {

AssetShadow measureShadowPassAlone(size_t index, const FrameBenchOptions& options, const SceneSnapshot& start)
{
    const int shadowPass = static_cast<int>(RenderPass::ShadowVolumes);
    AssetShadow shadow;
    shadow.index = index;

    start.restore();
    PassTimer timer;
    timer.isolate = true;
    PassSamples samples;
    setPassObserver(&timer);
    for (int frame = 0; frame < options.perAssetFrames; ++frame) {
        timer.startFrame();
        renderFrame(options.dt);
        glFinish();
        timer.collect(samples);
    }
    shadow.isolatedSeconds = median(samples.isolated[shadowPass]);

    start.restore();
    PassPrimitiveCounter primitiveCounter;
    setPassObserver(&primitiveCounter);
    renderFrame(options.dt);
    glFinish();
    shadow.primitives = primitiveCounter.results()[shadowPass];

    start.restore();
    VolumeSampleCounter sampleCounter;
    setPassObserver(&sampleCounter);
    renderFrame(options.dt);
    glFinish();
    shadow.rasterisedSamples = sampleCounter.result();

    setPassObserver(nullptr);
    return shadow;
}

} // namespace

std::vector<AssetShadow> measureCasters(const FrameBenchOptions& options, const SceneSnapshot& start)
{
    std::vector<AssetShadow> table;
    if (options.perAssetFrames == 0) {
        return table;
    }
    std::vector<bool> casts;
    for (const Asset* asset : assets) {
        casts.push_back(asset->m_withAdjacency);
    }
    for (size_t only = 0; only < assets.size(); ++only) {
        if (!casts[only]) {
            continue;
        }
        for (size_t i = 0; i < assets.size(); ++i) {
            assets[i]->m_withAdjacency = i == only;
        }
        table.push_back(measureShadowPassAlone(only, options, start));
    }
    for (size_t i = 0; i < assets.size(); ++i) {
        assets[i]->m_withAdjacency = casts[i];
    }
    return table;
}
