// The camera's module-level state: the eye, the point looked at and the up
// direction, the fixed projection and the scripted flight that moves them.
// Plain arithmetic on glm values: nothing here needs a window or a GL context.
#include "camera/CameraState.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/trigonometric.hpp>

namespace {

glm::vec3 cameraPosition(0.0f, 1.0f, 0.0f);
glm::vec3 cameraFocus(0.2f, 1.0f, -1.0f);
glm::vec3 cameraUp(0.0f, 1.0f, 0.0f);

const float fieldOfView = 30.0f;
const float aspectRatio = 4.0f / 3.0f;
const float nearPlane = 0.1f;
const float farPlane = 100000.0f;
// Built once before main; the aspect ratio stays 4:3 whatever the window does.
const glm::mat4 projectionMatrix = glm::perspective(glm::radians(fieldOfView), aspectRatio, nearPlane, farPlane);

int flightState = 0;
float flightTimer = 0.0f;
float flightProgress = 0.0f;

} // namespace

glm::mat4 getViewMatrix()
{
    return glm::lookAt(cameraPosition, cameraFocus, cameraUp);
}

glm::mat4 getProjectionMatrix()
{
    return projectionMatrix;
}

glm::vec3 getCameraPosition()
{
    return cameraPosition;
}
glm::vec3 getCameraFocus()
{
    return cameraFocus;
}
glm::vec3 getCameraUp()
{
    return cameraUp;
}
void setCameraPosition(glm::vec3 position)
{
    cameraPosition = position;
}
void setCameraFocus(glm::vec3 focus)
{
    cameraFocus = focus;
}
void setCameraUp(glm::vec3 up)
{
    cameraUp = up;
}

int getFlightState()
{
    return flightState;
}
float getFlightTimer()
{
    return flightTimer;
}
float getFlightProgress()
{
    return flightProgress;
}

void resetCameraFlight()
{
    flightState = 0;
    flightTimer = 0.0f;
    flightProgress = 0.0f;
}

namespace {

// One pause: after ten seconds the next state begins.
void pause(int nextState)
{
    if (flightTimer >= 10.0f) {
        flightTimer = 0.0f;
        flightProgress = 0.0f;
        flightState = nextState;
    }
}

// One glide: moves until its progress passes `length`; the frame that ends it
// moves nothing.
void glide(double dt, float length, double speed, double rise, int nextState, glm::vec3& camPos)
{
    if (flightProgress > length) {
        flightState = nextState;
        flightProgress = 0.0f;
        flightTimer = 0.0f;
        return;
    }
    flightProgress += speed * dt;
    camPos = glm::vec3(0.0f, static_cast<float>(rise * dt), static_cast<float>(-speed * dt));
}

} // namespace

void updateCameraFlight(double dt)
{
    glm::vec3 camPos(0.0f, 0.0f, 0.0f);
    switch (flightState) {
    case 0: pause(1); break;
    case 1: glide(dt, 5.5f, 0.2, 0.0, 2, camPos); break;
    case 2: pause(3); break;
    case 3: glide(dt, 6.5f, 0.2, 0.002, 4, camPos); break;
    case 4: pause(5); break;
    case 5: glide(dt, 2.0f, 0.1, 0.0, flightAtRest, camPos); break;
    default: break;
    }
    cameraFocus += camPos;
    cameraPosition += camPos;
    flightTimer += dt;
}
