// Frame benchmark: start-up time to the first frame, the frame time of the
// demonstration scene driven through the frame loop's own passes, the share
// of each pass from GL timer queries, and two reference frames (clear and
// swap only; the scene without its shadow-volume pass).
//
// Usage: kov_frame_bench [--json PATH] [--frames N] [--warmup N] [--dt S]
//                        [--rounds N] [--scene DIR] [--dump-ppm PATH]
//                        [--block N] [--no-pass-timers] [--no-isolated-passes]
//                        [--per-asset-frames N] [--setup-output]
//
//   --json PATH           the figures as JSON as well as the table
//   --frames N, --warmup N  measured frames (300) after warm-up frames (30)
//   --dt S                the fixed time step of every frame (1/60 s)
//   --block N             measured frames taken from each sequence in turn (10)
//   --rounds N            the whole schedule again, from the start (1)
//   --scene DIR           run from DIR (it holds shaders/, models/, textures/)
//   --dump-ppm PATH       the image of the frame after warm-up and measured
//                         frames, read before its swap, for comparing renders
//   --no-pass-timers      no timer queries or pass callbacks in the frames
//   --no-isolated-passes  skip the sequence with a glFinish around each pass
//   --per-asset-frames N  frames of each caster's shadow pass alone (5; 0: none)
//   --setup-output        keep the program's console lines during set-up
//
// Every frame ends with glFinish before it is timed. Start-up is measured from
// the process's start time (/proc/self/stat field 22) and, as a cross-check,
// from a timestamp taken in a static initialiser of the benchmark, which runs
// before kov_core's window record opens the window.
//
// The parts, in the order they run: frame/Options (the command line),
// frame/Startup (set-up and first frame), frame/SceneRunner (the measured
// sequences, over frame/PassTiming's pass observers), frame/CasterTable (each
// shadow caster's volumes and pass alone) and frame/Report (table and JSON).
#include "frame/CasterTable.h"
#include "frame/Options.h"
#include "frame/Report.h"
#include "frame/SceneRunner.h"
#include "frame/Startup.h"

#include "app/AppState.h"
#include "app/Shutdown.h"

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    const MainEntry entry = enterMain();

    Options options;
    if (!parseOptions(argc, argv, options)) {
        usage();
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
    // The volumes are worked out for the frame just counted.
    const CasterTable casters = measureCasters(options, start);
    const Environment environment = readEnvironment();

    const Report report{options, environment, startup, results, primitives, casters};
    printReport(report);
    if (!options.json.empty() && !writeJsonReport(report)) {
        return 1;
    }

    std::fflush(stdout);
    cleanup();
    return 0;
}
