#pragma once
// What the benchmark reports say about the machine they ran on, and the
// process's own memory figures (Linux).
#include <string>

// The CPU's model name from /proc/cpuinfo; "unknown" where it has none.
std::string cpuModel();

// A kibibyte figure of /proc/self/status ("VmRSS", "VmHWM"); -1 when absent.
long statusKiB(const char* key);

// Resets the peak resident size (VmHWM) to the current one; false where the
// kernel does not allow it (then the peak counts from process start).
bool resetPeak();
