#pragma once
#include "support/NonCopyable.h"

#include <functional>
#include <string>

// Captures what the process writes to standard output from construction on:
// text() ends the capture and returns it; an object destroyed before text()
// discards it (the loaders and destructors echo freely, and a test keeps
// its own output readable).
class CapturedStdout : NonCopyable {
public:
    CapturedStdout();
    ~CapturedStdout();

    // What was written since construction; the capture ends at the first call.
    const std::string& text();

private:
    bool m_capturing = true;
    std::string m_text;
};

// What `action` writes to standard output.
std::string stdoutOf(const std::function<void()>& action);
