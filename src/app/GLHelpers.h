#pragma once
#include <string>

// Writes text and an end-of-line to standard output, flushed at once so the
// console transcript keeps its order even when the process exits abruptly.
void printLine(const std::string& text);

// Reads and discards every pending GL error; prints nothing.
void clearGLErrors();

// The console pause after a fatal or noteworthy failure: waits for Enter when
// standard input is a terminal, and does nothing otherwise, so that tests,
// CI and headless runs can never hang on it.
void consolePause();
