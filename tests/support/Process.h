#pragma once
#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Runs a real process with its standard output and error captured.
struct ProcessResult {
    int exitCode = -1; // valid when exited
    bool exited = false; // ended through exit()
    int signal = 0; // the signal that ended it, if any
    bool timedOut = false; // killed by the runner after the time limit
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::string workingDirectory;
    // Variables to set (a value) or remove (nullopt) in the child.
    std::map<std::string, std::optional<std::string>> environment;
    double timeoutSeconds = 60.0;
    // Called in the parent once the child runs, with its pid; the child keeps
    // running while it works (for example, to press a key in its window).
    std::function<void(pid_t)> whileRunning;
    // Standard input: /dev/null unless set.
    std::optional<std::string> stdinPath;
};

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options);

// For a test of state that a process sets up once (a singleton's first use,
// for example): true in a process of the test's own, where the caller then
// runs the test's body. Called in the test's process, runs this executable
// again with only the current test (on a virtual display of its own),
// expects that to pass, and is false: the body must not run there, whatever
// earlier tests did to the process.
bool inProcessOfItsOwn();

// What a shell command writes to standard output ("" when it cannot run).
std::string shellOutput(const std::string& command);

// True once the process has ended (it may not have been waited for yet).
bool processGone(pid_t pid);

// Lines of `text`, without their line feeds.
std::vector<std::string> splitLines(const std::string& text);
