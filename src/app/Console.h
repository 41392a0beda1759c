#pragma once
// What the viewer says on its console, and the pause after a failure.
#include <string>

// Writes text and an end-of-line to standard output, flushed at once so the
// console transcript keeps its order even when the process exits abruptly.
void printLine(const std::string& text);

// The console pause after a fatal or noteworthy failure. On Windows the
// command interpreter's "PAUSE". Elsewhere it waits for Enter when standard
// input is a terminal and does nothing otherwise, so that tests, CI and
// headless runs can never hang on it.
void consolePause();
