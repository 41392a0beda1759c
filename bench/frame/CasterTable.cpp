#include "frame/CasterTable.h"

#include "frame/PassTiming.h"

#include "BenchStats.h"
#include "app/AppState.h"
#include "readback/BufferReadback.h"
#include "asset/Asset.h"

#include <glm/geometric.hpp>

#include <algorithm>

namespace {

const char* const sceneAssetNames[] = {"cow (cow2.obj)",      "test (box.obj)",     "spaceStation (spaceship.obj)",
                                       "metalBox (box2.obj)", "brickBox (box3.obj)", "lion (Lion.obj)",
                                       "lion2 (Lion2.obj)"};

bool lexicographicallyBefore(const glm::vec3& p, const glm::vec3& q)
{
    return p.x < q.x || (p.x == q.x && (p.y < q.y || (p.y == q.y && p.z < q.z)));
}

// The shader's facing test, with the corners rotated to the smallest first.
bool facesLight(glm::vec3 a, glm::vec3 b, glm::vec3 c, const glm::vec3& light)
{
    if (lexicographicallyBefore(b, a) && lexicographicallyBefore(b, c)) {
        const glm::vec3 t = a;
        a = b;
        b = c;
        c = t;
    } else if (lexicographicallyBefore(c, a) && lexicographicallyBefore(c, b)) {
        const glm::vec3 t = c;
        c = b;
        b = a;
        a = t;
    }
    return glm::dot(glm::cross(b - a, c - a), light - a) > 0.0f;
}

VolumeCount countVolume(const Asset& asset)
{
    VolumeCount count;
    if (asset.getAdjacencyIndexBuffer() == 0 || asset.getPositionBuffer() == 0) {
        return count;
    }
    const std::vector<float> positions = readBuffer<float>(asset.getPositionBuffer());
    const std::vector<GLuint> indices = readBuffer<GLuint>(asset.getAdjacencyIndexBuffer());
    const size_t used = std::min(indices.size(), static_cast<size_t>(2 * asset.getNumIndices()));

    const glm::mat4 model = asset.getModelMatrix();
    const size_t vertexCount = positions.size() / 3;
    std::vector<glm::vec3> world(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v) {
        world[v] = glm::vec3(model * glm::vec4(positions[3 * v], positions[3 * v + 1], positions[3 * v + 2], 1.0f));
    }
    auto at = [&](GLuint index) { return index < vertexCount ? world[index] : glm::vec3(0.0f); };
    for (const PointLight& light : asset.getPointLights()) {
        if (glm::distance(light.Position, asset.getPosition()) > Asset::shadowLightRange) {
            continue;
        }
        ++count.lights;
        const long long silhouetteBefore = count.silhouetteEdges;
        for (size_t t = 0; t + 6 <= used; t += 6) {
            const glm::vec3 v0 = at(indices[t]), v1 = at(indices[t + 1]), v2 = at(indices[t + 2]);
            const glm::vec3 v3 = at(indices[t + 3]), v4 = at(indices[t + 4]), v5 = at(indices[t + 5]);
            if (!facesLight(v0, v2, v4, light.Position)) {
                continue;
            }
            ++count.facing;
            count.silhouetteEdges += (v1 == v4 || !facesLight(v2, v0, v1, light.Position)) ? 1 : 0;
            count.silhouetteEdges += (v3 == v0 || !facesLight(v4, v2, v3, light.Position)) ? 1 : 0;
            count.silhouetteEdges += (v5 == v2 || !facesLight(v0, v4, v5, light.Position)) ? 1 : 0;
        }
        count.silhouetteEdgesPerLight.push_back(count.silhouetteEdges - silhouetteBefore);
    }
    return count;
}

} // namespace

std::string assetName(size_t index)
{
    if (assets.size() == 7) {
        return sceneAssetNames[index];
    }
    return "asset " + std::to_string(index);
}

CasterTable measureCasters(const Options& options, const SceneSnapshot& start)
{
    CasterTable table;
    for (const Asset* asset : assets) {
        table.volumes.push_back(asset->m_withAdjacency ? countVolume(*asset) : VolumeCount());
    }
    if (options.perAssetFrames > 0) {
        std::vector<bool> casts;
        for (const Asset* asset : assets) {
            casts.push_back(asset->m_withAdjacency);
        }
        for (size_t only = 0; only < assets.size(); ++only) {
            if (!casts[only]) {
                continue;
            }
            for (size_t i = 0; i < assets.size(); ++i) {
                assets[i]->m_withAdjacency = casts[i] && i == only;
            }
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
            start.restore();
            PrimitiveCounter counter;
            setPassObserver(&counter);
            renderFrame(options.dt);
            glFinish();
            start.restore();
            VolumeSampleCounter sampleCounter;
            setPassObserver(&sampleCounter);
            renderFrame(options.dt);
            glFinish();
            setPassObserver(nullptr);
            const int shadowPass = static_cast<int>(RenderPass::ShadowVolumes);
            table.alone.push_back(
                {only, counter.results()[shadowPass], sampleCounter.result(), median(samples.isolated[shadowPass])});
        }
        for (size_t i = 0; i < assets.size(); ++i) {
            assets[i]->m_withAdjacency = casts[i];
        }
    }
    return table;
}
