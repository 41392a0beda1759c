#pragma once
// Programs that tests link from their own GLSL sources.
#include "app/GLObject.h"

// A program linked from the given stages (geometry may be null). A stage that
// does not compile or a program that does not link is reported as a test
// failure with the driver's log; the latter gives no program.
GLProgram buildProgram(const char* vertex, const char* geometry, const char* fragment);
