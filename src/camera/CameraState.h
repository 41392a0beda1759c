#pragma once
// The camera's module-level state: the eye, the point looked at, the up
// direction, the fixed projection and the scripted flight that moves them.
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

// The eye, the point looked at and the up direction, shared by the frame
// loop, the uniform upload and the camera controls.
glm::mat4 getViewMatrix();
glm::mat4 getProjectionMatrix();
glm::vec3 getCameraPosition();
glm::vec3 getCameraFocus();
glm::vec3 getCameraUp();
void setCameraPosition(glm::vec3 position);
void setCameraFocus(glm::vec3 focus);
void setCameraUp(glm::vec3 up);

// Advances the scripted flight by dt seconds: three glides along -z separated
// by ten-second pauses, then rest. Eye and focus move together.
void updateCameraFlight(double dt);

// The flight's state, for inspection, and its reset to the start of the
// flight (state 0, both timers 0) for code that replays it. States 0 to 5
// are the pauses and glides in turn; the last one holds for good.
constexpr int flightAtRest = 6;
int getFlightState();
float getFlightTimer();
float getFlightProgress();
void resetCameraFlight();
