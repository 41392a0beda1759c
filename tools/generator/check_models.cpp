// kov_check_models: imports every generated model the way the viewer does and
// verifies what shadow volumes and normal mapping rely on.
//
//   kov_check_models [repo-root]
#include "MeshCheck.h"

#include "app/SceneLayout.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Where the scene places each model; its file, whether it is loaded with
// adjacency (closed) and whether it is normal mapped come from the layout.
struct Placement {
    SceneAsset::Index asset;
    float scale;
    float ox, oy, oz;
    unsigned maxTriangles;
};

const Placement kModels[] = {
    {SceneAsset::lion, 0.1f, -1.0f, -0.43f, -5.5f, 20000},
    {SceneAsset::lion2, 0.1f, -1.55f, -0.43f, -5.5f, 20000},
    {SceneAsset::test, 0.1f, 0.0f, 0.3f, -1.5f, 12},
    {SceneAsset::metalBox, 0.2f, 0.0f, 0.4f, 0.0f, 12},
    {SceneAsset::brickBox, 0.1f, 0.0f, 0.5f, -11.0f, 12},
    {SceneAsset::cow, 1.0f, 0.0f, 0.7f, -6.0f, 10000},
    {SceneAsset::spaceStation, 1.0f, 0.0f, 0.0f, 0.0f, 6000},
};

// The model file's name without its folder.
const char* fileName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string root = argc > 1 ? argv[1] : ".";
    int failures = 0;
    for (const Placement& m : kModels) {
        const SceneAssetLayout& layout = sceneAssets[m.asset];
        const char* const file = fileName(layout.modelPath);
        const bool closed = layout.withAdjacency;
        Assimp::Importer importer;
        prepareViewerImporter(importer);
        std::string path = root + "/" + layout.modelPath;
        const aiScene* scene = importer.ReadFile(path, viewerImportFlags);
        auto fail = [&](const std::string& why) {
            std::printf("FAIL %-14s %s\n", file, why.c_str());
            ++failures;
        };
        if (!scene || !scene->mRootNode) {
            fail(std::string("import failed: ") + importer.GetErrorString());
            continue;
        }
        if (closed && scene->mNumMeshes != 1) {
            fail("expected exactly one mesh, got " + std::to_string(scene->mNumMeshes));
            continue;
        }
        unsigned tris = 0;
        float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
        bool ok = true;
        for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
            const aiMesh* mesh = scene->mMeshes[i];
            tris += mesh->mNumFaces;
            for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
                const aiVector3D& p = mesh->mVertices[v];
                float w[3] = {p.x * m.scale + m.ox, p.y * m.scale + m.oy, p.z * m.scale + m.oz};
                for (int k = 0; k < 3; ++k) {
                    lo[k] = w[k] < lo[k] ? w[k] : lo[k];
                    hi[k] = w[k] > hi[k] ? w[k] : hi[k];
                }
            }
            std::string why = kov::checkAttributes(mesh);
            if (why.empty() && closed)
                why = kov::checkClosedManifold(mesh);
            if (why.empty() && layout.normalMapped)
                why = kov::checkUvHandedness(mesh);
            if (!why.empty()) {
                fail(why);
                ok = false;
            }
        }
        if (tris > m.maxTriangles) {
            fail("too many triangles: " + std::to_string(tris));
            ok = false;
        }
        std::printf("%s %-14s %6u triangles  world (%.3f %.3f %.3f)..(%.3f %.3f %.3f)\n", ok ? "ok  " : "    ",
                    file, tris, lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
    }
    return failures == 0 ? 0 : 1;
}
