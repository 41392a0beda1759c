#include "app/StandardOutput.h"

// The C runtime's descriptor calls go by their POSIX names on Windows too
// (MinGW-w64 and MSVC both declare them in <io.h>; MSVC would call them
// deprecated).
#ifdef _WIN32
#define _CRT_NONSTDC_NO_DEPRECATE
#include <io.h>
#else
#include <unistd.h>
#endif
#include <fcntl.h>

#include <cstdio>
#include <iostream>

namespace {

#ifdef _WIN32
const char* const nullDevice = "NUL";
#else
const char* const nullDevice = "/dev/null";
#endif

} // namespace

int discardStandardOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    const int standardOutput = fileno(stdout);
    const int saved = dup(standardOutput);
    const int devNull = open(nullDevice, O_WRONLY);
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
