#include "frame/PassTiming.h"

#include "readback/FrameReadback.h"

void PassTimer::startFrame()
{
    m_ran.fill(false);
}

void PassTimer::beginPass(RenderPass pass)
{
    const int i = static_cast<int>(pass);
    if (isolate) {
        glFinish();
    }
    m_ran[i] = true;
    m_submitStart[i] = Clock::now();
    m_threadCpuStart[i] = threadCpu();
    m_processCpuStart[i] = processCpu();
    glBeginQuery(GL_TIME_ELAPSED, m_queries[i].id());
}

void PassTimer::endPass(RenderPass pass)
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
        *m_dump = readFinishedFrame(m_width, m_height);
        m_dump = nullptr;
    }
}

void PassTimer::collect(PassSamples& samples)
{
    for (int i = 0; i < passCount; ++i) {
        if (!m_ran[i]) {
            continue;
        }
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(m_queries[i].id(), GL_QUERY_RESULT, &nanoseconds);
        samples.gl[i].push_back(static_cast<double>(nanoseconds) * 1e-9);
        samples.submit[i].push_back(m_submitSeconds[i]);
        samples.submitCpu[i].push_back(m_submitCpu[i]);
        if (isolate) {
            samples.isolated[i].push_back(m_isolatedSeconds[i]);
            samples.isolatedCpu[i].push_back(m_isolatedCpu[i]);
        }
    }
}

void PassTimer::dumpNextFrame(std::vector<unsigned char>* pixels, int width, int height)
{
    m_dump = pixels;
    m_width = width;
    m_height = height;
}

void PrimitiveCounter::beginPass(RenderPass pass)
{
    glBeginQuery(GL_PRIMITIVES_GENERATED, m_queries[static_cast<int>(pass)].id());
}

void PrimitiveCounter::endPass(RenderPass)
{
    glEndQuery(GL_PRIMITIVES_GENERATED);
}

std::array<GLuint, passCount> PrimitiveCounter::results()
{
    std::array<GLuint, passCount> counts{};
    for (int i = 0; i < passCount; ++i) {
        glGetQueryObjectuiv(m_queries[i].id(), GL_QUERY_RESULT, &counts[i]);
    }
    return counts;
}

void VolumeSampleCounter::beginPass(RenderPass pass)
{
    if (pass == RenderPass::ShadowVolumes) {
        glDisable(GL_DEPTH_TEST);
        glBeginQuery(GL_SAMPLES_PASSED, m_query.id());
    }
}

void VolumeSampleCounter::endPass(RenderPass pass)
{
    if (pass == RenderPass::ShadowVolumes) {
        glEndQuery(GL_SAMPLES_PASSED);
        glEnable(GL_DEPTH_TEST);
    }
}

GLuint VolumeSampleCounter::result()
{
    GLuint samples = 0;
    glGetQueryObjectuiv(m_query.id(), GL_QUERY_RESULT, &samples);
    return samples;
}
