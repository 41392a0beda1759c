// The window, the GL state after start-up, and the start-up failure without a
// display, through the real GL context and the real binary.
#include "app/AppState.h"
#include "support/Process.h"
#include "support/X11Window.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(Window, TitleAndClientSizeAtStart)
{
    GLFWwindow* window = appWindow.getWindow();
    ASSERT_NE(window, nullptr);
    int width = 0;
    int height = 0;
    glfwGetWindowSize(window, &width, &height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    EXPECT_EQ(appWindow.getWidth(), 1024);
    EXPECT_EQ(appWindow.getHeight(), 768);

    // This process's own window on the X server.
    const std::string id = x11WindowId(window);
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(shellOutput("xdotool getwindowname " + id + " 2>/dev/null"), "KOV\n");
}

TEST(Window, ResizingKeepsTheRecordedSize)
{
    GLFWwindow* window = appWindow.getWindow();
    ASSERT_NE(window, nullptr);
    glfwSetWindowSize(window, 640, 480);
    for (int i = 0; i < 20; ++i) {
        glfwPollEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int width = 0;
    int height = 0;
    glfwGetWindowSize(window, &width, &height);
    EXPECT_EQ(width, 640) << "the resize did not happen, so this test proves nothing";
    EXPECT_EQ(appWindow.getWidth(), 1024);
    EXPECT_EQ(appWindow.getHeight(), 768);
    glfwSetWindowSize(window, 1024, 768);
    for (int i = 0; i < 20; ++i) {
        glfwPollEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The state initGL leaves, before any other test of the process changes it.
TEST(Window, GLStateAfterInit)
{
    if (!inProcessOfItsOwn()) {
        return;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    GLint cullFace = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    EXPECT_EQ(cullFace, GL_BACK);

    GLint stencilBits = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE,
                                          &stencilBits);
    EXPECT_GE(stencilBits, 8);

    GLint major = 0;
    GLint minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    EXPECT_GE(major * 10 + minor, 33);
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_TRUE(profile & GL_CONTEXT_CORE_PROFILE_BIT);
}

TEST(Window, WithoutADisplayGlewFailsCleanly)
{
    ProcessOptions options;
    options.workingDirectory = KOV_SOURCE_DIR;
    options.environment["DISPLAY"] = std::nullopt;
    options.environment["WAYLAND_DISPLAY"] = std::nullopt;
    options.timeoutSeconds = 30.0;
    const ProcessResult result = runProcess({KOV_BINARY}, options);

    ASSERT_FALSE(result.timedOut) << "the process waited for something";
    ASSERT_TRUE(result.exited) << "ended by signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.exitCode, 255);
    EXPECT_NE(result.err.find("Failed to open GLFW window. If you have an Intel GPU, they are not 3.3 "
                              "compatible. Try the 2.1 version of the tutorials.\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.out, "glew initialization failed\n");
}
