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
// from a timestamp taken in this unit's static initialiser, which runs before
// kov_core's window record opens the window.
#include "BenchStats.h"
#include "Machine.h"

#include "app/AppState.h"
#include "app/BufferReadback.h"
#include "asset/Asset.h"
#include "camera/Camera.h"

#include <glm/geometric.hpp>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <new>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Seconds on the clock that /proc/<pid>/stat's start time is counted on.
double bootClockSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct EarlyStamp {
    double bootSeconds = bootClockSeconds();
};

} // namespace

// Heap allocations made through C++ new anywhere in the program (the
// driver's own C allocations are not seen), to check the frame path.
static std::atomic<unsigned long long> heapAllocations{0};

void* operator new(std::size_t size)
{
    heapAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size != 0 ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

// Taken during static initialisation, before every initialiser of default
// priority in any unit of the program: in particular before kov_core's
// window record opens the window and creates the GL context.
__attribute__((init_priority(101))) static EarlyStamp earlyStamp;

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// CPU time, in seconds, of the whole process (every thread, the driver's
// rasteriser threads included) or of the calling thread: unlike wall time it
// does not grow when other work on the machine takes the cores.
double cpuSeconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
double processCpu() { return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID); }
double threadCpu() { return cpuSeconds(CLOCK_THREAD_CPUTIME_ID); }

// The process's start on the boot clock: field 22 of /proc/self/stat, in
// clock ticks since boot (a resolution of 1/CLK_TCK, usually 10 ms). Negative
// when it cannot be read.
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

std::string glString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

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

constexpr int passCount = 4;
const char* const passNames[passCount] = {"depth", "shadow_volumes", "lit", "additive"};

// The samples of each pass over the measured frames, in seconds.
struct PassSamples {
    std::array<std::vector<double>, 4> gl;       // GL_TIME_ELAPSED
    std::array<std::vector<double>, 4> submit;   // main thread inside the pass
    std::array<std::vector<double>, 4> isolated; // with glFinish at both edges
    std::array<std::vector<double>, 4> submitCpu;   // main thread's CPU time inside the pass
    std::array<std::vector<double>, 4> isolatedCpu; // process CPU time between the glFinish edges
    void reserve(size_t n)
    {
        for (auto* group : {&gl, &submit, &isolated, &submitCpu, &isolatedCpu}) {
            for (std::vector<double>& samples : *group) {
                samples.reserve(n);
            }
        }
    }
};

// Times the passes of a frame: a GL_TIME_ELAPSED query around each (the
// passes run one after the other, so one query is active at a time) and the
// wall-clock time the main thread spends submitting it. Isolated, it also
// finishes the GL work before and after each pass, so that the wall time
// between the two holds that pass's work alone (the driver then renders each
// pass on its own instead of all passes of a tile together).
class PassTimer : public PassObserver {
public:
    PassTimer()
    {
        glGenQueries(passCount, m_queries.data());
    }
    ~PassTimer() override
    {
        glDeleteQueries(passCount, m_queries.data());
    }
    PassTimer(const PassTimer&) = delete;
    PassTimer& operator=(const PassTimer&) = delete;

    bool isolate = false;

    void startFrame()
    {
        m_ran.fill(false);
    }
    void beginPass(RenderPass pass) override
    {
        const int i = static_cast<int>(pass);
        if (isolate) {
            glFinish();
        }
        m_ran[i] = true;
        m_submitStart[i] = Clock::now();
        m_threadCpuStart[i] = threadCpu();
        m_processCpuStart[i] = processCpu();
        glBeginQuery(GL_TIME_ELAPSED, m_queries[i]);
    }
    void endPass(RenderPass pass) override
    {
        const int i = static_cast<int>(pass);
        glEndQuery(GL_TIME_ELAPSED);
        m_submitSeconds[i] = secondsBetween(m_submitStart[i], Clock::now());
        m_submitCpu[i] = threadCpu() - m_threadCpuStart[i];
        if (isolate) {
            glFinish();
            m_isolatedSeconds[i] = secondsBetween(m_submitStart[i], Clock::now());
            m_isolatedCpu[i] = processCpu() - m_processCpuStart[i];
        }
        if (pass == RenderPass::Additive && m_dump != nullptr) {
            // The finished image, read from the back buffer before the swap.
            glReadBuffer(GL_BACK);
            m_dump->assign(static_cast<size_t>(m_width) * m_height * 3, 0);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, m_width, m_height, GL_RGB, GL_UNSIGNED_BYTE, m_dump->data());
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            m_dump = nullptr;
        }
    }
    // After glFinish: the figures of each pass that ran.
    void collect(PassSamples& samples)
    {
        for (int i = 0; i < passCount; ++i) {
            if (!m_ran[i]) {
                continue;
            }
            GLuint64 nanoseconds = 0;
            glGetQueryObjectui64v(m_queries[i], GL_QUERY_RESULT, &nanoseconds);
            samples.gl[i].push_back(static_cast<double>(nanoseconds) * 1e-9);
            samples.submit[i].push_back(m_submitSeconds[i]);
            samples.submitCpu[i].push_back(m_submitCpu[i]);
            if (isolate) {
                samples.isolated[i].push_back(m_isolatedSeconds[i]);
                samples.isolatedCpu[i].push_back(m_isolatedCpu[i]);
            }
        }
    }
    void dumpNextFrame(std::vector<unsigned char>* pixels, int width, int height)
    {
        m_dump = pixels;
        m_width = width;
        m_height = height;
    }

private:
    std::array<GLuint, passCount> m_queries{};
    std::array<bool, passCount> m_ran{};
    std::array<Clock::time_point, passCount> m_submitStart{};
    std::array<double, passCount> m_submitSeconds{};
    std::array<double, passCount> m_isolatedSeconds{};
    std::array<double, passCount> m_threadCpuStart{};
    std::array<double, passCount> m_processCpuStart{};
    std::array<double, passCount> m_submitCpu{};
    std::array<double, passCount> m_isolatedCpu{};
    std::vector<unsigned char>* m_dump = nullptr;
    int m_width = 0;
    int m_height = 0;
};

// Counts the primitives each pass sends to the rasteriser (after the
// geometry shader): a GL_PRIMITIVES_GENERATED query around each pass.
class PrimitiveCounter : public PassObserver {
public:
    PrimitiveCounter() { glGenQueries(passCount, m_queries.data()); }
    ~PrimitiveCounter() override { glDeleteQueries(passCount, m_queries.data()); }
    PrimitiveCounter(const PrimitiveCounter&) = delete;
    PrimitiveCounter& operator=(const PrimitiveCounter&) = delete;
    void beginPass(RenderPass pass) override { glBeginQuery(GL_PRIMITIVES_GENERATED, m_queries[static_cast<int>(pass)]); }
    void endPass(RenderPass) override { glEndQuery(GL_PRIMITIVES_GENERATED); }
    std::array<GLuint, passCount> results()
    {
        std::array<GLuint, passCount> counts{};
        for (int i = 0; i < passCount; ++i) {
            glGetQueryObjectuiv(m_queries[i], GL_QUERY_RESULT, &counts[i]);
        }
        return counts;
    }

private:
    std::array<GLuint, passCount> m_queries{};
};

// Where the scene starts, so that every measured sequence replays the same
// frames: the assets' model matrices and the camera with its flight.
struct SceneSnapshot {
    std::vector<glm::mat4> models;
    glm::vec3 position{};
    glm::vec3 focus{};
    glm::vec3 up{};

    void take()
    {
        models.clear();
        for (const auto* list : {&assets, &assets2, &assets3}) {
            for (const Asset* asset : *list) {
                models.push_back(asset->getModelMatrix());
            }
        }
        position = getCameraPosition();
        focus = getCameraFocus();
        up = getCameraUp();
    }
    void restore() const
    {
        size_t i = 0;
        for (const auto* list : {&assets, &assets2, &assets3}) {
            for (Asset* asset : *list) {
                asset->setModelMatrix(models[i++]);
            }
        }
        setCameraPosition(position);
        setCameraFocus(focus);
        setCameraUp(up);
        resetCameraFlight();
    }
};

// The measured sequences; the last one, with the passes isolated, is not a
// frame time of the program and only feeds the per-pass figures.
enum class Mode { Empty, Scene, NoShadow, SceneIsolated };
constexpr int modeCount = 4;
const char* const modeNames[modeCount] = {"empty", "scene", "no_shadow_volumes", "scene_passes_isolated"};

struct Results {
    void reserve(size_t n)
    {
        for (std::vector<double>& samples : frames) {
            samples.reserve(n);
        }
        for (std::vector<double>& samples : frameCpu) {
            samples.reserve(n);
        }
        scene.reserve(n);
        noShadow.reserve(n);
        isolated.reserve(n);
    }
    unsigned long long sceneAllocations = 0; // during renderFrame, measured frames of the scene
    std::array<std::vector<double>, modeCount> frames;
    std::array<std::vector<double>, modeCount> frameCpu; // process CPU time of each frame
    PassSamples scene;
    PassSamples noShadow;
    PassSamples isolated;
};

void emptyFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glfwSwapBuffers(appWindow.getWindow());
}

// Where one measured sequence stands: the assets' model matrices and the
// number of frames it has advanced (the camera flight is replayed from the
// start, which reproduces it exactly).
struct SequenceState {
    std::vector<glm::mat4> models;
    int advanced = 0;
};

void restoreSequence(const SceneSnapshot& start, const SequenceState& state, double dt)
{
    start.restore();
    size_t i = 0;
    for (const auto* list : {&assets, &assets2, &assets3}) {
        for (Asset* asset : *list) {
            asset->setModelMatrix(state.models[i++]);
        }
    }
    for (int frame = 0; frame < state.advanced; ++frame) {
        updateCameraFlight(dt);
    }
}

void saveSequence(SequenceState& state, int framesRun)
{
    state.models.clear();
    for (const auto* list : {&assets, &assets2, &assets3}) {
        for (const Asset* asset : *list) {
            state.models.push_back(asset->getModelMatrix());
        }
    }
    state.advanced += framesRun;
}

// Runs `count` frames of one sequence, measuring them unless they are warm-up.
void runBlock(Mode mode, int count, bool measure, const Options& options, PassTimer& timer, Results& results)
{
    if (mode == Mode::Empty) {
        // What the frame loop's own clear relies on; set outside the timing.
        glDepthMask(GL_TRUE);
        glDrawBuffer(GL_BACK);
    }
    timer.skipShadowVolumes = mode == Mode::NoShadow;
    timer.isolate = mode == Mode::SceneIsolated;
    setPassObserver(options.passTimers || timer.isolate ? &timer : nullptr);
    for (int i = 0; i < count; ++i) {
        timer.startFrame();
        const Clock::time_point begin = Clock::now();
        const double cpuBegin = processCpu();
        const unsigned long long allocationsBefore = heapAllocations.load(std::memory_order_relaxed);
        if (mode == Mode::Empty) {
            emptyFrame();
        } else {
            renderFrame(options.dt);
        }
        const unsigned long long allocations = heapAllocations.load(std::memory_order_relaxed) - allocationsBefore;
        glFinish();
        const Clock::time_point end = Clock::now();
        const double cpuEnd = processCpu();
        if (!measure) {
            continue;
        }
        if (mode == Mode::Scene) {
            results.sceneAllocations += allocations;
        }
        results.frames[static_cast<int>(mode)].push_back(secondsBetween(begin, end));
        results.frameCpu[static_cast<int>(mode)].push_back(cpuEnd - cpuBegin);
        if (mode == Mode::SceneIsolated) {
            timer.collect(results.isolated);
        } else if (options.passTimers && mode == Mode::Scene) {
            timer.collect(results.scene);
        } else if (options.passTimers && mode == Mode::NoShadow) {
            timer.collect(results.noShadow);
        }
    }
    setPassObserver(nullptr);
    timer.skipShadowVolumes = false;
    timer.isolate = false;
}

// Every sequence replays the same frames of the scene from its start: the
// warm-up, then the measured frames in blocks taken in turn from each
// sequence, so that a change of load on the machine reaches all alike.
void runSequences(const Options& options, const SceneSnapshot& start, PassTimer& timer, Results& results)
{
    std::vector<Mode> modes = {Mode::Empty, Mode::Scene, Mode::NoShadow};
    if (options.isolatedPasses) {
        modes.push_back(Mode::SceneIsolated);
    }
    SequenceState initial;
    saveSequence(initial, 0);
    std::vector<SequenceState> states(modes.size(), initial);
    for (size_t m = 0; m < modes.size(); ++m) {
        restoreSequence(start, states[m], options.dt);
        runBlock(modes[m], options.warmup, false, options, timer, results);
        saveSequence(states[m], options.warmup);
    }
    for (int done = 0; done < options.frames; done += options.block) {
        const int count = std::min(options.block, options.frames - done);
        for (size_t m = 0; m < modes.size(); ++m) {
            restoreSequence(start, states[m], options.dt);
            runBlock(modes[m], count, true, options, timer, results);
            saveSequence(states[m], count);
        }
    }
}

bool writePpm(const std::string& path, const std::vector<unsigned char>& pixels, int width, int height)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", width, height);
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = height - 1; y >= 0; --y) { // top row first
        std::fwrite(pixels.data() + static_cast<size_t>(y) * row, 1, row, out);
    }
    return std::fclose(out) == 0;
}

const char* const sceneAssetNames[] = {"cow (cow2.obj)",      "test (box.obj)",     "spaceStation (spaceship.obj)",
                                       "metalBox (box2.obj)", "brickBox (box3.obj)", "lion (Lion.obj)",
                                       "lion2 (Lion2.obj)"};

std::string assetName(size_t index)
{
    if (assets.size() == 7) {
        return sceneAssetNames[index];
    }
    return "asset " + std::to_string(index);
}

double ms(double seconds) { return seconds * 1000.0; }

// What the shadow geometry shader makes of one asset in the current frame,
// worked out on the CPU from its buffers: the lights near enough to cast a
// volume, and over those lights the triangles facing the light (two caps
// each) and the silhouette edges (one side of two triangles each).
struct VolumeCount {
    int lights = 0;
    long long facing = 0;
    long long silhouetteEdges = 0;
    std::vector<long long> silhouetteEdgesPerLight; // of each light that casts, in the asset's order
    long long primitives() const { return 2 * facing + 2 * silhouetteEdges; }
};

bool lexicographicallyBefore(const glm::vec3& p, const glm::vec3& q)
{
    return p.x < q.x || (p.x == q.x && (p.y < q.y || (p.y == q.y && p.z < q.z)));
}

// The shader's facing test, with the corners rotated to the smallest first.
bool facesLight(glm::vec3 a, glm::vec3 b, glm::vec3 c, const glm::vec3& light)
{
    if (lexicographicallyBefore(b, a) && lexicographicallyBefore(b, c)) {
        const glm::vec3 t = a;
        a = b;
        b = c;
        c = t;
    } else if (lexicographicallyBefore(c, a) && lexicographicallyBefore(c, b)) {
        const glm::vec3 t = c;
        c = b;
        b = a;
        a = t;
    }
    return glm::dot(glm::cross(b - a, c - a), light - a) > 0.0f;
}

VolumeCount countVolume(const Asset& asset)
{
    VolumeCount count;
    if (asset.getAdjacencyIndexBuffer() == 0 || asset.getPositionBuffer() == 0) {
        return count;
    }
    const std::vector<float> positions = readBuffer<float>(asset.getPositionBuffer());
    const std::vector<GLuint> indices = readBuffer<GLuint>(asset.getAdjacencyIndexBuffer());
    const size_t used = std::min(indices.size(), static_cast<size_t>(2 * asset.getNumIndices()));

    const glm::mat4 model = asset.getModelMatrix();
    const size_t vertexCount = positions.size() / 3;
    std::vector<glm::vec3> world(vertexCount);
    for (size_t v = 0; v < vertexCount; ++v) {
        world[v] = glm::vec3(model * glm::vec4(positions[3 * v], positions[3 * v + 1], positions[3 * v + 2], 1.0f));
    }
    auto at = [&](GLuint index) { return index < vertexCount ? world[index] : glm::vec3(0.0f); };
    for (const PointLight& light : asset.getPointLights()) {
        if (glm::distance(light.Position, asset.getPosition()) > Asset::shadowLightRange) {
            continue;
        }
        ++count.lights;
        const long long silhouetteBefore = count.silhouetteEdges;
        for (size_t t = 0; t + 6 <= used; t += 6) {
            const glm::vec3 v0 = at(indices[t]), v1 = at(indices[t + 1]), v2 = at(indices[t + 2]);
            const glm::vec3 v3 = at(indices[t + 3]), v4 = at(indices[t + 4]), v5 = at(indices[t + 5]);
            if (!facesLight(v0, v2, v4, light.Position)) {
                continue;
            }
            ++count.facing;
            count.silhouetteEdges += (v1 == v4 || !facesLight(v2, v0, v1, light.Position)) ? 1 : 0;
            count.silhouetteEdges += (v3 == v0 || !facesLight(v4, v2, v3, light.Position)) ? 1 : 0;
            count.silhouetteEdges += (v5 == v2 || !facesLight(v0, v4, v5, light.Position)) ? 1 : 0;
        }
        count.silhouetteEdgesPerLight.push_back(count.silhouetteEdges - silhouetteBefore);
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    const Clock::time_point mainEntered = Clock::now();
    const double mainEnteredBoot = bootClockSeconds();
    const double processStart = processStartBootSeconds();

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
        std::fprintf(stderr, "no window: a display is needed (xvfb-run)\n");
        return 1;
    }

    // The program's console lines during set-up go to /dev/null unless asked
    // for, so that the table stays readable.
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    if (!options.setupOutput) {
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
    }

    initGL();
    const Clock::time_point glReady = Clock::now();
    SetupTimings setup;
    setupScene(&setup);
    const Clock::time_point sceneReady = Clock::now();

    // The first frame, as the frame loop would draw it.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    const SceneSnapshot start = [] {
        SceneSnapshot snapshot;
        snapshot.take();
        return snapshot;
    }();
    renderFrame(options.dt);
    glFinish();
    const Clock::time_point firstFrame = Clock::now();
    const double firstFrameBoot = bootClockSeconds();

    std::cout.flush();
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);

    const double setupSeconds = secondsBetween(glReady, sceneReady);
    const double setupOther = setupSeconds - setup.textures - setup.programs - setup.models;

    Results results;
    results.reserve(static_cast<size_t>(options.frames) * static_cast<size_t>(options.rounds));
    {
        PassTimer timer;
        for (int round = 0; round < options.rounds; ++round) {
            runSequences(options, start, timer, results);
        }
        if (!options.dumpPpm.empty()) {
            // One more frame of the scene, after the warm-up and the measured
            // frames of a sequence, read back before its swap.
            start.restore();
            setPassObserver(&timer);
            for (int i = 0; i < options.warmup + options.frames; ++i) {
                renderFrame(options.dt);
            }
            std::vector<unsigned char> pixels;
            timer.dumpNextFrame(&pixels, appWindow.getWidth(), appWindow.getHeight());
            timer.startFrame();
            renderFrame(options.dt);
            glFinish();
            setPassObserver(nullptr);
            if (!writePpm(options.dumpPpm, pixels, appWindow.getWidth(), appWindow.getHeight())) {
                std::fprintf(stderr, "cannot write %s\n", options.dumpPpm.c_str());
            }
        }
    }

    // One untimed frame of the scene, counting what each pass rasterises.
    std::array<GLuint, passCount> primitives{};
    {
        start.restore();
        PrimitiveCounter counter;
        setPassObserver(&counter);
        renderFrame(options.dt);
        glFinish();
        setPassObserver(nullptr);
        primitives = counter.results();
    }
    // The same frame's volumes worked out on the CPU, asset by asset.
    std::vector<VolumeCount> volumes;
    for (const Asset* asset : assets) {
        volumes.push_back(asset->m_withAdjacency ? countVolume(*asset) : VolumeCount());
    }

    // The shadow-volume pass of each casting asset alone: its primitives and
    // isolated wall time over a few frames from the start of the sequence.
    struct AssetShadow {
        size_t index = 0;
        GLuint primitives = 0;
        double isolatedSeconds = 0.0;
    };
    std::vector<AssetShadow> assetShadows;
    if (options.perAssetFrames > 0) {
        std::vector<bool> casts;
        for (const Asset* asset : assets) {
            casts.push_back(asset->m_withAdjacency);
        }
        for (size_t only = 0; only < assets.size(); ++only) {
            if (!casts[only]) {
                continue;
            }
            for (size_t i = 0; i < assets.size(); ++i) {
                assets[i]->m_withAdjacency = casts[i] && i == only;
            }
            start.restore();
            PassTimer timer;
            timer.isolate = true;
            PassSamples samples;
            setPassObserver(&timer);
            for (int frame = 0; frame < options.perAssetFrames; ++frame) {
                timer.startFrame();
                renderFrame(options.dt);
                glFinish();
                timer.collect(samples);
            }
            start.restore();
            PrimitiveCounter counter;
            setPassObserver(&counter);
            renderFrame(options.dt);
            glFinish();
            setPassObserver(nullptr);
            const int shadowPass = static_cast<int>(RenderPass::ShadowVolumes);
            assetShadows.push_back({only, counter.results()[shadowPass], median(samples.isolated[shadowPass])});
        }
        for (size_t i = 0; i < assets.size(); ++i) {
            assets[i]->m_withAdjacency = casts[i];
        }
    }

    // Figures.
    const double empty = median(results.frames[0]);
    const double scene = median(results.frames[1]);
    const double noShadow = median(results.frames[2]);
    double isolatedSum = 0.0;
    for (int p = 0; p < passCount; ++p) {
        isolatedSum += median(results.isolated.isolated[p]);
    }
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    const char* lpThreads = std::getenv("LP_NUM_THREADS");
    const std::string renderer = glString(GL_RENDERER);
    const std::string version = glString(GL_VERSION);
    const std::string cpu = cpuModel();
    const unsigned cpus = std::thread::hardware_concurrency();

    const double startupProcess = processStart >= 0.0 ? firstFrameBoot - processStart : -1.0;
    const double startupStatic = firstFrameBoot - earlyStamp.bootSeconds;
    const double beforeStatic = processStart >= 0.0 ? earlyStamp.bootSeconds - processStart : -1.0;
    const double staticInit = mainEnteredBoot - earlyStamp.bootSeconds;
    const double initGLSeconds = secondsBetween(mainEntered, glReady);
    const double firstFrameSeconds = secondsBetween(sceneReady, firstFrame);

    std::printf("KOV frame benchmark\n");
    std::printf("  machine   %s, %u CPUs online, LP_NUM_THREADS=%s\n", cpu.c_str(), cpus,
                lpThreads != nullptr ? lpThreads : "(unset)");
    std::printf("  driver    %s | %s | %d samples\n", renderer.c_str(), version.c_str(), samples);
    std::printf("  window    %d x %d, swap interval: driver default\n", appWindow.getWidth(), appWindow.getHeight());
    std::printf("  run       %d round(s) x %d frames after %d warm-up, in blocks of %d taken in turn, dt %.6f s,"
                " pass timers %s\n\n",
                options.rounds, options.frames, options.warmup, options.block, options.dt, options.passTimers ? "on" : "off");

    std::printf("Start-up                                   ms\n");
    std::printf("  process start -> first frame        %8.1f  (/proc/self/stat field 22, 1/CLK_TCK resolution)\n",
                ms(startupProcess));
    std::printf("    exec, loading (before static init) %7.1f\n", ms(beforeStatic));
    std::printf("    static init (window, GL context)   %7.1f\n", ms(staticInit));
    std::printf("    initGL                             %7.1f\n", ms(initGLSeconds));
    std::printf("    textures                           %7.1f\n", ms(setup.textures));
    std::printf("    shader programs                    %7.1f\n", ms(setup.programs));
    std::printf("    models (import and adjacency)      %7.1f\n", ms(setup.models));
    std::printf("    rest of the set-up                 %7.1f\n", ms(setupOther));
    std::printf("    first frame                        %7.1f\n", ms(firstFrameSeconds));
    std::printf("  static init -> first frame          %8.1f  (timestamp in the benchmark's static initialiser)\n\n",
                ms(startupStatic));

    std::printf("Frame time (glFinish after the swap)   median ms    p95 ms   x empty   x no-shadow   CPU ms\n");
    for (int m = 0; m < modeCount; ++m) {
        if (results.frames[m].empty()) {
            continue;
        }
        const double med = median(results.frames[m]);
        std::printf("  %-34s %9.2f %9.2f %9.2f %11.2f %8.1f\n", modeNames[m], ms(med),
                    ms(percentile(results.frames[m], 95.0)), empty > 0 ? med / empty : 0.0,
                    noShadow > 0 ? med / noShadow : 0.0, ms(median(results.frameCpu[m])));
    }
    std::printf("  (CPU ms: process CPU time of the frame, all threads, median)\n\n");
    std::printf("Passes of the scene frame (median ms)  GL time  submit (CPU)  isolated (CPU)  share  primitives\n");
    for (int p = 0; p < passCount; ++p) {
        const double isolatedPass = median(results.isolated.isolated[p]);
        std::printf("  %-34s %8.2f %7.2f %6.2f %8.2f %7.2f %5.1f%% %10u\n", passNames[p], ms(median(results.scene.gl[p])),
                    ms(median(results.scene.submit[p])), ms(median(results.scene.submitCpu[p])), ms(isolatedPass),
                    ms(median(results.isolated.isolatedCpu[p])), isolatedSum > 0 ? 100.0 * isolatedPass / isolatedSum : 0.0,
                    primitives[p]);
    }
    std::printf("  GL time: GL_TIME_ELAPSED in the scene frame (a driver that renders a frame tile by tile with\n"
                "  the passes interleaved, as llvmpipe does, does not separate the passes there); submit: main-\n"
                "  thread time inside the pass (its CPU time); isolated: wall time of the pass between two glFinish\n"
                "  calls (process CPU time; share: of the four wall times); primitives: GL_PRIMITIVES_GENERATED\n"
                "  (after the geometry shader)\n\n");

    const double allocationsPerFrame = static_cast<double>(results.sceneAllocations) /
                                       static_cast<double>(results.frames[1].size());
    std::printf("C++ heap allocations per scene frame: %.2f\n\n", allocationsPerFrame);
    std::printf("Scene assets                     triangles  lights  facing  silhouette  primitives  alone: GL prims  isolated ms"
                "  silhouette per light\n");
    for (size_t i = 0; i < assets.size(); ++i) {
        std::printf("  %-30s %9d", assetName(i).c_str(), assets[i]->getNumIndices() / 3);
        if (!assets[i]->m_withAdjacency) {
            std::printf("  (no adjacency: casts no volume)\n");
            continue;
        }
        const VolumeCount& volume = volumes[i];
        std::printf(" %7d %7lld %11lld %11lld", volume.lights, volume.facing, volume.silhouetteEdges, volume.primitives());
        bool alone = false;
        for (const AssetShadow& shadow : assetShadows) {
            if (shadow.index == i) {
                std::printf(" %16u %12.2f", shadow.primitives, ms(shadow.isolatedSeconds));
                alone = true;
            }
        }
        if (!alone) {
            std::printf(" %16s %12s", "-", "-");
        }
        std::printf(" ");
        for (size_t l = 0; l < volume.silhouetteEdgesPerLight.size(); ++l) {
            std::printf("%s%lld", l == 0 ? " " : " / ", volume.silhouetteEdgesPerLight[l]);
        }
        std::printf("\n");
    }
    std::printf("  (lights: near enough to cast; facing triangles and silhouette edges summed over those lights,\n"
                "   worked out on the CPU as the geometry shader does; primitives = 2 x facing + 2 x silhouette;\n"
                "   alone: the shadow pass with only this asset casting, GL_PRIMITIVES_GENERATED and wall time;\n"
                "   silhouette per light: the silhouette edges for each light that casts, each a side of the volume)\n");
    std::printf("\nTargets: scene %.2f x empty (<= 15), start-up %.2f s (< 2); no-shadow %.2f x empty\n",
                empty > 0 ? scene / empty : 0.0, startupProcess, empty > 0 ? noShadow / empty : 0.0);

    if (!options.json.empty()) {
        std::FILE* out = std::fopen(options.json.c_str(), "w");
        if (out == nullptr) {
            std::fprintf(stderr, "cannot write %s\n", options.json.c_str());
            return 1;
        }
        JsonWriter json(out);
        json.beginObject();
        json.beginObject("environment");
        json.string("cpu", cpu);
        json.integer("cpus_online", cpus);
        json.string("lp_num_threads", lpThreads != nullptr ? lpThreads : "");
        json.string("gl_renderer", renderer);
        json.string("gl_version", version);
        json.integer("samples", samples);
        json.integer("width", appWindow.getWidth());
        json.integer("height", appWindow.getHeight());
        json.string("swap_interval", "driver default");
        json.endObject();
        json.beginObject("run");
        json.integer("frames", options.frames);
        json.integer("warmup", options.warmup);
        json.integer("rounds", options.rounds);
        json.integer("block", options.block);
        json.number("dt_s", options.dt);
        json.integer("pass_timers", options.passTimers ? 1 : 0);
        json.integer("isolated_passes", options.isolatedPasses ? 1 : 0);
        json.endObject();
        json.beginObject("startup_ms");
        json.number("process_start_to_first_frame", ms(startupProcess));
        json.number("static_init_to_first_frame", ms(startupStatic));
        json.number("before_static_init", ms(beforeStatic));
        json.number("static_init", ms(staticInit));
        json.number("init_gl", ms(initGLSeconds));
        json.number("textures", ms(setup.textures));
        json.number("programs", ms(setup.programs));
        json.number("models", ms(setup.models));
        json.number("setup_other", ms(setupOther));
        json.number("first_frame", ms(firstFrameSeconds));
        json.endObject();
        json.beginObject("frame_ms");
        for (int m = 0; m < modeCount; ++m) {
            if (results.frames[m].empty()) {
                continue;
            }
            json.beginObject(modeNames[m]);
            json.number("median", ms(median(results.frames[m])));
            json.number("p95", ms(percentile(results.frames[m], 95.0)));
            json.integer("samples", static_cast<long long>(results.frames[m].size()));
            json.number("cpu_median", ms(median(results.frameCpu[m])));
            json.endObject();
        }
        json.endObject();
        json.number("heap_allocations_per_scene_frame", allocationsPerFrame);
        json.beginObject("ratios");
        json.number("scene_to_empty", empty > 0 ? scene / empty : 0.0);
        json.number("scene_to_no_shadow_volumes", noShadow > 0 ? scene / noShadow : 0.0);
        json.number("no_shadow_volumes_to_empty", empty > 0 ? noShadow / empty : 0.0);
        json.endObject();
        json.beginObject("passes");
        for (int p = 0; p < passCount; ++p) {
            json.beginObject(passNames[p]);
            json.number("gl_time_median_ms", ms(median(results.scene.gl[p])));
            json.number("gl_time_p95_ms", ms(percentile(results.scene.gl[p], 95.0)));
            json.number("submit_median_ms", ms(median(results.scene.submit[p])));
            json.number("submit_cpu_median_ms", ms(median(results.scene.submitCpu[p])));
            json.number("no_shadow_gl_time_median_ms", ms(median(results.noShadow.gl[p])));
            json.number("isolated_wall_median_ms", ms(median(results.isolated.isolated[p])));
            json.number("isolated_gl_time_median_ms", ms(median(results.isolated.gl[p])));
            json.number("isolated_cpu_median_ms", ms(median(results.isolated.isolatedCpu[p])));
            json.number("isolated_share", isolatedSum > 0 ? median(results.isolated.isolated[p]) / isolatedSum : 0.0);
            json.integer("primitives", primitives[p]);
            json.endObject();
        }
        json.endObject();
        json.beginObject("assets");
        for (size_t i = 0; i < assets.size(); ++i) {
            json.beginObject(assetName(i).c_str());
            json.integer("triangles", assets[i]->getNumIndices() / 3);
            json.integer("adjacency", assets[i]->hasAdjacency() ? 1 : 0);
            if (assets[i]->m_withAdjacency) {
                json.integer("shadow_lights", volumes[i].lights);
                json.integer("shadow_facing_triangles", volumes[i].facing);
                json.integer("shadow_silhouette_edges", volumes[i].silhouetteEdges);
                for (size_t l = 0; l < volumes[i].silhouetteEdgesPerLight.size(); ++l) {
                    const std::string key = "shadow_silhouette_edges_light_" + std::to_string(l);
                    json.integer(key.c_str(), volumes[i].silhouetteEdgesPerLight[l]);
                }
                json.integer("shadow_primitives_expected", volumes[i].primitives());
            }
            for (const AssetShadow& shadow : assetShadows) {
                if (shadow.index == i) {
                    json.integer("shadow_primitives", shadow.primitives);
                    json.number("shadow_pass_alone_isolated_ms", ms(shadow.isolatedSeconds));
                }
            }
            json.endObject();
        }
        json.endObject();
        json.endObject();
        if (std::fclose(out) != 0) {
            std::fprintf(stderr, "cannot write %s\n", options.json.c_str());
            return 1;
        }
    }

    std::fflush(stdout);
    cleanup();
    return 0;
}
