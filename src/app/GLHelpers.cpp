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
