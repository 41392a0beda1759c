// Frame benchmark: start-up time to the first frame, the frame time of the
// demonstration scene driven through the frame loop's own passes, each pass
// timed by GL queries and alone between two glFinish calls, each shadow
// caster's shadow pass alone, and two reference frames (clear and swap only;
// the scene without its shadow-volume pass).
//
// Usage: kov_frame_bench [--json PATH] [--frames N] [--warmup N] [--dt S]
//                        [--scene DIR] [--per-asset-frames N]
//
//   --json PATH           the figures as JSON as well as the table
//   --frames N, --warmup N  measured frames (300) after warm-up frames (30)
//   --dt S                the fixed time step of every frame (1/60 s)
//   --scene DIR           run from DIR (it holds shaders/, models/, textures/)
//   --per-asset-frames N  frames of each caster's shadow pass alone (5; 0: none)
//
// Every frame ends with glFinish before it is timed. Start-up is counted from
// the process's start time (/proc/self/stat field 22).
//
// The parts, in the order they run: frame/Startup (set-up and first frame),
// frame/SceneRunner (the measured sequences, over frame/PassTiming's pass
// observers), frame/CasterTable (each caster's shadow pass alone) and
// frame/Report (table and JSON).
#include "frame/CasterTable.h"
#include "frame/FrameBenchOptions.h"
#include "frame/Report.h"
#include "frame/SceneRunner.h"
#include "frame/Startup.h"

#include "app/AppState.h"
#include "app/Shutdown.h"
#include "readback/StandardOutput.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

namespace {

void printUsage()
{
    std::fprintf(stderr, "usage: kov_frame_bench [--json PATH] [--frames N] [--warmup N] [--dt SECONDS]\n"
                         "                       [--scene DIR] [--per-asset-frames N]\n");
}

// False for an unknown or incomplete argument or a value out of range.
bool parseOptions(int argc, char** argv, FrameBenchOptions& options)
{
    const std::map<std::string, std::function<void(const char*)>> setters = {
        {"--json", [&](const char* value) { options.json = value; }},
        {"--scene", [&](const char* value) { options.scene = value; }},
        {"--frames", [&](const char* value) { options.frames = std::atoi(value); }},
        {"--warmup", [&](const char* value) { options.warmup = std::atoi(value); }},
        {"--dt", [&](const char* value) { options.dt = std::atof(value); }},
        {"--per-asset-frames", [&](const char* value) { options.perAssetFrames = std::atoi(value); }},
    };
    for (int i = 1; i < argc; i += 2) {
        const auto setter = setters.find(argv[i]);
        if (setter == setters.end() || i + 1 >= argc) {
            return false;
        }
        setter->second(argv[i + 1]);
    }
    return options.frames > 0 && options.warmup >= 0 && options.dt > 0.0 && options.perAssetFrames >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    const MainEntry entry = enterMain();

    FrameBenchOptions options;
    if (!parseOptions(argc, argv, options)) {
        printUsage();
        return 2;
    }
    if (!options.scene.empty() && chdir(options.scene.c_str()) != 0) {
        std::fprintf(stderr, "cannot change to the scene directory %s\n", options.scene.c_str());
        return 2;
    }
    if (appWindow.getWindow() == nullptr) {
        std::fprintf(stderr, "no window: a display is needed (scripts/own-display.sh)\n");
        return 1;
    }

    SceneSnapshot start;
    const StartupFigures startup = startScene(options, entry, start);
    const Results results = runMeasuredFrames(options, start);
    const std::array<GLuint, passCount> primitives = countPassPrimitives(options.dt, start);
    const std::vector<AssetShadow> casters = measureCasters(options, start);
    const Environment environment = readEnvironment();

    const Report report{options, environment, startup, results, primitives, casters};
    printReport(report);
    if (!options.json.empty() && !writeJsonReport(report)) {
        return 1;
    }

    // The shutdown's console lines would trail the table.
    discardStandardOutput();
    cleanup();
    return 0;
}
