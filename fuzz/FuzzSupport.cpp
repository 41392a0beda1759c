#include "FuzzSupport.h"

#include "app/AppState.h"

#include <cstdio>
#include <cstdlib>

namespace {

GLuint compile(GLenum stage, const char* source)
{
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == 0) {
        std::fprintf(stderr, "fuzz program does not compile\n");
        std::abort();
    }
    return shader;
}

} // namespace

void fuzzInitGL()
{
    if (appWindow.getWindow() == nullptr) {
        std::fprintf(stderr, "no window: run the fuzzer under scripts/own-display.sh\n");
        std::exit(1);
    }
    initGL();
}

GLuint fuzzProgram()
{
    static const GLuint program = [] {
        const GLuint vertex = compile(GL_VERTEX_SHADER, R"(#version 330 core
in vec3 vertexPosition_modelspace;
in vec3 vertexNormals;
in vec2 uvs;
in vec3 tangents;
out vec4 mixed;
void main() {
    mixed = vec4(vertexNormals + tangents, uvs.x + uvs.y);
    gl_Position = vec4(vertexPosition_modelspace, 1.0);
})");
        const GLuint fragment = compile(GL_FRAGMENT_SHADER, R"(#version 330 core
in vec4 mixed;
out vec4 colour;
void main() { colour = mixed; })");
        const GLuint p = glCreateProgram();
        glAttachShader(p, vertex);
        glAttachShader(p, fragment);
        glLinkProgram(p);
        GLint ok = 0;
        glGetProgramiv(p, GL_LINK_STATUS, &ok);
        if (ok == 0) {
            std::fprintf(stderr, "fuzz program does not link\n");
            std::abort();
        }
        return p;
    }();
    return program;
}
