#include "app/GLSL.h"

#include <utility>
#include <vector>

std::string infoLog(GLuint name, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog)
{
    GLint length = 0;
    getParameter(name, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0) {
        return std::string();
    }
    std::string buffer(static_cast<size_t>(length), '\0');
    getLog(name, length, nullptr, buffer.data());
    return std::string(buffer.c_str());
}

namespace {

// Whether the shader's or program's `status` is GL_TRUE; if not, *failure
// (when given) names `stage` and holds the log.
bool succeeded(GLuint name, GLenum status, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog,
               GLenum stage, GLSLFailure* failure)
{
    GLint value = GL_FALSE;
    getParameter(name, status, &value);
    if (value != GL_TRUE && failure != nullptr) {
        *failure = {stage, infoLog(name, getParameter, getLog)};
    }
    return value == GL_TRUE;
}

} // namespace

GLShader compileStage(GLenum stage, const char* source, GLSLFailure* failure)
{
    GLShader shader = GLShader::wrap(glCreateShader(stage));
    glShaderSource(shader.id(), 1, &source, nullptr);
    glCompileShader(shader.id());
    if (!succeeded(shader.id(), GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, stage, failure)) {
        shader.reset();
    }
    return shader;
}

GLProgram compileProgram(const char* vertex, const char* geometry, const char* fragment, GLSLFailure* failure)
{
    std::vector<GLShader> shaders;
    for (const auto& [stage, source] :
         {std::pair{GL_VERTEX_SHADER, vertex}, std::pair{GL_GEOMETRY_SHADER, geometry},
          std::pair{GL_FRAGMENT_SHADER, fragment}}) {
        if (source != nullptr) {
            shaders.push_back(compileStage(stage, source, failure));
            if (!shaders.back()) {
                return GLProgram();
            }
        }
    }
    GLProgram program = GLProgram::create();
    for (const GLShader& shader : shaders) {
        glAttachShader(program.id(), shader.id());
    }
    glLinkProgram(program.id());
    // The shaders' owners delete them on return; GL frees them with the program.
    if (!succeeded(program.id(), GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, 0, failure)) {
        program.reset();
    }
    return program;
}
