#include "RecordingOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

bool parseInt(const char* text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < -1000000000L || parsed > 1000000000L) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

bool parseSeconds(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value >= 0.0;
}

} // namespace

void printUsage()
{
    std::fprintf(stderr,
                 "usage: kov_record [--out DIR] [--name NAME] [--fps N] [--start S] [--end S|rest] [--frames N]\n"
                 "                  [--sheet N] [--sheet-columns N]\n"
                 "                  [--anim-every K] [--anim-fps N] [--anim-width W] [--anim-format webp|gif]\n"
                 "                  [--anim-quality Q] [--ffmpeg PROGRAM] [--montage PROGRAM]\n"
                 "                  [--dump-frames DIR] [--scene DIR] [--console]\n");
}

bool parseOptions(int argc, char** argv, RecordingOptions& o, std::string& problem)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            problem.clear();
            return false;
        }
        if (arg == "--console") {
            o.console = true;
            continue;
        }
        if (i + 1 >= argc) {
            problem = "unknown option or missing value: " + arg;
            return false;
        }
        const char* value = argv[++i];
        bool ok = true;
        if (arg == "--out") {
            o.out = value;
        } else if (arg == "--name") {
            o.name = value;
            ok = !o.name.empty() && o.name.find('/') == std::string::npos;
        } else if (arg == "--fps") {
            ok = parseInt(value, o.fps) && o.fps > 0 && o.fps <= 1000;
        } else if (arg == "--start") {
            ok = parseSeconds(value, o.start);
        } else if (arg == "--end") {
            o.endAtRest = std::string(value) == "rest";
            ok = o.endAtRest || parseSeconds(value, o.end);
        } else if (arg == "--frames") {
            ok = parseInt(value, o.frames) && o.frames > 0;
        } else if (arg == "--sheet") {
            ok = parseInt(value, o.sheet) && o.sheet > 0 && o.sheet <= 100;
        } else if (arg == "--sheet-columns") {
            ok = parseInt(value, o.sheetColumns) && o.sheetColumns > 0 && o.sheetColumns <= 20;
        } else if (arg == "--anim-every") {
            ok = parseInt(value, o.animEvery) && o.animEvery > 0;
        } else if (arg == "--anim-fps") {
            ok = parseInt(value, o.animFps) && o.animFps > 0 && o.animFps <= 100;
        } else if (arg == "--anim-width") {
            ok = parseInt(value, o.animWidth) && o.animWidth >= 16 && o.animWidth <= 4096;
        } else if (arg == "--anim-format") {
            o.animFormat = value;
            ok = o.animFormat == "webp" || o.animFormat == "gif";
        } else if (arg == "--anim-quality") {
            ok = parseInt(value, o.animQuality) && o.animQuality >= 0 && o.animQuality <= 100;
        } else if (arg == "--ffmpeg") {
            o.ffmpeg = value;
        } else if (arg == "--montage") {
            o.montage = value;
        } else if (arg == "--dump-frames") {
            o.dumpFrames = value;
        } else if (arg == "--scene") {
            o.scene = value;
        } else {
            problem = "unknown option: " + arg;
            return false;
        }
        if (!ok) {
            problem = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    if (o.animFps == 0) {
        o.animFps = o.fps;
    }
    return true;
}
