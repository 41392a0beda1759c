#include "app/GLState.h"

#include "app/Console.h"

#include <cstdlib>

namespace {

// Debian's GLEW is built for GLX. Under GLFW's Wayland platform the context is
// an EGL one: glewInit loads every core entry point (glXGetProcAddress serves
// any context through the GL dispatch library) and only then reports that it
// found no GLX display for the GLX extensions, which the viewer never uses.
// That one status counts as loaded when the core entry points are there.
bool glewLoaded(GLenum status)
{
    if (status == GLEW_OK) {
        return true;
    }
    return status == GLEW_ERROR_NO_GLX_DISPLAY && GLEW_VERSION_3_3;
}

} // namespace

void initGL()
{
    glewExperimental = GL_TRUE;
    if (!glewLoaded(glewInit())) {
        printLine("glew initialization failed");
        std::exit(-1);
    }
    clearGLErrors();
    glEnable(GL_DEPTH_TEST);
    clearGLErrors();
    glDepthFunc(GL_LEQUAL);
    clearGLErrors();
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    clearGLErrors();
}

void clearGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

void pointAttribute(GLuint program, GLuint buffer, const char* name, GLint components)
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLint location = glGetAttribLocation(program, name);
    // A name the program lacks gives -1, which GL rejects here with an error
    // that the next clearGLErrors drains: intended, the attribute stays off.
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE, 0, nullptr);
}
