#include "app/GLHelpers.h"

#include <GL/glew.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

void printLine(const std::string& text)
{
    std::cout << text << std::endl;
}

void clearGLErrors()
{
    while (glGetError() != GL_NO_ERROR) {
    }
}

void consolePause()
{
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    std::cout << "Press Enter to continue..." << std::endl;
    int c;
    do {
        c = std::getchar();
    } while (c != '\n' && c != EOF);
}

void pointAttribute(GLuint program, GLuint buffer, const char* name, GLint components)
{
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLint location = glGetAttribLocation(program, name);
    glEnableVertexAttribArray(static_cast<GLuint>(location));
    glVertexAttribPointer(static_cast<GLuint>(location), components, GL_FLOAT, GL_FALSE, 0, nullptr);
}
