// A process that builds one GLSL program the way the scene setup does: the
// stage files named on the command line go into one ShaderLoader in order,
// and the scene setup's own linkSceneProgram links it (a failed link ends
// the process there).
//
// Standard output carries only the loader's own transcript. A summary for the
// tests goes to standard error:
//   status <m_status>          after every loadShader
//   shader <name> <GL type>    one per entry of the loader's shader list
//   attached <n>               shaders attached to the program before linking
//   linked <m_status>          after a link that did not end the process
#include "app/GLState.h"
#include "app/SceneSetup.h"
#include "shaderloader/ShaderLoader.h"

#include <GL/glew.h>

#include <iostream>

int main(int argc, char** argv)
{
    initGL();
    ShaderLoader loader;
    for (int i = 1; i < argc; ++i) {
        loader.loadShader(argv[i]);
        std::cerr << "status " << loader.getStatus() << std::endl;
    }
    for (GLuint shader : loader.getShaders()) {
        GLint type = 0;
        if (shader != 0 && glIsShader(shader)) {
            glGetShaderiv(shader, GL_SHADER_TYPE, &type);
        }
        std::cerr << "shader " << shader << " " << type << std::endl;
    }
    GLint attached = 0;
    glGetProgramiv(loader.getProgram(), GL_ATTACHED_SHADERS, &attached);
    std::cerr << "attached " << attached << std::endl;

    clearGLErrors();
    linkSceneProgram(loader);
    std::cerr << "linked " << loader.getStatus() << std::endl;
    return 0;
}
