// kov_record: the demonstration's camera flight on film.
//
// Sets the scene up as the viewer does, draws the real frame (renderFrame)
// with a fixed time step of 1/fps seconds from the start of the flight to the
// camera's rest (or a chosen span), reads each finished frame back from the
// back buffer just before its swap, and hands it as raw RGB to ffmpeg, which
// writes the video and the animated image in one pass. A dozen frames spread
// over the recording go to ImageMagick's montage for a contact sheet, each
// labelled with its scene time. Every time step is fixed and nothing reads a
// clock for the scene, so two runs draw the same frames (the manifest holds a
// checksum of each).
//
// Usage: kov_record [options]
//   --out DIR            where the outputs go (recording)
//   --name NAME          their common name (kov-flight): NAME.mp4, NAME.webp
//                        (or .gif), NAME-sheet.png and NAME-frames.tsv
//   --fps N              frames per second of scene time (10); the time step
//                        of every frame is 1/N s and the video plays at N fps
//   --start S            scene time of the first frame, in seconds (0)
//   --end S | rest       scene time of the last frame (rest: the first frame
//                        with the camera at rest, about 110 s)
//   --frames N           N frames from --start, instead of --end
//   --sheet N            frames on the contact sheet (12)
//   --sheet-columns N    its columns (4)
//   --anim-every K       the animated image takes every Kth frame (4)
//   --anim-fps N         and shows N a second (as many as --fps): with the
//                        defaults it runs 4 times faster than the scene
//   --anim-width W       its width in pixels (640); the height keeps 4:3
//   --anim-format F      webp or gif (webp)
//   --anim-quality Q     0 to 100, for webp (80)
//   --ffmpeg PROGRAM     the encoder (ffmpeg, found on PATH)
//   --montage PROGRAM    ImageMagick's montage (montage, found on PATH)
//   --dump-frames DIR    also every frame as DIR/frame-NNNNN.ppm
//   --scene DIR          run from DIR (it holds shaders/, models/, textures/)
//   --console            keep the viewer's console lines on standard output
//
// Progress and messages go to standard error. Exit status: 0 when all the
// outputs are written; 1 when a helper program is missing or fails, the
// window is closed or the run is interrupted (nothing is then left under the
// outputs' names: each is written under NAME.part and renamed at the end);
// 2 for a wrong command line.
#include "RecordingOptions.h"
#include "Subprocess.h"

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "app/GLState.h"
#include "app/SceneSetup.h"
#include "app/Shutdown.h"
#include "app/StandardOutput.h"
#include "camera/CameraState.h"
#include "readback/FrameReadback.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {


// Ctrl-C and SIGTERM end the recording between two frames.
volatile sig_atomic_t interrupted = 0;
void onSignal(int) { interrupted = 1; }

std::string clockText(double seconds)
{
    const long whole = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof(text), "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

std::string sizeText(uintmax_t bytes)
{
    char text[48];
    if (bytes >= 1024 * 1024) {
        std::snprintf(text, sizeof(text), "%.2f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    } else {
        std::snprintf(text, sizeof(text), "%.1f KiB", static_cast<double>(bytes) / 1024.0);
    }
    return text;
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.3f", seconds);
    return text;
}

const char* phaseName(int flightState)
{
    static const char* const names[] = {"waiting", "first glide", "pause", "second glide",
                                        "pause",   "last glide",  "at rest"};
    return flightState >= 0 && flightState <= flightAtRest ? names[flightState] : "?";
}

// The label under a frame of the contact sheet: its scene time, with as
// many decimals as the time step needs (one at 10 frames a second, two at 4,
// at most three), and the stretch of the flight.
std::string sheetLabel(double seconds, int fps, int flightState)
{
    int decimals = 0;
    for (long power = 1; decimals < 3 && power % fps != 0; power *= 10) {
        ++decimals;
    }
    char text[64];
    std::snprintf(text, sizeof(text), "t = %.*f s, %s", decimals, seconds, phaseName(flightState));
    return text;
}

uint64_t fnv1a64(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 14695981039346656037ull;
    for (const uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

// A bottom-row-first RGB image (as GL reads it) turned top row first.
void topRowFirst(const std::vector<uint8_t>& bottomUp, int width, int height, std::vector<uint8_t>& topDown)
{
    const size_t row = static_cast<size_t>(width) * 3;
    topDown.resize(bottomUp.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&topDown[static_cast<size_t>(height - 1 - y) * row], &bottomUp[y * row], row);
    }
}

// A binary PPM of a top-row-first RGB image (for montage and --dump-frames).
bool writePpm(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "P6\n" << width << " " << height << "\n255\n";
    file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(file);
}

// The outputs, each written under a temporary name and renamed into place
// only when every one of them is complete.
class Outputs {
public:
    // The temporary name that `finalPath` is written under.
    std::string add(const std::string& finalPath)
    {
        const std::string temporary = finalPath + ".part";
        m_files.emplace_back(temporary, finalPath);
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return temporary;
    }
    void addScratchDirectory(const std::string& path) { m_scratch.push_back(path); }
    bool commit(std::string& error)
    {
        for (const auto& [temporary, finalPath] : m_files) {
            std::error_code failed;
            fs::rename(temporary, finalPath, failed);
            if (failed) {
                error = "cannot rename " + temporary + " to " + finalPath + ": " + failed.message();
                discard();
                return false;
            }
        }
        m_files.clear();
        removeScratch();
        return true;
    }
    void discard()
    {
        for (const auto& file : m_files) {
            std::error_code ignored;
            fs::remove(file.first, ignored);
        }
        m_files.clear();
        removeScratch();
    }
    ~Outputs() { discard(); }

private:
    void removeScratch()
    {
        for (const std::string& path : m_scratch) {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
        m_scratch.clear();
    }
    std::vector<std::pair<std::string, std::string>> m_files;
    std::vector<std::string> m_scratch;
};

// The step (counted from the start of the flight, 1/fps s each) at which the
// flight first reaches its rest, found by replaying the flight alone; the
// flight and the camera are put back as they were.
long restStep(double dt)
{
    const glm::vec3 eye = getCameraPosition();
    const glm::vec3 focus = getCameraFocus();
    long step = 0;
    const long limit = static_cast<long>(std::ceil(1000.0 / dt));
    while (getFlightState() != flightAtRest && step < limit) {
        updateCameraFlight(dt);
        ++step;
    }
    resetCameraFlight();
    setCameraPosition(eye);
    setCameraFocus(focus);
    return step;
}

// Progress on standard error: one line rewritten in place on a terminal,
// otherwise a line every twentieth of the work.
class Progress {
public:
    explicit Progress(long total)
        : m_total(total), m_tty(isatty(STDERR_FILENO) != 0), m_start(std::chrono::steady_clock::now())
    {
    }
    void frameDone(long done, double sceneSeconds)
    {
        const long every = std::max(1L, m_total / 20);
        const bool last = done == m_total;
        if (!m_tty && done % every != 0 && !last && done != 1) {
            return;
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const double perFrame = elapsed / static_cast<double>(done);
        const double left = perFrame * static_cast<double>(m_total - done);
        std::fprintf(stderr, "%sframe %ld/%ld (%3.0f%%), scene %.1f s, %.2f s a frame, %s elapsed, about %s left%s",
                     m_tty ? "\r\033[K" : "", done, m_total, 100.0 * done / m_total, sceneSeconds, perFrame,
                     clockText(elapsed).c_str(), clockText(left).c_str(), m_tty && !last ? "" : "\n");
        std::fflush(stderr);
    }
    void interruptLine()
    {
        if (m_tty) {
            std::fputc('\n', stderr);
        }
    }

private:
    long m_total;
    bool m_tty;
    std::chrono::steady_clock::time_point m_start;
};

std::vector<std::string> ffmpegCommand(const std::string& program, const RecordingOptions& o, int width, int height,
                                       const std::string& video, const std::string& animated)
{
    const int every = o.animEvery;
    // Every `every`th frame, numbered afresh at the animated image's rate,
    // scaled down (the height follows at 4:3, even for the encoders).
    std::string filter = "select=not(mod(n\\," + std::to_string(every) + ")),setpts=N/(" + std::to_string(o.animFps) +
                         "*TB),scale=" + std::to_string(o.animWidth) + ":-2:flags=lanczos";
    std::vector<std::string> command = {
        program, "-hide_banner", "-nostats", "-loglevel", "error", "-y",
        // The frames on standard input: raw RGB, top row first.
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(o.fps), "-i", "pipe:0",
        // The video: H.264 at full size, one frame per frame, in MP4.
        "-map", "0:v", "-c:v", "libx264", "-preset", "medium", "-crf", "20", "-pix_fmt", "yuv420p",
        "-movflags", "+faststart", "-f", "mp4", video,
        "-map", "0:v"};
    if (o.animFormat == "gif") {
        // One palette for the whole image, from the pixels that change.
        filter += ",split[a][b];[a]palettegen=stats_mode=diff[p];[b][p]paletteuse=dither=bayer:bayer_scale=4:"
                  "diff_mode=rectangle";
        command.insert(command.end(), {"-vf", filter, "-loop", "0", "-f", "gif", animated});
    } else {
        command.insert(command.end(), {"-vf", filter, "-c:v", "libwebp_anim", "-lossless", "0", "-quality",
                                       std::to_string(o.animQuality), "-compression_level", "6", "-loop", "0",
                                       "-f", "webp", animated});
    }
    return command;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "kov_record: %s\n", message.c_str());
    return 1;
}

// The program a helper's name stands for; empty, with the reason in
// `problem`, when there is none.
std::string locate(const std::string& name, const std::string& what, const std::string& package,
                   const std::string& option, std::string& problem)
{
    const std::string path = findProgram(name);
    if (path.empty()) {
        problem = what + " '" + name + "' was not found" + (name.find('/') == std::string::npos ? " on PATH" : "") +
                  "; install Debian's " + package + " package (scripts/setup.sh does), or name it with " + option;
    }
    return path;
}

// The recorded steps, counted in steps of 1/fps s from the start of the
// flight: from --start to --end, to the camera's rest, or --frames of them.
struct Span {
    long first = 0;
    long last = 0;
    long frames() const { return last - first + 1; }
};

Span planSpan(const RecordingOptions& o, double dt)
{
    Span span;
    span.first = std::lround(o.start * o.fps);
    if (o.frames > 0) {
        span.last = span.first + o.frames - 1;
    } else if (o.endAtRest) {
        span.last = restStep(dt);
    } else {
        span.last = std::lround(o.end * o.fps);
    }
    return span;
}

// The frames of the contact sheet, spread evenly from the first to the last.
std::vector<long> sheetPicks(long frames, int wanted)
{
    const long count = std::min<long>(wanted, frames);
    std::vector<long> picks;
    for (long j = 0; j < count; ++j) {
        picks.push_back(count == 1 ? 0 : std::lround(static_cast<double>(j) * (frames - 1) / (count - 1)));
    }
    return picks;
}

// Where the frames of a recording go besides the encoder.
struct FrameSinks {
    Subprocess* encoder = nullptr;
    std::string encoderName;
    std::ostringstream manifest;
    std::vector<long> sheetFrames;
    std::string sheetFolder;            // the sheet's frames as <j>.ppm
    std::vector<std::string> sheetLabels;
    fs::path dumpFolder;                // every frame, when not empty
};

// Draws the span with the real frame, a fixed time step apart, and hands
// each frame on. Empty when every frame went out, otherwise what stopped it.
std::string recordFrames(const RecordingOptions& o, const Span& span, int width, int height, FrameSinks& sinks)
{
    const double dt = 1.0 / o.fps;
    // Only the frame's own readback is added to the GL work of a frame.
    FinishedFrame readback(width, height);
    setPassObserver(&readback);

    // Up to the first frame the flight and the scene advance as a frame
    // advances them, without drawing.
    for (long step = 1; step < span.first; ++step) {
        updateCameraFlight(dt);
        updateScene(dt);
    }
    Progress progress(span.frames());
    std::vector<uint8_t> frame;
    std::string failure;
    GLFWwindow* window = appWindow.getWindow();
    for (long index = 0; index < span.frames() && failure.empty(); ++index) {
        const long step = span.first + index;
        renderFrame(step == 0 ? 0.0 : dt);
        if (readback.framesRead != index + 1) {
            failure = "frame " + std::to_string(index) + " was not read back";
            break;
        }
        topRowFirst(readback.pixels, width, height, frame);
        const double sceneSeconds = static_cast<double>(step) / o.fps;
        const glm::vec3 eye = getCameraPosition();
        char line[160];
        std::snprintf(line, sizeof(line), "%ld\t%s\t%d\t%.6f\t%.6f\t%016llx\n", index, secondsText(sceneSeconds).c_str(),
                      getFlightState(), eye.y, eye.z, static_cast<unsigned long long>(fnv1a64(frame)));
        sinks.manifest << line;

        if (!sinks.encoder->write(frame.data(), frame.size())) {
            std::string status;
            sinks.encoder->finish(status);
            failure = "the encoder " + sinks.encoderName + " stopped reading at frame " + std::to_string(index) +
                      " (" + status + ")";
            break;
        }
        const size_t tile = sinks.sheetLabels.size();
        if (tile < sinks.sheetFrames.size() && sinks.sheetFrames[tile] == index) {
            const std::string path = sinks.sheetFolder + "/" + std::to_string(tile) + ".ppm";
            if (!writePpm(path, width, height, frame)) {
                failure = "cannot write " + path;
            }
            sinks.sheetLabels.push_back(sheetLabel(sceneSeconds, o.fps, getFlightState()));
        }
        if (!sinks.dumpFolder.empty()) {
            char name[32];
            std::snprintf(name, sizeof(name), "frame-%05ld.ppm", index);
            if (!writePpm((sinks.dumpFolder / name).string(), width, height, frame)) {
                failure = "cannot write " + (sinks.dumpFolder / name).string();
            }
        }
        progress.frameDone(index + 1, sceneSeconds);
        if (interrupted) {
            progress.interruptLine();
            failure = "interrupted";
        } else if (glfwWindowShouldClose(window) || glfwGetKey(window, GLFW_KEY_ESCAPE) == GLFW_PRESS) {
            progress.interruptLine();
            failure = "the window was closed";
        }
    }
    setPassObserver(nullptr);
    return failure;
}

// The contact sheet: the frames scaled to a quarter (each tile the mean of
// 4 x 4 pixels), --sheet-columns to a row, each labelled with its time.
bool makeContactSheet(const std::string& montage, const RecordingOptions& o, int width, int height,
                      const FrameSinks& sinks, const std::string& output, std::string& error)
{
    std::vector<std::string> command = {montage, "-font", "DejaVu-Sans", "-pointsize", "14", "-fill", "#e8e8e8",
                                        "-background", "#202020", "-scale",
                                        std::to_string(width / 4) + "x" + std::to_string(height / 4)};
    for (size_t j = 0; j < sinks.sheetLabels.size(); ++j) {
        command.insert(command.end(),
                       {"-label", sinks.sheetLabels[j], sinks.sheetFolder + "/" + std::to_string(j) + ".ppm"});
    }
    // No time stamps in the file: two runs give the same bytes.
    command.insert(command.end(), {"-tile", std::to_string(o.sheetColumns) + "x", "-geometry", "+4+4", "-depth", "8",
                                   "-define", "png:exclude-chunks=date,time", "png:" + output});
    return runToEnd(command, error);
}

// The scene's shutdown, as the viewer ends (its console lines go where the
// set-up's went).
void shutDown()
{
    cleanup();
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    RecordingOptions o;
    std::string problem;
    if (!parseOptions(argc, argv, o, problem)) {
        if (!problem.empty()) {
            std::fprintf(stderr, "kov_record: %s\n", problem.c_str());
        }
        printUsage();
        return 2;
    }

    // The helper programs are looked for first: a missing one is reported
    // before minutes of rendering, not after.
    const std::string ffmpeg = locate(o.ffmpeg, "the encoder", "ffmpeg", "--ffmpeg", problem);
    const std::string montage =
        ffmpeg.empty() ? std::string() : locate(o.montage, "ImageMagick's", "imagemagick", "--montage", problem);
    if (montage.empty()) {
        return fail(problem);
    }

    std::error_code error;
    const fs::path outDir = fs::absolute(o.out);
    const fs::path dumpDir = o.dumpFrames.empty() ? fs::path() : fs::absolute(o.dumpFrames);
    for (const fs::path& folder : {outDir, dumpDir}) {
        if (folder.empty()) {
            continue;
        }
        fs::create_directories(folder, error);
        if (error) {
            return fail("cannot make the folder " + folder.string() + ": " + error.message());
        }
    }
    if (!o.scene.empty() && chdir(o.scene.c_str()) != 0) {
        return fail("cannot change to the scene folder " + o.scene);
    }
    if (appWindow.getWindow() == nullptr) {
        return fail("no window: a display is needed (scripts/record.sh runs on a virtual one)");
    }

    // The viewer's console lines (every shader source, the destructor trace)
    // stay off standard output unless asked for.
    if (!o.console) {
        close(discardStandardOutput()); // never restored
    }

    // As the viewer starts: the GL state, the scene, the clear colour.
    initGL();
    setupScene();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    const int width = appWindow.getWidth();
    const int height = appWindow.getHeight();
    const double setupSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const double dt = 1.0 / o.fps;
    const Span span = planSpan(o, dt);
    if (span.last < span.first) {
        shutDown();
        return fail("the span is empty: the last frame (" + secondsText(span.last * dt) +
                    " s) comes before the first (" + secondsText(span.first * dt) + " s)");
    }

    Outputs outputs;
    const std::string base = (outDir / o.name).string();
    const std::string videoPath = base + ".mp4";
    const std::string animatedPath = base + "." + o.animFormat;
    const std::string sheetPath = base + "-sheet.png";
    const std::string manifestPath = base + "-frames.tsv";
    const std::string videoTemp = outputs.add(videoPath);
    const std::string animatedTemp = outputs.add(animatedPath);
    const std::string sheetTemp = outputs.add(sheetPath);
    const std::string manifestTemp = outputs.add(manifestPath);

    FrameSinks sinks;
    sinks.sheetFrames = sheetPicks(span.frames(), o.sheet);
    sinks.sheetFolder = (outDir / ("." + o.name + "-sheet-XXXXXX")).string();
    if (mkdtemp(sinks.sheetFolder.data()) == nullptr) {
        shutDown();
        return fail("cannot make a scratch folder in " + outDir.string());
    }
    outputs.addScratchDirectory(sinks.sheetFolder);
    sinks.dumpFolder = dumpDir;

    std::fprintf(stderr,
                 "kov_record: scene ready in %.1f s; %ld frames of %dx%d, %s s to %s s of scene time at %d per second\n"
                 "  video %s\n"
                 "  animated image %s (every %dth frame at %d fps: %.3gx faster, %d px wide)\n"
                 "  contact sheet %s (%zu frames)\n",
                 setupSeconds, span.frames(), width, height, secondsText(span.first * dt).c_str(),
                 secondsText(span.last * dt).c_str(), o.fps, videoPath.c_str(), animatedPath.c_str(), o.animEvery,
                 o.animFps, static_cast<double>(o.animEvery) * o.fps / o.animFps, o.animWidth, sheetPath.c_str(),
                 sinks.sheetFrames.size());

    signal(SIGPIPE, SIG_IGN); // a failed encoder shows as a failed write
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);

    Subprocess encoder;
    std::string failure;
    if (!encoder.start(ffmpegCommand(ffmpeg, o, width, height, videoTemp, animatedTemp), true, failure)) {
        shutDown();
        return fail(failure);
    }
    sinks.encoder = &encoder;
    sinks.encoderName = ffmpeg;
    sinks.manifest << "# kov_record: " << width << "x" << height << ", " << o.fps
                   << " frames per second of scene time, time step 1/" << o.fps << " s\n"
                   << "frame\tscene_time_s\tflight_state\teye_y\teye_z\tfnv1a64\n";

    failure = recordFrames(o, span, width, height, sinks);
    shutDown();
    std::string status;
    if (failure.empty() && !encoder.finish(status)) {
        failure = "the encoder " + ffmpeg + " failed (" + status + ")";
    }
    if (failure.empty() && !makeContactSheet(montage, o, width, height, sinks, sheetTemp, failure)) {
        failure = "the contact sheet: " + failure;
    }
    if (failure.empty()) {
        std::ofstream file(manifestTemp, std::ios::trunc);
        file << sinks.manifest.str();
        if (!file) {
            failure = "cannot write " + manifestTemp;
        }
    }
    if (!failure.empty()) {
        encoder.stop();
        outputs.discard();
        return fail(failure + "; nothing written");
    }
    if (!outputs.commit(failure)) {
        return fail(failure);
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "kov_record: %ld frames in %s (%.1f s)\n", span.frames(), clockText(seconds).c_str(), seconds);
    for (const std::string& path : {videoPath, animatedPath, sheetPath, manifestPath}) {
        std::fprintf(stderr, "  %s  %s\n", path.c_str(), sizeText(fs::file_size(path, error)).c_str());
    }
    return 0;
}
