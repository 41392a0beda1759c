#include "app/AppState.h"

#include "app/GLHelpers.h"

#include <cstdlib>

// Constructed in this order before main and destroyed in reverse at exit: the
// shader loaders delete their GL objects while the window's context still
// exists, and the window terminates GLFW after them.
std::vector<Asset*> assets;
std::vector<Asset*> assets2;
std::vector<Asset*> assets3;
std::vector<Texture*> textures;
Window appWindow(1024, 768);
ShaderLoader basicLightingShader;
static ShaderLoader spareShaderA; // never filled
ShaderLoader shadowShader;
ShaderLoader ambientShader;
ShaderLoader normalMappingShader;
static ShaderLoader spareShaderB; // never filled

Asset* cow = nullptr;
Camera* camera = nullptr;
GLuint fbo = 0;
GLuint depthBuffer = 0;

// Debian's GLEW is built for GLX. Under GLFW's Wayland platform the context is
// an EGL one: glewInit loads every core entry point (glXGetProcAddress serves
// any context through the GL dispatch library) and only then reports that it
// found no GLX display for the GLX extensions, which the viewer never uses.
// That one status counts as loaded when the core entry points are there.
static bool glewLoaded(GLenum status)
{
    if (status == GLEW_OK) {
        return true;
    }
    return status == GLEW_ERROR_NO_GLX_DISPLAY && GLEW_VERSION_3_3;
}

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
