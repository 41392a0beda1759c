#pragma once
// The clocks of the frame benchmark: steady wall time for the frames, CPU
// time, and the boot clock that /proc/<pid>/stat's start time is counted on.
#include <chrono>

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to);
inline double ms(double seconds) { return seconds * 1000.0; }

// Seconds on the clock that /proc/<pid>/stat's start time is counted on.
double bootClockSeconds();

// CPU time, in seconds, of the whole process (every thread, the driver's
// rasteriser threads included) or of the calling thread: unlike wall time it
// does not grow when other work on the machine takes the cores.
double processCpu();
double threadCpu();

// The process's start on the boot clock: field 22 of /proc/self/stat, in
// clock ticks since boot (a resolution of 1/CLK_TCK, usually 10 ms). Negative
// when it cannot be read.
double processStartBootSeconds();
