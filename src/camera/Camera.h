#pragma once
#include <glm/vec3.hpp>

struct GLFWwindow;
class Asset;

// GLFW scroll handler: collects the scroll offsets until a zoom consumes them.
void scrollCallback(GLFWwindow* window, double xoffset, double yoffset);
bool getScrolled();
double getScrollX();
double getScrollY();
// Empties the accumulator for the zoom control, returning whether anything
// arrived and the vertical sum.
void consumeScroll(bool& wasScrolled, double& accumulatedY);

// The camera object: the window it reads input from and the invisible body
// it moves with. Owns `m_body`.
class Camera {
public:
    Camera(GLFWwindow* window, Asset* body, unsigned width, unsigned height);
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // Interactive controls; the demonstration's frame loop calls none of them.
    // Where the eye sits on the focus the view direction is undefined, and
    // every control leaves the camera as it is.
    bool computeBasis(glm::vec3& forward, glm::vec3& back, glm::vec3& up, glm::vec3& down, glm::vec3& left,
                      glm::vec3& right);
    void mouseOrbit();
    void scrollZoom();
    void checkRadius(const glm::vec3& position);
    void keyboardMove(double dt);
    void toggleWireframe();

    Asset* getBody() const { return m_body; }
    float getRadius() const { return m_radius; }
    glm::vec3 getPivot() const { return m_pivot; }
    bool isWireframe() const { return m_wireframe; }

private:
    Asset* m_body;
    unsigned m_width;
    unsigned m_height;
    GLFWwindow* m_window;
    glm::vec3 m_pivot;
    float m_mouseSpeed;
    float m_moveSpeed;
    float m_radius;
    bool m_wireframe;
};
