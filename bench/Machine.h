#pragma once
// What the benchmark reports say about the machine they ran on.
#include <string>

// The CPU's model name from /proc/cpuinfo; "unknown" where it has none.
std::string cpuModel();
