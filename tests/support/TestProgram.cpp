#include "support/TestProgram.h"

#include "app/GLObject.h"
#include "app/GLSL.h"

#include <gtest/gtest.h>

GLProgram buildProgram(const char* vertex, const char* geometry, const char* fragment)
{
    GLSLFailure failure;
    GLProgram program = compileProgram(vertex, geometry, fragment, &failure);
    if (!program) {
        ADD_FAILURE() << (failure.stage != 0 ? "stage does not compile: " : "program does not link: ")
                      << failure.log;
    }
    return program;
}
