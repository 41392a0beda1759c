// The asset's state at construction, its motion (spin, drift, scale), its
// destruction with real GL objects, and the point light record.
#include "app/GLObject.h"
#include "asset/Asset.h"
#include "asset/PointLight.h"
#include "modelloader/ModelLoader.h"
#include "support/CapturedStdout.h"
#include "support/Scratch.h"
#include "support/TestProgram.h"

#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>

namespace {

void expectMatNear(const glm::mat4& actual, const glm::mat4& expected, float tolerance)
{
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            EXPECT_NEAR(actual[c][r], expected[c][r], tolerance) << "column " << c << " row " << r;
        }
    }
}

void expectVec3Eq(const glm::vec3& actual, const glm::vec3& expected)
{
    EXPECT_FLOAT_EQ(actual.x, expected.x);
    EXPECT_FLOAT_EQ(actual.y, expected.y);
    EXPECT_FLOAT_EQ(actual.z, expected.z);
}

GLuint makeBuffer(GLenum target)
{
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    // A generated name only becomes a buffer object once bound.
    glBindBuffer(target, buffer);
    glBufferData(target, 16, nullptr, GL_STATIC_DRAW);
    glBindBuffer(target, 0);
    return buffer;
}

const char* const tetrahedronObj = "v 0 0 0\n"
                                   "v 1 0 0\n"
                                   "v 0 1 0\n"
                                   "v 0 0 1\n"
                                   "f 1 3 2\n"
                                   "f 1 2 4\n"
                                   "f 1 4 3\n"
                                   "f 2 3 4\n";

// Draws `asset` (the tetrahedron, seen along z, in white) into a cleared back
// buffer and reads the red channel at a point inside its outline.
int drawnPixel(Asset* asset)
{
    const GLProgram program =
        buildProgram("#version 330 core\n"
                     "in vec3 vertexPosition_modelspace;\n"
                     "void main() { gl_Position = vec4(vertexPosition_modelspace.xy, 0.0, 1.0); }\n",
                     nullptr,
                     "#version 330 core\n"
                     "out vec4 colour;\n"
                     "void main() { colour = vec4(1.0); }\n");

    glViewport(0, 0, 1024, 768);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_CULL_FACE);
    glUseProgram(program.id());
    asset->setProgram(program.id());
    asset->draw();
    glEnable(GL_CULL_FACE);
    glUseProgram(0);
    glReadBuffer(GL_BACK);
    unsigned char pixel[3] = {0, 0, 0};
    // NDC (0.25, 0.25): inside the triangle (0, 0), (1, 0), (0, 1).
    glReadPixels(640, 480, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
    glGetError();
    return pixel[0];
}

} // namespace

TEST(AssetCore, NewAssetIsAtRestWithTheThreeSceneLightsAndPrintsOnlyWhenDestroyed)
{
    Asset* asset = nullptr;
    EXPECT_EQ(stdoutOf([&] { asset = new Asset(false, false, 0); }), "");

    expectMatNear(asset->getModelMatrix(), glm::mat4(1.0f), 0.0f);
    EXPECT_EQ(asset->getScale(), 1.0f);
    EXPECT_EQ(asset->getVelocity(), glm::vec3(0.0f));
    EXPECT_EQ(asset->getRotationSpeed(), glm::vec3(0.0f));
    EXPECT_EQ(asset->getNumIndices(), 0);
    EXPECT_EQ(asset->getVao(), 0u);
    EXPECT_FALSE(asset->isTextured());
    EXPECT_FALSE(asset->isNormalMapped());
    EXPECT_FALSE(asset->hasAdjacency());
    EXPECT_FALSE(asset->m_lit);

    const auto& lights = asset->getPointLights();
    ASSERT_EQ(lights.size(), 3u);
    const float zs[3] = {0.0f, -5.0f, -10.0f};
    const float linear[3] = {0.2f, 1.0f, 1.0f};
    const float exps[3] = {0.1f, 1.0f, 5.0f};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("light " + std::to_string(i));
        EXPECT_EQ(lights[i].Color, glm::vec3(1.0f, 1.0f, 1.0f));
        EXPECT_EQ(lights[i].AmbientIntensity, 0.5f);
        EXPECT_EQ(lights[i].DiffuseIntensity, 0.9f);
        EXPECT_EQ(lights[i].Position, glm::vec3(0.0f, 0.9f, zs[i]));
        EXPECT_EQ(lights[i].Constant, 1.0f);
        EXPECT_EQ(lights[i].Linear, linear[i]);
        EXPECT_EQ(lights[i].Exp, exps[i]);
    }

    // Motion does not print either.
    EXPECT_EQ(stdoutOf([&] {
                  asset->setRotationSpeed(glm::vec3(1.0f, 2.0f, 3.0f));
                  asset->update(0.5f);
                  asset->scale(2.0f);
              }),
              "");

    EXPECT_EQ(stdoutOf([&] { delete asset; }), "Asset Destructor\n");
    glGetError(); // the uniform look-ups in program 0 raise errors nobody reads
}

TEST(AssetCore, SpinTurnsAboutTheLocalAxesAndDriftFollowsTheTurnedAxes)
{
    // A quarter turn a second for one second: exactly 90 degrees about local y,
    // which sends local x to -z and local z to +x.
    Asset spinning(false, false, 0);
    spinning.setRotationSpeed(glm::vec3(0.0f, 90.0f, 0.0f));
    spinning.update(1.0f);
    const glm::mat4 quarter(glm::vec4(0, 0, -1, 0), glm::vec4(0, 1, 0, 0), glm::vec4(1, 0, 0, 0),
                            glm::vec4(0, 0, 0, 1));
    expectMatNear(spinning.getModelMatrix(), quarter, 1e-6f);

    // The spin is applied in the asset's own frame: an asset first laid on its
    // side (x to y) and then spun about its local y turns about world -x.
    Asset tilted(false, false, 0);
    tilted.setModelMatrix(glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 0, 1)));
    tilted.setRotationSpeed(glm::vec3(0.0f, 90.0f, 0.0f));
    tilted.update(1.0f);
    const glm::mat4 expectedTilted =
        glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 0, 1)) * quarter;
    expectMatNear(tilted.getModelMatrix(), expectedTilted, 1e-6f);

    // Drift: 2 units a second for half a second along local x, after a scale
    // of 0.1 and with local x turned onto world y: the origin moves 0.1 up.
    Asset drifting(false, false, 0);
    drifting.setModelMatrix(glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 0, 1)));
    drifting.scale(0.1f);
    drifting.setVelocity(glm::vec3(2.0f, 0.0f, 0.0f));
    drifting.update(0.5f);
    const glm::vec3 origin = drifting.getPosition();
    EXPECT_NEAR(origin.x, 0.0f, 1e-6f);
    EXPECT_NEAR(origin.y, 0.1f, 1e-6f);
    EXPECT_NEAR(origin.z, 0.0f, 1e-6f);
    EXPECT_EQ(drifting.getPosition(), glm::vec3(drifting.getModelMatrix()[3]));
    glGetError();
}

TEST(AssetCore, SpinAndDriftTogetherTraceACircle)
{
    // 90 degrees a second about y with a drift of 1 along local x, in steps of
    // a quarter second: every step turns by 22.5 degrees, then moves 0.25
    // along the turned x axis (1, 0, 0) -> (cos a, 0, -sin a). The origins are
    // the corners of a regular polygon: in the plane w = x - i z,
    // p_k = s * sum_{j=1..k} e^{i j a}, centred on s e^{ia} / (1 - e^{ia})
    // with radius s / |1 - e^{ia}|.
    Asset asset(false, false, 0);
    asset.setRotationSpeed(glm::vec3(0.0f, 90.0f, 0.0f));
    asset.setVelocity(glm::vec3(1.0f, 0.0f, 0.0f));

    const double a = M_PI / 8.0;
    const double s = 0.25;
    const std::complex<double> turn = std::polar(1.0, a);
    const std::complex<double> centre = s * turn / (1.0 - turn);
    const double radius = s / std::abs(1.0 - turn);

    for (int k = 1; k <= 16; ++k) {
        asset.update(0.25f);
        const glm::vec3 p = asset.getPosition();
        SCOPED_TRACE("step " + std::to_string(k));
        EXPECT_NEAR(p.y, 0.0f, 1e-6f);
        const std::complex<double> w(p.x, -p.z);
        EXPECT_NEAR(std::abs(w - centre), radius, 1e-5);
        if (k < 16) {
            EXPECT_GT(std::abs(w), 1e-3) << "back at the start before a full turn";
        }
    }
    // Sixteen steps make a full turn: back at the start, facing as before.
    expectMatNear(asset.getModelMatrix(), glm::mat4(1.0f), 1e-5f);
    glGetError();
}

TEST(AssetCore, ScaleCompoundsTheRunningFactor)
{
    Asset asset(false, false, 0);
    asset.setModelMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(1.0f, 2.0f, 3.0f)));
    asset.scale(0.1f);
    EXPECT_FLOAT_EQ(asset.getScale(), 0.1f);
    glm::mat4 expected = glm::translate(glm::mat4(1.0f), glm::vec3(1.0f, 2.0f, 3.0f));
    expected = glm::scale(expected, glm::vec3(0.1f));
    expectMatNear(asset.getModelMatrix(), expected, 1e-7f);

    // f then g: the second call scales by the running product f * g, so the
    // net factor is f^2 * g. 2 then 3 gives 12, and the factor kept is 6.
    Asset twice(false, false, 0);
    twice.scale(2.0f);
    twice.scale(3.0f);
    EXPECT_EQ(twice.getScale(), 6.0f);
    const glm::mat4 m = twice.getModelMatrix();
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(m[c][r], c == r ? 12.0f : 0.0f) << "column " << c << " row " << r;
        }
    }
    EXPECT_EQ(twice.getPosition(), glm::vec3(0.0f)) << "scaling does not move the origin";
    glGetError();
}

TEST(AssetCore, DestructorReleasesItsVertexArrayAndBuffers)
{
    GLuint vao = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glBindVertexArray(0);
    const GLuint position = makeBuffer(GL_ARRAY_BUFFER);
    const GLuint normal = makeBuffer(GL_ARRAY_BUFFER);
    const GLuint uv = makeBuffer(GL_ARRAY_BUFFER);
    const GLuint index = makeBuffer(GL_ELEMENT_ARRAY_BUFFER);
    const GLuint tangent = makeBuffer(GL_ARRAY_BUFFER);
    const GLuint adjacency = makeBuffer(GL_ELEMENT_ARRAY_BUFFER);
    ASSERT_TRUE(glIsVertexArray(vao));
    for (GLuint b : {position, normal, uv, index, tangent, adjacency}) {
        ASSERT_TRUE(glIsBuffer(b));
    }
    // Objects that are not the asset's survive it.
    const GLBuffer bystander = GLBuffer::wrap(makeBuffer(GL_ARRAY_BUFFER));

    Asset* asset = new Asset(false, false, 0);
    asset->setVao(vao);
    asset->setPositionBuffer(position);
    asset->setNormalBuffer(normal);
    asset->setUvBuffer(uv);
    asset->setIndexBuffer(index);
    asset->setTangentBuffer(tangent);
    asset->setAdjacencyIndexBuffer(adjacency);
    glGetError();

    EXPECT_EQ(stdoutOf([&] { delete asset; }), "Asset Destructor\n");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(glIsVertexArray(vao));
    EXPECT_FALSE(glIsBuffer(position));
    EXPECT_FALSE(glIsBuffer(normal));
    EXPECT_FALSE(glIsBuffer(uv));
    EXPECT_FALSE(glIsBuffer(index));
    EXPECT_FALSE(glIsBuffer(tangent));
    EXPECT_FALSE(glIsBuffer(adjacency));
    EXPECT_TRUE(glIsBuffer(bystander.id()));
}

// Either of two assets sharing one model can go first: the other keeps the
// mesh and draws it, and the last one deletes it.
TEST(AssetCore, AssetsSharingOneModelAreDestroyedInEitherOrder)
{
    ScratchDirectory dir;
    dir.write("tetra.obj", tetrahedronObj);
    const std::string path = dir.file("tetra.obj");

    for (int order = 0; order < 2; ++order) {
        SCOPED_TRACE(order == 0 ? "first loaded deleted first" : "second loaded deleted first");
        Asset* first = new Asset(false, false, 0);
        Asset* second = new Asset(false, false, 0);
        {
            CapturedStdout quiet;
            ASSERT_TRUE(ModelLoader::getInstance().loadModel(path, first, true));
            ASSERT_TRUE(ModelLoader::getInstance().loadModel(path, second, true));
        }
        ASSERT_NE(first->getVao(), 0u);
        ASSERT_EQ(second->getVao(), first->getVao()) << "a repeat path shares the mesh";
        ASSERT_EQ(second->getPositionBuffer(), first->getPositionBuffer());
        ASSERT_EQ(second->getIndexBuffer(), first->getIndexBuffer());
        ASSERT_EQ(second->getNormalBuffer(), first->getNormalBuffer());
        const GLuint vao = first->getVao();
        const GLuint shared[3] = {first->getPositionBuffer(), first->getIndexBuffer(), first->getNormalBuffer()};
        ASSERT_TRUE(glIsBuffer(shared[0]));
        glGetError();

        Asset* a = order == 0 ? first : second;
        Asset* b = order == 0 ? second : first;
        EXPECT_EQ(stdoutOf([&] { delete a; }), "Asset Destructor\n");
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        // The survivor's mesh lives on, and it still draws.
        EXPECT_TRUE(glIsVertexArray(vao));
        for (GLuint name : {shared[0], shared[1], shared[2], b->getUvBuffer(), b->getAdjacencyIndexBuffer()}) {
            EXPECT_TRUE(glIsBuffer(name)) << name;
        }
        EXPECT_EQ(drawnPixel(b), 255);
        EXPECT_EQ(stdoutOf([&] { delete b; }), "Asset Destructor\n");
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_FALSE(glIsVertexArray(vao));
        for (GLuint name : shared) {
            EXPECT_FALSE(glIsBuffer(name));
        }
    }
}

TEST(PointLightRecord, DefaultIsAllZeroAndTheAccessorsReachEachField)
{
    const PointLight light;
    EXPECT_EQ(light.getColor(), glm::vec3(0.0f));
    EXPECT_EQ(light.getAmbientIntensity(), 0.0f);
    EXPECT_EQ(light.getDiffuseIntensity(), 0.0f);
    EXPECT_EQ(light.getPosition(), glm::vec3(0.0f));
    EXPECT_EQ(light.getConstant(), 0.0f);
    EXPECT_EQ(light.getLinear(), 0.0f);
    EXPECT_EQ(light.getExp(), 0.0f);

    // Eleven floats in the order of the shader's struct.
    PointLight set;
    set.setColor(glm::vec3(1.0f, 2.0f, 3.0f));
    set.setAmbientIntensity(4.0f);
    set.setDiffuseIntensity(5.0f);
    set.setPosition(glm::vec3(6.0f, 7.0f, 8.0f));
    set.setConstant(9.0f);
    set.setLinear(10.0f);
    set.setExp(11.0f);
    const float* raw = reinterpret_cast<const float*>(&set);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(raw[i], static_cast<float>(i + 1)) << "float " << i;
    }
    expectVec3Eq(set.getPosition(), glm::vec3(6.0f, 7.0f, 8.0f));
}
