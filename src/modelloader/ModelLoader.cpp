#include "modelloader/ModelLoader.h"

#include "app/Console.h"
#include "app/GLState.h"
#include "asset/Asset.h"
#include "modelloader/ModelImport.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <assimp/version.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

GLuint uploadBuffer(GLenum target, const void* data, size_t bytes)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), bytes > 0 ? data : nullptr, GL_STATIC_DRAW);
    glBindBuffer(target, 0);
    return buffer;
}

glm::vec3 toVec3(const aiVector3D& v)
{
    return glm::vec3(v.x, v.y, v.z);
}

// A model loaded into an asset that already holds one replaces it: the old
// mesh is let go and the tables built for it are emptied, so that nothing of
// the old model leaks or reaches the new adjacency list.
void startAfresh(Asset* asset)
{
    if (asset->holdsMesh()) {
        asset->releaseMesh();
    }
    asset->m_Entries.clear();
    asset->m_materialIndices.clear();
    asset->m_indexMap.clear();
    asset->m_posMap.clear();
    asset->m_uniqueFaces.clear();
    asset->m_withAdjacency = false;
}

// Opens `path` through `importer` as the viewer reads a model; prints why and
// returns null when there is no file, no model in it or no mesh.
const aiScene* importModel(Assimp::Importer& importer, const std::string& path)
{
    std::ifstream file(path);
    if (!file.is_open()) {
        std::printf("Couldn't open file: %s\n", path.c_str());
        // Nothing was read yet, so this is the transcript's intended empty line.
        std::printf("%s\n", importer.GetErrorString());
        std::fflush(stdout);
        return nullptr;
    }
    file.close();

    const aiScene* scene = importer.ReadFile(path, viewerImportFlags);
    if (scene == nullptr) {
        printLine(importer.GetErrorString());
        return nullptr;
    }
    // The OBJ reader skips lines it does not understand, so a file that is no
    // model at all comes back as a scene without meshes rather than an error.
    if (scene->mNumMeshes == 0) {
        printLine("No meshes in file: " + path);
        return nullptr;
    }
    return scene;
}

// The GL objects of one imported mesh; tangents and adjacency indices are 0
// when not asked for. Handed to the asset, which owns them from then on.
struct MeshBuffers {
    GLuint vao = 0;
    GLuint positions = 0;
    GLuint normals = 0;
    GLuint texCoords = 0;
    GLuint tangents = 0;
    GLuint indices = 0;
    GLuint adjacencyIndices = 0;
};

// Uploads every stream with a new vertex array object bound, and leaves that
// object bound for bindAttributes; no second object is made only to be dropped.
MeshBuffers upload(const ModelLoader::FlatMesh& mesh, bool normalMapped, bool withAdjacency)
{
    MeshBuffers buffers;
    glGenVertexArrays(1, &buffers.vao);
    glBindVertexArray(buffers.vao);
    buffers.positions =
        uploadBuffer(GL_ARRAY_BUFFER, mesh.positions.data(), mesh.positions.size() * sizeof(glm::vec3));
    buffers.normals = uploadBuffer(GL_ARRAY_BUFFER, mesh.normals.data(), mesh.normals.size() * sizeof(glm::vec3));
    buffers.texCoords =
        uploadBuffer(GL_ARRAY_BUFFER, mesh.texCoords.data(), mesh.texCoords.size() * sizeof(glm::vec2));
    if (normalMapped) {
        buffers.tangents =
            uploadBuffer(GL_ARRAY_BUFFER, mesh.tangents.data(), mesh.tangents.size() * sizeof(glm::vec3));
    }
    buffers.indices =
        uploadBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indices.data(), mesh.indices.size() * sizeof(unsigned int));
    if (withAdjacency) {
        buffers.adjacencyIndices = uploadBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.adjacencyIndices.data(),
                                                mesh.adjacencyIndices.size() * sizeof(unsigned int));
    }
    return buffers;
}

// Points the asset's program's attributes at the buffers in the bound vertex
// array, hands the buffers to the asset and unbinds everything.
void bindAttributes(Asset* asset, const MeshBuffers& buffers, int numIndices, bool withAdjacency)
{
    const bool normalMapped = asset->isNormalMapped();
    const GLuint program = asset->getProgram();
    pointAttribute(program, buffers.positions, "vertexPosition_modelspace", 3);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.indices);
    asset->setPositionBuffer(buffers.positions);
    asset->setIndexBuffer(buffers.indices);
    if (withAdjacency) {
        asset->setAdjacencyIndexBuffer(buffers.adjacencyIndices);
    }
    asset->setNumIndices(numIndices);
    pointAttribute(program, buffers.normals, "vertexNormals", 3);
    asset->setNormalBuffer(buffers.normals);
    pointAttribute(program, buffers.texCoords, "uvs", 2);
    asset->setUvBuffer(buffers.texCoords);
    if (normalMapped) {
        // "tangents", which no program declares, is intended: GL ignores location
        // -1, and the normal-mapped draw points "Tangent" here before each draw.
        pointAttribute(program, buffers.tangents, "tangents", 3);
    }
    asset->setTangentBuffer(buffers.tangents);
    asset->setVao(buffers.vao);

    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    clearGLErrors();
}

} // namespace

ModelLoader* ModelLoader::s_instance = nullptr;

ModelLoader::ModelLoader()
{
    s_instance = this;
    // The line feed of its own is intended: the transcript has an empty line here.
    printLine(std::to_string(aiGetVersionMajor()) + "." + std::to_string(aiGetVersionMinor()) + "\n");
}

ModelLoader::~ModelLoader()
{
    s_instance = nullptr;
}

bool ModelLoader::release(const Asset* asset)
{
    if (s_instance == nullptr) {
        return false;
    }
    Asset* heir = nullptr;
    auto& meshUsers = s_instance->m_meshUsers;
    const auto users = meshUsers.find(asset->getVao());
    if (users != meshUsers.end()) {
        std::vector<Asset*>& list = users->second;
        const auto own = std::find(list.begin(), list.end(), asset);
        if (own != list.end()) {
            list.erase(own);
            heir = list.empty() ? nullptr : list.front();
            // A mesh left with one user is that asset's alone again.
            if (list.size() <= 1) {
                meshUsers.erase(users);
            }
        }
    }
    auto& models = s_instance->m_models;
    for (auto it = models.begin(); it != models.end();) {
        if (it->second != asset) {
            ++it;
        } else if (heir != nullptr) {
            it->second = heir;
            ++it;
        } else {
            it = models.erase(it);
        }
    }
    return heir != nullptr;
}

void ModelLoader::share(Asset* first, Asset* asset, bool withAdjacency)
{
    asset->setPositionBuffer(first->getPositionBuffer());
    asset->setIndexBuffer(first->getIndexBuffer());
    asset->setNumIndices(first->getNumIndices());
    asset->setNormalBuffer(first->getNormalBuffer());
    asset->setVao(first->getVao());
    // The draws point the shared vertex array's uv (and tangent) attribute at
    // these, so they must be the first asset's too; every sharer holds every
    // name, so whichever goes last can delete them all.
    asset->setUvBuffer(first->getUvBuffer());
    asset->setTangentBuffer(first->getTangentBuffer());
    asset->setAdjacencyIndexBuffer(first->getAdjacencyIndexBuffer());
    asset->m_withAdjacency = withAdjacency;
    std::vector<Asset*>& users = m_meshUsers[first->getVao()];
    if (users.empty()) {
        users.push_back(first);
    }
    users.push_back(asset);
}

ModelLoader& ModelLoader::getInstance()
{
    static ModelLoader instance;
    return instance;
}

bool ModelLoader::loadModel(const std::string& path, Asset* asset, bool withAdjacency)
{
    if (shareCachedMesh(path, asset, withAdjacency)) {
        return true;
    }
    Assimp::Importer importer;
    prepareViewerImporter(importer);
    const aiScene* scene = importModel(importer, path);
    if (scene == nullptr) {
        return false;
    }
    const FlatMesh mesh = flatten(scene, asset, withAdjacency);
    const MeshBuffers buffers = upload(mesh, asset->isNormalMapped(), withAdjacency);
    bindAttributes(asset, buffers, static_cast<int>(mesh.indices.size()), withAdjacency);
    m_models.emplace(path, asset);
    return true;
}

bool ModelLoader::shareCachedMesh(const std::string& path, Asset* asset, bool withAdjacency)
{
    const auto cached = m_models.find(path);
    if (cached == m_models.end()) {
        return false;
    }
    Asset* first = cached->second;
    // A repeat shares the first asset's mesh when that has every stream
    // the repeat's draws read; otherwise the file is imported for it.
    const bool complete = (!withAdjacency || first->getAdjacencyIndexBuffer() != 0) &&
                          (!asset->isNormalMapped() || first->getTangentBuffer() != 0);
    if (!complete) {
        return false;
    }
    if (first != asset) {
        startAfresh(asset);
        share(first, asset, withAdjacency);
    }
    return true;
}

ModelLoader::FlatMesh ModelLoader::flatten(const aiScene* scene, Asset* asset, bool withAdjacency)
{
    startAfresh(asset);
    asset->m_Entries.resize(scene->mNumMeshes);
    asset->m_materialIndices.resize(scene->mNumMaterials);
    uint32_t NumVertices = 0;
    uint32_t NumIndices = 0;
    for (unsigned int i = 0; i < scene->mNumMeshes; ++i) {
        const aiMesh* mesh = scene->mMeshes[i];
        uint32_t triangles = 0;
        for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
            triangles += isDrawableFace(mesh, f) ? 1 : 0;
        }
        Asset::MeshEntry& entry = asset->m_Entries[i];
        entry.NumIndices = 3 * triangles;
        entry.BaseVertex = NumVertices;
        entry.BaseIndex = NumIndices;
        entry.MaterialIndex = mesh->mMaterialIndex;
        NumVertices += mesh->mNumVertices;
        NumIndices += entry.NumIndices;
    }

    FlatMesh flat;
    flat.positions.reserve(NumVertices);
    flat.normals.reserve(NumVertices);
    flat.texCoords.reserve(NumVertices);
    flat.tangents.reserve(NumVertices);
    flat.indices.reserve(NumIndices);
    flat.adjacencyIndices.reserve(2 * static_cast<size_t>(NumIndices));

    asset->m_withAdjacency = withAdjacency;
    m_vertexOffset = 0;
    for (unsigned int i = 0; i < scene->mNumMeshes; ++i) {
        initMesh(scene->mMeshes[i], flat.positions, flat.normals, flat.texCoords, flat.tangents, flat.indices,
                 flat.adjacencyIndices, asset);
        m_vertexOffset += scene->mMeshes[i]->mNumVertices;
    }
    return flat;
}

bool ModelLoader::initMesh(const aiMesh* mesh, std::vector<glm::vec3>& Positions, std::vector<glm::vec3>& Normals,
                           std::vector<glm::vec2>& TexCoords, std::vector<glm::vec3>& Tangents,
                           std::vector<unsigned int>& Indices1, std::vector<unsigned int>& Indices2, Asset* asset)
{
    const bool hasTexCoords = mesh->HasTextureCoords(0);
    for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
        const glm::vec2 uv = hasTexCoords ? glm::vec2(mesh->mTextureCoords[0][i].x, mesh->mTextureCoords[0][i].y)
                                          : glm::vec2(0.0f, 0.0f);
        if (asset->isNormalMapped()) {
            // The importer derives tangents only for meshes with normals and
            // texture coordinates; elsewhere the tangent is a zero vector.
            Tangents.push_back(mesh->mTangents != nullptr ? toVec3(mesh->mTangents[i]) : glm::vec3(0.0f));
        }
        Positions.push_back(toVec3(mesh->mVertices[i]));
        Normals.push_back(mesh->mNormals != nullptr ? toVec3(mesh->mNormals[i]) : glm::vec3(0.0f));
        TexCoords.push_back(uv);
    }
    if (asset->m_withAdjacency) {
        findAdjacencies(mesh, Indices2, asset);
    }
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        if (!isDrawableFace(mesh, f)) {
            continue;
        }
        const aiFace& face = mesh->mFaces[f];
        for (unsigned int j = 0; j < 3; ++j) {
            Indices1.push_back(m_vertexOffset + face.mIndices[j]);
        }
    }
    return true;
}

void ModelLoader::findAdjacencies(const aiMesh* mesh, std::vector<unsigned int>& Indices2, Asset* asset)
{
    buildAdjacency(mesh, m_vertexOffset, AdjacencyTables{asset->m_indexMap, asset->m_posMap, asset->m_uniqueFaces},
                   Indices2);
}
