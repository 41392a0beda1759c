#include "app/Console.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#ifndef _WIN32
#include <unistd.h>
#endif

void printLine(const std::string& text)
{
    std::cout << text << std::endl;
}

void consolePause()
{
#ifdef _WIN32
    // The command interpreter's own pause: its prompt, then any key (it
    // returns at once when standard input is at its end).
    std::cout.flush();
    std::system("PAUSE");
#else
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    std::cout << "Press Enter to continue..." << std::endl;
    int c;
    do {
        c = std::getchar();
    } while (c != '\n' && c != EOF);
#endif
}
