#pragma once
// The frame benchmark's report: the table on standard output and the same
// figures as JSON.
#include "frame/CasterTable.h"
#include "frame/FrameBenchOptions.h"
#include "frame/PassTiming.h"
#include "frame/SceneRunner.h"
#include "frame/Startup.h"

#include <GL/glew.h>

#include <array>
#include <string>
#include <vector>

// The machine and driver the figures were taken on.
struct Environment {
    std::string cpu;
    unsigned cpus = 0;
    const char* lpThreads = nullptr; // LP_NUM_THREADS, null when unset
    std::string renderer;
    std::string version;
    GLint samples = 0;
};
Environment readEnvironment();

struct Report {
    const FrameBenchOptions& options;
    const Environment& environment;
    const StartupFigures& startup;
    const Results& results;
    const std::array<GLuint, passCount>& primitives;
    const std::vector<AssetShadow>& casters;
};

void printReport(const Report& report);
// Writes the JSON file named by --json; false (after saying why on standard
// error) when it cannot be written.
bool writeJsonReport(const Report& report);
