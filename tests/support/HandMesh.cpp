#include "support/HandMesh.h"

const std::vector<aiVector3D> tetraPositions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const std::vector<Tri> tetraTris = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

std::unique_ptr<aiMesh> makeMesh(const std::vector<aiVector3D>& positions,
                                 const std::vector<std::vector<unsigned int>>& faces)
{
    auto mesh = std::make_unique<aiMesh>();
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = static_cast<unsigned int>(positions.size());
    mesh->mVertices = new aiVector3D[positions.size()];
    for (size_t i = 0; i < positions.size(); ++i) {
        mesh->mVertices[i] = positions[i];
    }
    mesh->mNumFaces = static_cast<unsigned int>(faces.size());
    mesh->mFaces = new aiFace[faces.size()];
    for (size_t f = 0; f < faces.size(); ++f) {
        aiFace& face = mesh->mFaces[f];
        face.mNumIndices = static_cast<unsigned int>(faces[f].size());
        face.mIndices = new unsigned int[faces[f].size()];
        for (size_t j = 0; j < faces[f].size(); ++j) {
            face.mIndices[j] = faces[f][j];
        }
    }
    return mesh;
}

std::unique_ptr<aiMesh> makeTriMesh(const std::vector<aiVector3D>& positions, const std::vector<Tri>& tris)
{
    std::vector<std::vector<unsigned int>> faces;
    for (const Tri& t : tris) {
        faces.push_back({t[0], t[1], t[2]});
    }
    return makeMesh(positions, faces);
}
