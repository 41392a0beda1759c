#pragma once
// This process's memory figures (Linux), for the tests and benchmarks that
// bound what loading or running the scene costs.

// A kibibyte figure of /proc/self/status ("VmRSS", "VmHWM"); -1 when absent.
long statusKiB(const char* key);

// Resets the peak resident size (VmHWM) to the current one; false where the
// kernel does not allow it (then the peak counts from process start).
bool resetPeak();
