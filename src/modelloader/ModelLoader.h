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

    // The importer's flags: tangent space, join identical vertices,
    // triangulate, smooth normals, sort by primitive type, find degenerates.
    static constexpr unsigned int importFlags = 0x1804B;

    bool loadModel(const std::string& path, Asset* asset, bool withAdjacency);

    bool initMesh(const aiMesh* mesh, std::vector<glm::vec3>& Positions, std::vector<glm::vec3>& Normals,
                  std::vector<glm::vec2>& TexCoords, std::vector<glm::vec3>& Tangents,
                  std::vector<unsigned int>& Indices1, std::vector<unsigned int>& Indices2, Asset* asset);

    void findAdjacencies(const aiMesh* mesh, std::vector<unsigned int>& Indices2, Asset* asset);

    // Drops every cache entry that names `asset`, so that a path whose first
    // asset was deleted is imported afresh instead of served from freed
    // memory. Does nothing (and creates no loader) before the first import.
    static void forget(const Asset* asset);

private:
    ModelLoader();
    static ModelLoader* s_instance;

    std::map<std::string, Asset*> m_models;
    uint32_t m_vertexOffset = 0;
};
