// Fuzz target: the adjacency builder on arbitrary meshes.
//
// The input decodes into one to three aiMesh records (the shape the importer
// hands over): a vertex count, float positions drawn either from a small
// palette (so that vertices merge by position) or from raw bits (NaN, inf,
// denormals), and faces with arbitrary index counts and indices, including
// indices past the last vertex. Each mesh goes through buildAdjacency with
// the tables shared across the meshes, as the model import does. Besides the
// sanitizers, the output is checked: six indices per drawable triangle, every
// index names a vertex of the meshes seen so far, every corner is the first
// vertex met at its position, and every far vertex belongs either to the
// triangle itself or to a triangle sharing that edge.
#include "modelloader/Adjacency.h"

#include <assimp/mesh.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "adjacency invariant broken: %s\n", what);
    std::abort();
}

float decodeCoordinate(FuzzedDataProvider& input)
{
    static const float palette[] = {0.0f,
                                    1.0f,
                                    -1.0f,
                                    0.5f,
                                    2.0f,
                                    -0.0f,
                                    1e30f,
                                    -1e-30f,
                                    std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity()};
    const uint8_t choice = input.ConsumeIntegral<uint8_t>();
    if (choice < 224) {
        return palette[choice % (sizeof(palette) / sizeof(palette[0]))];
    }
    const uint32_t bits = input.ConsumeIntegral<uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

std::unique_ptr<aiMesh> decodeMesh(FuzzedDataProvider& input)
{
    auto mesh = std::make_unique<aiMesh>();
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = input.ConsumeIntegralInRange<unsigned int>(0, 48);
    if (mesh->mNumVertices > 0) {
        mesh->mVertices = new aiVector3D[mesh->mNumVertices];
        for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
            mesh->mVertices[i].x = decodeCoordinate(input);
            mesh->mVertices[i].y = decodeCoordinate(input);
            mesh->mVertices[i].z = decodeCoordinate(input);
        }
    }
    mesh->mNumFaces = input.ConsumeIntegralInRange<unsigned int>(0, 64);
    if (mesh->mNumFaces > 0) {
        mesh->mFaces = new aiFace[mesh->mNumFaces];
        for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
            aiFace& face = mesh->mFaces[f];
            const uint8_t shape = input.ConsumeIntegral<uint8_t>();
            // Mostly triangles; now and then a point, a line, a polygon or an
            // empty face.
            face.mNumIndices = shape < 200 ? 3 : shape % 6;
            if (face.mNumIndices == 0) {
                continue;
            }
            face.mIndices = new unsigned int[face.mNumIndices];
            for (unsigned int j = 0; j < face.mNumIndices; ++j) {
                const uint8_t kind = input.ConsumeIntegral<uint8_t>();
                face.mIndices[j] = kind < 240
                                       ? input.ConsumeIntegralInRange<unsigned int>(0, mesh->mNumVertices + 1)
                                       : input.ConsumeIntegral<unsigned int>();
            }
        }
    }
    return mesh;
}

bool samePosition(const aiVector3D& a, const aiVector3D& b)
{
    const PositionLess less;
    return !less(a, b) && !less(b, a);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    EdgeMap indexMap;
    PositionMap posMap;
    std::vector<Face> uniqueFaces;
    // Every vertex of the model so far, in the model's numbering.
    std::vector<aiVector3D> positions;

    const unsigned int meshCount = input.ConsumeIntegralInRange<unsigned int>(1, 3);
    std::vector<std::unique_ptr<aiMesh>> meshes;
    for (unsigned int m = 0; m < meshCount; ++m) {
        meshes.push_back(decodeMesh(input));
    }

    for (const auto& mesh : meshes) {
        const uint32_t vertexOffset = static_cast<uint32_t>(positions.size());
        for (unsigned int i = 0; i < mesh->mNumVertices; ++i) {
            positions.push_back(mesh->mVertices[i]);
        }
        std::vector<unsigned int> drawable;
        for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            const bool expected = face.mNumIndices == 3 && face.mIndices[0] < mesh->mNumVertices &&
                                  face.mIndices[1] < mesh->mNumVertices && face.mIndices[2] < mesh->mNumVertices;
            if (isDrawableFace(mesh.get(), f) != expected) {
                fail("isDrawableFace disagrees with the face's shape");
            }
            if (expected) {
                drawable.push_back(f);
            }
        }

        const size_t firstFace = uniqueFaces.size();
        std::vector<unsigned int> indices;
        buildAdjacency(mesh.get(), vertexOffset, AdjacencyTables{indexMap, posMap, uniqueFaces}, indices);

        if (indices.size() != 6 * drawable.size()) {
            fail("not six indices per drawable triangle");
        }
        if (uniqueFaces.size() != firstFace + drawable.size()) {
            fail("not one unique face per drawable triangle");
        }
        for (unsigned int index : indices) {
            if (index >= positions.size()) {
                fail("index past the last vertex");
            }
            const auto first = posMap.find(positions[index]);
            if (first == posMap.end() || first->second != index) {
                fail("index is not the first vertex at its position");
            }
        }
        for (size_t n = 0; n < drawable.size(); ++n) {
            const aiFace& face = mesh->mFaces[drawable[n]];
            const Face& unique = uniqueFaces[firstFace + n];
            for (int j = 0; j < 3; ++j) {
                const unsigned int corner = indices[6 * n + 2 * j];
                if (corner != unique.Indices[j] ||
                    !samePosition(positions[corner], positions[vertexOffset + face.mIndices[j]])) {
                    fail("corner does not match the face");
                }
                const unsigned int from = unique.Indices[j];
                const unsigned int to = unique.Indices[(j + 1) % 3];
                const unsigned int far = indices[6 * n + 2 * j + 1];
                if (far == unique.Indices[(j + 2) % 3]) {
                    continue;
                }
                bool found = false;
                for (const Face& other : uniqueFaces) {
                    bool hasFrom = false;
                    bool hasTo = false;
                    bool hasFar = false;
                    for (unsigned int k : other.Indices) {
                        hasFrom |= k == from;
                        hasTo |= k == to;
                        hasFar |= k == far;
                    }
                    found |= hasFrom && hasTo && hasFar;
                }
                if (!found) {
                    fail("far vertex from no triangle on the edge");
                }
            }
        }
    }
    return 0;
}
