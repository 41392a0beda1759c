// What the shadow program (shaders/shadow.*) emits, counted in real GL with
// GL_PRIMITIVES_GENERATED: for every triangle facing the light two caps, and
// one side (two triangles) for each of its edges that is a silhouette or open;
// nothing for a triangle facing away and nothing for an edge between two
// triangles that both face the light.
#include "app/GLObject.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"
#include "modelloader/ModelLoader.h"
#include "shaderloader/ShaderLoader.h"
#include "support/CapturedStdout.h"
#include "support/GLReadback.h"
#include "support/Scratch.h"

#include <GL/glew.h>
#include <glm/gtc/type_ptr.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A grid of n × n squares, two triangles each, over [-1, 1]² in the plane
// y = `y`, counter-clockwise seen from above. Vertices are shared, so every
// inner edge has its neighbour; the border is open.
std::string gridObj(int n, float y)
{
    std::ostringstream obj;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            obj << "v " << (-1.0f + 2.0f * i / n) << " " << y << " " << (1.0f - 2.0f * j / n) << "\n";
        }
    }
    const auto at = [n](int i, int j) { return j * (n + 1) + i + 1; };
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            obj << "f " << at(i, j) << " " << at(i + 1, j) << " " << at(i + 1, j + 1) << "\n";
            obj << "f " << at(i, j) << " " << at(i + 1, j + 1) << " " << at(i, j + 1) << "\n";
        }
    }
    return obj.str();
}

// A closed cube over [-1, 1]³ with each face a k × k grid, counter-clockwise
// seen from outside, vertices shared across faces by position.
std::string tessellatedCubeObj(int k)
{
    std::ostringstream obj;
    int next = 1;
    // Each face: a corner and two directions whose cross product points out.
    const float faces[6][9] = {
        {1, -1, 1, 0, 0, -2, 0, 2, 0}, // +x
        {-1, -1, -1, 0, 0, 2, 0, 2, 0}, // -x
        {-1, 1, 1, 2, 0, 0, 0, 0, -2}, // +y
        {-1, -1, -1, 2, 0, 0, 0, 0, 2}, // -y
        {-1, -1, 1, 2, 0, 0, 0, 2, 0}, // +z
        {1, -1, -1, -2, 0, 0, 0, 2, 0}, // -z
    };
    for (const auto& f : faces) {
        const int first = next;
        for (int j = 0; j <= k; ++j) {
            for (int i = 0; i <= k; ++i) {
                const float s = static_cast<float>(i) / k;
                const float t = static_cast<float>(j) / k;
                obj << "v " << f[0] + s * f[3] + t * f[6] << " " << f[1] + s * f[4] + t * f[7] << " "
                    << f[2] + s * f[5] + t * f[8] << "\n";
                ++next;
            }
        }
        const auto at = [first, k](int i, int j) { return first + j * (k + 1) + i; };
        for (int j = 0; j < k; ++j) {
            for (int i = 0; i < k; ++i) {
                obj << "f " << at(i, j) << " " << at(i + 1, j) << " " << at(i + 1, j + 1) << "\n";
                obj << "f " << at(i, j) << " " << at(i + 1, j + 1) << " " << at(i, j + 1) << "\n";
            }
        }
    }
    return obj.str();
}

// An open fan of `n` triangles around the apex (0.3125, 0.25, -0.125), its
// rim wavy so that no two triangles lie in one plane. Coordinates are exact
// in binary, so the light can be put exactly on the apex.
const glm::vec3 fanApex(0.3125f, 0.25f, -0.125f);

std::string fanObj(int n)
{
    std::ostringstream obj;
    obj << "v " << fanApex.x << " " << fanApex.y << " " << fanApex.z << "\n";
    for (int i = 0; i < n; ++i) {
        const double angle = 6.283185307179586 * i / n;
        // Rounded to 1/1024 so that the text holds the exact value.
        const auto exact = [](double v) { return std::round(v * 1024.0) / 1024.0; };
        obj << "v " << exact(std::cos(angle)) << " " << exact(0.35 * std::sin(3.0 * angle) - 0.5) << " "
            << exact(std::sin(angle)) << "\n";
    }
    for (int i = 0; i < n; ++i) {
        obj << "f 1 " << 2 + (i + 1) % n << " " << 2 + i << "\n";
    }
    return obj.str();
}

class ShadowEmission : public ::testing::Test {
protected:
    void SetUp() override
    {
        stdoutOf([&] {
            m_shadow.loadShader("shaders/shadow.vert");
            m_shadow.loadShader("shaders/shadow.geom");
            m_shadow.loadShader("shaders/shadow.frag");
            m_shadow.linkProgram();
        });
        ASSERT_EQ(m_shadow.getStatus(), 1);
        // llvmpipe makes the window's depth buffer on first use; a clear
        // brings it into being before the first draw with a geometry shader.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
        setCameraPosition(glm::vec3(0.5f, 3.0f, 6.0f));
        setCameraFocus(glm::vec3(0.0f, 0.0f, 0.0f));
    }

    std::unique_ptr<Asset> load(const std::string& name, const std::string& obj)
    {
        m_dir.write(name, obj);
        auto asset = std::make_unique<Asset>(false, false, m_shadow.getProgram());
        bool loaded = false;
        stdoutOf([&] { loaded = ModelLoader::getInstance().loadModel(m_dir.file(name), asset.get(), true); });
        EXPECT_TRUE(loaded);
        EXPECT_NE(asset->getAdjacencyIndexBuffer(), 0u);
        glGetError();
        return asset;
    }

    // Primitives the program emits for the asset's triangles with adjacency
    // and a light at `light`, the model matrix being the identity.
    GLuint volumePrimitives(const Asset& asset, glm::vec3 light)
    {
        return drawVolume(m_shadow.getProgram(), asset, light);
    }

    // With `feedback`, into the bound transform feedback buffer as well.
    GLuint drawVolume(GLuint program, const Asset& asset, glm::vec3 light, bool feedback = false)
    {
        glUseProgram(program);
        const glm::mat4 identity(1.0f);
        const glm::mat4 view = getViewMatrix();
        const glm::mat4 projection = getProjectionMatrix();
        glUniformMatrix4fv(glGetUniformLocation(program, "model"), 1, GL_FALSE, glm::value_ptr(identity));
        glUniformMatrix4fv(glGetUniformLocation(program, "view"), 1, GL_FALSE, glm::value_ptr(view));
        glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, glm::value_ptr(projection));
        glUniform3fv(glGetUniformLocation(program, "gLightPos"), 1, glm::value_ptr(light));
        glBindVertexArray(asset.getVao());
        glBindBuffer(GL_ARRAY_BUFFER, asset.getPositionBuffer());
        const GLint location = glGetAttribLocation(program, "vertexPosition_modelspace");
        EXPECT_GE(location, 0);
        glEnableVertexAttribArray(static_cast<GLuint>(location));
        glVertexAttribPointer(static_cast<GLuint>(location), 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, asset.getAdjacencyIndexBuffer());
        ScopedPrimitiveCounter counter;
        if (feedback) {
            glBeginTransformFeedback(GL_TRIANGLES);
        }
        glDrawElements(GL_TRIANGLES_ADJACENCY, 2 * asset.getNumIndices(), GL_UNSIGNED_INT, nullptr);
        if (feedback) {
            glEndTransformFeedback();
        }
        const GLuint count = counter.finish();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glBindVertexArray(0);
        return count;
    }

    // The clip positions of every corner the program emits, captured with
    // transform feedback, for the asset with a light at `light`.
    std::vector<glm::vec4> emittedCorners(const Asset& asset, glm::vec3 light)
    {
        const GLuint triangles = volumePrimitives(asset, light);
        ShaderLoader capturing;
        stdoutOf([&] {
            capturing.loadShader("shaders/shadow.vert");
            capturing.loadShader("shaders/shadow.geom");
            capturing.loadShader("shaders/shadow.frag");
            const char* position = "gl_Position";
            glTransformFeedbackVaryings(capturing.getProgram(), 1, &position, GL_INTERLEAVED_ATTRIBS);
            capturing.linkProgram();
        });
        EXPECT_EQ(capturing.getStatus(), 1);

        std::vector<glm::vec4> corners(3 * triangles);
        const GLBuffer buffer = GLBuffer::generate();
        glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, buffer.id());
        glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(glm::vec4)),
                     nullptr, GL_STATIC_READ);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffer.id());
        glEnable(GL_RASTERIZER_DISCARD);
        drawVolume(capturing.getProgram(), asset, light, true);
        glDisable(GL_RASTERIZER_DISCARD);
        glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0,
                           static_cast<GLsizeiptr>(corners.size() * sizeof(glm::vec4)), corners.data());
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return corners;
    }

    ShaderLoader m_shadow;
    ScratchDirectory m_dir;
};

TEST_F(ShadowEmission, ClosedTessellatedCubeEmitsCapsOfFacingTrianglesAndSidesOfItsOutlineOnly)
{
    const int k = 4;
    const std::unique_ptr<Asset> cube = load("cube.obj", tessellatedCubeObj(k));
    ASSERT_EQ(cube->getNumIndices(), 3 * 6 * 2 * k * k);
    const GLuint perFace = 2 * k * k;

    // Straight above: the top face faces the light (the sides are edge-on
    // and do not); the outline is the top face's border of 4k edges.
    EXPECT_EQ(volumePrimitives(*cube, glm::vec3(0.0f, 5.0f, 0.0f)), 2 * perFace + 2 * (4 * k));
    // Off a corner: three faces face the light, the outline is a hexagon of
    // 6k edges; the inner edges of the three faces and the edges between two
    // facing faces make no side.
    EXPECT_EQ(volumePrimitives(*cube, glm::vec3(4.0f, 5.0f, 6.0f)), 2 * (3 * perFace) + 2 * (6 * k));
    // Above the middle of the edge between the top and the front: two faces,
    // each with three of its borders on the outline (6k edges); the edge
    // between them makes no side.
    EXPECT_EQ(volumePrimitives(*cube, glm::vec3(0.0f, 5.0f, 5.0f)), 2 * (2 * perFace) + 2 * (6 * k));
}

TEST_F(ShadowEmission, OpenGridEmitsSidesAlongItsBorderAndNothingSeenFromBehind)
{
    const int n = 5;
    const std::unique_ptr<Asset> grid = load("grid.obj", gridObj(n, 0.0f));
    const GLuint triangles = 2 * n * n;

    // Lit from above: every triangle faces the light; the open border of 4n
    // edges is a silhouette, the inner edges are not.
    EXPECT_EQ(volumePrimitives(*grid, glm::vec3(0.3f, 4.0f, -0.2f)), 2 * triangles + 2 * (4 * n));
    // Half the corners (the back caps' and the far ends of the sides) are at
    // infinity, where a projection puts them beyond its far plane; no finite
    // extrusion short of it gets there.
    const std::vector<glm::vec4> corners = emittedCorners(*grid, glm::vec3(0.3f, 4.0f, -0.2f));
    EXPECT_EQ(2 * std::count_if(corners.begin(), corners.end(), [](glm::vec4 c) { return c.z > c.w; }),
              static_cast<long>(corners.size()));
    // From below no triangle faces the light: nothing at all, open border
    // or not.
    EXPECT_EQ(volumePrimitives(*grid, glm::vec3(0.3f, -4.0f, -0.2f)), 0u);
}

// A light exactly at a vertex: the triangles around it lie in planes through
// the light and face it only by rounding, but those that do must still emit
// finite corners (the direction away from the light is undefined there).
TEST_F(ShadowEmission, LightOnAVertexEmitsOnlyFiniteCorners)
{
    const std::unique_ptr<Asset> fan = load("fan.obj", fanObj(48));
    const std::vector<glm::vec4> corners = emittedCorners(*fan, fanApex);
    ASSERT_FALSE(corners.empty()) << "no triangle around the apex faces the light: the case is not exercised";
    for (const glm::vec4& corner : corners) {
        ASSERT_TRUE(std::isfinite(corner.x) && std::isfinite(corner.y) && std::isfinite(corner.z) &&
                    std::isfinite(corner.w))
            << corner.x << " " << corner.y << " " << corner.z << " " << corner.w;
    }
}

} // namespace
