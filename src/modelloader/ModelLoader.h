#pragma once
#include <GL/glew.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Asset;
struct aiMesh;
struct aiScene;

// Imports model files into assets through Assimp: flattens all meshes into
// one set of vertex arrays, uploads them, records the layout in the asset's
// vertex array object and, on request, builds the triangles-with-adjacency
// index list for shadow volumes. Remembers the first asset loaded from each
// path (without owning it) so that a repeat path shares its GL objects.
class ModelLoader {
public:
    static ModelLoader& getInstance();
    virtual ~ModelLoader();
    ModelLoader(const ModelLoader&) = delete;
    ModelLoader& operator=(const ModelLoader&) = delete;

    bool loadModel(const std::string& path, Asset* asset, bool withAdjacency);

    // A model's meshes flattened into one set of vertex streams, their indices
    // offset into it: the triangles and, when asked for, the triangles with
    // adjacency. Tangents only for a normal-mapped asset.
    struct FlatMesh {
        std::vector<glm::vec3> positions;
        std::vector<glm::vec3> normals;
        std::vector<glm::vec2> texCoords;
        std::vector<glm::vec3> tangents;
        std::vector<unsigned int> indices;
        std::vector<unsigned int> adjacencyIndices;
    };

    bool initMesh(const aiMesh* mesh, std::vector<glm::vec3>& Positions, std::vector<glm::vec3>& Normals,
                  std::vector<glm::vec2>& TexCoords, std::vector<glm::vec3>& Tangents,
                  std::vector<unsigned int>& Indices1, std::vector<unsigned int>& Indices2, Asset* asset);

    void findAdjacencies(const aiMesh* mesh, std::vector<unsigned int>& Indices2, Asset* asset);

    // Called when `asset` lets go of its mesh (destroyed, or about to hold
    // another). Returns true when other assets still draw that mesh: its GL
    // objects must then stay. The paths cached under `asset` pass to one of
    // those assets, or are forgotten, so that a path is never served from
    // freed memory or from a mesh the asset no longer holds. Does nothing
    // (and creates no loader) before the first import.
    static bool release(const Asset* asset);

private:
    ModelLoader();
    static ModelLoader* s_instance;

    // Gives `asset` the mesh of the first asset loaded from `path` when that
    // has every stream the asset draws; false when there is none such.
    bool shareCachedMesh(const std::string& path, Asset* asset, bool withAdjacency);
    // Empties `asset` and fills its mesh entries from the scene's meshes.
    FlatMesh flatten(const aiScene* scene, Asset* asset, bool withAdjacency);
    // Gives `asset` the mesh of `first`, loaded from the same path.
    void share(Asset* first, Asset* asset, bool withAdjacency);

    std::map<std::string, Asset*> m_models;
    uint32_t m_vertexOffset = 0;
    // The assets that draw one shared mesh, by its vertex array; only meshes
    // that a repeat load shares are listed.
    std::map<GLuint, std::vector<Asset*>> m_meshUsers;
};
