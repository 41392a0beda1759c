#pragma once
// Shared by the fuzz targets that need the GL context: a private temporary
// directory for the files they write, and a minimal program with the vertex
// attributes the model import looks up.
#include <GL/glew.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Loads the GL entry points for the shell's window, which static
// initialisation opened; exits when there is no window (no display).
void fuzzInitGL();

// Writes `size` bytes to `name` inside the fuzzer's temporary directory and
// gives the full path.
std::string writeFuzzFile(const std::string& name, const uint8_t* data, size_t size);

// A linked program declaring vertexPosition_modelspace, vertexNormals, uvs
// and tangents.
GLuint fuzzProgram();
