#pragma once
// The GL state the viewer sets up once, and the small state changes its
// units share.
#include <GL/glew.h>

// Loads the GL entry points and sets the state that holds for the whole run;
// exits with status -1 when the entry points cannot be loaded.
void initGL();

// Reads and discards every pending GL error; prints nothing.
void clearGLErrors();

// Binds `buffer` to GL_ARRAY_BUFFER and points the program's attribute `name`
// at it: tightly packed floats, `components` per vertex, attribute enabled.
// A name the program lacks gives location -1; GL rejects the two calls and the
// error is left for the caller's next clearGLErrors.
void pointAttribute(GLuint program, GLuint buffer, const char* name, GLint components);
