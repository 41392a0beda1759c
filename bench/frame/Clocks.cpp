#include "frame/Clocks.h"

#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

double bootClockSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
} // namespace

double processCpu() { return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID); }
double threadCpu() { return cpuSeconds(CLOCK_THREAD_CPUTIME_ID); }

double processStartBootSeconds()
{
    std::ifstream in("/proc/self/stat");
    std::string line;
    if (!std::getline(in, line)) {
        return -1.0;
    }
    // The command name (field 2) is in parentheses and may hold spaces.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return -1.0;
    }
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) {
        if (!(fields >> field)) {
            return -1.0;
        }
    }
    const long ticks = sysconf(_SC_CLK_TCK);
    return std::strtod(field.c_str(), nullptr) / static_cast<double>(ticks > 0 ? ticks : 100);
}
