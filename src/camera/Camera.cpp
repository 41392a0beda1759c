// The Camera object and the scroll accumulator its GLFW handler fills.
#include "camera/Camera.h"
#include "camera/CameraState.h"

#include "asset/Asset.h"

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

namespace {

bool scrolled = false;
double scrollX = 0.0;
double scrollY = 0.0;

} // namespace

void scrollCallback(GLFWwindow* /*window*/, double xoffset, double yoffset)
{
    scrolled = true;
    scrollX += xoffset;
    scrollY += yoffset;
}

bool getScrolled()
{
    return scrolled;
}
double getScrollX()
{
    return scrollX;
}
double getScrollY()
{
    return scrollY;
}

void consumeScroll(bool& wasScrolled, double& accumulatedY)
{
    wasScrolled = scrolled;
    accumulatedY = scrollY;
    scrollX = 0.0;
    scrollY = 0.0;
    scrolled = false;
}

Camera::Camera(GLFWwindow* window, Asset* body, unsigned width, unsigned height)
    : m_body(body), m_width(width), m_height(height), m_window(window), m_pivot(0.0f, 0.0f, -5.0f),
      m_mouseSpeed(5.0f), m_moveSpeed(5.0f), m_radius(glm::length(m_pivot - getCameraPosition())),
      m_wireframe(false)
{
    if (m_window != nullptr) {
        glfwSetScrollCallback(m_window, scrollCallback);
    }
}

Camera::~Camera()
{
    delete m_body;
}
