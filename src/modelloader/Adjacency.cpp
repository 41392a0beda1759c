#include "modelloader/Adjacency.h"

#include <assimp/mesh.h>

#include <cmath>

Edge::Edge(uint32_t first, uint32_t second)
    : a(first < second ? first : second), b(first < second ? second : first)
{
}

void Neighbors::addNeighbor(int32_t tri)
{
    if (firstTri == -1) {
        firstTri = tri;
    } else if (secondTri == -1) {
        secondTri = tri;
    } else {
        nonManifold = true;
    }
}

int32_t Neighbors::getOther(int32_t tri) const
{
    if (tri == firstTri) {
        return secondTri;
    }
    if (tri == secondTri) {
        return firstTri;
    }
    return -1;
}

uint32_t Face::getOppositeIndex(const Edge& e) const
{
    for (uint32_t index : Indices) {
        if (index != e.a && index != e.b) {
            return index;
        }
    }
    return Indices[0];
}

bool PositionLess::operator()(const aiVector3t<float>& lhs, const aiVector3t<float>& rhs) const
{
    const float l[3] = {lhs.x, lhs.y, lhs.z};
    const float r[3] = {rhs.x, rhs.y, rhs.z};
    for (int i = 0; i < 3; ++i) {
        const bool lNan = std::isnan(l[i]);
        const bool rNan = std::isnan(r[i]);
        if (lNan != rNan) {
            return rNan;
        }
        if (!lNan) {
            if (l[i] < r[i]) {
                return true;
            }
            if (r[i] < l[i]) {
                return false;
            }
        }
    }
    return false;
}

bool isDrawableFace(const aiMesh* mesh, unsigned int face)
{
    const aiFace& f = mesh->mFaces[face];
    if (f.mNumIndices != 3 || f.mIndices == nullptr) {
        return false;
    }
    for (unsigned int j = 0; j < 3; ++j) {
        if (f.mIndices[j] >= mesh->mNumVertices) {
            return false;
        }
    }
    return true;
}

namespace {

bool isDegenerate(const Face& face)
{
    return face.Indices[0] == face.Indices[1] || face.Indices[1] == face.Indices[2] ||
           face.Indices[2] == face.Indices[0];
}

// True when `face` runs from `from` to `to` along one of its edges.
bool runsAlong(const Face& face, uint32_t from, uint32_t to)
{
    for (int k = 0; k < 3; ++k) {
        if (face.Indices[k] == from && face.Indices[(k + 1) % 3] == to) {
            return true;
        }
    }
    return false;
}

} // namespace

void buildAdjacency(const aiMesh* mesh, uint32_t vertexOffset, AdjacencyTables tables,
                    std::vector<unsigned int>& indices)
{
    // Triangles are numbered across all meshes of the model, so that the
    // unique-face list and the edge map stay consistent for several meshes.
    const size_t firstFace = tables.uniqueFaces.size();

    std::vector<unsigned int> drawable;
    drawable.reserve(mesh->mNumFaces);
    for (unsigned int i = 0; i < mesh->mNumFaces; ++i) {
        if (isDrawableFace(mesh, i)) {
            drawable.push_back(i);
        }
    }

    for (unsigned int faceIndex : drawable) {
        const aiFace& face = mesh->mFaces[faceIndex];
        Face unique;
        for (int j = 0; j < 3; ++j) {
            const unsigned int index = face.mIndices[j];
            const aiVector3t<float>& position = mesh->mVertices[index];
            auto inserted = tables.posMap.emplace(position, vertexOffset + index);
            unique.Indices[j] = inserted.first->second;
        }
        const int32_t tri = static_cast<int32_t>(tables.uniqueFaces.size());
        tables.uniqueFaces.push_back(unique);
        if (isDegenerate(unique)) {
            continue;
        }
        tables.indexMap[Edge(unique.Indices[0], unique.Indices[1])].addNeighbor(tri);
        tables.indexMap[Edge(unique.Indices[1], unique.Indices[2])].addNeighbor(tri);
        tables.indexMap[Edge(unique.Indices[2], unique.Indices[0])].addNeighbor(tri);
    }

    for (size_t n = 0; n < drawable.size(); ++n) {
        const int32_t tri = static_cast<int32_t>(firstFace + n);
        const Face unique = tables.uniqueFaces[static_cast<size_t>(tri)];
        // Corner j goes to slot 2j, the far corner across the edge to the next
        // corner to slot 2j + 1 (the layout in Adjacency.h).
        for (int j = 0; j < 3; ++j) {
            const uint32_t from = unique.Indices[j];
            const uint32_t to = unique.Indices[(j + 1) % 3];
            const uint32_t ownThird = unique.Indices[(j + 2) % 3];
            uint32_t opposite = ownThird;
            if (from != to) {
                const Edge e(from, to);
                auto found = tables.indexMap.find(e);
                if (found != tables.indexMap.end() && !found->second.nonManifold) {
                    const int32_t other = found->second.getOther(tri);
                    if (other >= 0) {
                        const Face& neighbour = tables.uniqueFaces[static_cast<size_t>(other)];
                        if (runsAlong(neighbour, to, from)) {
                            opposite = neighbour.getOppositeIndex(e);
                        }
                    }
                }
            }
            indices.push_back(from);
            indices.push_back(opposite);
        }
    }
}
