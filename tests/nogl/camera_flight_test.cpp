// The scripted camera flight driven with chosen time steps, and the view
// matrix: arithmetic on the camera's vectors, with no window.
#include "camera/CameraState.h"

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// 1/64 s is exact in binary, so the pause timers count without rounding.
constexpr double step = 1.0 / 64.0;

const glm::vec3 startEye(0.0f, 0.6f, 2.0f);
const glm::vec3 startFocus(0.0f, 0.2f, -2.0f);

// The camera as the scene setup leaves it, at the start of the flight.
void startFlight()
{
    resetCameraFlight();
    setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
    setCameraPosition(startEye);
    setCameraFocus(startFocus);
}

// Frames of `dt` until the flight is in `state` (at most `limit` frames);
// the number of frames run.
int runUntilState(int state, double dt, int limit)
{
    int frames = 0;
    while (getFlightState() != state && frames < limit) {
        updateCameraFlight(dt);
        ++frames;
    }
    return frames;
}

} // namespace

TEST(CameraFlight, NominalTimetableDirectionAndFinalPosition)
{
    startFlight();
    const glm::vec3 direction = glm::normalize(glm::vec3(0.0f, -0.4f, -4.0f));

    // Frame number (1-based) in which each state is entered.
    std::vector<int> entered = {0};
    int previousState = getFlightState();
    float worstDirection = 0.0f;
    const int limit = static_cast<int>(200.0 / step);
    for (int frame = 1; frame <= limit && getFlightState() != flightAtRest; ++frame) {
        const glm::vec3 eyeBefore = getCameraPosition();
        updateCameraFlight(step);
        const int state = getFlightState();
        if (state != previousState) {
            ASSERT_EQ(state, previousState + 1) << "states follow each other in order";
            entered.push_back(frame);
            EXPECT_EQ(getCameraPosition(), eyeBefore) << "the frame that changes the state moves nothing";
            previousState = state;
        }
        const glm::vec3 now = glm::normalize(getCameraFocus() - getCameraPosition());
        worstDirection = std::max(worstDirection, glm::length(now - direction));
    }
    ASSERT_EQ(getFlightState(), flightAtRest) << "the flight did not come to rest within 200 s";
    ASSERT_EQ(entered.size(), 7u);

    // Pause 10 s, glide 27.5 s, pause 10 s, glide 32.5 s, pause 10 s,
    // glide 20 s. A glide stops one step after passing its length, and the
    // frame that changes the state counts to the state it leaves, so each
    // stretch may run up to two steps long, never short.
    const double nominal[6] = {10.0, 27.5, 10.0, 32.5, 10.0, 20.0};
    double total = 0.0;
    for (int s = 0; s < 6; ++s) {
        const double seconds = (entered[s + 1] - entered[s]) * step;
        total += seconds;
        EXPECT_GE(seconds, nominal[s] - 1e-9) << "state " << s;
        EXPECT_LE(seconds, nominal[s] + 2.0 * step + 1e-9) << "state " << s;
    }
    EXPECT_NEAR(total, 110.0, 12.0 * step);

    // Eye and focus received the same displacements all the way (both are
    // sums of thousands of float steps, near 16 a float step is 1e-6).
    EXPECT_LT(worstDirection, 5e-5f);

    // Displacement: a glide of length L in steps of s moves L/s + 1 steps
    // (the one that passes L); the progress is summed in float, so it may
    // pass L one step early. The rising glide climbs 0.002 for every 0.2
    // forward. Tolerances: the rounding of the positions' float sums.
    const double s1 = 0.2 * step;
    const double s5 = 0.1 * step;
    const double shortest = 5.5 + 6.5 + 2.0;
    const double longest = shortest + 2.0 * s1 + s5;
    const glm::vec3 eye = getCameraPosition();
    const glm::vec3 focus = getCameraFocus();
    EXPECT_NEAR(eye.x, 0.0f, 1e-6f);
    EXPECT_GE(startEye.z - eye.z, shortest - 5e-4);
    EXPECT_LE(startEye.z - eye.z, longest + 5e-4);
    EXPECT_GE(startFocus.z - focus.z, shortest - 5e-4);
    EXPECT_LE(startFocus.z - focus.z, longest + 5e-4);
    EXPECT_NEAR(eye.y - startEye.y, 0.065, 1e-4);
    EXPECT_NEAR(focus.y - startFocus.y, 0.065, 1e-4);

    // At rest for good: thousands of frames, and a huge one, move nothing.
    for (int i = 0; i < 20000; ++i) {
        updateCameraFlight(step);
    }
    updateCameraFlight(1.0e6);
    EXPECT_EQ(getFlightState(), flightAtRest);
    EXPECT_EQ(getCameraPosition(), eye);
    EXPECT_EQ(getCameraFocus(), focus);
    EXPECT_EQ(getCameraUp(), glm::vec3(0.0f, 1.0f, 0.0f)) << "the flight never touches the up vector";
}

TEST(CameraFlight, LargeAndZeroTimeSteps)
{
    // A slow first frame in the opening pause only runs the timer.
    startFlight();
    updateCameraFlight(1000.0);
    EXPECT_EQ(getFlightState(), 0);
    EXPECT_EQ(getFlightTimer(), 1000.0f);
    EXPECT_EQ(getFlightProgress(), 0.0f);
    EXPECT_EQ(getCameraPosition(), startEye);
    EXPECT_EQ(getCameraFocus(), startFocus);
    // The next frame finds the pause over: it changes the state and moves
    // nothing, and its time step counts in the new state.
    updateCameraFlight(0.5);
    EXPECT_EQ(getFlightState(), 1);
    EXPECT_EQ(getFlightTimer(), 0.5f);
    EXPECT_EQ(getFlightProgress(), 0.0f);
    EXPECT_EQ(getCameraPosition(), startEye);

    // dt = 0 in the middle of a pause and of a glide changes nothing.
    startFlight();
    for (int i = 0; i < 320; ++i) {
        updateCameraFlight(step);
    }
    ASSERT_EQ(getFlightState(), 0);
    const float timerInPause = getFlightTimer();
    updateCameraFlight(0.0);
    EXPECT_EQ(getFlightState(), 0);
    EXPECT_EQ(getFlightTimer(), timerInPause);
    EXPECT_EQ(getCameraPosition(), startEye);

    runUntilState(1, step, 10000);
    for (int i = 0; i < 100; ++i) {
        updateCameraFlight(step);
    }
    ASSERT_EQ(getFlightState(), 1);
    const glm::vec3 eye = getCameraPosition();
    const glm::vec3 focus = getCameraFocus();
    const float timer = getFlightTimer();
    const float progress = getFlightProgress();
    EXPECT_LT(eye.z, startEye.z) << "the glide has moved the camera";
    updateCameraFlight(0.0);
    EXPECT_EQ(getFlightState(), 1);
    EXPECT_EQ(getCameraPosition(), eye);
    EXPECT_EQ(getCameraFocus(), focus);
    EXPECT_EQ(getFlightTimer(), timer);
    EXPECT_EQ(getFlightProgress(), progress);

    // A state change whose test already holds happens even with dt = 0:
    // the pause timer at exactly 10 s.
    startFlight();
    for (int i = 0; i < 640; ++i) {
        updateCameraFlight(step);
    }
    ASSERT_EQ(getFlightState(), 0);
    ASSERT_EQ(getFlightTimer(), 10.0f);
    updateCameraFlight(0.0);
    EXPECT_EQ(getFlightState(), 1);
    EXPECT_EQ(getFlightTimer(), 0.0f);
    EXPECT_EQ(getCameraPosition(), startEye);

    // Glide speeds: 0.2 units a second forward in the first glide, with the
    // second rising 0.002 a second and the last at 0.1.
    startFlight();
    runUntilState(1, step, 10000);
    glm::vec3 before = getCameraPosition();
    updateCameraFlight(0.25);
    EXPECT_NEAR(getCameraPosition().z - before.z, -0.05f, 1e-6f);
    EXPECT_EQ(getCameraPosition().y, before.y);
    runUntilState(3, step, 100000);
    before = getCameraPosition();
    updateCameraFlight(0.25);
    EXPECT_NEAR(getCameraPosition().z - before.z, -0.05f, 1e-6f);
    EXPECT_NEAR(getCameraPosition().y - before.y, 0.0005f, 1e-6f);
    runUntilState(5, step, 100000);
    before = getCameraPosition();
    updateCameraFlight(0.25);
    EXPECT_NEAR(getCameraPosition().z - before.z, -0.025f, 1e-6f);
    EXPECT_EQ(getCameraPosition().y, before.y);
}

TEST(CameraMatrices, ViewMatrixIsLookAtOfTheCurrentVectors)
{
    const glm::vec3 eye(1.0f, 2.0f, 3.0f);
    const glm::vec3 focus(-1.0f, 0.5f, -4.0f);
    const glm::vec3 up(0.1f, 1.0f, 0.2f);
    setCameraPosition(eye);
    setCameraFocus(focus);
    setCameraUp(up);
    EXPECT_EQ(getCameraPosition(), eye);
    EXPECT_EQ(getCameraFocus(), focus);
    EXPECT_EQ(getCameraUp(), up);
    EXPECT_EQ(getViewMatrix(), glm::lookAt(eye, focus, up));
    // It follows every change at once.
    setCameraPosition(startEye);
    setCameraFocus(startFocus);
    setCameraUp(glm::vec3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(getViewMatrix(), glm::lookAt(startEye, startFocus, glm::vec3(0.0f, 1.0f, 0.0f)));
    // The eye lands on the view's origin.
    const glm::vec4 atEye = getViewMatrix() * glm::vec4(startEye, 1.0f);
    EXPECT_NEAR(glm::length(glm::vec3(atEye)), 0.0f, 1e-6f);
}
