#pragma once
// GLSL from source text, for the programs the code builds for itself rather
// than from the scene's shader files.
#include "app/GLObject.h"

#include <GL/glew.h>

#include <string>

// The info log of a shader (glGetShaderiv, glGetShaderInfoLog) or of a
// program (glGetProgramiv, glGetProgramInfoLog); "" when it has none.
std::string infoLog(GLuint name, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog);

// Why a build failed: the stage that did not compile (0 when all did and the
// link failed) and the driver's log.
struct GLSLFailure {
    GLenum stage = 0;
    std::string log;
};
// The compiled stage; no shader (and *failure filled in) when it does not compile.
GLShader compileStage(GLenum stage, const char* source, GLSLFailure* failure = nullptr);
// A program linked from the stages (geometry may be null). No program, and
// no shader left behind, when a stage does not compile or the link fails.
GLProgram compileProgram(const char* vertex, const char* geometry, const char* fragment,
                         GLSLFailure* failure = nullptr);
