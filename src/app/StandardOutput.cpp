#include "app/StandardOutput.h"

#include <fcntl.h>

#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The C runtime's descriptor calls, under their POSIX or their Windows names.
#ifdef _WIN32
const char* const nullDevice = "NUL";
int descriptorOf(FILE* stream)
{
    return _fileno(stream);
}
int duplicate(int fd)
{
    return _dup(fd);
}
int duplicateTo(int fd, int target)
{
    return _dup2(fd, target);
}
int openForWriting(const char* path)
{
    return _open(path, _O_WRONLY);
}
int closeDescriptor(int fd)
{
    return _close(fd);
}
#else
const char* const nullDevice = "/dev/null";
int descriptorOf(FILE* stream)
{
    return fileno(stream);
}
int duplicate(int fd)
{
    return dup(fd);
}
int duplicateTo(int fd, int target)
{
    return dup2(fd, target);
}
int openForWriting(const char* path)
{
    return open(path, O_WRONLY);
}
int closeDescriptor(int fd)
{
    return close(fd);
}
#endif

} // namespace

int discardStandardOutput()
{
    std::cout.flush();
    std::fflush(stdout);
    const int standardOutput = descriptorOf(stdout);
    const int saved = duplicate(standardOutput);
    const int devNull = openForWriting(nullDevice);
    if (devNull >= 0) {
        duplicateTo(devNull, standardOutput);
        closeDescriptor(devNull);
    }
    return saved;
}

void restoreStandardOutput(int saved)
{
    std::cout.flush();
    std::fflush(stdout);
    if (saved >= 0) {
        duplicateTo(saved, descriptorOf(stdout));
        closeDescriptor(saved);
    }
}
