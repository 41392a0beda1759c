#pragma once
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

// The console pause after a fatal or noteworthy failure: waits for Enter when
// standard input is a terminal, and does nothing otherwise, so that tests,
// CI and headless runs can never hang on it.
void consolePause();
