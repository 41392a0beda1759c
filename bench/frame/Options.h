#pragma once
// The frame benchmark's command line.
#include <string>

struct Options {
    std::string json;
    std::string scene;
    std::string dumpPpm;
    int frames = 300;
    int warmup = 30;
    int rounds = 1;
    double dt = 1.0 / 60.0;
    bool passTimers = true;
    bool isolatedPasses = true;
    int perAssetFrames = 5;
    int block = 10;
    bool setupOutput = false;
};

// Prints the usage line to standard error.
void usage();
// Reads the arguments into `options`; false for an unknown or incomplete
// argument or a value out of range.
bool parseOptions(int argc, char** argv, Options& options);
