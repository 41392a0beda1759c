#pragma once
// Measurement of the frame loop's passes through its pass observer: GL timer
// queries, submit and CPU times, and primitive counts per pass.
#include "app/FrameLoop.h"
#include "app/GLObject.h"
#include "frame/Clocks.h"

#include <GL/glew.h>

#include <array>
#include <vector>

constexpr int passCount = 4;
const char* const passNames[passCount] = {"depth", "shadow_volumes", "lit", "additive"};

// One query object for each pass, owned by the array.
using PassQueries = std::array<GLQuery, passCount>;
inline PassQueries makePassQueries()
{
    static_assert(passCount == 4);
    return {GLQuery::generate(), GLQuery::generate(), GLQuery::generate(), GLQuery::generate()};
}

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
    bool isolate = false;

    void startFrame();
    void beginPass(RenderPass pass) override;
    void endPass(RenderPass pass) override;
    // After glFinish: the figures of each pass that ran.
    void collect(PassSamples& samples);
    // Reads the next frame's finished image into `pixels` before its swap.
    void dumpNextFrame(std::vector<unsigned char>* pixels, int width, int height);

private:
    PassQueries m_queries = makePassQueries();
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
    void beginPass(RenderPass pass) override;
    void endPass(RenderPass) override;
    // After glFinish: the count of each pass.
    std::array<GLuint, passCount> results();

private:
    PassQueries m_queries = makePassQueries();
};

// Counts the samples the shadow-volume pass rasterises: GL_SAMPLES_PASSED
// with the depth test off during that pass, so that every sample a volume
// covers counts, whether its depth test would pass or fail. The stencil it
// leaves is then not the frame's; use it on a frame that is only counted.
class VolumeSampleCounter : public PassObserver {
public:
    void beginPass(RenderPass pass) override;
    void endPass(RenderPass pass) override;
    // After glFinish: the samples of the shadow-volume pass.
    GLuint result();

private:
    GLQuery m_query = GLQuery::generate();
};
