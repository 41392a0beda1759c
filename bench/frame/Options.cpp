#include "frame/Options.h"

#include <cstdio>
#include <cstdlib>

void usage()
{
    std::fprintf(stderr,
                 "usage: kov_frame_bench [--json PATH] [--frames N] [--warmup N] [--dt SECONDS]\n"
                 "                       [--rounds N] [--scene DIR] [--dump-ppm PATH]\n"
                 "                       [--block N] [--no-pass-timers] [--no-isolated-passes] [--per-asset-frames N]\n"
                 "                       [--setup-output]\n");
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--json" && hasValue) {
            options.json = argv[++i];
        } else if (arg == "--scene" && hasValue) {
            options.scene = argv[++i];
        } else if (arg == "--dump-ppm" && hasValue) {
            options.dumpPpm = argv[++i];
        } else if (arg == "--frames" && hasValue) {
            options.frames = std::atoi(argv[++i]);
        } else if (arg == "--warmup" && hasValue) {
            options.warmup = std::atoi(argv[++i]);
        } else if (arg == "--rounds" && hasValue) {
            options.rounds = std::atoi(argv[++i]);
        } else if (arg == "--dt" && hasValue) {
            options.dt = std::atof(argv[++i]);
        } else if (arg == "--no-pass-timers") {
            options.passTimers = false;
        } else if (arg == "--block" && hasValue) {
            options.block = std::atoi(argv[++i]);
        } else if (arg == "--per-asset-frames" && hasValue) {
            options.perAssetFrames = std::atoi(argv[++i]);
        } else if (arg == "--no-isolated-passes") {
            options.isolatedPasses = false;
        } else if (arg == "--setup-output") {
            options.setupOutput = true;
        } else {
            return false;
        }
    }
    return options.frames > 0 && options.warmup >= 0 && options.rounds > 0 && options.dt > 0.0 &&
           options.block > 0 && options.perAssetFrames >= 0;
}
