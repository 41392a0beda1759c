#pragma once
// Measurement of the frame loop's passes through its pass observer: GL timer
// queries, submit and CPU times, and primitive counts per pass.
#include "app/AppState.h"
#include "frame/Clocks.h"

#include <GL/glew.h>

#include <array>
#include <vector>

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
    std::array<GLuint, passCount> m_queries{}; // owned: made by the constructor, deleted by the destructor
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
    std::array<GLuint, passCount> m_queries{}; // owned: made by the constructor, deleted by the destructor
};
