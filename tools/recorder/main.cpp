// kov_record: the demonstration's frames, drawn with a fixed time step.
//
// Sets the scene up as the viewer does and draws the real frame (renderFrame)
// every 1/fps seconds of scene time, from the start of the flight to the
// camera's rest (or a chosen span). Each finished frame is read back before
// its swap and written to standard output as raw RGB, 1024 x 768, top row
// first, for an encoder to read (scripts/record.sh pipes it into ffmpeg).
// Nothing reads a clock for the scene, so two runs draw the same frames.
//
// Usage: kov_record [--fps N] [--start S] [--end S|rest] [--frames N]
//                   [--list FILE] [--count]
//   --fps N      frames per second of scene time (10)
//   --start S    scene time of the first frame, in seconds (0)
//   --end S      scene time of the last frame; rest (the default): the first
//                frame with the camera at rest, about 110 s
//   --frames N   N frames from --start, instead of --end
//   --list FILE  one line a frame: index, scene time, flight state, eye
//                height and depth, and a checksum (FNV-1a) of its pixels
//   --count      print how many frames the span has, and draw none
// Exit status: 0 when every frame was written; 1 when the scene cannot be
// drawn or the reader stops reading; 2 for a wrong command line.
#include "FlightScene.h"
#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/Shutdown.h"
#include "readback/FrameReadback.h"
#include "camera/CameraState.h"
#include <signal.h>
#include <unistd.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {
struct RecordingSpan {
    int fps = 10;
    double start = 0.0;
    double end = -1.0; // below 0: to the camera's rest
    long frames = 0; // above 0: instead of end
    std::string list;
    bool countOnly = false;
};

bool parseNumber(const char* text, double& value)
{
    char* rest = nullptr;
    value = std::strtod(text, &rest);
    return rest != text && *rest == '\0' && std::isfinite(value);
}

bool parseArguments(int argc, char** argv, RecordingSpan& span)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--count") {
            span.countOnly = true;
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        double number = 0.0;
        if (arg == "--list") {
            span.list = value;
        } else if (arg == "--end" && std::string(value) == "rest") {
            span.end = -1.0;
        } else if (!parseNumber(value, number)) {
            return false;
        } else if (arg == "--fps" && number >= 1 && number <= 1000 && number == std::floor(number)) {
            span.fps = static_cast<int>(number);
        } else if (arg == "--start" && number >= 0) {
            span.start = number;
        } else if (arg == "--end" && number >= 0) {
            span.end = number;
        } else if (arg == "--frames" && number >= 1 && number == std::floor(number)) {
            span.frames = static_cast<long>(number);
        } else {
            return false;
        }
    }
    return true;
}

uint64_t fnv1a64(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

bool writeAll(int descriptor, const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    RecordingSpan span;
    if (!parseArguments(argc, argv, span)) {
        std::fprintf(stderr, "usage: kov_record [--fps N] [--start S] [--end S|rest] [--frames N] [--list FILE] "
                             "[--count]\n");
        return 2;
    }
    // The frames go where standard output went.
    std::string problem;
    const int frameOutput = openFlightScene(problem);
    if (frameOutput < 0) {
        return reportFailure("kov_record", problem);
    }

    const double dt = 1.0 / span.fps;
    const long first = std::lround(span.start * span.fps);
    const long last = span.frames > 0 ? first + span.frames - 1
                      : span.end < 0  ? restStep(dt)
                                      : std::lround(span.end * span.fps);
    if (last < first) {
        cleanup();
        return reportFailure("kov_record", "the span is empty: its end comes before its start");
    }
    if (span.countOnly) {
        const std::string count = std::to_string(last - first + 1) + "\n";
        cleanup();
        return writeAll(frameOutput, std::vector<uint8_t>(count.begin(), count.end())) ? 0 : 1;
    }
    std::ofstream list;
    if (!span.list.empty()) {
        list.open(span.list, std::ios::trunc);
        if (!list) {
            cleanup();
            return reportFailure("kov_record", "cannot write " + span.list);
        }
    }

    const int width = appWindow.getWidth();
    const int height = appWindow.getHeight();
    FinishedFrame readback(width, height);
    setPassObserver(&readback);
    skipToStep(first, dt);
    signal(SIGPIPE, SIG_IGN); // a reader that stops shows as a failed write
    std::string failure;
    for (long step = first; step <= last && failure.empty(); ++step) {
        drawStep(step, dt);
        const std::vector<uint8_t> frame = topRowFirst(readback.pixels, width, height, 3);
        if (!writeAll(frameOutput, frame)) {
            failure = "the frames' reader stopped at frame " + std::to_string(step - first);
        }
        if (list.is_open()) {
            const glm::vec3 eye = getCameraPosition();
            char line[160];
            std::snprintf(line, sizeof(line), "%ld\t%.3f\t%d\t%.6f\t%.6f\t%016llx\n", step - first,
                          static_cast<double>(step) / span.fps, getFlightState(), eye.y, eye.z,
                          static_cast<unsigned long long>(fnv1a64(frame)));
            list << line << std::flush;
        }
    }
    setPassObserver(nullptr);
    cleanup();
    return failure.empty() ? 0 : reportFailure("kov_record", failure);
}
