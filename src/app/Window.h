#pragma once
#include <string>

struct GLFWwindow;

// The one application window and its GL context. Owns the GLFW window; its
// destructor terminates GLFW, which destroys the window and the context.
class Window {
public:
    Window(int width, int height);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void initGLFW();
    int openWindow();

    // Null when GLFW failed to initialise or the window could not be opened.
    GLFWwindow* getWindow() const;
    int getWidth() const { return m_width; }
    int getHeight() const { return m_height; }

private:
    GLFWwindow* m_window = nullptr;
    bool m_initFailed = false;
    int m_width;
    int m_height;
    std::string m_title;
};
