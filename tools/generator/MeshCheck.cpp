#include "MeshCheck.h"

#include <assimp/mesh.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>
#include <vector>

namespace kov {

namespace {

std::string describe(const char* fmt, long a, long b = 0, long c = 0)
{
    char buf[200];
    std::snprintf(buf, sizeof buf, fmt, a, b, c);
    return buf;
}

aiVector3D faceNormal(const aiMesh* m, const aiFace& f)
{
    const aiVector3D& a = m->mVertices[f.mIndices[0]];
    const aiVector3D& b = m->mVertices[f.mIndices[1]];
    const aiVector3D& c = m->mVertices[f.mIndices[2]];
    return (b - a) ^ (c - a);
}

} // namespace

std::string checkClosedManifold(const aiMesh* mesh)
{
    if (!mesh || mesh->mNumFaces == 0)
        return "mesh has no faces";
    // Weld by exact position.
    std::map<std::tuple<float, float, float>, unsigned> ids;
    std::vector<unsigned> weld(mesh->mNumVertices);
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        const aiVector3D& p = mesh->mVertices[i];
        weld[i] = ids.emplace(std::make_tuple(p.x, p.y, p.z), static_cast<unsigned>(ids.size())).first->second;
    }
    std::map<std::pair<unsigned, unsigned>, int> directed;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3)
            return describe("face %ld has %ld corners", f, face.mNumIndices);
        unsigned v[3] = {weld[face.mIndices[0]], weld[face.mIndices[1]], weld[face.mIndices[2]]};
        if (v[0] == v[1] || v[1] == v[2] || v[0] == v[2])
            return describe("triangle %ld has two corners at the same position", f);
        for (int k = 0; k < 3; ++k)
            if (++directed[{v[k], v[(k + 1) % 3]}] > 1)
                return describe("edge %ld->%ld is used twice in the same direction (triangle %ld)", v[k],
                                v[(k + 1) % 3], f);
    }
    for (const auto& e : directed)
        if (!directed.count({e.first.second, e.first.first}))
            return describe("edge %ld->%ld has no opposite half (hole in the surface)", e.first.first,
                            e.first.second);
    return {};
}

std::string checkAttributes(const aiMesh* mesh)
{
    if (!mesh->HasNormals())
        return "no normals";
    if (!mesh->HasTextureCoords(0))
        return "no texture coordinates";
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
        float len = mesh->mNormals[i].Length();
        if (std::fabs(len - 1.0f) > 1e-3f)
            return describe("normal %ld is not unit length", i);
    }
    long against = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3)
            continue;
        aiVector3D n = faceNormal(mesh, face);
        aiVector3D vn =
            mesh->mNormals[face.mIndices[0]] + mesh->mNormals[face.mIndices[1]] + mesh->mNormals[face.mIndices[2]];
        if (n * vn <= 0)
            ++against;
    }
    if (against > 0)
        return describe("%ld triangles are wound against their normals", against);
    return {};
}

std::string checkUvHandedness(const aiMesh* mesh)
{
    if (!mesh->HasTextureCoords(0))
        return "no texture coordinates";
    long mirrored = 0, first = -1;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        if (face.mNumIndices != 3)
            continue;
        const aiVector3D* t = mesh->mTextureCoords[0];
        aiVector3D p0 = mesh->mVertices[face.mIndices[0]];
        aiVector3D e1 = mesh->mVertices[face.mIndices[1]] - p0, e2 = mesh->mVertices[face.mIndices[2]] - p0;
        aiVector3D d1 = t[face.mIndices[1]] - t[face.mIndices[0]], d2 = t[face.mIndices[2]] - t[face.mIndices[0]];
        float det = d1.x * d2.y - d2.x * d1.y; // signed uv area
        // cross(T, B) equals cross(e1, e2) / det; it must agree with the normals.
        aiVector3D vn = mesh->HasNormals() ? mesh->mNormals[face.mIndices[0]] + mesh->mNormals[face.mIndices[1]] +
                                                 mesh->mNormals[face.mIndices[2]]
                                           : (e1 ^ e2);
        if (det == 0 || ((e1 ^ e2) * vn) / det <= 0) {
            if (first < 0)
                first = f;
            ++mirrored;
        }
    }
    if (mirrored > 0)
        return describe("%ld triangles have mirrored or degenerate uvs (first: %ld)", mirrored, first);
    return {};
}

} // namespace kov
