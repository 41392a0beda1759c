// The off-screen framebuffer: its GL objects and their release, the frame
// rendered through it against the frame rendered directly into the window,
// and the GL state a frame leaves behind with and without it.
//
// The four scene programs are module-level and are linked once per process;
// every test here links them on first use and builds its own small scene of
// generated OBJ files and textures.
#include "app/AppState.h"
#include "app/Framebuffer.h"
#include "app/FrameLoop.h"
#include "app/GLObject.h"
#include "app/GLState.h"
#include "app/Shutdown.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"
#include "modelloader/ModelLoader.h"
#include "readback/FrameReadback.h"
#include "support/BoxObj.h"
#include "support/CapturedStdout.h"
#include "support/EndOfFrameState.h"
#include "support/FreshScene.h"
#include "support/GLReadback.h"
#include "support/ScopedEntryPoint.h"
#include "support/Scratch.h"
#include "support/X11Window.h"
#include "textureloader/TextureLoader.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <array>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int width = 1024;
const int height = 768;

std::string floorObj()
{
    return "v -6 -1 3\nv 6 -1 3\nv 6 -1 -12\nv -6 -1 -12\n"
           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 1 0\n"
           "f 1/1/1 2/2/1 3/3/1 4/4/1\n";
}

RgbImage checker(uint8_t r0, uint8_t g0, uint8_t b0, uint8_t r1, uint8_t g1, uint8_t b1)
{
    RgbImage image;
    image.width = 16;
    image.height = 16;
    image.pixels.resize(16 * 16 * 3);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool odd = ((x / 4) + (y / 4)) % 2 == 1;
            uint8_t* p = &image.pixels[(static_cast<size_t>(y) * 16 + x) * 3];
            p[0] = odd ? r1 : r0;
            p[1] = odd ? g1 : g0;
            p[2] = odd ? b1 : b0;
        }
    }
    return image;
}

// A floor, a textured box and a normal-mapped box under the assets' three
// point lights, placed so that the boxes cast shadows onto the floor; the
// camera looks down at them. The assets go into `assets`, the textures into
// `textures`, so that cleanup() releases them.
void buildScene(const ScratchDirectory& dir)
{
    stdoutOf(cleanup); // a scene an earlier test of this process left would be drawn too
    ASSERT_NO_FATAL_FAILURE(linkScenePrograms());
    clearGLErrors();
    dir.write("floor.obj", floorObj());
    dir.write("box.obj", boxObj(glm::vec3(-1.2f, -0.8f, -2.4f), glm::vec3(-0.4f, 0.0f, -1.6f)));
    dir.write("mapped.obj", boxObj(glm::vec3(0.5f, -0.9f, -4.9f), glm::vec3(1.3f, -0.1f, -4.1f)));
    const RgbImage colourImage = checker(220, 120, 40, 40, 160, 220);
    const RgbImage normalImage = checker(128, 128, 255, 160, 128, 230);
    ASSERT_TRUE(savePng(dir.file("colour.png"), colourImage));
    ASSERT_TRUE(savePng(dir.file("normal.png"), normalImage));

    CapturedStdout quiet;
    Texture* colour = TextureLoader::getInstance().loadTexture(dir.file("colour.png"), 0);
    Texture* normal = TextureLoader::getInstance().loadTexture(dir.file("normal.png"), 1);
    textures.push_back(colour);
    textures.push_back(normal);

    const GLuint basic = basicLightingShader.getProgram();
    auto* floor = new Asset(false, false, basic);
    ModelLoader::getInstance().loadModel(dir.file("floor.obj"), floor, false);
    auto* box = new Asset(true, false, basic);
    ModelLoader::getInstance().loadModel(dir.file("box.obj"), box, true);
    box->setTexture(colour->m_handle);
    box->setTextureUnit(colour->m_unit);
    auto* mapped = new Asset(true, true, basic);
    ModelLoader::getInstance().loadModel(dir.file("mapped.obj"), mapped, true);
    mapped->setTexture(colour->m_handle);
    mapped->setTextureUnit(colour->m_unit);
    mapped->setNormalMap(normal->m_handle);
    mapped->setNormalMapUnit(normal->m_unit);
    quiet.text();
    clearGLErrors();

    assets.push_back(floor);
    assets.push_back(box);
    assets.push_back(mapped);
    // The boxes are drawn with these very pixels, not with the empty texture.
    ASSERT_EQ(readTexture(colour->m_handle).pixels, colourImage.pixels);
    ASSERT_EQ(readTexture(normal->m_handle).pixels, normalImage.pixels);
    ASSERT_GT(floor->getNumIndices(), 0);
    ASSERT_GT(box->getNumIndices(), 0);
    ASSERT_GT(mapped->getNumIndices(), 0);
    ASSERT_TRUE(box->m_withAdjacency);

    setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
    setCameraPosition(glm::vec3(0.0f, 2.5f, 4.0f));
    setCameraFocus(glm::vec3(0.0f, -0.5f, -4.0f));
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

// Frame with a zero time step: the flight starts over and nothing moves, so
// every such frame shows the same picture.
void stillFrame()
{
    resetCameraFlight();
    renderFrame(0.0);
}

// Fills the window's back buffer with a colour the scene never shows.
void clearWindowToMagenta()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
}

struct Comparison {
    double meanDifference = 0.0; // per channel, in 8-bit steps
    int largest = 0;
    size_t differing = 0; // pixels differing by more than 2 steps
    size_t differingOffEdges = 0;
};

// Compares the window's multisampled picture with a single-sampled one.
// Larger differences are allowed only at edges: the window is multisampled
// (GLFW_SAMPLES 4) while the off-screen framebuffer is single-sampled, so
// silhouettes and shadow borders resolve to blends, shaded at pixel centres
// that may lie off the polygon. An edge here is a step of at least 4 between
// adjacent pixels of the single-sampled picture (its smooth lighting
// gradients step by 1 or 2); a differing pixel must have one within 2 pixels.
Comparison compare(const RgbImage& multisampled, const RgbImage& singleSampled)
{
    Comparison result;
    auto channel = [](const RgbImage& image, int x, int y, int c) {
        return static_cast<int>(image.at(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1))[c]);
    };
    std::vector<uint8_t> edge(static_cast<size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int v = channel(singleSampled, x, y, c);
                if (std::abs(v - channel(singleSampled, x + 1, y, c)) >= 4 ||
                    std::abs(v - channel(singleSampled, x, y + 1, c)) >= 4) {
                    edge[static_cast<size_t>(y) * width + x] = 1;
                }
            }
        }
    }
    auto nearEdge = [&](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const int nx = std::clamp(x + dx, 0, width - 1);
                const int ny = std::clamp(y + dy, 0, height - 1);
                if (edge[static_cast<size_t>(ny) * width + nx] != 0) {
                    return true;
                }
            }
        }
        return false;
    };
    double total = 0.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int difference = 0;
            for (int c = 0; c < 3; ++c) {
                const int d = std::abs(channel(multisampled, x, y, c) - channel(singleSampled, x, y, c));
                difference = std::max(difference, d);
                total += d;
            }
            result.largest = std::max(result.largest, difference);
            if (difference > 2) {
                ++result.differing;
                result.differingOffEdges += nearEdge(x, y) ? 0 : 1;
            }
        }
    }
    result.meanDifference = total / (3.0 * width * height);
    return result;
}

// Mean below half a step of 8-bit colour, edges a small share of the
// picture, and no difference away from edges.
void expectSamePicture(const RgbImage& multisampled, const RgbImage& singleSampled, const char* what)
{
    SCOPED_TRACE(what);
    ASSERT_EQ(multisampled.width, width);
    ASSERT_EQ(singleSampled.width, width);
    const Comparison c = compare(multisampled, singleSampled);
    std::cout << what << ": mean difference " << c.meanDifference << ", largest " << c.largest
              << ", pixels differing by more than 2: " << c.differing << "\n";
    const size_t pixelCount = static_cast<size_t>(width) * height;
    EXPECT_LT(c.meanDifference, 0.5) << "mean absolute difference per channel, in 8-bit steps";
    EXPECT_LT(c.differing, pixelCount / 50) << "more differing pixels than edges can explain";
    EXPECT_EQ(c.differingOffEdges, 0u) << "pixels away from any edge differ";
    if (::testing::Test::HasFailure()) {
        savePng(keptTestOutput("direct.png"), multisampled);
        savePng(keptTestOutput("offscreen.png"), singleSampled);
    }
}

// What the passes of a frame see: the framebuffer they draw into and the
// viewport.
class BindingObserver : public PassObserver {
public:
    struct Seen {
        GLint drawFramebuffer;
        std::array<GLint, 4> viewport;
    };
    void beginPass(RenderPass) override
    {
        Seen seen{};
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &seen.drawFramebuffer);
        glGetIntegerv(GL_VIEWPORT, seen.viewport.data());
        passes.push_back(seen);
    }
    void endPass(RenderPass) override {}
    std::vector<Seen> passes;
};

std::array<GLint, 4> viewport()
{
    std::array<GLint, 4> v{};
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

template <class IsName>
int countNames(IsName isName)
{
    int count = 0;
    for (GLuint name = 1; name <= 64; ++name) {
        if (isName(name) == GL_TRUE) {
            ++count;
        }
    }
    return count;
}

int framebufferNames()
{
    return countNames([](GLuint n) { return glIsFramebuffer(n); });
}
int renderbufferNames()
{
    return countNames([](GLuint n) { return glIsRenderbuffer(n); });
}

// How many textures, programs and vertex arrays exist.
std::map<std::string, int> otherObjects()
{
    return {{"textures", countNames([](GLuint n) { return glIsTexture(n); })},
            {"programs", countNames([](GLuint n) { return glIsProgram(n); })},
            {"vertex arrays", countNames([](GLuint n) { return glIsVertexArray(n); })}};
}

// After a release: the globals cleared and the framebuffer and renderbuffer
// they held gone.
void expectReleased(GLuint framebuffer, GLuint renderbuffer)
{
    EXPECT_EQ(fbo, 0u);
    EXPECT_EQ(depthBuffer, 0u);
    EXPECT_FALSE(glIsFramebuffer(framebuffer));
    EXPECT_FALSE(glIsRenderbuffer(renderbuffer));
}

// A name of someone else's, made an object by binding it once to `target`
// with `bind`.
template <typename Object, typename Bind>
Object boundOnce(Bind bind, GLenum target)
{
    Object object = Object::generate();
    bind(target, object.id());
    bind(target, 0);
    return object;
}

} // namespace

TEST(Framebuffer, WithoutItNoFramebufferExistsAndCleanupDeletesNone)
{
    ScratchDirectory dir;
    ASSERT_NO_FATAL_FAILURE(buildScene(dir));
    ASSERT_EQ(fbo, 0u);
    ASSERT_EQ(depthBuffer, 0u);

    // Framebuffer and renderbuffer names of someone else's, which the frames
    // and the shutdown must leave alone.
    const auto otherFramebuffer = boundOnce<GLFramebuffer>(glBindFramebuffer, GL_FRAMEBUFFER);
    const auto otherRenderbuffer = boundOnce<GLRenderbuffer>(glBindRenderbuffer, GL_RENDERBUFFER);
    ASSERT_EQ(framebufferNames(), 1);
    ASSERT_EQ(renderbufferNames(), 1);

    BindingObserver observer;
    setPassObserver(&observer);
    stillFrame();
    stillFrame();
    setPassObserver(nullptr);
    ASSERT_EQ(observer.passes.size(), 8u);
    for (const BindingObserver::Seen& seen : observer.passes) {
        EXPECT_EQ(seen.drawFramebuffer, 0) << "a pass drew into a framebuffer object";
    }
    EXPECT_EQ(framebufferNames(), 1);
    EXPECT_EQ(renderbufferNames(), 1);

    cleanup();
    EXPECT_EQ(fbo, 0u);
    EXPECT_EQ(depthBuffer, 0u);
    EXPECT_TRUE(glIsFramebuffer(otherFramebuffer.id()));
    EXPECT_TRUE(glIsRenderbuffer(otherRenderbuffer.id()));
    EXPECT_EQ(framebufferNames(), 1);
    EXPECT_EQ(renderbufferNames(), 1);
}

TEST(Framebuffer, ObjectsTheirAttachmentAndTheirRelease)
{
    stdoutOf(cleanup); // a scene an earlier test left would go with the shutdown below
    ASSERT_EQ(framebufferNames(), 0);
    ASSERT_EQ(renderbufferNames(), 0);
    const std::map<std::string, int> othersBefore = otherObjects();

    const std::string output = stdoutOf(createFramebuffer);
    EXPECT_EQ(output.find("fbo error"), std::string::npos) << output;
    ASSERT_NE(fbo, 0u);
    ASSERT_NE(depthBuffer, 0u);
    EXPECT_TRUE(glIsFramebuffer(fbo));
    EXPECT_TRUE(glIsRenderbuffer(depthBuffer));
    EXPECT_EQ(framebufferNames(), 1);
    EXPECT_EQ(renderbufferNames(), 1);

    // Left bound, complete, with the combined depth-stencil renderbuffer of
    // the window's size.
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fbo);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), fbo);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), depthBuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    GLint type = 0;
    GLint attached = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &attached);
    EXPECT_EQ(type, GL_RENDERBUFFER);
    EXPECT_EQ(static_cast<GLuint>(attached), depthBuffer);
    GLint format = 0;
    GLint rbWidth = 0;
    GLint rbHeight = 0;
    GLint stencilBits = 0;
    GLint depthBits = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &rbWidth);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &rbHeight);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_DEPTH_SIZE, &depthBits);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_STENCIL_SIZE, &stencilBits);
    EXPECT_EQ(format, GL_DEPTH24_STENCIL8);
    EXPECT_EQ(rbWidth, width);
    EXPECT_EQ(rbHeight, height);
    EXPECT_EQ(depthBits, 24);
    EXPECT_EQ(stencilBits, 8);

    // A second call replaces the first set rather than adding one.
    const std::map<std::string, int> othersWithIt = otherObjects();
    createFramebuffer();
    EXPECT_EQ(framebufferNames(), 1);
    EXPECT_EQ(renderbufferNames(), 1);
    EXPECT_EQ(otherObjects(), othersWithIt);

    const GLuint oldFramebuffer = fbo;
    const GLuint oldRenderbuffer = depthBuffer;
    releaseFramebuffer();
    expectReleased(oldFramebuffer, oldRenderbuffer);
    // Whatever else came with the framebuffer went with it.
    EXPECT_EQ(otherObjects(), othersBefore);

    // A second life, ended by the shutdown this time.
    createFramebuffer();
    const GLuint secondFramebuffer = fbo;
    const GLuint secondRenderbuffer = depthBuffer;
    ASSERT_TRUE(glIsFramebuffer(secondFramebuffer));
    cleanup();
    expectReleased(secondFramebuffer, secondRenderbuffer);
    EXPECT_EQ(framebufferNames(), 0);
    EXPECT_EQ(renderbufferNames(), 0);
    EXPECT_EQ(otherObjects().at("textures"), othersBefore.at("textures"));

    // Names handed out again after the release belong to someone else: a
    // later shutdown must not delete them.
    const auto reusedFramebuffer = boundOnce<GLFramebuffer>(glBindFramebuffer, GL_FRAMEBUFFER);
    const auto reusedRenderbuffer = boundOnce<GLRenderbuffer>(glBindRenderbuffer, GL_RENDERBUFFER);
    const auto reusedTexture = boundOnce<GLTexture>(glBindTexture, GL_TEXTURE_2D);
    cleanup();
    EXPECT_TRUE(glIsFramebuffer(reusedFramebuffer.id()));
    EXPECT_TRUE(glIsRenderbuffer(reusedRenderbuffer.id()));
    EXPECT_TRUE(glIsTexture(reusedTexture.id()));
}

namespace {

// Stand-ins for GLEW's entry points: a compile or link status read as failed,
// and a count of uniform look-ups.
PFNGLGETSHADERIVPROC realGetShaderiv = nullptr;
PFNGLGETPROGRAMIVPROC realGetProgramiv = nullptr;
PFNGLGETUNIFORMLOCATIONPROC realGetUniformLocation = nullptr;
int uniformLookUps = 0;

void GLAPIENTRY failedCompile(GLuint shader, GLenum name, GLint* value)
{
    realGetShaderiv(shader, name, value);
    if (name == GL_COMPILE_STATUS) {
        *value = GL_FALSE;
    }
}

void GLAPIENTRY failedLink(GLuint program, GLenum name, GLint* value)
{
    realGetProgramiv(program, name, value);
    if (name == GL_LINK_STATUS) {
        *value = GL_FALSE;
    }
}

GLint GLAPIENTRY countedLookUp(GLuint program, const GLchar* name)
{
    ++uniformLookUps;
    return realGetUniformLocation(program, name);
}

} // namespace

// The program that copies the image to the window: a stage that does not
// compile or a program that does not link is reported in one line and
// leaves nothing behind; a working one has its sampler looked up once.
TEST(Framebuffer, PresentProgramIsCheckedAndItsSamplerLookedUpOnce)
{
    const int programsBefore = countNames([](GLuint n) { return glIsProgram(n); });
    {
        const ScopedEntryPoint compileStatus(__glewGetShaderiv, failedCompile, realGetShaderiv);
        EXPECT_EQ(stdoutOf(createFramebuffer), "fbo error: the present shaders did not compile\n");
    }
    EXPECT_EQ(countNames([](GLuint n) { return glIsProgram(n); }), programsBefore);
    presentFramebuffer(); // nothing to copy with
    releaseFramebuffer();

    {
        const ScopedEntryPoint linkStatus(__glewGetProgramiv, failedLink, realGetProgramiv);
        EXPECT_EQ(stdoutOf(createFramebuffer), "fbo error: the present program did not link\n");
    }
    EXPECT_EQ(countNames([](GLuint n) { return glIsProgram(n); }), programsBefore);
    releaseFramebuffer();

    {
        const ScopedEntryPoint lookUp(__glewGetUniformLocation, countedLookUp, realGetUniformLocation);
        uniformLookUps = 0;
        EXPECT_EQ(stdoutOf(createFramebuffer), "");
        const int atCreation = uniformLookUps;
        presentFramebuffer();
        presentFramebuffer();
        EXPECT_EQ(atCreation, 1);
        EXPECT_EQ(uniformLookUps, atCreation) << "looked up again on every present";
    }
    releaseFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    clearGLErrors();
}

TEST(Framebuffer, FrameThroughItMatchesTheDirectFrame)
{
    ScratchDirectory dir;
    ASSERT_NO_FATAL_FAILURE(buildScene(dir));
    glViewport(0, 0, width, height);
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    std::cout << "window samples: " << samples << "\n";

    // Direct: a first frame to settle the state every later frame starts
    // from, then the reference picture, read from the back buffer at the end
    // of the last pass.
    stillFrame();
    FinishedFrame directFrame(width, height);
    setPassObserver(&directFrame);
    stillFrame();
    setPassObserver(nullptr);
    expectEndOfFrameState("direct");
    ASSERT_EQ(directFrame.readFrom, 0u);
    const RgbImage direct = finishedImage(directFrame);

    // The picture has content: lit surfaces, shadow and background.
    size_t litPixels = 0;
    size_t blackPixels = 0;
    for (size_t i = 0; i < direct.pixels.size(); i += 3) {
        const int sum = direct.pixels[i] + direct.pixels[i + 1] + direct.pixels[i + 2];
        litPixels += sum > 60 ? 1 : 0;
        blackPixels += sum == 0 ? 1 : 0;
    }
    const size_t pixelCount = static_cast<size_t>(width) * height;
    ASSERT_GT(litPixels, pixelCount / 10) << "the reference frame is nearly empty";
    ASSERT_GT(blackPixels, pixelCount / 20) << "the reference frame has no background";

    // Without the framebuffer the loop never sets the viewport.
    glViewport(7, 9, 300, 200);
    stillFrame();
    EXPECT_EQ(viewport(), (std::array<GLint, 4>{7, 9, 300, 200}));

    // The window's buffers get a colour the scene never shows, so that the
    // off-screen frame cannot pass by leaving the direct one in place.
    for (int i = 0; i < 2; ++i) {
        clearWindowToMagenta();
        glfwSwapBuffers(appWindow.getWindow());
    }

    EXPECT_EQ(stdoutOf(createFramebuffer).find("fbo error"), std::string::npos);
    BindingObserver bindings;
    setPassObserver(&bindings);
    stillFrame();
    setPassObserver(nullptr);
    // Every pass draws into it at the window's full size, whatever viewport
    // was set before.
    ASSERT_EQ(bindings.passes.size(), 4u);
    for (const BindingObserver::Seen& seen : bindings.passes) {
        EXPECT_EQ(static_cast<GLuint>(seen.drawFramebuffer), fbo);
        EXPECT_EQ(seen.viewport, (std::array<GLint, 4>{0, 0, width, height}));
    }
    expectEndOfFrameState("off-screen");

    FinishedFrame offScreenFrame(width, height);
    setPassObserver(&offScreenFrame);
    stillFrame();
    setPassObserver(nullptr);
    expectEndOfFrameState("off-screen, second frame");
    ASSERT_EQ(offScreenFrame.readFrom, fbo);
    const RgbImage offScreen = finishedImage(offScreenFrame);
    ASSERT_NO_FATAL_FAILURE(expectSamePicture(direct, offScreen, "rendered off-screen"));

    // What the window shows after the frame's swap, read from the X server:
    // the display is this process's own, so no other window covers it.
    glFinish();
    const RgbImage shown = captureXWindow(x11WindowId(appWindow.getWindow()), width, height);
    ASSERT_EQ(shown.width, width) << "the window's contents could not be read";
    const Comparison onScreen = compare(direct, shown);
    EXPECT_TRUE(onScreen.meanDifference < 0.5 && onScreen.differing < static_cast<size_t>(width) * height / 50 &&
                onScreen.differingOffEdges == 0)
        << "the window does not show the off-screen picture: mean difference " << onScreen.meanDifference
        << ", largest " << onScreen.largest;

    // The copy into the window, once more into a magenta back buffer and
    // read before any swap: pixel for pixel the off-screen picture.
    clearWindowToMagenta();
    presentFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    const RgbImage presented = readPixels(0, 0, width, height);
    EXPECT_TRUE(presented.pixels == offScreen.pixels) << "the copy into the window is not exact";

    cleanup();
    EXPECT_EQ(fbo, 0u);
    EXPECT_EQ(framebufferNames(), 0);
    glViewport(0, 0, width, height);
}
