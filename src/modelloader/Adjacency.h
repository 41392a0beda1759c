#pragma once
#include <assimp/vector3.h>

#include <cstdint>
#include <map>
#include <vector>

struct aiMesh;

// An undirected edge between two position-unique vertex indices, a < b.
struct Edge {
    Edge(uint32_t first, uint32_t second);
    uint32_t a;
    uint32_t b;
    bool operator<(const Edge& other) const { return a < other.a || (a == other.a && b < other.b); }
};

// The triangles on either side of an edge; -1 means none.
struct Neighbors {
    int32_t firstTri = -1;
    int32_t secondTri = -1;
    // Set when a third triangle meets the edge: such an edge is not a simple
    // fold between two triangles and every triangle on it treats it as open.
    bool nonManifold = false;

    void addNeighbor(int32_t tri);
    int32_t getOther(int32_t tri) const;
};

struct Face {
    uint32_t Indices[3] = {0, 0, 0};
    // The first corner that is on neither end of `e`.
    uint32_t getOppositeIndex(const Edge& e) const;
};

// Strict weak order on positions, x then y then z, exact (no tolerance).
// -0 and +0 compare equal, and every NaN is one key placed after all numbers,
// so malformed input cannot break the map's ordering.
struct PositionLess {
    bool operator()(const aiVector3t<float>& lhs, const aiVector3t<float>& rhs) const;
};

using PositionMap = std::map<aiVector3t<float>, unsigned int, PositionLess>;
using EdgeMap = std::map<Edge, Neighbors>;

// The tables the adjacency builder keeps; they grow over every mesh of a model.
struct AdjacencyTables {
    EdgeMap& indexMap;
    PositionMap& posMap;
    std::vector<Face>& uniqueFaces;
};

// Appends six indices per triangle of `mesh` to `indices`, in the layout of
// GL_TRIANGLES_ADJACENCY. The six slots of a triangle, numbered as the shadow
// geometry shader and the documentation number them:
//
//   slot 0, 2, 4   the triangle's corners, in the face's own order (its
//                  corner k is slot 2k)
//   slot 1         the far corner of the neighbour across the edge 0-2
//   slot 3         the far corner of the neighbour across the edge 2-4
//   slot 5         the far corner of the neighbour across the edge 4-0
//
// Vertices are merged by exact position; every written index is the first
// vertex index met at its position, offset by `vertexOffset` (the mesh's first
// vertex in the model).
//
// An edge without a proper neighbour (an open boundary, an edge of three or
// more triangles, or a neighbour that runs the edge the same way) gets the
// triangle's own third corner as its far vertex. The shadow geometry shader
// then sees the triangle itself, reversed, across that edge; it never faces
// the light together with the triangle, so the edge counts as a silhouette
// and the volume stays closed.
//
// Faces that are not triangles are skipped; the plain index list must skip
// the same faces (`isDrawableFace`).
void buildAdjacency(const aiMesh* mesh, uint32_t vertexOffset, AdjacencyTables tables,
                    std::vector<unsigned int>& indices);

bool isDrawableFace(const aiMesh* mesh, unsigned int face);
