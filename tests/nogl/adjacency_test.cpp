// The triangles-with-adjacency builder on hand-built meshes: closed shapes,
// position merging, open and non-manifold edges, several meshes, and
// degenerate or malformed faces.
#include "modelloader/Adjacency.h"
#include "support/HandMesh.h"

#include <assimp/mesh.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <vector>

namespace {

// The builder's tables and output, kept across meshes like an asset keeps them.
struct Builder {
    EdgeMap edges;
    PositionMap positions;
    std::vector<Face> faces;
    std::vector<unsigned int> out;

    void add(const aiMesh* mesh, uint32_t vertexOffset = 0)
    {
        buildAdjacency(mesh, vertexOffset, AdjacencyTables{edges, positions, faces}, out);
    }
};

// The unit cube's corners (bit 0: x, bit 1: y, bit 2: z) and its six faces as
// quads wound counter-clockwise seen from outside.
aiVector3D cubeCorner(unsigned int c)
{
    return aiVector3D(static_cast<float>(c & 1u), static_cast<float>((c >> 1) & 1u),
                      static_cast<float>((c >> 2) & 1u));
}
const std::array<std::array<unsigned int, 4>, 6> cubeQuads = {{
    {4, 5, 7, 6}, // +z
    {0, 2, 3, 1}, // -z
    {1, 3, 7, 5}, // +x
    {0, 4, 6, 2}, // -x
    {2, 6, 7, 3}, // +y
    {0, 1, 5, 4}, // -y
}};

// A cube exported with separate vertices per face (4 per face), two
// triangles a face; `skipFace` leaves one face out. `cornerOf` receives the
// corner number of every vertex.
std::unique_ptr<aiMesh> makeSplitCube(std::vector<unsigned int>& cornerOf, int skipFace = -1)
{
    std::vector<aiVector3D> positions;
    std::vector<Tri> tris;
    cornerOf.clear();
    for (int f = 0; f < 6; ++f) {
        if (f == skipFace) {
            continue;
        }
        const unsigned int base = static_cast<unsigned int>(positions.size());
        for (unsigned int c : cubeQuads[static_cast<size_t>(f)]) {
            positions.push_back(cubeCorner(c));
            cornerOf.push_back(c);
        }
        tris.push_back({base, base + 1, base + 2});
        tris.push_back({base, base + 2, base + 3});
    }
    return makeTriMesh(positions, tris);
}

// The expected list, worked out the slow way from triangles given in
// position-unique vertex numbers: the far corner across an edge is the third
// corner of the one other triangle on that edge when exactly two proper
// triangles share it and the other runs it the opposite way; otherwise the
// triangle's own third corner.
std::vector<unsigned int> slowAdjacency(const std::vector<Tri>& tris)
{
    auto proper = [](const Tri& t) { return t[0] != t[1] && t[1] != t[2] && t[2] != t[0]; };
    auto has = [](const Tri& t, unsigned int v) { return t[0] == v || t[1] == v || t[2] == v; };
    std::vector<unsigned int> out;
    for (size_t i = 0; i < tris.size(); ++i) {
        const Tri& t = tris[i];
        for (int j = 0; j < 3; ++j) {
            const unsigned int from = t[j];
            const unsigned int to = t[(j + 1) % 3];
            unsigned int far = t[(j + 2) % 3];
            if (proper(t)) {
                std::vector<size_t> sharing;
                for (size_t k = 0; k < tris.size(); ++k) {
                    if (proper(tris[k]) && has(tris[k], from) && has(tris[k], to)) {
                        sharing.push_back(k);
                    }
                }
                if (sharing.size() == 2) {
                    const Tri& o = tris[sharing[0] == i ? sharing[1] : sharing[0]];
                    for (int k = 0; k < 3; ++k) {
                        if (o[k] == to && o[(k + 1) % 3] == from) {
                            far = o[(k + 2) % 3];
                        }
                    }
                }
            }
            out.push_back(from);
            out.push_back(far);
        }
    }
    return out;
}

aiVector3D cross(const aiVector3D& a, const aiVector3D& b)
{
    return aiVector3D(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

aiVector3D triNormal(const aiVector3D& a, const aiVector3D& b, const aiVector3D& c)
{
    return cross(b - a, c - a);
}

} // namespace

TEST(Edge, EitherOrderIsOneKey)
{
    const Edge e(5, 2);
    EXPECT_EQ(e.a, 2u);
    EXPECT_EQ(e.b, 5u);
    EdgeMap map;
    map[Edge(5, 2)].addNeighbor(0);
    map[Edge(2, 5)].addNeighbor(1);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.begin()->second.firstTri, 0);
    EXPECT_EQ(map.begin()->second.secondTri, 1);
    EXPECT_EQ(map.begin()->second.getOther(0), 1);
    EXPECT_EQ(map.begin()->second.getOther(1), 0);
    // Different edges stay apart.
    map[Edge(2, 6)].addNeighbor(2);
    map[Edge(1, 5)].addNeighbor(3);
    EXPECT_EQ(map.size(), 3u);
}

TEST(Adjacency, ClosedTetrahedronNamesTheFourthVertexAcrossEveryEdge)
{
    auto mesh = makeTriMesh(tetraPositions, tetraTris);
    Builder b;
    b.add(mesh.get());
    ASSERT_EQ(b.out.size(), 24u);
    for (size_t i = 0; i < tetraTris.size(); ++i) {
        const Tri& t = tetraTris[i];
        const unsigned int fourth = 6u - t[0] - t[1] - t[2];
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(b.out[6 * i + 2 * j], t[j]) << "triangle " << i << " corner " << j;
            EXPECT_EQ(b.out[6 * i + 2 * j + 1], fourth) << "triangle " << i << " edge " << j;
        }
    }
    EXPECT_EQ(b.positions.size(), 4u);
    EXPECT_EQ(b.faces.size(), 4u);
    EXPECT_EQ(b.edges.size(), 6u);
}

namespace {

// The split cube's triangles in the builder's own numbering: each corner
// named by the first vertex met there, walking faces and corners in order.
struct JoinedCube {
    std::array<int, 8> firstAt;
    std::vector<Tri> uniqueTris;
};

JoinedCube joinByCorner(const aiMesh& mesh, const std::vector<unsigned int>& cornerOf)
{
    JoinedCube joined;
    joined.firstAt.fill(-1);
    for (unsigned int f = 0; f < mesh.mNumFaces; ++f) {
        Tri t;
        for (int j = 0; j < 3; ++j) {
            const unsigned int v = mesh.mFaces[f].mIndices[j];
            int& first = joined.firstAt[cornerOf[v]];
            if (first < 0) {
                first = static_cast<int>(v);
            }
            t[static_cast<size_t>(j)] = static_cast<unsigned int>(first);
        }
        joined.uniqueTris.push_back(t);
    }
    return joined;
}

} // namespace

TEST(Adjacency, SplitCubeIsJoinedByPosition)
{
    std::vector<unsigned int> cornerOf;
    auto mesh = makeSplitCube(cornerOf);
    ASSERT_EQ(mesh->mNumVertices, 24u);
    ASSERT_EQ(mesh->mNumFaces, 12u);
    Builder b;
    b.add(mesh.get());
    ASSERT_EQ(b.out.size(), 72u);

    const auto [firstAt, uniqueTris] = joinByCorner(*mesh, cornerOf);
    const std::set<unsigned int> used(b.out.begin(), b.out.end());
    EXPECT_EQ(used.size(), 8u);
    for (int first : firstAt) {
        EXPECT_EQ(used.count(static_cast<unsigned int>(first)), 1u) << first;
    }
    for (size_t i = 0; i < uniqueTris.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_NE(b.out[6 * i + 2 * j + 1], uniqueTris[i][(j + 2) % 3])
                << "triangle " << i << " edge " << j << " was treated as open";
        }
    }
    EXPECT_EQ(b.out, slowAdjacency(uniqueTris));

    // The written corners keep each triangle's facing.
    for (unsigned int f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        const aiVector3D original = triNormal(mesh->mVertices[face.mIndices[0]], mesh->mVertices[face.mIndices[1]],
                                              mesh->mVertices[face.mIndices[2]]);
        const aiVector3D written = triNormal(mesh->mVertices[b.out[6 * f]], mesh->mVertices[b.out[6 * f + 2]],
                                             mesh->mVertices[b.out[6 * f + 4]]);
        EXPECT_GT(original * written, 0.0f) << "triangle " << f << " changed its winding";
    }
}

TEST(Adjacency, PositionsAreMatchedExactly)
{
    const float one = 1.0f;
    const float up = std::nextafter(one, 2.0f);
    // Two triangles of a quad; the second names the shared edge through its
    // own copies of the two vertices (3 and 4, standing for 2 and 1).
    auto quad = [](aiVector3D copyOf1, aiVector3D copyOf2) {
        return makeTriMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, copyOf2, copyOf1, {1, 1, 0}}, {{0, 1, 2}, {3, 4, 5}});
    };

    {
        Builder b;
        auto mesh = quad({1, 0, 0}, {0, 1, 0});
        b.add(mesh.get());
        EXPECT_EQ(b.positions.size(), 4u);
        const std::vector<unsigned int> expected = {0, 2, 1, 5, 2, 1, 2, 0, 1, 2, 5, 1};
        EXPECT_EQ(b.out, expected) << "exact copies are one vertex";
    }
    for (int component = 0; component < 3; ++component) {
        aiVector3D nudged(1, 0, 0);
        (&nudged.x)[component] = component == 0 ? up : std::nextafter(0.0f, 1.0f);
        Builder b;
        auto mesh = quad(nudged, {0, 1, 0});
        b.add(mesh.get());
        EXPECT_EQ(b.positions.size(), 5u) << "component " << component;
        ASSERT_EQ(b.out.size(), 12u);
        EXPECT_EQ(b.out[3], 0u) << "edge 1-2 must be open when component " << component << " differs by one bit";
        EXPECT_EQ(b.out[7], 5u);
    }

    // -0 and +0 are one position.
    {
        Builder b;
        auto mesh = quad({1, -0.0f, 0}, {-0.0f, 1, -0.0f});
        b.add(mesh.get());
        EXPECT_EQ(b.positions.size(), 4u);
        EXPECT_EQ(b.out[3], 5u);
        EXPECT_EQ(b.out[7], 0u);
    }
}

TEST(Adjacency, NanPositionsKeepTheMapOrdered)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PositionLess less;
    const aiVector3D n(nan, 0, 0);
    const aiVector3D a(1, 0, 0);
    EXPECT_FALSE(less(n, n));
    EXPECT_TRUE(less(a, n) != less(n, a)) << "a NaN must sort on one side of every number";
    EXPECT_FALSE(less(aiVector3D(0, nan, 0), aiVector3D(0, -nan, 0)));

    // Numbers stay findable among NaN keys.
    PositionMap map;
    const std::vector<aiVector3D> keys = {{3, 0, 0},   {nan, 0, 0}, {1, 0, 0},  {0, nan, 5},    {2, 0, 0},
                                          {0, 0, nan}, {0, 0, 0},   {-1, 0, 0}, {nan, nan, nan}};
    for (size_t i = 0; i < keys.size(); ++i) {
        map.emplace(keys[i], static_cast<unsigned int>(i));
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        auto found = map.find(keys[i]);
        ASSERT_NE(found, map.end()) << "key " << i;
        EXPECT_EQ(found->second, i);
    }

    // A mesh with NaN corners still gives a list of valid vertex numbers.
    auto mesh = makeTriMesh({{0, 0, 0}, {1, 0, 0}, {nan, 1, 0}, {nan, 1, 0}, {1, 1, nan}, {0, 0, 0}},
                            {{0, 1, 2}, {1, 0, 3}, {3, 4, 5}, {2, 4, 1}});
    Builder b;
    b.add(mesh.get());
    ASSERT_EQ(b.out.size(), 24u);
    for (unsigned int index : b.out) {
        EXPECT_LT(index, mesh->mNumVertices);
    }
}

TEST(Adjacency, OpenEdgesGetTheTrianglesOwnThirdCorner)
{
    {
        auto single = makeTriMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
        Builder b;
        b.add(single.get());
        const std::vector<unsigned int> expected = {0, 2, 1, 0, 2, 1};
        EXPECT_EQ(b.out, expected);
    }

    // A cube without its top: the four rim edges are open, the rest joined.
    std::vector<unsigned int> cornerOf;
    auto mesh = makeSplitCube(cornerOf, 0);
    ASSERT_EQ(mesh->mNumFaces, 10u);
    Builder b;
    b.add(mesh.get());
    ASSERT_EQ(b.out.size(), 60u);
    const auto [firstAt, uniqueTris] = joinByCorner(*mesh, cornerOf);
    EXPECT_EQ(b.out, slowAdjacency(uniqueTris));
    int open = 0;
    for (size_t i = 0; i < uniqueTris.size(); ++i) {
        for (int j = 0; j < 3; ++j) {
            open += b.out[6 * i + 2 * j + 1] == uniqueTris[i][(j + 2) % 3] ? 1 : 0;
        }
    }
    EXPECT_EQ(open, 4) << "exactly the rim of the missing face is open";
    for (unsigned int index : b.out) {
        EXPECT_LT(index, mesh->mNumVertices);
    }
}

TEST(Adjacency, NonManifoldAndMisorientedEdgesCountAsOpen)
{
    // Triangles 0, 1 and 2 share edge 0-1; triangle 3 folds properly onto
    // triangle 0 along edge 1-2.
    auto mesh = makeTriMesh({{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.5f, 0, 1}, {1, 1, 1}},
                            {{0, 1, 2}, {1, 0, 3}, {1, 0, 4}, {2, 1, 5}});
    Builder b;
    b.add(mesh.get());
    ASSERT_EQ(b.out.size(), 24u);
    const std::vector<unsigned int> expected = {
        0, 2, 1, 5, 2, 1, // across 0-1: non-manifold; across 1-2: triangle 3
        1, 3, 0, 1, 3, 0, // all open
        1, 4, 0, 1, 4, 0, // all open
        2, 0, 1, 2, 5, 1, // across 2-1: triangle 0
    };
    EXPECT_EQ(b.out, expected);
    EXPECT_TRUE(b.edges.at(Edge(0, 1)).nonManifold);

    // Two triangles that run their shared edge the same way do not fold.
    auto twisted = makeTriMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}}, {{0, 1, 2}, {0, 1, 3}});
    Builder t;
    t.add(twisted.get());
    const std::vector<unsigned int> twistedExpected = {0, 2, 1, 0, 2, 1, 0, 3, 1, 0, 3, 1};
    EXPECT_EQ(t.out, twistedExpected);
}

TEST(Adjacency, SecondMeshIsNumberedAfterTheFirst)
{
    std::vector<aiVector3D> moved = tetraPositions;
    for (aiVector3D& p : moved) {
        p.x += 10.0f;
    }
    auto first = makeTriMesh(tetraPositions, tetraTris);
    auto second = makeTriMesh(moved, tetraTris);
    Builder b;
    b.add(first.get(), 0);
    b.add(second.get(), 4);
    ASSERT_EQ(b.out.size(), 48u);
    for (size_t i = 0; i < 24; ++i) {
        EXPECT_LT(b.out[i], 4u);
        EXPECT_EQ(b.out[24 + i], b.out[i] + 4) << "position " << i;
    }
    // The first half is the single tetrahedron's list.
    Builder alone;
    alone.add(first.get());
    EXPECT_EQ(std::vector<unsigned int>(b.out.begin(), b.out.begin() + 24), alone.out);
    EXPECT_EQ(b.faces.size(), 8u);
    EXPECT_EQ(b.edges.size(), 12u);
}

TEST(Adjacency, DegenerateAndMalformedFacesAreHandled)
{
    // Triangles 0 and 2 fold along edge 0-1. Triangle 1 lies on that edge
    // too but has two corners at one position (vertices 1 and 2); it must
    // not count as a third triangle there. Triangle 3 has all three corners
    // at one position. Then a quad and a face naming a vertex out of range.
    auto mesh = makeMesh({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0.5f, -1, 0}, {2, 2, 2}, {2, 2, 2}, {0.5f, 1, 0}},
                         {{0, 1, 6}, {0, 1, 2}, {1, 0, 3}, {4, 5, 4}, {0, 1, 3, 4}, {0, 1, 17}});
    Builder b;
    b.add(mesh.get());
    ASSERT_EQ(b.out.size(), 24u) << "only the four triangles are written";
    const std::vector<unsigned int> expected = {
        0, 3, 1, 0, 6, 1, // across 0-1: triangle 2, despite the degenerate one
        0, 1, 1, 0, 1, 1, // degenerate: every far corner is its own
        1, 6, 0, 1, 3, 0, // across 1-0: triangle 0
        4, 4, 4, 4, 4, 4,
    };
    EXPECT_EQ(b.out, expected);
    EXPECT_FALSE(b.edges.at(Edge(0, 1)).nonManifold);
    EXPECT_FALSE(isDrawableFace(mesh.get(), 4));
    EXPECT_FALSE(isDrawableFace(mesh.get(), 5));
    EXPECT_TRUE(isDrawableFace(mesh.get(), 1));
}
