#pragma once
// Programs that tests link from their own GLSL sources.
#include "app/GLObject.h"

// compileProgram, with a stage that does not compile or a program that does
// not link reported as a test failure with the driver's log.
GLProgram buildProgram(const char* vertex, const char* geometry, const char* fragment);
