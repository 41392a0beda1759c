#pragma once
// Shared by the fuzz targets that need the GL context: the context itself and
// a minimal program with the vertex attributes the model import looks up.
#include "FuzzFiles.h"

#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Loads the GL entry points for the shell's window, which static
// initialisation opened; exits when there is no window (no display).
void fuzzInitGL();

// A linked program declaring vertexPosition_modelspace, vertexNormals, uvs
// and tangents.
GLuint fuzzProgram();
