#include "FuzzSupport.h"

#include "app/AppState.h"
#include "app/GLObject.h"
#include "app/GLSL.h"
#include "app/GLState.h"

#include <cstdio>
#include <cstdlib>

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
        GLSLFailure failure;
        GLProgram built = compileProgram(R"(#version 330 core
in vec3 vertexPosition_modelspace;
in vec3 vertexNormals;
in vec2 uvs;
in vec3 tangents;
out vec4 mixed;
void main() {
    mixed = vec4(vertexNormals + tangents, uvs.x + uvs.y);
    gl_Position = vec4(vertexPosition_modelspace, 1.0);
})",
                                         nullptr, R"(#version 330 core
in vec4 mixed;
out vec4 colour;
void main() { colour = mixed; })",
                                         &failure);
        if (!built) {
            std::fprintf(stderr, "fuzz program does not build: %s\n", failure.log.c_str());
            std::abort();
        }
        return built.release(); // kept for the whole run
    }();
    return program;
}
