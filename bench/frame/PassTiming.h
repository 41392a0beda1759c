#pragma once
// Measurement of the frame loop's passes through its pass observer: GL timer
// queries, glFinish-bracketed wall times, primitives and volume samples.
#include "app/FrameLoop.h"
#include "app/GLObject.h"

#include <GL/glew.h>

#include <array>
#include <chrono>
#include <vector>

constexpr int passCount = 4;
const char* const passNames[passCount] = {"depth", "shadow_volumes", "lit", "additive"};

inline double secondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

using PassQueries = std::array<GLQuery, passCount>;
inline PassQueries makePassQueries()
{
    static_assert(passCount == 4);
    return {GLQuery::generate(), GLQuery::generate(), GLQuery::generate(), GLQuery::generate()};
}

// Seconds of each pass over the measured frames.
struct PassSamples {
    std::array<std::vector<double>, passCount> gl; // GL_TIME_ELAPSED
    std::array<std::vector<double>, passCount> isolated; // wall time between two glFinish calls
};

// A GL_TIME_ELAPSED query around each pass (the passes run one after the
// other, so one query is active at a time). Isolated, it also finishes the
// GL work at both edges of each pass, because a tiling driver such as
// llvmpipe otherwise renders all passes of a tile together and the queries
// cannot separate them.
class PassTimer : public PassObserver {
public:
    bool isolate = false;

    void startFrame();
    void beginPass(RenderPass pass) override;
    void endPass(RenderPass pass) override;
    // After glFinish: the figures of each pass that ran.
    void collect(PassSamples& samples);

private:
    PassQueries m_queries = makePassQueries();
    std::array<bool, passCount> m_ran{};
    std::array<std::chrono::steady_clock::time_point, passCount> m_start{};
    std::array<double, passCount> m_isolatedSeconds{};
};

// GL_PRIMITIVES_GENERATED around each pass: what reaches the rasteriser,
// after the geometry shader.
class PassPrimitiveCounter : public PassObserver {
public:
    void beginPass(RenderPass pass) override;
    void endPass(RenderPass) override;
    // After glFinish: the count of each pass.
    std::array<GLuint, passCount> results();

private:
    PassQueries m_queries = makePassQueries();
};

// GL_SAMPLES_PASSED over the shadow-volume pass with the depth test off, so
// that every sample a volume covers counts whichever way its depth test
// would go. The stencil it leaves is not the frame's: use it on a frame
// that is only counted.
class VolumeSampleCounter : public PassObserver {
public:
    void beginPass(RenderPass pass) override;
    void endPass(RenderPass pass) override;
    // After glFinish: the samples of the shadow-volume pass.
    GLuint result();

private:
    GLQuery m_query = GLQuery::generate();
};
