// The camera's interactive controls through the real window: scroll zoom with
// its limits, mouse orbit, keyboard movement with real key presses, the
// wire-frame toggle, the radius warning, and the degenerate camera whose eye
// sits on its focus.
#include "app/AppState.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "camera/CameraState.h"
#include "support/CapturedStdout.h"
#include "support/X11Window.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// X key symbols of the keys the tests hold down.
struct HeldKey {
    std::string keysym;
    int glfwKey;
};

// Polls GLFW's events until `key` reports `state`, for at most two seconds.
bool waitForKeyState(GLFWwindow* window, int key, int state)
{
    for (int i = 0; i < 200; ++i) {
        glfwPollEvents();
        if (glfwGetKey(window, key) == state) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// An asset that records the translations it receives.
class RecordingBody : public Asset {
public:
    struct Translation {
        float amount;
        glm::vec3 direction;
    };
    RecordingBody() : Asset(false, false, 0) {}
    void translate(float amount, glm::vec3 direction) override
    {
        translations.push_back({amount, direction});
        Asset::translate(amount, direction);
    }
    std::vector<Translation> translations;
};

bool finite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

::testing::AssertionResult near(const glm::vec3& actual, const glm::vec3& expected, float tolerance)
{
    const glm::vec3 d = glm::abs(actual - expected);
    if (d.x <= tolerance && d.y <= tolerance && d.z <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not ("
                                         << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

// Set when GLFW reports that the window lost the keyboard focus.
bool focusWasLost = false;

void noteFocus(GLFWwindow* /*window*/, int focused)
{
    if (focused == GLFW_FALSE) {
        focusWasLost = true;
    }
}

class CameraInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = appWindow.getWindow();
        ASSERT_NE(window, nullptr);
        windowId = x11WindowId(window);
        ASSERT_FALSE(windowId.empty());
        glfwSetWindowFocusCallback(window, noteFocus);
        setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
    }

    void TearDown() override
    {
        if (window == nullptr) {
            return;
        }
        releaseKeys();
        glfwSetWindowFocusCallback(window, nullptr);
        glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        camera.reset();
        setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
    }

    // A camera on the real window with a fresh body (the camera deletes it),
    // and an empty scroll accumulator.
    Camera& makeCamera(Asset* body = nullptr)
    {
        camera.reset();
        camera = std::make_unique<Camera>(window, body != nullptr ? body : new Asset(false, false, 0),
                                          static_cast<unsigned>(appWindow.getWidth()),
                                          static_cast<unsigned>(appWindow.getHeight()));
        if (getScrolled()) {
            setCameraPosition(glm::vec3(0.0f, 0.0f, 10.0f));
            setCameraFocus(glm::vec3(0.0f));
            camera->scrollZoom();
        }
        return *camera;
    }

    void place(glm::vec3 eye, glm::vec3 focus, glm::vec3 up = glm::vec3(0.0f, 1.0f, 0.0f))
    {
        setCameraPosition(eye);
        setCameraFocus(focus);
        setCameraUp(up);
    }

    // Gives the window the keyboard focus and waits until GLFW sees it.
    bool takeFocus()
    {
        if (!focusX11Window(windowId)) {
            return false;
        }
        for (int i = 0; i < 200; ++i) {
            glfwPollEvents();
            if (glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_TRUE) {
                focusWasLost = false;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Runs `attempt` with the window focused: keys and cursor warps need the
    // focus (GLFW releases every key of a window that loses it and ignores
    // cursor warps for an unfocused one). `attempt` returns false when a key
    // press never reached GLFW.
    template <class Attempt>
    ::testing::AssertionResult whileFocused(Attempt attempt)
    {
        releaseKeys();
        if (!takeFocus()) {
            return ::testing::AssertionFailure() << "the window did not get the keyboard focus";
        }
        const bool completed = attempt();
        glfwPollEvents();
        if (focusWasLost) {
            return ::testing::AssertionFailure() << "the window lost the keyboard focus";
        }
        if (!completed) {
            return ::testing::AssertionFailure() << "a key press never reached GLFW";
        }
        return ::testing::AssertionSuccess();
    }

    // With the window focused: the body put back at `bodyStart` with no
    // translation recorded, the eye placed at `eye` looking at the origin,
    // `keys` (keysym and GLFW key) held, and one keyboard move of `dt`.
    ::testing::AssertionResult moveHolding(Camera& cam, RecordingBody* body, const glm::mat4& bodyStart,
                                           glm::vec3 eye, const std::vector<std::pair<std::string, int>>& keys,
                                           double dt)
    {
        return whileFocused([&] {
            body->setModelMatrix(bodyStart);
            body->translations.clear();
            place(eye, glm::vec3(0.0f));
            for (const auto& [keysym, key] : keys) {
                if (!holdKey(keysym, key)) {
                    return false;
                }
            }
            cam.keyboardMove(dt);
            return true;
        });
    }

    // Presses a key in the window with a real X event and waits until GLFW
    // reports it held.
    bool holdKey(const std::string& keysym, int glfwKey)
    {
        if (!::pressKey(windowId, keysym)) {
            return false;
        }
        held.push_back({keysym, glfwKey});
        return waitForKeyState(window, glfwKey, GLFW_PRESS);
    }

    bool releaseKey(const std::string& keysym, int glfwKey)
    {
        for (size_t i = 0; i < held.size(); ++i) {
            if (held[i].glfwKey == glfwKey) {
                held.erase(held.begin() + static_cast<long>(i));
                break;
            }
        }
        return ::releaseKey(windowId, keysym) && waitForKeyState(window, glfwKey, GLFW_RELEASE);
    }

    void releaseKeys()
    {
        for (const HeldKey& key : held) {
            ::releaseKey(windowId, key.keysym);
            waitForKeyState(window, key.glfwKey, GLFW_RELEASE);
        }
        held.clear();
    }

    void centreCursor() { glfwSetCursorPos(window, appWindow.getWidth() / 2, appWindow.getHeight() / 2); }

    GLFWwindow* window = nullptr;
    std::string windowId;
    std::vector<HeldKey> held;
    std::unique_ptr<Camera> camera;
};

} // namespace

TEST_F(CameraInput, ScrollingMovesTheEyeOneUnitWhateverTheAmount)
{
    Camera& cam = makeCamera();
    place(glm::vec3(0.0f, 0.0f, 10.0f), glm::vec3(0.0f, 0.0f, 0.0f));

    scrollCallback(window, 0.0, 1.0);
    scrollCallback(window, 0.5, 3.0);
    EXPECT_TRUE(getScrolled());
    EXPECT_DOUBLE_EQ(getScrollY(), 4.0);
    EXPECT_DOUBLE_EQ(getScrollX(), 0.5);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 9.0f));
    EXPECT_EQ(getCameraFocus(), glm::vec3(0.0f));
    EXPECT_FALSE(getScrolled());
    EXPECT_EQ(getScrollX(), 0.0);
    EXPECT_EQ(getScrollY(), 0.0);

    // Nothing scrolled since: no movement.
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 9.0f));

    // Backward scrolling, along the eye-to-focus line off the axes.
    place(glm::vec3(3.0f, 4.0f, 0.0f) + glm::vec3(1.0f, 1.0f, 1.0f), glm::vec3(1.0f, 1.0f, 1.0f));
    scrollCallback(window, 0.0, -2.5);
    cam.scrollZoom();
    EXPECT_TRUE(near(getCameraPosition(), glm::vec3(3.6f, 4.8f, 0.0f) + glm::vec3(1.0f), 1e-5f));

    // Horizontal only, or up and down cancelling: consumed, no movement.
    place(glm::vec3(0.0f, 0.0f, 10.0f), glm::vec3(0.0f));
    scrollCallback(window, 2.0, 0.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 10.0f));
    EXPECT_FALSE(getScrolled());
    scrollCallback(window, 0.0, 1.0);
    scrollCallback(window, 0.0, -1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 10.0f));
}

TEST_F(CameraInput, RealWheelEventsReachTheAccumulator)
{
    Camera& cam = makeCamera();
    place(glm::vec3(0.0f, 0.0f, 10.0f), glm::vec3(0.0f));
    // Buttons 4 and 5 are the wheel on X11: two notches forward.
    ASSERT_TRUE(clickButton(windowId, 4, 2));
    for (int i = 0; i < 200 && getScrollY() < 2.0; ++i) {
        glfwPollEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(getScrolled());
    EXPECT_DOUBLE_EQ(getScrollY(), 2.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 9.0f));

    ASSERT_TRUE(clickButton(windowId, 5));
    for (int i = 0; i < 200 && !getScrolled(); ++i) {
        glfwPollEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_DOUBLE_EQ(getScrollY(), -1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 10.0f));
}

TEST_F(CameraInput, ZoomStopsAtThreeUnitsInAndBeyondOneHundredFiftyOut)
{
    Camera& cam = makeCamera();

    // Closer than or at 3.0: forward scrolling does nothing.
    for (float distance : {3.0f, 2.0f, 0.5f}) {
        place(glm::vec3(0.0f, 0.0f, distance), glm::vec3(0.0f));
        scrollCallback(window, 0.0, 1.0);
        cam.scrollZoom();
        EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, distance)) << "at distance " << distance;
    }
    // Just above 3.0 the step is still a full unit, ending inside the limit.
    place(glm::vec3(0.0f, 0.0f, 3.5f), glm::vec3(0.0f));
    scrollCallback(window, 0.0, 1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 2.5f));
    // Backward scrolling works at close range.
    scrollCallback(window, 0.0, -1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 3.5f));

    // At exactly 150.0 the eye still moves one unit out; above, it stays.
    place(glm::vec3(0.0f, 150.0f, 0.0f), glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, 1.0f));
    scrollCallback(window, 0.0, -1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 151.0f, 0.0f));
    scrollCallback(window, 0.0, -1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 151.0f, 0.0f));
    // Forward scrolling from far out is not limited.
    scrollCallback(window, 0.0, 1.0);
    cam.scrollZoom();
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 150.0f, 0.0f));
}

TEST_F(CameraInput, CursorAtTheCentreLeavesTheCameraAlone)
{
    Camera& cam = makeCamera();
    const glm::vec3 eye(1.0f, 2.0f, 10.0f);
    const glm::vec3 focus(0.5f, -1.0f, 0.0f);
    const glm::vec3 unusualUp(0.3f, 0.9f, 0.1f);
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(whileFocused([&] {
        place(eye, focus, unusualUp);
        centreCursor();
        glfwGetCursorPos(window, &x, &y);
        cam.mouseOrbit();
        return true;
    }));
    ASSERT_EQ(x, 512.0) << "the cursor never reached the centre, so this proves nothing";
    ASSERT_EQ(y, 384.0);

    EXPECT_EQ(getCameraPosition(), eye);
    EXPECT_EQ(getCameraFocus(), focus);
    EXPECT_EQ(getCameraUp(), unusualUp) << "the up vector was recomputed without any movement";
    EXPECT_EQ(glfwGetInputMode(window, GLFW_CURSOR), GLFW_CURSOR_HIDDEN);
}

TEST_F(CameraInput, OrbitKeepsTheDistanceAndTakesTheUpVectorBeforeTheMove)
{
    Camera& cam = makeCamera();
    const glm::vec3 focus(0.5f, -1.0f, 2.0f);
    const glm::vec3 unusualUp(0.3f, 0.9f, 0.1f);
    const glm::vec3 eye = focus + glm::vec3(0.0f, 0.0f, 10.0f);

    // The camera's basis, found independently: up is the old up made
    // perpendicular to the view direction (Gram-Schmidt), left = up x forward.
    const glm::vec3 forward(0.0f, 0.0f, -1.0f);
    const glm::vec3 expectedUp = glm::normalize(unusualUp - glm::dot(unusualUp, forward) * forward);
    const glm::vec3 expectedLeft = glm::cross(expectedUp, forward);

    // Cursor 64 pixels right of and 48 pixels above the centre.
    double x = 0.0;
    double y = 0.0;
    glm::vec3 eyeAfter(0.0f);
    glm::vec3 upAfter(0.0f);
    ASSERT_TRUE(whileFocused([&] {
        place(eye, focus, unusualUp);
        glfwSetCursorPos(window, 512 + 64, 384 - 48);
        cam.mouseOrbit();
        glfwGetCursorPos(window, &x, &y);
        eyeAfter = getCameraPosition();
        upAfter = getCameraUp();
        return true;
    }));
    EXPECT_EQ(x, 512.0) << "the cursor is put back to the centre";
    EXPECT_EQ(y, 384.0);

    const double pi = 3.141592653589793;
    const float dx = static_cast<float>(64.0 / 512.0 * pi);
    const float dy = static_cast<float>(-48.0 / 384.0 * pi);
    const glm::vec3 moved = glm::vec3(0.0f, 0.0f, 10.0f) + expectedUp * dy + expectedLeft * dx;
    const glm::vec3 expectedEye = focus + moved * (10.0f / glm::length(moved));

    EXPECT_NEAR(glm::distance(eyeAfter, focus), 10.0f, 1e-4f);
    EXPECT_TRUE(near(eyeAfter, expectedEye, 1e-4f));
    EXPECT_EQ(getCameraFocus(), focus);
    EXPECT_TRUE(near(upAfter, expectedUp, 1e-5f));
    // Cursor to the right: the eye went toward the camera's left; cursor up:
    // the eye went down.
    EXPECT_GT(glm::dot(eyeAfter - eye, expectedLeft), 0.3f);
    EXPECT_LT(glm::dot(eyeAfter - eye, expectedUp), -0.3f);

    // Orbit after orbit, the distance holds.
    std::vector<float> distances;
    bool upsFinite = true;
    ASSERT_TRUE(whileFocused([&] {
        place(eye, focus, unusualUp);
        distances.clear();
        upsFinite = true;
        for (int i = 0; i < 20; ++i) {
            glfwSetCursorPos(window, 512 + 7 * i - 60, 384 + 5 * i - 40);
            cam.mouseOrbit();
            distances.push_back(glm::distance(getCameraPosition(), focus));
            upsFinite = upsFinite && finite(getCameraUp());
        }
        return true;
    }));
    EXPECT_GT(glm::distance(getCameraPosition(), eye), 1.0f) << "the orbits did not move the eye";
    for (size_t i = 0; i < distances.size(); ++i) {
        EXPECT_NEAR(distances[i], 10.0f, 1e-3f) << "after orbit " << i;
    }
    EXPECT_TRUE(upsFinite);
}

TEST_F(CameraInput, ForwardKeyMovesTheEyeAndTheFocusFollowsTheBody)
{
    auto* body = new RecordingBody;
    Camera& cam = makeCamera(body);
    const glm::mat4 bodyStart = glm::translate(glm::mat4(1.0f), glm::vec3(1.0f, 2.0f, 3.0f)) *
                                glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0.0f, 1.0f, 0.0f));

    ASSERT_TRUE(moveHolding(cam, body, bodyStart, glm::vec3(0.0f, 0.0f, 10.0f), {{"w", GLFW_KEY_W}}, 0.1));

    // 5 units per second along forward (0, 0, -1) for 0.1 s.
    EXPECT_TRUE(near(getCameraPosition(), glm::vec3(0.0f, 0.0f, 9.5f), 1e-6f));
    ASSERT_EQ(body->translations.size(), 1u);
    EXPECT_FLOAT_EQ(body->translations[0].amount, 0.1f);
    EXPECT_TRUE(near(body->translations[0].direction, glm::vec3(0.0f, 0.0f, -5.0f), 1e-6f));
    // The body moves in its own frame (turned 90 degrees about y: its -z is
    // world -x), and the focus jumps to where the body ends up.
    EXPECT_TRUE(near(body->getPosition(), glm::vec3(0.5f, 2.0f, 3.0f), 1e-6f));
    EXPECT_EQ(getCameraFocus(), body->getPosition());

    releaseKeys();
    ASSERT_EQ(glfwGetKey(window, GLFW_KEY_W), GLFW_RELEASE);
    const glm::vec3 eyeBefore = getCameraPosition();
    cam.keyboardMove(0.1);
    EXPECT_EQ(getCameraPosition(), eyeBefore) << "no key held, no movement";
}

TEST_F(CameraInput, OppositeKeysCancelButTheBodyStillMoves)
{
    auto* body = new RecordingBody;
    Camera& cam = makeCamera(body);
    const glm::mat4 bodyStart = glm::translate(glm::mat4(1.0f), glm::vec3(-2.0f, 0.0f, 0.0f));

    ASSERT_TRUE(moveHolding(cam, body, bodyStart, glm::vec3(0.0f, 0.0f, 10.0f),
                            {{"w", GLFW_KEY_W}, {"s", GLFW_KEY_S}}, 0.25));
    EXPECT_EQ(getCameraPosition(), glm::vec3(0.0f, 0.0f, 10.0f));
    ASSERT_EQ(body->translations.size(), 1u) << "the body receives its (zero) translation all the same";
    EXPECT_FLOAT_EQ(body->translations[0].amount, 0.25f);
    EXPECT_EQ(body->translations[0].direction, glm::vec3(0.0f));
    EXPECT_EQ(body->getPosition(), glm::vec3(-2.0f, 0.0f, 0.0f));
    EXPECT_EQ(getCameraFocus(), glm::vec3(-2.0f, 0.0f, 0.0f));

    // S alone with a zero time step still moves, by the substitute step.
    ASSERT_TRUE(moveHolding(cam, body, bodyStart, glm::vec3(0.0f, 0.0f, 1.0f), {{"s", GLFW_KEY_S}}, 0.0));
    ASSERT_EQ(body->translations.size(), 1u);
    EXPECT_FLOAT_EQ(body->translations[0].amount, 1.0e-7f);
    EXPECT_TRUE(near(body->translations[0].direction, glm::vec3(0.0f, 0.0f, 5.0f), 1e-6f));
    EXPECT_NEAR(getCameraPosition().z, 1.0f + 5.0e-7f, 1.5e-7f);
    EXPECT_GT(getCameraPosition().z, 1.0f);
}

TEST_F(CameraInput, HeldF3FlipsThePolygonModeOnEveryCall)
{
    auto polygonMode = [] {
        GLint modes[2] = {-1, -1};
        glGetIntegerv(GL_POLYGON_MODE, modes);
        return modes[0];
    };
    // Mode and wire-frame flag after: one call without F3, five calls with
    // F3 held, one call after its release.
    std::vector<GLint> modes;
    std::vector<bool> flags;
    ASSERT_TRUE(whileFocused([&] {
        Camera& cam = makeCamera();
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        modes.clear();
        flags.clear();
        auto toggle = [&] {
            cam.toggleWireframe();
            modes.push_back(polygonMode());
            flags.push_back(cam.isWireframe());
        };
        toggle();
        if (!holdKey("F3", GLFW_KEY_F3)) {
            return false;
        }
        for (int i = 0; i < 5; ++i) {
            glfwPollEvents();
            toggle();
        }
        if (!releaseKey("F3", GLFW_KEY_F3)) {
            return false;
        }
        toggle();
        return true;
    }));
    const std::vector<GLint> expected = {GL_FILL, GL_LINE, GL_FILL, GL_LINE, GL_FILL, GL_LINE, GL_LINE};
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(modes[i], expected[i]) << "call " << i;
        EXPECT_EQ(flags[i], expected[i] == GL_LINE) << "call " << i;
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

TEST_F(CameraInput, RadiusWarningTwiceOutsideAndNeverOnTheBoundary)
{
    // The region's radius is the eye's distance from the pivot (0, 0, -5) at
    // construction: 5 exactly from the origin.
    setCameraPosition(glm::vec3(0.0f));
    Camera& cam = makeCamera();
    ASSERT_EQ(cam.getRadius(), 5.0f);
    ASSERT_EQ(cam.getPivot(), glm::vec3(0.0f, 0.0f, -5.0f));

    auto warnings = [&](glm::vec3 position) { return stdoutOf([&] { cam.checkRadius(position); }); };
    EXPECT_EQ(warnings(glm::vec3(0.0f, 0.0f, 1.0f)), "out of camera radius\nout of camera radius\n");
    EXPECT_EQ(warnings(glm::vec3(3.0f, 4.00001f, -5.0f)), "out of camera radius\nout of camera radius\n");
    // On the boundary: distance 5 exactly (3-4-5), and the eye's own start.
    EXPECT_EQ(warnings(glm::vec3(3.0f, 4.0f, -5.0f)), "");
    EXPECT_EQ(warnings(glm::vec3(0.0f, 0.0f, 0.0f)), "");
    EXPECT_EQ(warnings(glm::vec3(0.0f, -5.0f, -5.0f)), "");
    EXPECT_EQ(warnings(glm::vec3(0.0f, 0.0f, -5.0f)), "");
}

TEST_F(CameraInput, EyeOnTheFocusLeavesEveryControlWithoutEffect)
{
    auto* body = new RecordingBody;
    Camera& cam = makeCamera(body);
    const glm::mat4 bodyStart = glm::translate(glm::mat4(1.0f), glm::vec3(7.0f, 7.0f, 7.0f));
    body->setModelMatrix(bodyStart);
    const glm::vec3 point(1.0f, 2.0f, 3.0f);
    const glm::vec3 up(0.0f, 1.0f, 0.0f);

    auto expectUnchanged = [&](const char* what) {
        EXPECT_EQ(getCameraPosition(), point) << what;
        EXPECT_EQ(getCameraFocus(), point) << what;
        EXPECT_EQ(getCameraUp(), up) << what;
        EXPECT_TRUE(finite(getCameraPosition()) && finite(getCameraFocus()) && finite(getCameraUp())) << what;
    };

    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(whileFocused([&] {
        place(point, point, up);
        glfwSetCursorPos(window, 512 + 100, 384 + 30);
        glfwGetCursorPos(window, &x, &y);
        cam.mouseOrbit();
        return true;
    }));
    ASSERT_EQ(x, 612.0) << "the cursor was not off centre, so the orbit proves nothing";
    expectUnchanged("orbit");

    scrollCallback(window, 0.0, 1.0);
    cam.scrollZoom();
    expectUnchanged("zoom in");
    scrollCallback(window, 0.0, -1.0);
    cam.scrollZoom();
    expectUnchanged("zoom out");

    ASSERT_TRUE(whileFocused([&] {
        body->setModelMatrix(bodyStart);
        place(point, point, up);
        if (!holdKey("w", GLFW_KEY_W) || !holdKey("d", GLFW_KEY_D)) {
            return false;
        }
        cam.keyboardMove(0.5);
        return true;
    }));
    expectUnchanged("keyboard");
    EXPECT_EQ(body->getPosition(), glm::vec3(7.0f, 7.0f, 7.0f));

    // Looking straight along the up vector has no side direction either.
    const glm::vec3 above(0.0f, 10.0f, 0.0f);
    ASSERT_TRUE(whileFocused([&] {
        body->setModelMatrix(bodyStart);
        place(above, glm::vec3(0.0f), up);
        if (!holdKey("w", GLFW_KEY_W)) {
            return false;
        }
        cam.keyboardMove(0.5);
        glfwSetCursorPos(window, 512 + 100, 384 + 30);
        cam.mouseOrbit();
        return true;
    }));
    EXPECT_EQ(getCameraPosition(), above);
    EXPECT_EQ(getCameraFocus(), glm::vec3(0.0f));
    EXPECT_EQ(getCameraUp(), up);
    EXPECT_EQ(body->getPosition(), glm::vec3(7.0f, 7.0f, 7.0f));
}

// Without a window, or in one too small to have a centre away from its edge,
// the orbit has nothing to measure the cursor against: the camera stays.
TEST_F(CameraInput, OrbitWithoutAWindowOrInATinyOneLeavesTheCameraAlone)
{
    const glm::vec3 eye(1.0f, 2.0f, 10.0f);
    const glm::vec3 focus(0.5f, -1.0f, 0.0f);
    const glm::vec3 up(0.0f, 1.0f, 0.0f);
    const struct {
        GLFWwindow* window;
        unsigned width;
        unsigned height;
    } cases[] = {{nullptr, 1024, 768}, {window, 1, 768}, {window, 1024, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + (c.window ? "" : ", no window"));
        camera = std::make_unique<Camera>(c.window, new Asset(false, false, 0), c.width, c.height);
        place(eye, focus, up);
        camera->mouseOrbit();
        EXPECT_EQ(getCameraPosition(), eye);
        EXPECT_EQ(getCameraFocus(), focus);
        EXPECT_EQ(getCameraUp(), up);
    }
}
