#include "frame/SceneRunner.h"

#include "app/AppState.h"
#include "app/FrameLoop.h"
#include "asset/Asset.h"
#include "camera/CameraState.h"

#include <GLFW/glfw3.h>

#include <algorithm>

namespace {

std::vector<glm::mat4> modelMatrices()
{
    std::vector<glm::mat4> models;
    for (const auto* list : {&assets, &assets2, &assets3}) {
        for (const Asset* asset : *list) {
            models.push_back(asset->getModelMatrix());
        }
    }
    return models;
}

void setModelMatrices(const std::vector<glm::mat4>& models)
{
    size_t i = 0;
    for (const auto* list : {&assets, &assets2, &assets3}) {
        for (Asset* asset : *list) {
            asset->setModelMatrix(models[i++]);
        }
    }
}

} // namespace

void SceneSnapshot::take()
{
    models = modelMatrices();
    position = getCameraPosition();
    focus = getCameraFocus();
    up = getCameraUp();
}

void SceneSnapshot::restore() const
{
    setModelMatrices(models);
    setCameraPosition(position);
    setCameraFocus(focus);
    setCameraUp(up);
    resetCameraFlight();
}

namespace {

// Where one sequence stands: the assets' model matrices and the frames it
// has advanced (the camera flight is replayed from the start, which
// reproduces it exactly).
struct SequenceState {
    std::vector<glm::mat4> models;
    int advanced = 0;
};

void resumeSequence(const SceneSnapshot& start, const SequenceState& state, double dt)
{
    start.restore();
    setModelMatrices(state.models);
    for (int frame = 0; frame < state.advanced; ++frame) {
        updateCameraFlight(dt);
    }
}

void emptyFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glfwSwapBuffers(appWindow.getWindow());
}

// Runs `count` frames of one sequence, recording them unless they are warm-up.
void runBlock(Mode mode, int count, bool measure, double dt, PassTimer& timer, Results& results)
{
    if (mode == Mode::Empty) {
        // What the frame loop's own clear relies on; set outside the timing.
        glDepthMask(GL_TRUE);
        glDrawBuffer(GL_BACK);
    }
    timer.skipShadowVolumes = mode == Mode::NoShadow;
    timer.isolate = mode == Mode::SceneIsolated;
    setPassObserver(mode == Mode::Empty ? nullptr : &timer);
    for (int i = 0; i < count; ++i) {
        timer.startFrame();
        const auto begin = std::chrono::steady_clock::now();
        if (mode == Mode::Empty) {
            emptyFrame();
        } else {
            renderFrame(dt);
        }
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        if (!measure) {
            continue;
        }
        results.frames[static_cast<int>(mode)].push_back(secondsBetween(begin, end));
        if (mode == Mode::Scene) {
            timer.collect(results.scene);
        } else if (mode == Mode::SceneIsolated) {
            timer.collect(results.isolated);
        }
    }
    setPassObserver(nullptr);
    timer.skipShadowVolumes = false;
    timer.isolate = false;
}

} // namespace

Results runMeasuredFrames(const FrameBenchOptions& options, const SceneSnapshot& start)
{
    const Mode modes[modeCount] = {Mode::Empty, Mode::Scene, Mode::NoShadow, Mode::SceneIsolated};
    Results results;
    PassTimer timer;
    std::vector<SequenceState> states(modeCount, SequenceState{start.models, 0});
    auto runAndAdvance = [&](int m, int count, bool measure) {
        resumeSequence(start, states[m], options.dt);
        runBlock(modes[m], count, measure, options.dt, timer, results);
        states[m].models = modelMatrices();
        states[m].advanced += count;
    };
    for (int m = 0; m < modeCount; ++m) {
        runAndAdvance(m, options.warmup, false);
    }
    // Blocks taken in turn from each sequence: a change of load on a shared
    // machine then reaches the scene and its reference frames alike, which
    // keeps their ratios fair where whole sequences one after the other
    // would not be.
    for (int done = 0; done < options.frames; done += framesPerBlock) {
        for (int m = 0; m < modeCount; ++m) {
            runAndAdvance(m, std::min(framesPerBlock, options.frames - done), true);
        }
    }
    return results;
}

std::array<GLuint, passCount> countPassPrimitives(double dt, const SceneSnapshot& start)
{
    start.restore();
    PassPrimitiveCounter counter;
    setPassObserver(&counter);
    renderFrame(dt);
    glFinish();
    setPassObserver(nullptr);
    return counter.results();
}
