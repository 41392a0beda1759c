// The camera against the shell's window: the fixed projection, which no
// window size changes, and the Camera object's construction, scroll
// accumulator and destruction.
#include "app/AppState.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "camera/CameraState.h"
#include "support/CapturedStdout.h"

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const glm::vec3 startEye(0.0f, 0.6f, 2.0f);

} // namespace

TEST(CameraMatrices, ProjectionIsFixedAt30Degrees4To3AndNearPoint1)
{
    const glm::mat4 p = getProjectionMatrix();
    const float focal = 1.0f / std::tan(glm::radians(15.0f));
    EXPECT_NEAR(p[1][1], focal, 1e-5f) << "vertical field of view 30 degrees";
    EXPECT_NEAR(p[1][1] / p[0][0], 4.0f / 3.0f, 1e-6f) << "aspect 4:3";
    EXPECT_EQ(p[2][3], -1.0f);
    EXPECT_EQ(p[3][3], 0.0f);
    EXPECT_EQ(p[0][1], 0.0f);
    EXPECT_EQ(p[2][0], 0.0f);
    EXPECT_NEAR(p[3][2] / (p[2][2] - 1.0f), 0.1f, 1e-6f) << "near plane";
    EXPECT_GT(p[3][2] / (p[2][2] + 1.0f), 5.0e4f) << "far plane (poorly conditioned in float)";

    // The window's size does not enter it.
    GLFWwindow* window = appWindow.getWindow();
    ASSERT_NE(window, nullptr);
    glfwSetWindowSize(window, 500, 700);
    glfwPollEvents();
    EXPECT_EQ(getProjectionMatrix(), p);
    glfwSetWindowSize(window, 1024, 768);
    glfwPollEvents();
}

TEST(CameraObject, ConstructionScrollAndDestruction)
{
    GLFWwindow* window = appWindow.getWindow();
    ASSERT_NE(window, nullptr);
    const GLFWscrollfun before = glfwSetScrollCallback(window, nullptr);

    // The radius comes from the eye at construction: the program's start eye
    // (0, 1, 0) is sqrt(26) from the pivot (0, 0, -5).
    setCameraPosition(glm::vec3(0.0f, 1.0f, 0.0f));
    CapturedStdout destruction;
    Camera* camera = new Camera(window, new Asset(false, false, 0), 1024, 768);
    EXPECT_NEAR(camera->getRadius(), std::sqrt(26.0f), 1e-6f);
    EXPECT_EQ(camera->getPivot(), glm::vec3(0.0f, 0.0f, -5.0f));
    EXPECT_FALSE(camera->isWireframe());
    ASSERT_NE(camera->getBody(), nullptr);
    // Moving the eye later does not change it.
    setCameraPosition(startEye);
    EXPECT_NEAR(camera->getRadius(), std::sqrt(26.0f), 1e-6f);

    EXPECT_EQ(glfwSetScrollCallback(window, nullptr), &scrollCallback)
        << "the camera registers its scroll handler";

    // The accumulator sums both offsets.
    const double x0 = getScrollX();
    const double y0 = getScrollY();
    scrollCallback(window, 1.5, -2.0);
    scrollCallback(window, 0.25, 3.0);
    EXPECT_TRUE(getScrolled());
    EXPECT_DOUBLE_EQ(getScrollX(), x0 + 1.75);
    EXPECT_DOUBLE_EQ(getScrollY(), y0 + 1.0);

    // The camera owns its body.
    delete camera;
    EXPECT_EQ(destruction.text(), "Asset Destructor\n");

    // Another eye gives another radius: the eye at (0, 0, 7) is 12 away.
    setCameraPosition(glm::vec3(0.0f, 0.0f, 7.0f));
    Camera other(nullptr, nullptr, 640, 480);
    EXPECT_NEAR(other.getRadius(), 12.0f, 1e-6f);

    glfwSetScrollCallback(window, before);
    setCameraPosition(startEye);
    glGetError();
}
