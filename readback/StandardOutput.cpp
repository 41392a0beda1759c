#include "readback/StandardOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

int discardStandardOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    const int standardOutput = fileno(stdout);
    const int saved = dup(standardOutput);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
        dup2(devNull, standardOutput);
        close(devNull);
    }
    return saved;
}

void restoreStandardOutput(int saved)
{
    std::cout.flush();
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, fileno(stdout));
        close(saved);
    }
}
