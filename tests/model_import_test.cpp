// Model import through the real importer on small OBJ files written here:
// the flattened vertex arrays and per-mesh table, the uploaded buffers and the
// vertex array layout, the path cache, the failure transcripts, and the
// importer version banner of the loader's first use.
#include "readback/BufferReadback.h"
#include "asset/Asset.h"
#include "modelloader/ModelLoader.h"
#include "support/CapturedStdout.h"
#include "support/Process.h"
#include "support/Scratch.h"
#include "support/TestProgram.h"

#include <assimp/version.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// A linked program that uses every attribute the loader looks up.
GLuint attributeProgram()
{
    static GLuint program = 0;
    if (program != 0) {
        return program;
    }
    const char* vertex = R"(#version 330 core
in vec3 vertexPosition_modelspace;
in vec3 vertexNormals;
in vec2 uvs;
in vec3 tangents;
void main()
{
    gl_Position = vec4(vertexPosition_modelspace + vertexNormals + tangents, 1.0) + vec4(uvs, 0.0, 0.0);
}
)";
    const char* fragment = R"(#version 330 core
out vec4 colour;
void main()
{
    colour = vec4(1.0);
}
)";
    // Kept for the whole process (released from its owner: the context goes
    // before static objects would delete it).
    program = buildProgram(vertex, nullptr, fragment).release();
    return program;
}

GLint bufferBytes(GLuint buffer)
{
    glBindBuffer(GL_COPY_READ_BUFFER, buffer);
    GLint bytes = -1;
    glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &bytes);
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return bytes;
}

struct Vec3 {
    float x, y, z;
};
struct Vec2 {
    float u, v;
};

bool near(float a, float b)
{
    return std::fabs(a - b) < 1e-5f;
}

std::unique_ptr<Asset> makeAsset(bool normalMapped = false)
{
    auto asset = std::make_unique<Asset>(false, normalMapped, attributeProgram());
    return asset;
}

bool load(const std::string& path, Asset* asset, bool withAdjacency)
{
    return ModelLoader::getInstance().loadModel(path, asset, withAdjacency);
}

// Two objects with different materials, so the importer keeps two meshes: a
// quad of 4 vertices (2 triangles) at z = 0 and a 3 x 2 grid of 6 vertices (4
// triangles) at z = 5. Every corner has one normal and one texture
// coordinate, so the per-corner vertices the OBJ reader makes are joined
// again. Texture coordinates are (0.1 + 0.2 x, 0.3 + 0.4 y) on the quad and
// (0.05 + 0.3 x, 0.6 + 0.3 y) on the grid.
// The ten corners of both objects and the quad's texture coordinates.
const std::string twoObjectsHead = R"(mtllib two.mtl
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
v 0 0 5
v 1 0 5
v 2 0 5
v 0 1 5
v 1 1 5
v 2 1 5
vt 0.1 0.3
vt 0.3 0.3
vt 0.3 0.7
vt 0.1 0.7
)";
// The normal, the quad and the start of the grid.
const std::string twoObjectsMiddle = R"(vn 0 0 1
o first
usemtl red
f 1/1/1 2/2/1 3/3/1
f 1/1/1 3/3/1 4/4/1
o second
usemtl blue
)";
const std::string twoMeshObj = twoObjectsHead + R"(vt 0.05 0.6
vt 0.35 0.6
vt 0.65 0.6
vt 0.05 0.9
vt 0.35 0.9
vt 0.65 0.9
)" + twoObjectsMiddle + R"(f 5/5/1 6/6/1 9/9/1
f 5/5/1 9/9/1 8/8/1
f 6/6/1 7/7/1 10/10/1
f 6/6/1 10/10/1 9/9/1
)";
const char* twoMtl = R"(newmtl red
Kd 1 0 0
newmtl blue
Kd 0 0 1
)";

// The same two objects, the second without texture coordinates.
const std::string halfTexturedObj = twoObjectsHead + twoObjectsMiddle + R"(f 5//1 6//1 9//1
f 5//1 9//1 8//1
f 6//1 7//1 10//1
f 6//1 10//1 9//1
)";

// A closed unit cube with one normal per face: 8 corners, 24 vertices.
const char* cubeObj = R"(v 0 0 0
v 1 0 0
v 0 1 0
v 1 1 0
v 0 0 1
v 1 0 1
v 0 1 1
v 1 1 1
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 1
vn 0 0 -1
vn 1 0 0
vn -1 0 0
vn 0 1 0
vn 0 -1 0
f 5/1/1 6/2/1 8/3/1 7/4/1
f 1/1/2 3/2/2 4/3/2 2/4/2
f 2/1/3 4/2/3 8/3/3 6/4/3
f 1/1/4 5/2/4 7/3/4 3/4/4
f 3/1/5 7/2/5 8/3/5 4/4/5
f 1/1/6 2/2/6 6/3/6 5/4/6
)";

// The GL objects an asset's draws use, by name.
std::map<std::string, GLuint> objectsOf(const Asset& asset)
{
    return {{"vao", asset.getVao()},
            {"positions", asset.getPositionBuffer()},
            {"normals", asset.getNormalBuffer()},
            {"indices", asset.getIndexBuffer()},
            {"uvs", asset.getUvBuffer()},
            {"tangents", asset.getTangentBuffer()},
            {"adjacency", asset.getAdjacencyIndexBuffer()}};
}

struct Corner {
    float x, y, z;
};
using Triangle = std::vector<Corner>;

// True when the three positions of `got` are those of `want`, in the same
// cyclic order (the winding is kept; the starting corner may differ).
bool sameTriangle(const std::vector<Vec3>& got, const Triangle& want)
{
    for (int start = 0; start < 3; ++start) {
        bool all = true;
        for (int k = 0; k < 3; ++k) {
            const Vec3& g = got[static_cast<size_t>((start + k) % 3)];
            const Corner& w = want[static_cast<size_t>(k)];
            all = all && near(g.x, w.x) && near(g.y, w.y) && near(g.z, w.z);
        }
        if (all) {
            return true;
        }
    }
    return false;
}

class ModelImport : public ::testing::Test {
protected:
    void SetUp() override
    {
        attributeProgram();
        // The loader prints its banner when first used; get that out of the
        // way of the transcripts captured here.
        ModelLoader::getInstance();
    }
    void TearDown() override
    {
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    // Writes the two objects' materials and `obj` as `name`; the file's path.
    std::string writeTwoMeshes(const std::string& name = "two.obj", const std::string& obj = twoMeshObj)
    {
        dir.write("two.mtl", twoMtl);
        dir.write(name, obj);
        return dir.file(name);
    }
    ScratchDirectory dir;
};

} // namespace

TEST_F(ModelImport, TwoMeshesAreFlattenedWithOffsetIndices)
{
    writeTwoMeshes();
    auto asset = makeAsset();
    ASSERT_TRUE(load(dir.file("two.obj"), asset.get(), false));

    ASSERT_EQ(asset->m_Entries.size(), 2u);
    EXPECT_EQ(asset->m_Entries[0].BaseVertex, 0u);
    EXPECT_EQ(asset->m_Entries[0].BaseIndex, 0u);
    EXPECT_EQ(asset->m_Entries[0].NumIndices, 6u);
    EXPECT_EQ(asset->m_Entries[1].BaseVertex, 4u);
    EXPECT_EQ(asset->m_Entries[1].BaseIndex, 6u);
    EXPECT_EQ(asset->m_Entries[1].NumIndices, 12u);
    EXPECT_NE(asset->m_Entries[0].MaterialIndex, asset->m_Entries[1].MaterialIndex);
    EXPECT_GE(asset->m_materialIndices.size(), 2u);
    EXPECT_EQ(asset->getNumIndices(), 18);

    const auto positions = readBuffer<Vec3>(asset->getPositionBuffer());
    const auto uvs = readBuffer<Vec2>(asset->getUvBuffer());
    const auto indices = readBuffer<unsigned int>(asset->getIndexBuffer());
    ASSERT_EQ(positions.size(), 10u);
    ASSERT_EQ(uvs.size(), 10u);
    ASSERT_EQ(indices.size(), 18u);
    for (size_t v = 0; v < positions.size(); ++v) {
        const Vec3& p = positions[v];
        EXPECT_TRUE(near(p.z, v < 4 ? 0.0f : 5.0f)) << "vertex " << v << " is in the wrong mesh";
        const Vec2 want =
            v < 4 ? Vec2{0.1f + 0.2f * p.x, 0.3f + 0.4f * p.y} : Vec2{0.05f + 0.3f * p.x, 0.6f + 0.3f * p.y};
        EXPECT_TRUE(near(uvs[v].u, want.u) && near(uvs[v].v, want.v))
            << "vertex " << v << " uv " << uvs[v].u << "," << uvs[v].v;
    }

    const std::vector<Triangle> want = {
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 0, 5}, {1, 0, 5}, {1, 1, 5}},
        {{0, 0, 5}, {1, 1, 5}, {0, 1, 5}}, {{1, 0, 5}, {2, 0, 5}, {2, 1, 5}}, {{1, 0, 5}, {2, 1, 5}, {1, 1, 5}},
    };
    for (size_t t = 0; t < 6; ++t) {
        std::vector<Vec3> corners;
        for (size_t k = 0; k < 3; ++k) {
            const unsigned int index = indices[3 * t + k];
            if (t < 2) {
                EXPECT_LT(index, 4u);
            } else {
                EXPECT_GE(index, 4u) << "the second mesh's indices must be offset by 4";
                EXPECT_LT(index, 10u);
            }
            ASSERT_LT(index, positions.size());
            corners.push_back(positions[index]);
        }
        EXPECT_TRUE(sameTriangle(corners, want[t])) << "triangle " << t;
    }
}

TEST_F(ModelImport, MeshWithoutTextureCoordinatesGetsZeroUvs)
{
    writeTwoMeshes("half.obj", halfTexturedObj);
    auto asset = makeAsset(true);
    ASSERT_TRUE(load(dir.file("half.obj"), asset.get(), false));
    const auto positions = readBuffer<Vec3>(asset->getPositionBuffer());
    const auto uvs = readBuffer<Vec2>(asset->getUvBuffer());
    const auto tangents = readBuffer<Vec3>(asset->getTangentBuffer());
    ASSERT_EQ(positions.size(), 10u);
    ASSERT_EQ(uvs.size(), 10u);
    ASSERT_EQ(tangents.size(), 10u);
    for (size_t v = 0; v < positions.size(); ++v) {
        if (positions[v].z > 1.0f) {
            EXPECT_EQ(uvs[v].u, 0.0f) << "vertex " << v;
            EXPECT_EQ(uvs[v].v, 0.0f) << "vertex " << v;
            // No texture coordinates, so no tangent: stored as a zero vector.
            EXPECT_EQ(tangents[v].x, 0.0f);
            EXPECT_EQ(tangents[v].y, 0.0f);
            EXPECT_EQ(tangents[v].z, 0.0f);
        } else {
            EXPECT_TRUE(near(uvs[v].u, 0.1f + 0.2f * positions[v].x)) << "vertex " << v;
            EXPECT_TRUE(near(uvs[v].v, 0.3f + 0.4f * positions[v].y)) << "vertex " << v;
            // u grows along x: the tangent points along +x.
            EXPECT_NEAR(tangents[v].x, 1.0f, 1e-4f) << "vertex " << v;
        }
    }
}

TEST_F(ModelImport, RepeatPathSharesTheFirstAssetsObjectsWithoutReading)
{
    const std::string path = writeTwoMeshes();
    auto first = makeAsset(true);
    ASSERT_TRUE(load(path, first.get(), true));
    ASSERT_NE(first->getUvBuffer(), 0u);
    ASSERT_NE(first->getTangentBuffer(), 0u);
    ASSERT_NE(first->getAdjacencyIndexBuffer(), 0u);
    const std::map<std::string, GLuint> firstObjects = objectsOf(*first);

    std::filesystem::remove(path);
    auto second = makeAsset(true);
    std::string out;
    bool loaded = false;
    out = stdoutOf([&] { loaded = load(path, second.get(), true); });
    EXPECT_TRUE(loaded) << "the second load must be served from the cache, not the (deleted) file";
    EXPECT_EQ(out, "");
    // The same objects, every stream its draws point the shared vertex array
    // at included.
    EXPECT_EQ(objectsOf(*second), objectsOf(*first));
    EXPECT_EQ(second->getNumIndices(), first->getNumIndices());
    EXPECT_TRUE(second->hasAdjacency());
    EXPECT_TRUE(second->m_Entries.empty());
    EXPECT_TRUE(second->m_posMap.empty());

    // The first load is as it was.
    EXPECT_EQ(objectsOf(*first), firstObjects);
}

// A repeat that needs a stream the first asset's mesh lacks (adjacency,
// tangents) gets a mesh of its own; the first keeps its own.
TEST_F(ModelImport, RepeatNeedingMoreThanTheFirstHasIsImportedForItself)
{
    const std::string path = writeTwoMeshes();
    auto first = makeAsset(false);
    ASSERT_TRUE(load(path, first.get(), false));
    const GLuint firstVao = first->getVao();
    auto second = makeAsset(true);
    ASSERT_TRUE(load(path, second.get(), true));
    EXPECT_NE(second->getVao(), firstVao);
    EXPECT_NE(second->getTangentBuffer(), 0u);
    EXPECT_NE(second->getAdjacencyIndexBuffer(), 0u);
    EXPECT_TRUE(second->hasAdjacency());
    EXPECT_EQ(first->getVao(), firstVao);
    EXPECT_EQ(first->getAdjacencyIndexBuffer(), 0u);
    EXPECT_FALSE(first->hasAdjacency());
}

// A second model loaded into the same asset replaces the first one: fresh
// adjacency tables that name only the new vertices, the old GL objects gone,
// and no adjacency list left over when the new model has none.
TEST_F(ModelImport, ASecondModelReplacesTheFirstInTheSameAsset)
{
    writeTwoMeshes();
    dir.write("cube.obj", cubeObj);
    auto asset = makeAsset();
    ASSERT_TRUE(load(dir.file("two.obj"), asset.get(), true));
    const GLuint oldBuffers[] = {asset->getPositionBuffer(), asset->getNormalBuffer(), asset->getUvBuffer(),
                                 asset->getIndexBuffer(), asset->getAdjacencyIndexBuffer()};
    const GLuint oldVao = asset->getVao();

    ASSERT_TRUE(load(dir.file("cube.obj"), asset.get(), true));
    EXPECT_EQ(asset->m_Entries.size(), 1u);
    EXPECT_EQ(asset->m_posMap.size(), 8u);
    EXPECT_EQ(asset->m_uniqueFaces.size(), 12u);
    EXPECT_EQ(asset->m_indexMap.size(), 18u);
    const auto positions = readBuffer<Vec3>(asset->getPositionBuffer());
    const auto plain = readBuffer<unsigned int>(asset->getIndexBuffer());
    const auto adjacency = readBuffer<unsigned int>(asset->getAdjacencyIndexBuffer());
    ASSERT_EQ(plain.size(), 36u);
    ASSERT_EQ(adjacency.size(), 72u);
    int misplacedCorners = 0;
    for (size_t t = 0; t < 12; ++t) {
        for (size_t k = 0; k < 3; ++k) {
            ASSERT_LT(adjacency[6 * t + 2 * k], positions.size());
            const Vec3& a = positions[adjacency[6 * t + 2 * k]];
            const Vec3& b = positions[plain[3 * t + k]];
            misplacedCorners += near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z) ? 0 : 1;
        }
    }
    EXPECT_EQ(misplacedCorners, 0) << "adjacency corners that are not where the triangle's corners are";
    // Deleted, unless GL handed the same name out again for the new model.
    const std::set<GLuint> current = {asset->getPositionBuffer(), asset->getNormalBuffer(), asset->getUvBuffer(),
                                      asset->getIndexBuffer(), asset->getAdjacencyIndexBuffer()};
    for (GLuint buffer : oldBuffers) {
        EXPECT_TRUE(!glIsBuffer(buffer) || current.count(buffer) == 1) << "buffer " << buffer << " leaked";
    }
    EXPECT_TRUE(!glIsVertexArray(oldVao) || oldVao == asset->getVao());

    ASSERT_TRUE(load(dir.file("two.obj"), asset.get(), false));
    EXPECT_EQ(asset->getNumIndices(), 18) << "served the path from a cache entry of the replaced model";
    EXPECT_FALSE(asset->hasAdjacency());
    EXPECT_EQ(asset->getAdjacencyIndexBuffer(), 0u);
    EXPECT_TRUE(asset->m_posMap.empty());
    EXPECT_TRUE(asset->m_indexMap.empty());
}

TEST_F(ModelImport, PathWrittenDifferentlyIsImportedAgain)
{
    writeTwoMeshes();
    auto first = makeAsset();
    auto second = makeAsset();
    ASSERT_TRUE(load(dir.file("two.obj"), first.get(), false));
    ASSERT_TRUE(load(dir.path() + "/./two.obj", second.get(), false));
    EXPECT_NE(second->getVao(), first->getVao());
    EXPECT_NE(second->getPositionBuffer(), first->getPositionBuffer());
    EXPECT_NE(second->getUvBuffer(), 0u);
    EXPECT_EQ(second->m_Entries.size(), 2u);
    EXPECT_EQ(readBuffer<unsigned int>(second->getIndexBuffer()),
              readBuffer<unsigned int>(first->getIndexBuffer()));
}

TEST_F(ModelImport, MissingFileIsReportedAndNotRemembered)
{
    const std::string path = dir.file("later.obj");
    auto asset = makeAsset();
    bool loaded = true;
    const std::string out = stdoutOf([&] { loaded = load(path, asset.get(), true); });
    EXPECT_FALSE(loaded);
    EXPECT_EQ(out, "Couldn't open file: " + path + "\n\n");
    EXPECT_EQ(asset->getVao(), 0u);
    EXPECT_EQ(asset->getPositionBuffer(), 0u);
    EXPECT_EQ(asset->getIndexBuffer(), 0u);
    EXPECT_EQ(asset->getNumIndices(), 0);
    EXPECT_TRUE(asset->m_Entries.empty());
    EXPECT_FALSE(asset->hasAdjacency());

    writeTwoMeshes("later.obj");
    EXPECT_TRUE(load(path, asset.get(), true));
    EXPECT_NE(asset->getUvBuffer(), 0u) << "the retry must import the file, not find a cache entry";
    EXPECT_EQ(asset->getNumIndices(), 18);
}

TEST_F(ModelImport, FileThatIsNoModelFails)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 7919 + 13) % 256));
    }
    for (const char* name : {"garbage.bin", "garbage.obj", "empty.obj"}) {
        SCOPED_TRACE(name);
        dir.write(name, std::string(name) == "empty.obj" ? std::string() : garbage);
        auto asset = makeAsset();
        bool loaded = true;
        const std::string out = stdoutOf([&] { loaded = load(dir.file(name), asset.get(), false); });
        EXPECT_FALSE(loaded);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), '\n');
        EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
        EXPECT_EQ(out.find("Couldn't open file"), std::string::npos);
        if (std::string(name) == "garbage.obj") {
            // The OBJ reader skips what it cannot parse and hands back a scene
            // without meshes: still a failure, not an empty model.
            EXPECT_EQ(out, "No meshes in file: " + dir.file(name) + "\n");
        }
        EXPECT_EQ(asset->getVao(), 0u);
        EXPECT_EQ(asset->getNumIndices(), 0);
        EXPECT_TRUE(asset->m_Entries.empty());
    }
    // Not remembered either: a model written there later is imported.
    writeTwoMeshes("garbage.obj");
    auto asset = makeAsset();
    EXPECT_TRUE(load(dir.file("garbage.obj"), asset.get(), false));
    EXPECT_EQ(asset->getNumIndices(), 18);
}

TEST_F(ModelImport, NormalMappedWithoutAdjacencyMakesFiveBuffers)
{
    writeTwoMeshes();
    auto asset = makeAsset(true);
    ASSERT_TRUE(load(dir.file("two.obj"), asset.get(), false));
    const GLuint buffers[] = {asset->getPositionBuffer(), asset->getNormalBuffer(), asset->getUvBuffer(),
                              asset->getTangentBuffer(), asset->getIndexBuffer()};
    EXPECT_EQ(std::set<GLuint>(std::begin(buffers), std::end(buffers)).size(), 5u);
    for (GLuint buffer : buffers) {
        EXPECT_TRUE(glIsBuffer(buffer)) << buffer;
    }
    EXPECT_EQ(asset->getAdjacencyIndexBuffer(), 0u);
    EXPECT_FALSE(asset->hasAdjacency());
    EXPECT_EQ(bufferBytes(asset->getTangentBuffer()), 10 * 12);
    EXPECT_EQ(bufferBytes(asset->getNormalBuffer()), 10 * 12);

    // The vertex array records each stream from its own buffer and the plain
    // index list.
    const GLuint program = attributeProgram();
    glBindVertexArray(asset->getVao());
    GLint elementBuffer = 0;
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elementBuffer);
    EXPECT_EQ(static_cast<GLuint>(elementBuffer), asset->getIndexBuffer());
    const std::pair<const char*, GLuint> streams[] = {{"vertexPosition_modelspace", asset->getPositionBuffer()},
                                                      {"vertexNormals", asset->getNormalBuffer()},
                                                      {"uvs", asset->getUvBuffer()},
                                                      {"tangents", asset->getTangentBuffer()}};
    for (const auto& stream : streams) {
        const GLint location = glGetAttribLocation(program, stream.first);
        ASSERT_GE(location, 0) << stream.first;
        GLint enabled = 0;
        GLint buffer = 0;
        glGetVertexAttribiv(static_cast<GLuint>(location), GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        glGetVertexAttribiv(static_cast<GLuint>(location), GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
        EXPECT_TRUE(enabled) << stream.first;
        EXPECT_EQ(static_cast<GLuint>(buffer), stream.second) << stream.first;
    }
    glBindVertexArray(0);

    // Without normal mapping no tangent buffer is made.
    auto plain = makeAsset(false);
    ASSERT_TRUE(load(dir.path() + "//two.obj", plain.get(), false));
    EXPECT_EQ(plain->getTangentBuffer(), 0u);
    EXPECT_NE(plain->getUvBuffer(), 0u);
}

TEST_F(ModelImport, AdjacencyListOfAClosedCubeIsConnected)
{
    dir.write("cube.obj", cubeObj);
    auto asset = makeAsset();
    ASSERT_TRUE(load(dir.file("cube.obj"), asset.get(), true));
    EXPECT_TRUE(asset->hasAdjacency());
    ASSERT_NE(asset->getAdjacencyIndexBuffer(), 0u);
    EXPECT_NE(asset->getAdjacencyIndexBuffer(), asset->getIndexBuffer());
    EXPECT_EQ(asset->getNumIndices(), 36);
    EXPECT_EQ(bufferBytes(asset->getAdjacencyIndexBuffer()), 2 * asset->getNumIndices() * 4);

    const auto positions = readBuffer<Vec3>(asset->getPositionBuffer());
    const auto plain = readBuffer<unsigned int>(asset->getIndexBuffer());
    const auto adjacency = readBuffer<unsigned int>(asset->getAdjacencyIndexBuffer());
    EXPECT_EQ(positions.size(), 24u) << "one vertex per corner and face normal";
    ASSERT_EQ(plain.size(), 36u);
    ASSERT_EQ(adjacency.size(), 72u);
    for (unsigned int index : adjacency) {
        ASSERT_LT(index, positions.size());
    }
    EXPECT_EQ(std::set<unsigned int>(adjacency.begin(), adjacency.end()).size(), 8u);
    for (size_t t = 0; t < 12; ++t) {
        // The written corners are the plain triangle's corners, by position.
        for (size_t k = 0; k < 3; ++k) {
            const Vec3& a = positions[adjacency[6 * t + 2 * k]];
            const Vec3& b = positions[plain[3 * t + k]];
            EXPECT_TRUE(near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z)) << "triangle " << t << " corner " << k;
        }
        // A closed surface has a real neighbour across every edge.
        for (size_t k = 0; k < 3; ++k) {
            const Vec3& far = positions[adjacency[6 * t + 2 * k + 1]];
            const Vec3& own = positions[plain[3 * t + (k + 2) % 3]];
            EXPECT_FALSE(near(far.x, own.x) && near(far.y, own.y) && near(far.z, own.z))
                << "triangle " << t << " edge " << k << " treated as open";
        }
    }
    EXPECT_EQ(asset->m_posMap.size(), 8u);
    EXPECT_EQ(asset->m_indexMap.size(), 18u);
}

TEST_F(ModelImport, DeletedFirstAssetIsForgotten)
{
    const std::string path = writeTwoMeshes();
    auto first = makeAsset();
    ASSERT_TRUE(load(path, first.get(), false));
    first.reset();

    auto second = makeAsset();
    ASSERT_TRUE(load(path, second.get(), false));
    EXPECT_NE(second->getUvBuffer(), 0u) << "served from a deleted asset instead of imported afresh";
    EXPECT_TRUE(glIsVertexArray(second->getVao()));
    EXPECT_EQ(second->m_Entries.size(), 2u);
    EXPECT_EQ(readBuffer<unsigned int>(second->getIndexBuffer()).size(), 18u);

    // And the new asset is the one remembered now.
    auto third = makeAsset();
    ASSERT_TRUE(load(path, third.get(), false));
    EXPECT_EQ(third->getVao(), second->getVao());
    third.reset();
}

// Needs a process in which nothing has touched the loader yet.
TEST(ModelLoaderBanner, FirstUsePrintsTheVersionAndAnEmptyLine)
{
    if (!inProcessOfItsOwn()) {
        return;
    }
    ModelLoader* first = nullptr;
    const std::string banner = stdoutOf([&] { first = &ModelLoader::getInstance(); });
    EXPECT_EQ(banner, std::to_string(aiGetVersionMajor()) + "." + std::to_string(aiGetVersionMinor()) + "\n\n");

    ModelLoader* again = nullptr;
    EXPECT_EQ(stdoutOf([&] { again = &ModelLoader::getInstance(); }), "");
    EXPECT_EQ(first, again);
}
