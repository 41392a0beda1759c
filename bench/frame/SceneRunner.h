#pragma once
// The demonstration scene driven frame by frame through the frame loop's own
// code: measured sequences that all replay the same frames, and the
// primitive count of a frame.
#include "frame/FrameBenchOptions.h"
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

// The measured frames are taken this many at a time from each sequence in turn.
constexpr int framesPerBlock = 10;

struct Results {
    std::array<std::vector<double>, modeCount> frames; // seconds of each measured frame
    PassSamples scene; // GL time of the passes of the scene's frames
    PassSamples isolated; // both figures of the isolated frames
};

Results runMeasuredFrames(const FrameBenchOptions& options, const SceneSnapshot& start);

// One untimed frame from the start, counting what each pass rasterises.
std::array<GLuint, passCount> countPassPrimitives(double dt, const SceneSnapshot& start);
