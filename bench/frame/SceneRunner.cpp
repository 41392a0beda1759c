#include "frame/SceneRunner.h"

#include "frame/HeapCount.h"

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <string>

void SceneSnapshot::take()
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

void SceneSnapshot::restore() const
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

namespace {

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
        const unsigned long long allocationsBefore = heapAllocationCount();
        if (mode == Mode::Empty) {
            emptyFrame();
        } else {
            renderFrame(options.dt);
        }
        const unsigned long long allocations = heapAllocationCount() - allocationsBefore;
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

} // namespace

Results runMeasuredFrames(const Options& options, const SceneSnapshot& start)
{
    Results results;
    results.reserve(static_cast<size_t>(options.frames) * static_cast<size_t>(options.rounds));
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
    return results;
}

std::array<GLuint, passCount> countPassPrimitives(double dt, const SceneSnapshot& start)
{
    start.restore();
    PrimitiveCounter counter;
    setPassObserver(&counter);
    renderFrame(dt);
    glFinish();
    setPassObserver(nullptr);
    return counter.results();
}
