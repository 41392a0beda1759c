#include "app/Window.h"

#include <GLFW/glfw3.h>

#include <cstdio>

Window::Window(int width, int height) : m_width(width), m_height(height)
{
    initGLFW();
    openWindow();
}

Window::~Window()
{
    glfwTerminate();
}

void Window::initGLFW()
{
    m_title = "KOV";
    m_initFailed = (glfwInit() == GLFW_FALSE);
    glfwWindowHint(GLFW_SAMPLES, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_REFRESH_RATE, 60);
}

int Window::openWindow()
{
    m_window = glfwCreateWindow(m_width, m_height, m_title.c_str(), nullptr, nullptr);
    if (m_window == nullptr) {
        std::fputs("Failed to open GLFW window. If you have an Intel GPU, they are not 3.3 "
                   "compatible. Try the 2.1 version of the tutorials.\n",
                   stderr);
        glfwTerminate();
        return 0;
    }
    glfwMakeContextCurrent(m_window);
    return 1;
}

GLFWwindow* Window::getWindow() const
{
    if (m_initFailed || m_window == nullptr) {
        return nullptr;
    }
    return m_window;
}
