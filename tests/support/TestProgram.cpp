#include "support/TestProgram.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

GLuint compileStage(GLenum stage, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
        ADD_FAILURE() << "stage does not compile: " << log;
    }
    return shader;
}

} // namespace

GLProgram buildProgram(const char* vertex, const char* geometry, const char* fragment)
{
    GLProgram program = GLProgram::create();
    std::vector<GLuint> shaders = {compileStage(GL_VERTEX_SHADER, vertex),
                                   compileStage(GL_FRAGMENT_SHADER, fragment)};
    if (geometry != nullptr) {
        shaders.push_back(compileStage(GL_GEOMETRY_SHADER, geometry));
    }
    for (GLuint shader : shaders) {
        glAttachShader(program.id(), shader);
    }
    glLinkProgram(program.id());
    for (GLuint shader : shaders) {
        glDeleteShader(shader);
    }
    GLint ok = 0;
    glGetProgramiv(program.id(), GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[2048] = {};
        glGetProgramInfoLog(program.id(), sizeof(log), nullptr, log);
        ADD_FAILURE() << "program does not link: " << log;
        return GLProgram();
    }
    return program;
}
