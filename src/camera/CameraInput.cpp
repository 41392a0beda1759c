#include "app/Console.h"
#include "asset/Asset.h"
#include "camera/Camera.h"
#include "camera/CameraState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/constants.hpp>
#include <glm/geometric.hpp>

#include <cmath>

namespace {

const double pi = glm::pi<double>();
const double cursorStep = 250.0;
const float nearestZoom = 3.0f;
const float farthestZoom = 150.0f;
const double substituteTimeStep = 1.0e-7;

bool pressed(GLFWwindow* window, int key)
{
    return window != nullptr && glfwGetKey(window, key) == GLFW_PRESS;
}

bool finite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

bool Camera::computeBasis(glm::vec3& forward, glm::vec3& back, glm::vec3& up, glm::vec3& down, glm::vec3& left,
                          glm::vec3& right)
{
    const glm::vec3 eyeToFocus = getCameraFocus() - getCameraPosition();
    const glm::vec3 side = glm::cross(eyeToFocus, getCameraUp());
    // With the eye on the focus (or looking along the up vector) no basis
    // exists; the outputs are left untouched rather than filled with NaN.
    if (glm::length(eyeToFocus) == 0.0f || glm::length(side) == 0.0f) {
        return false;
    }
    const glm::vec3 f = glm::normalize(eyeToFocus);
    const glm::vec3 r = glm::normalize(glm::cross(f, getCameraUp()));
    const glm::vec3 u = glm::normalize(glm::cross(r, f));
    if (!finite(f) || !finite(r) || !finite(u)) {
        return false;
    }
    forward = f;
    back = -f;
    right = r;
    left = -r;
    up = u;
    down = -u;
    return true;
}

void Camera::mouseOrbit()
{
    // No window to read, or no centre to measure from: a window narrower or
    // lower than 2 pixels halves to 0, and the offsets would divide by it.
    if (m_window == nullptr || m_width < 2 || m_height < 2) {
        return;
    }
    glfwSetInputMode(m_window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
    double xpos = 0.0;
    double ypos = 0.0;
    glfwGetCursorPos(m_window, &xpos, &ypos);
    const unsigned halfWidth = m_width / 2;
    const unsigned halfHeight = m_height / 2;
    glfwSetCursorPos(m_window, halfWidth, halfHeight);
    const double dx = (xpos - halfWidth) / halfWidth * pi;
    const double dy = (ypos - halfHeight) / halfHeight * pi;
    if (dx == 0.0 && dy == 0.0) {
        return;
    }
    glm::vec3 forward, back, up, down, left, right;
    if (!computeBasis(forward, back, up, down, left, right)) {
        return;
    }
    glm::vec3 cameraposition = getCameraPosition() - getCameraFocus();
    const glm::vec3 cameraOffsetUp = up * static_cast<float>(dy) * m_mouseSpeed / 5.0f;
    // `left` with dx is intended: the eye moves left, so the view turns right, after the cursor.
    const glm::vec3 cameraOffsetRight = left * static_cast<float>(dx) * m_mouseSpeed / 5.0f;
    const float d0 = glm::length(cameraposition);
    cameraposition += cameraOffsetUp + cameraOffsetRight;
    const float d1 = glm::length(cameraposition);
    if (d1 == 0.0f) {
        return;
    }
    cameraposition *= d0 / d1;
    setCameraPosition(getCameraFocus() + cameraposition);
    setCameraUp(up);
}

void Camera::scrollZoom()
{
    if (!getScrolled()) {
        return;
    }
    bool wasScrolled = false;
    double accumulatedY = 0.0;
    consumeScroll(wasScrolled, accumulatedY);
    glm::vec3 cameraPos = getCameraPosition() - getCameraFocus();
    const float distance = glm::length(cameraPos);
    if (distance == 0.0f) {
        return;
    }
    const glm::vec3 scrollAddition = glm::normalize(cameraPos);
    if (accumulatedY > 0.0 && distance > nearestZoom) {
        cameraPos -= scrollAddition;
    } else if (accumulatedY < 0.0 && distance <= farthestZoom) {
        cameraPos += scrollAddition;
    }
    setCameraPosition(getCameraFocus() + cameraPos);
}

// Two tests of one distance, so a point outside prints the line twice: intended.
void Camera::checkRadius(const glm::vec3& position)
{
    if (glm::distance(position, m_pivot) > m_radius) {
        printLine("out of camera radius");
    }
    const glm::vec3 diffCamFocus = position - m_pivot;
    if (glm::length(diffCamFocus) > m_radius) {
        printLine("out of camera radius");
    }
}

void Camera::keyboardMove(double dt)
{
    glm::vec3 forward, back, up, down, left, right;
    if (!computeBasis(forward, back, up, down, left, right)) {
        return;
    }
    glm::vec3 cameraposition = getCameraPosition();
    glm::vec3 movement(0.0f);

    if (pressed(m_window, GLFW_KEY_E)) {
        glfwSetInputMode(m_window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
        double xpos = 0.0;
        double ypos = 0.0;
        glfwGetCursorPos(m_window, &xpos, &ypos);
        glfwSetCursorPos(m_window, xpos + cursorStep * dt, ypos);
    }
    if (pressed(m_window, GLFW_KEY_Q)) {
        glfwSetInputMode(m_window, GLFW_CURSOR, GLFW_CURSOR_HIDDEN);
        double xpos = 0.0;
        double ypos = 0.0;
        glfwGetCursorPos(m_window, &xpos, &ypos);
        glfwSetCursorPos(m_window, xpos - cursorStep * dt, ypos);
    }
    if (pressed(m_window, GLFW_KEY_SPACE) || pressed(m_window, GLFW_KEY_DOWN) || pressed(m_window, GLFW_KEY_S)) {
        // Only moving back replaces a zero time step, by one too short to
        // show: intended, kept as the controls have it.
        if (dt == 0.0) {
            dt = substituteTimeStep;
        }
        movement += back;
    }
    if (pressed(m_window, GLFW_KEY_RIGHT) || pressed(m_window, GLFW_KEY_D)) {
        movement += right;
    }
    if (pressed(m_window, GLFW_KEY_LEFT) || pressed(m_window, GLFW_KEY_A)) {
        movement += left;
    }
    if (pressed(m_window, GLFW_KEY_LEFT_SHIFT) || pressed(m_window, GLFW_KEY_UP) ||
        pressed(m_window, GLFW_KEY_W)) {
        movement += forward;
    }
    cameraposition += movement * m_moveSpeed * static_cast<float>(dt);
    if (m_body != nullptr) {
        m_body->translate(static_cast<float>(dt), movement * m_moveSpeed);
        setCameraFocus(m_body->getPosition());
    }
    setCameraPosition(cameraposition);
}

// Flips on every call while F3 is held (no edge detection): intended.
void Camera::toggleWireframe()
{
    if (!pressed(m_window, GLFW_KEY_F3)) {
        return;
    }
    if (m_wireframe) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        m_wireframe = false;
    } else {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        m_wireframe = true;
    }
}
