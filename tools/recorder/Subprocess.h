#pragma once
// The recorder's helper programs (ffmpeg, ImageMagick's montage) run as child
// processes: found on PATH like a shell would, fed through a pipe, waited for.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

// The program a command name stands for: the name itself when it holds a
// slash, otherwise the first executable file of that name on PATH. Empty when
// there is none.
std::string findProgram(const std::string& name);

class Subprocess {
public:
    Subprocess() = default;
    ~Subprocess();
    Subprocess(const Subprocess&) = delete;
    Subprocess& operator=(const Subprocess&) = delete;

    // Starts `argv` (argv[0] a path from findProgram) with its standard input
    // a pipe from this process (`withInput`) or /dev/null; its standard output
    // and error are this process's standard error. False, with `error` set,
    // when it cannot be started.
    bool start(const std::vector<std::string>& argv, bool withInput, std::string& error);

    // Writes to the child's standard input; false once it stops reading (it
    // ended or closed its input).
    bool write(const void* data, size_t size);

    // Closes the input pipe and waits for the child. True when it exited with
    // status 0; otherwise `status` says how it ended.
    bool finish(std::string& status);

    // Ends a child that is still running (SIGTERM, then waits).
    void stop();

    bool running() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_input = -1;
};

// Runs `argv` to its end with standard input /dev/null. True when it exited
// with status 0; otherwise `error` says why not.
bool runToEnd(const std::vector<std::string>& argv, std::string& error);
