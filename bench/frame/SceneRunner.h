#pragma once
// The demonstration scene driven frame by frame through the frame loop's own
// code: measured sequences that all replay the same frames, the reference
// frames, the image dump and the primitive count of a frame.
#include "frame/Options.h"
#include "frame/PassTiming.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <vector>

// Where the scene starts, so that every measured sequence replays the same
// frames: the assets' model matrices and the camera with its flight.
struct SceneSnapshot {
    std::vector<glm::mat4> models;
    glm::vec3 position{};
    glm::vec3 focus{};
    glm::vec3 up{};

    void take();
    void restore() const;
};

// The measured sequences; the last one, with the passes isolated, is not a
// frame time of the program and only feeds the per-pass figures.
enum class Mode { Empty, Scene, NoShadow, SceneIsolated };
constexpr int modeCount = 4;
const char* const modeNames[modeCount] = {"empty", "scene", "no_shadow_volumes", "scene_passes_isolated"};

// Every measured frame time and pass sample of a run.
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

// Every round of the measured sequences, then, with --dump-ppm, the image of
// the frame after them.
Results runMeasuredFrames(const Options& options, const SceneSnapshot& start);

// One untimed frame from the start, counting what each pass rasterises.
std::array<GLuint, passCount> countPassPrimitives(double dt, const SceneSnapshot& start);
