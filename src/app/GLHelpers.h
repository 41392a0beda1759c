#pragma once
#include "app/GLObject.h"

#include <GL/glew.h>

#include <string>

// Writes text and an end-of-line to standard output, flushed at once so the
// console transcript keeps its order even when the process exits abruptly.
void printLine(const std::string& text);

// Reads and discards every pending GL error; prints nothing.
void clearGLErrors();

// Binds `buffer` to GL_ARRAY_BUFFER and points the program's attribute `name`
// at it: tightly packed floats, `components` per vertex, attribute enabled.
// A name the program lacks gives location -1; GL rejects the two calls and the
// error is left for the caller's next clearGLErrors.
void pointAttribute(GLuint program, GLuint buffer, const char* name, GLint components);

// The console pause after a fatal or noteworthy failure. On Windows the
// command interpreter's "PAUSE". Elsewhere it waits for Enter when standard
// input is a terminal and does nothing otherwise, so that tests, CI and
// headless runs can never hang on it.
void consolePause();

// Sends standard output to the null device (both C and C++ streams flushed first)
// and returns a descriptor of what it was, for restoreStandardOutput; -1 when
// it could not be saved.
int discardStandardOutput();
void restoreStandardOutput(int saved);

// The info log of a shader (glGetShaderiv, glGetShaderInfoLog) or of a
// program (glGetProgramiv, glGetProgramInfoLog); "" when it has none.
std::string infoLog(GLuint name, PFNGLGETSHADERIVPROC getParameter, PFNGLGETSHADERINFOLOGPROC getLog);

// GLSL from source text, for the programs the code builds for itself rather
// than from the scene's shader files. Why a build failed: the stage that did
// not compile (0 when all did and the link failed) and the driver's log.
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
